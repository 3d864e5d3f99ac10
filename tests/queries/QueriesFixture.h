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
    OldIndexes, // link tables indexed one column at a time, as older templates did
    EqualPaths, // no unique path: folder rows may share a path; links may repeat
};

// The rows of a statement, each value as text (NULL as empty).
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

inline QStringList column(const Rows& rows, int c = 0)
{
    QStringList values;
    for (const QStringList& r : rows)
        values << r.value(c);
    return values;
}

inline QString makeCatalog(const QTemporaryDir& dir, const QString& name,
                           Schema schema = Schema::Template)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    if (schema == Schema::EqualPaths) {
        // The template's own statements with the path's UNIQUE taken out.
        store::Database db = store::Database::create(path);
        for (const QStringList& s :
             rowsOf(TestSupport::templateFile(),
                    {"SELECT sql FROM sqlite_master WHERE sql NOT NULL AND substr(name, 1, 7) <> "
                     "'sqlite_' ORDER BY type = 'view', rowid",
                     {}}))
            db.execScript(QString(s[0])
                              .replace(u"ut TEXT NOT NULL UNIQUE"_qs, u"ut TEXT NOT NULL"_qs)
                              .replace(u"CREATE UNIQUE INDEX"_qs, u"CREATE INDEX"_qs));
        db.execScript(u"CREATE INDEX ut_ut ON ut(ut);"
                      "INSERT INTO kulcs (id, kulcs) VALUES (1, 'Általános');"
                      "INSERT INTO kulcsut (id, nev) VALUES (1, 'Általános');"_qs);
        return path;
    }
    if (!QFile::copy(TestSupport::templateFile(), path))
        qFatal("cannot copy the template");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    if (schema == Schema::OldIndexes)
        store::Database::open(path).execScript(
            u"DROP INDEX nev_kulcsid_id_kulcsid; DROP INDEX nev_kulcsid_kulcsid_id;"
            "DROP INDEX ut_kulcsid_kulcsid_id; CREATE INDEX nev_kulcsid_id ON nev_kulcsid(id);"
            "CREATE INDEX nev_kulcsid_kulcsid ON nev_kulcsid(kulcsid);"
            "CREATE INDEX ut_kulcsid_kulcsid ON ut_kulcsid(kulcsid);"_qs);
    return path;
}

// Rows written straight into a catalog; links given as keyword ids, repeated
// ones kept where the catalog allows them.
class Writer
{
public:
    explicit Writer(const QString& path) : m_db(store::Database::open(path)) {}
    store::Database& db() { return m_db; }

    qint64 fileKeyword(const QString& text) { return insert(u"kulcs (kulcs)"_qs, {text}); }
    qint64 folderKeyword(const QString& text) { return insert(u"kulcsut (nev)"_qs, {text}); }

    qint64 folder(const QString& path, const QList<qint64>& keywords = {1})
    {
        const qint64 id = insert(u"ut (ut)"_qs, {path});
        for (qint64 k : keywords)
            m_db.exec(u"INSERT INTO ut_kulcsid (id, kulcsid) VALUES (?1, ?2)"_qs, {id, k});
        return id;
    }
    qint64 file(qint64 folder, const QString& name, const QList<qint64>& keywords = {1})
    {
        ++m_length;
        const qint64 id =
            insert(u"prgnev (nev, utid, hossz, datum)"_qs,
                   {name, folder, m_length * 100,
                    u"1996-05-%1 10:00:00"_qs.arg(m_length % 28 + 1, 2, 10, QLatin1Char('0'))});
        for (qint64 k : keywords)
            m_db.exec(u"INSERT OR IGNORE INTO nev_kulcsid (id, kulcsid) VALUES (?1, ?2)"_qs,
                      {id, k});
        return id;
    }

private:
    qint64 insert(const QString& into, const QVariantList& values)
    {
        QStringList marks;
        for (int i = 1; i <= values.size(); ++i)
            marks << u"?%1"_qs.arg(i);
        m_db.exec(u"INSERT INTO %1 VALUES (%2)"_qs.arg(into, marks.join(u',')), values);
        return m_db.lastInsertId();
    }
    store::Database m_db;
    qint64 m_length = 0;
};

// DOOM.EXE (carrying "Játék") and DOOM.WAD in one folder, NC.EXE in another;
// "Játék" and "DOS" are file keywords 2 and 3, "CD-ROM" folder keyword 2.
struct SmallCatalog
{
    QTemporaryDir dir;
    QString path = makeCatalog(dir, "k.mdb");
    static constexpr qint64 jatek = 2, dos = 3;

    SmallCatalog()
    {
        Writer w(path);
        w.fileKeyword("Játék");
        w.fileKeyword("DOS");
        w.folderKeyword("CD-ROM");
        const qint64 games = w.folder(u"-CD_1- E:\\GAMES"_qs);
        w.file(games, u"DOOM.EXE"_qs, {1, jatek});
        w.file(games, u"DOOM.WAD"_qs);
        w.file(w.folder(u"-CD_1- E:\\TOOLS"_qs), u"NC.EXE"_qs);
    }
    QStringList column(const QString& sql) const
    {
        return QueriesFixture::column(rowsOf(path, {sql, {}}));
    }
    QStringList filesWith(qint64 keyword) const
    {
        return column(u"SELECT p.nev FROM prgnev p JOIN nev_kulcsid l ON l.id = p.id WHERE "
                      "l.kulcsid = %1 ORDER BY p.nev"_qs.arg(keyword));
    }
};

