#pragma once

#include "TestSupport.h"
#include "queries/SearchViews.h"
#include "store/Database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

// Small catalogs made for checking searches and bulk commands row by row.
namespace QueriesFixture {

using Rows = QList<QStringList>;

enum class Schema
{
    Template,   // as new catalogs are made: a file carries a keyword at most once
    OldIndexes, // link tables indexed one column at a time, as older templates did; links may
                // repeat
    EqualPaths, // no unique path: folder rows may share a path; links may repeat
};

inline QString makeCatalog(const QTemporaryDir& dir, const QString& name,
                           Schema schema = Schema::Template)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    if (schema == Schema::EqualPaths) {
        // The template's own statements with the path's UNIQUE taken out.
        QStringList statements;
        {
            store::Database t = store::Database::open(TestSupport::templateFile());
            store::Statement st =
                t.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE sql NOT NULL AND "
                                         "substr(name, 1, 7) <> 'sqlite_' "
                                         "ORDER BY type = 'view', rowid"));
            while (st.step())
                statements << st.value(0)
                                  .toString()
                                  .replace(QStringLiteral("ut TEXT NOT NULL UNIQUE"),
                                           QStringLiteral("ut TEXT NOT NULL"))
                                  .replace(QStringLiteral("CREATE UNIQUE INDEX"),
                                           QStringLiteral("CREATE INDEX"));
        }
        store::Database db = store::Database::create(path);
        for (const QString& s : statements)
            db.execScript(s);
        db.execScript(QStringLiteral("CREATE INDEX ut_ut ON ut(ut);"
                                     "INSERT INTO kulcs (id, kulcs) VALUES (1, 'Általános');"
                                     "INSERT INTO kulcsut (id, nev) VALUES (1, 'Általános');"));
        return path;
    }
    if (!QFile::copy(TestSupport::templateFile(), path))
        qFatal("cannot copy the template");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    if (schema == Schema::OldIndexes) {
        store::Database db = store::Database::open(path);
        db.execScript(QStringLiteral(
            "DROP INDEX nev_kulcsid_id_kulcsid; DROP INDEX nev_kulcsid_kulcsid_id;"
            "DROP INDEX ut_kulcsid_kulcsid_id; CREATE INDEX nev_kulcsid_id ON nev_kulcsid(id);"
            "CREATE INDEX nev_kulcsid_kulcsid ON nev_kulcsid(kulcsid);"
            "CREATE INDEX ut_kulcsid_kulcsid ON ut_kulcsid(kulcsid);"));
    }
    return path;
}

// Rows written straight into a catalog; links given as keyword ids, repeated
// ones kept where the catalog allows them.
class Writer
{
public:
    explicit Writer(const QString& path) : m_db(store::Database::open(path)) {}
    store::Database& db() { return m_db; }

    qint64 fileKeyword(const QString& text)
    {
        return insert(QStringLiteral("kulcs"), QStringLiteral("kulcs"), text);
    }
    qint64 folderKeyword(const QString& text)
    {
        return insert(QStringLiteral("kulcsut"), QStringLiteral("nev"), text);
    }

    qint64 folder(const QString& path, const QList<qint64>& keywords = {1})
    {
        m_db.exec(QStringLiteral("INSERT INTO ut (ut) VALUES (?1)"), {path});
        const qint64 id = m_db.lastInsertId();
        for (qint64 k : keywords)
            m_db.exec(QStringLiteral("INSERT INTO ut_kulcsid (id, kulcsid) VALUES (?1, ?2)"),
                      {id, k});
        return id;
    }
    qint64 file(qint64 folder, const QString& name, const QList<qint64>& keywords = {1})
    {
        m_db.exec(
            QStringLiteral("INSERT INTO prgnev (nev, utid, hossz, datum) VALUES (?1, ?2, ?3, ?4)"),
            {name, folder, ++m_length * 100,
             QStringLiteral("1996-05-%1 10:00:00")
                 .arg(m_length % 28 + 1, 2, 10, QLatin1Char('0'))});
        const qint64 id = m_db.lastInsertId();
        for (qint64 k : keywords)
            m_db.exec(
                QStringLiteral("INSERT OR IGNORE INTO nev_kulcsid (id, kulcsid) VALUES (?1, ?2)"),
                {id, k});
        return id;
    }

private:
    qint64 insert(const QString& table, const QString& column, const QString& text)
    {
        m_db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (?1)").arg(table, column), {text});
        return m_db.lastInsertId();
    }
    store::Database m_db;
    qint64 m_length = 0;
};

// Keyword texts of the mixed catalog below.
inline const QString kJatek = QStringLiteral("Játék");
inline const QString kRock = QStringLiteral("Rock 'n' roll");
inline const QString kJatekLower = QStringLiteral("játék");
inline const QString kZene = QStringLiteral("Zene");
inline const QString kCdRom = QStringLiteral("CD-ROM");
inline const QString kGyerek = QStringLiteral("Gyerek's");
inline const QString kRegi = QStringLiteral("Régi");

// A catalog with what makes searches go wrong: names differing in letter case
// only, accents, apostrophes in names, paths and keywords, repeated links,
// files and folders without their default link, a folder without links, one
// without files, and (EqualPaths) two folder rows with one path.
inline void fillMixed(const QString& path, Schema schema)
{
    Writer w(path);
    store::Transaction tx(w.db());
    const qint64 jatek = w.fileKeyword(kJatek), rock = w.fileKeyword(kRock),
                 jatekLower = w.fileKeyword(kJatekLower), zene = w.fileKeyword(kZene);
    const qint64 cd = w.folderKeyword(kCdRom), gyerek = w.folderKeyword(kGyerek),
                 regi = w.folderKeyword(kRegi);

    const qint64 root = w.folder(QStringLiteral("-CD_1- E:\\"));
    w.file(root, QStringLiteral("README.TXT"));
    w.file(root, QStringLiteral("readme.txt"), {1, jatek});
    w.file(root, QStringLiteral("SETUP.EXE"), {1, jatek, rock});
    const qint64 games = w.folder(QStringLiteral("-CD_1- E:\\GAMES"), {1, cd});
    w.file(games, QStringLiteral("DOOM.WAD"), {1, jatek, jatek});
    w.file(games, QStringLiteral("doom.exe"), {1, jatek});
    w.file(games, QStringLiteral("Árvíztűrő.txt"), {1, zene});
    w.file(games, QStringLiteral("x"), {});
    w.file(games, QStringLiteral("DOOM 2.WAD"), {1, jatek, rock});
    const qint64 doom = w.folder(QStringLiteral("-CD_1- E:\\GAMES\\DOOM"), {1, cd, gyerek});
    w.file(doom, QStringLiteral("DOOM.EXE"), {1, jatek, rock});
    w.file(doom, QStringLiteral("DOOM2.WAD"), {1, 1});
    w.file(doom, QStringLiteral("Rock'n'roll.mid"), {1, rock, jatekLower});
    const qint64 games2 = w.folder(QStringLiteral("-CD_2- E:\\Games"), {1, gyerek});
    w.file(games2, QStringLiteral("GAMES.TXT"), {jatek, rock});
    w.file(games2, QStringLiteral("Ötlet.doc"), {1, jatek, rock, zene});
    const qint64 obrien = w.folder(QStringLiteral("-O'Brien- D:\\Zene"), {1, regi});
    w.file(obrien, QStringLiteral("O'Brien.mp3"), {1, rock});
    w.file(obrien, QStringLiteral("ZENE.MP3"), {1, zene, jatek});
    w.file(w.folder(QStringLiteral("-CD_2- E:\\Üres"), {}), QStringLiteral("a.txt"), {1, jatek});
    w.file(w.folder(QStringLiteral("-CD_2- E:\\Nincs"), {cd}), QStringLiteral("b.txt"), {1, jatek});
    w.folder(QStringLiteral("-CD_3- E:\\Árva"), {1, cd});
    if (schema == Schema::EqualPaths) {
        // A second row for -CD_1- E:\GAMES: its links count with the first row's.
        const qint64 again = w.folder(QStringLiteral("-CD_1- E:\\GAMES"), {gyerek});
        w.file(again, QStringLiteral("COPY.TXT"), {1, jatek});
        w.file(again, QStringLiteral("Másik.WAD"), {1, jatek, rock});
    }
    tx.commit();
}

// The rows of a record source, each value as text (NULL as empty).
inline Rows rowsOf(const store::Database& db, const queries::RecordSource& source)
{
    store::Statement st = db.prepare(source.sql);
    st.bindAll(source.params);
    Rows rows;
    while (st.step()) {
        QStringList row;
        for (int c = 0; c < st.columnCount(); ++c)
            row << st.value(c).toString();
        rows << row;
    }
    return rows;
}

inline Rows rowsOf(const QString& path, const queries::RecordSource& source)
{
    return rowsOf(store::Database::open(path), source);
}

// Everything a bulk command may change, as sorted rows, so that two runs
// compare whatever the order their links were written in.
inline Rows contents(const QString& path)
{
    Rows all;
    for (const QString& sql :
         {QStringLiteral("SELECT 'file', id, nev, utid, hossz, datum, crc FROM prgnev"),
          QStringLiteral("SELECT 'folder', id, ut FROM ut"),
          QStringLiteral("SELECT 'kulcs', id, kulcs FROM kulcs"),
          QStringLiteral("SELECT 'kulcsut', id, nev FROM kulcsut"),
          QStringLiteral("SELECT 'filelink', id, kulcsid FROM nev_kulcsid"),
          QStringLiteral("SELECT 'folderlink', id, kulcsid FROM ut_kulcsid")})
        all += rowsOf(path, {sql, {}});
    std::sort(all.begin(), all.end());
    return all;
}

inline queries::KeywordChoice choice(const QStringList& entries, const QStringList& selected)
{
    queries::KeywordChoice c{entries, {}};
    for (const QString& e : entries)
        c.selected << selected.contains(e);
    return c;
}

} // namespace QueriesFixture