// Keyword texts of the mixed catalog below.
inline const QString kDefault = "Általános", kJatek = "Játék", kRock = "Rock 'n' roll",
                     kJatekLower = "játék", kZene = "Zene", kCdRom = "CD-ROM", kGyerek = "Gyerek's",
                     kRegi = "Régi";
inline const QStringList kFileKeys{kDefault, kJatek, kRock, kJatekLower, kZene};
inline const QStringList kFolderKeys{kDefault, kCdRom, kGyerek, kRegi};

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

    const qint64 root = w.folder(u"-CD_1- E:\\"_qs);
    w.file(root, u"README.TXT"_qs);
    w.file(root, u"readme.txt"_qs, {1, jatek});
    w.file(root, u"SETUP.EXE"_qs, {1, jatek, rock});
    const qint64 games = w.folder(u"-CD_1- E:\\GAMES"_qs, {1, cd});
    w.file(games, u"DOOM.WAD"_qs, {1, jatek, jatek});
    w.file(games, u"doom.exe"_qs, {1, jatek});
    w.file(games, u"Árvíztűrő.txt"_qs, {1, zene});
    w.file(games, u"x"_qs, {});
    w.file(games, u"DOOM 2.WAD"_qs, {1, jatek, rock});
    const qint64 doom = w.folder(u"-CD_1- E:\\GAMES\\DOOM"_qs, {1, cd, gyerek});
    w.file(doom, u"DOOM.EXE"_qs, {1, jatek, rock});
    w.file(doom, u"DOOM2.WAD"_qs, {1, 1});
    w.file(doom, u"Rock'n'roll.mid"_qs, {1, rock, jatekLower});
    const qint64 games2 = w.folder(u"-CD_2- E:\\Games"_qs, {1, gyerek});
    w.file(games2, u"GAMES.TXT"_qs, {jatek, rock});
    w.file(games2, u"Ötlet.doc"_qs, {1, jatek, rock, zene});
    const qint64 obrien = w.folder(u"-O'Brien- D:\\Zene"_qs, {1, regi});
    w.file(obrien, u"O'Brien.mp3"_qs, {1, rock});
    w.file(obrien, u"ZENE.MP3"_qs, {1, zene, jatek});
    w.file(w.folder(u"-CD_2- E:\\Üres"_qs, {}), u"a.txt"_qs, {1, jatek});
    w.file(w.folder(u"-CD_2- E:\\Nincs"_qs, {cd}), u"b.txt"_qs, {1, jatek});
    w.folder(u"-CD_3- E:\\Árva"_qs, {1, cd});
    if (schema == Schema::EqualPaths) {
        // A second row for -CD_1- E:\GAMES: its links count with the first row's.
        const qint64 again = w.folder(u"-CD_1- E:\\GAMES"_qs, {gyerek});
        w.file(again, u"COPY.TXT"_qs, {1, jatek});
        w.file(again, u"Másik.WAD"_qs, {1, jatek, rock});
    }
    tx.commit();
}

// Keywords as a collector who tags seriously has them, on top of the mixed
// catalog: 1 000 files in 40 folders, "Játék" on eight in nine of them and
// "Rock 'n' roll" on five in six, so that a search for both walks the
// folders; "CD-ROM" on two folders in three; names in both letter cases.
inline void fillDense(const QString& path)
{
    Writer w(path);
    store::Transaction tx(w.db());
    const auto id = [&](const QString& table, const QString& column, const QString& text) {
        return w.db()
            .scalar(u"SELECT id FROM %1 WHERE %2 = ?1"_qs.arg(table, column), {text})
            .toLongLong();
    };
    const qint64 jatek = id(u"kulcs"_qs, u"kulcs"_qs, kJatek),
                 rock = id(u"kulcs"_qs, u"kulcs"_qs, kRock),
                 cd = id(u"kulcsut"_qs, u"nev"_qs, kCdRom);
    int n = 0;
    for (int f = 0; f < 40; ++f) {
        const qint64 folder = w.folder(u"-DVD_%1- E:\\Games\\%2"_qs.arg(f % 4).arg(39 - f),
                                       f % 3 ? QList<qint64>{1, cd} : QList<qint64>{1});
        for (int i = 0; i < 25; ++i, ++n) {
            QList<qint64> keys{1};
            if (n % 9)
                keys << jatek;
            if (n % 6)
                keys << rock;
            w.file(folder, (n % 2 ? u"Doom%1.EXE"_qs : u"doom%1.txt"_qs).arg(n % 50), keys);
        }
    }
    tx.commit();
}

// Everything a bulk command may change, as sorted rows, so that two runs
// compare whatever the order their links were written in.
inline Rows contents(const QString& path)
{
    Rows all;
    for (const char* sql :
         {"SELECT 'file', id, nev, utid, hossz, datum, crc FROM prgnev",
          "SELECT 'folder', id, ut FROM ut", "SELECT 'kulcs', * FROM kulcs",
          "SELECT 'kulcsut', * FROM kulcsut", "SELECT 'filelink', id, kulcsid FROM nev_kulcsid",
          "SELECT 'folderlink', id, kulcsid FROM ut_kulcsid"})
        all += rowsOf(path, {QString::fromLatin1(sql), {}});
    std::sort(all.begin(), all.end());
    return all;
}

inline KeywordChoice choice(const QStringList& entries, const QStringList& selected)
{
    KeywordChoice c{entries, {}};
    for (const QString& e : entries)
        c.selected << selected.contains(e);
    return c;
}

} // namespace QueriesFixture
