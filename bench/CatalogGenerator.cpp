#include "CatalogGenerator.h"

#include "store/CatalogFiles.h"
#include "store/Database.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <random>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

const QStringList kTopFolders = {
    QStringLiteral("GAMES"),    QStringLiteral("UTILS"),    QStringLiteral("DOS"),
    QStringLiteral("WINDOWS"),  QStringLiteral("SOUND"),    QStringLiteral("GRAPHICS"),
    QStringLiteral("DRIVERS"),  QStringLiteral("TEXT"),     QStringLiteral("DEMOS"),
    QStringLiteral("ARCHIVE"),  QStringLiteral("NETWORK"),  QStringLiteral("PROGRAM"),
    QStringLiteral("EDU"),      QStringLiteral("MUSIC"),    QStringLiteral("VIDEO"),
    QStringLiteral("FONTS"),    QStringLiteral("DEVEL"),    QStringLiteral("OS2"),
    QStringLiteral("LINUX"),    QStringLiteral("INTERNET"), QStringLiteral("SHARE"),
    QStringLiteral("BBS"),      QStringLiteral("MAGAZIN"),  QStringLiteral("PATCHES"),
    QStringLiteral("JÁTÉKOK"),  QStringLiteral("SEGÉDPROGRAMOK"), QStringLiteral("Képek"),
    QStringLiteral("Zenék"),    QStringLiteral("Dokumentumok"),   QStringLiteral("Oktatás"),
    QStringLiteral("Program Files"), QStringLiteral("Setup"),     QStringLiteral("Extras"),
    QStringLiteral("Bonus"),    QStringLiteral("Tools"),    QStringLiteral("Update"),
};

const QStringList kProducts = {
    QStringLiteral("DOOM"),     QStringLiteral("WOLF3D"),   QStringLiteral("HERETIC"),
    QStringLiteral("DUKE3D"),   QStringLiteral("QUAKE"),    QStringLiteral("PRINCE"),
    QStringLiteral("LEMMINGS"), QStringLiteral("SIMCITY"),  QStringLiteral("CIV"),
    QStringLiteral("ARJ"),      QStringLiteral("PKZIP"),    QStringLiteral("RAR"),
    QStringLiteral("NC"),       QStringLiteral("DN"),       QStringLiteral("VC"),
    QStringLiteral("TP7"),      QStringLiteral("BC31"),     QStringLiteral("QBASIC"),
    QStringLiteral("MASM"),     QStringLiteral("NASM"),     QStringLiteral("DJGPP"),
    QStringLiteral("SBLASTER"), QStringLiteral("GUS"),      QStringLiteral("MODPLAY"),
    QStringLiteral("FT2"),      QStringLiteral("ST3"),      QStringLiteral("IT"),
    QStringLiteral("PAINTBR"),  QStringLiteral("PSP"),      QStringLiteral("ACDSEE"),
    QStringLiteral("CORELDRW"), QStringLiteral("AUTOCAD"),  QStringLiteral("WINWORD"),
    QStringLiteral("EXCEL"),    QStringLiteral("WORDPERF"), QStringLiteral("TEXTAR"),
    QStringLiteral("MOUSE"),    QStringLiteral("CDROM"),    QStringLiteral("VGA"),
    QStringLiteral("S3"),       QStringLiteral("TRIDENT"),  QStringLiteral("NE2000"),
    QStringLiteral("TRUMPET"),  QStringLiteral("NETSCAPE"), QStringLiteral("EUDORA"),
    QStringLiteral("MIRC"),     QStringLiteral("WINAMP"),   QStringLiteral("XING"),
    QStringLiteral("SCANDISK"), QStringLiteral("DEFRAG"),   QStringLiteral("MSAV"),
    QStringLiteral("F-PROT"),   QStringLiteral("TBAV"),     QStringLiteral("QEMM"),
    QStringLiteral("Szótár"),   QStringLiteral("Helyesírás"), QStringLiteral("Térképek"),
    QStringLiteral("Nyári képek"), QStringLiteral("Karácsony"), QStringLiteral("Számlák"),
    QStringLiteral("Office 97"), QStringLiteral("Visual Basic"), QStringLiteral("Delphi 3"),
    QStringLiteral("Win95"),    QStringLiteral("Win98"),    QStringLiteral("DirectX"),
};

const QStringList kSubFolders = {
    QStringLiteral("SUB1"),  QStringLiteral("SUB2"),  QStringLiteral("SUB3"),
    QStringLiteral("DATA"),  QStringLiteral("SOUND"), QStringLiteral("MAPS"),
    QStringLiteral("DOCS"),  QStringLiteral("SAVE"),  QStringLiteral("GFX"),
    QStringLiteral("BIN"),   QStringLiteral("LIB"),   QStringLiteral("INCLUDE"),
    QStringLiteral("HELP"),  QStringLiteral("TEMP"),  QStringLiteral("Képek"),
    QStringLiteral("Zene"),
};

const QStringList kCommonFiles = {
    QStringLiteral("SETUP.EXE"),    QStringLiteral("INSTALL.EXE"),  QStringLiteral("README.TXT"),
    QStringLiteral("READ.ME"),      QStringLiteral("INSTALL.BAT"),  QStringLiteral("FILE_ID.DIZ"),
    QStringLiteral("LICENSE.TXT"),  QStringLiteral("ORDER.FRM"),    QStringLiteral("VENDOR.DOC"),
    QStringLiteral("WHATSNEW.TXT"), QStringLiteral("SETUP.INI"),    QStringLiteral("UNINST.EXE"),
    QStringLiteral("DESC.SDI"),     QStringLiteral("HISTORY.TXT"),  QStringLiteral("MANUAL.DOC"),
    QStringLiteral("Readme.txt"),   QStringLiteral("setup.exe"),    QStringLiteral("autorun.inf"),
    QStringLiteral("OLVASS.EL"),    QStringLiteral("telepítés.txt"),
};

const QStringList kWords = {
    QStringLiteral("DOOM"),    QStringLiteral("GAME"),   QStringLiteral("PLAYER"),
    QStringLiteral("CONFIG"),  QStringLiteral("SOUND"),  QStringLiteral("MUSIC"),
    QStringLiteral("LEVEL"),   QStringLiteral("MAP"),    QStringLiteral("DRIVER"),
    QStringLiteral("MOUSE"),   QStringLiteral("VIDEO"),  QStringLiteral("PRINT"),
    QStringLiteral("FONT"),    QStringLiteral("CHESS"),  QStringLiteral("TETRIS"),
    QStringLiteral("PATCH"),   QStringLiteral("UPDATE"), QStringLiteral("HELP"),
    QStringLiteral("EDIT"),    QStringLiteral("VIEW"),   QStringLiteral("UNZIP"),
    QStringLiteral("SYSINFO"), QStringLiteral("CALC"),   QStringLiteral("NOTES"),
};

const QStringList kHungarian = {
    QStringLiteral("árvíztűrő"), QStringLiteral("tükörfúrógép"), QStringLiteral("Levél"),
    QStringLiteral("Számla"),    QStringLiteral("Öröm"),         QStringLiteral("szótár"),
    QStringLiteral("nyelvtan"),  QStringLiteral("Újság"),        QStringLiteral("gyümölcs"),
    QStringLiteral("Kép"),       QStringLiteral("Zene"),         QStringLiteral("Őszi séta"),
    QStringLiteral("Ünnep"),     QStringLiteral("ÁRVÍZTŰRŐ"),    QStringLiteral("Jegyzőkönyv"),
    QStringLiteral("Önéletrajz"),
};

const QStringList kUpperExt = {
    QStringLiteral("EXE"), QStringLiteral("COM"), QStringLiteral("BAT"), QStringLiteral("TXT"),
    QStringLiteral("DOC"), QStringLiteral("ZIP"), QStringLiteral("ARJ"), QStringLiteral("DLL"),
    QStringLiteral("DAT"), QStringLiteral("CFG"), QStringLiteral("INI"), QStringLiteral("HLP"),
    QStringLiteral("WAV"), QStringLiteral("MID"), QStringLiteral("BMP"), QStringLiteral("GIF"),
    QStringLiteral("PCX"), QStringLiteral("OVL"), QStringLiteral("WAD"), QStringLiteral("PAS"),
};

const QStringList kLowerExt = {
    QStringLiteral("doc"), QStringLiteral("txt"), QStringLiteral("jpg"), QStringLiteral("mp3"),
    QStringLiteral("xls"), QStringLiteral("htm"), QStringLiteral("pdf"), QStringLiteral("rtf"),
};

class Names
{
public:
    explicit Names(std::mt19937_64& rng) : m_rng(rng) {}

    int below(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_rng)); }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    const QString& pick(const QStringList& list) { return list.at(below(int(list.size()))); }

    QStringList shuffled(const QStringList& list, int take)
    {
        QStringList copy = list;
        std::shuffle(copy.begin(), copy.end(), m_rng);
        return copy.mid(0, std::min<qsizetype>(take, copy.size()));
    }

    QString fileName()
    {
        const int kind = below(100);
        if (kind < 25)
            return pick(kCommonFiles);
        if (kind < 65) { // DOS 8.3
            QString base = pick(kWords);
            if (below(2))
                base = base.left(5) + QString::number(below(1000));
            return base.left(8) + QLatin1Char('.') + pick(kUpperExt);
        }
        if (kind < 80) { // long, mixed case
            QString w = pick(kWords).toLower();
            w[0] = w[0].toUpper();
            return w + QLatin1Char(' ') + pick(kWords).toLower() + QLatin1Char(' ') +
                   QString::number(below(100)) + QLatin1Char('.') + pick(kLowerExt);
        }
        if (kind < 92) { // Hungarian, accented
            QString h = pick(kHungarian);
            if (below(2))
                h += QLatin1Char('_') + QString::number(below(100));
            return h + QLatin1Char('.') + pick(kLowerExt);
        }
        static const struct
        {
            const char* format;
            int limit;
        } numbered[] = {{"FILE%04d.DAT", 10000}, {"IMG_%04d.JPG", 10000},
                        {"TRACK%02d.MID", 100}, {"PIC%05d.GIF", 100000}};
        const auto& n = numbered[below(4)];
        char buf[32];
        std::snprintf(buf, sizeof buf, n.format, below(n.limit));
        return QString::fromLatin1(buf);
    }

    qint64 length()
    {
        if (below(50) == 0)
            return 0;
        // Log-uniform: many small files, a few tens of megabytes.
        const double e = std::uniform_real_distribution<double>(std::log(64.0), std::log(64.0e6))(m_rng);
        return qint64(std::exp(e));
    }

    QString date()
    {
        static const qint64 first = QDate(1988, 1, 1).toJulianDay();
        static const qint64 last = QDate(2006, 12, 31).toJulianDay();
        const QDate d = QDate::fromJulianDay(
            std::uniform_int_distribution<qint64>(first, last)(m_rng));
        char buf[32];
        // DOS keeps seconds in steps of two.
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(),
                      d.day(), below(24), below(60), below(30) * 2);
        return QString::fromLatin1(buf);
    }

private:
    std::mt19937_64& m_rng;
};

// The folders of one medium, root first, as the program stores them.
QStringList mediumFolders(Names& names, qint64 number)
{
    static const QStringList kinds = {QStringLiteral("CD_%1"), QStringLiteral("GAMES%1"),
                                      QStringLiteral("SHAREWARE_%1"), QStringLiteral("JÁTÉK_%1"),
                                      QStringLiteral("PC_WORLD_%1"), QStringLiteral("MENTÉS_%1")};
    const QString label = kinds.at(int(number % kinds.size())).arg(number);
    const QString drive = names.below(5) == 0 ? QStringLiteral("D:") : QStringLiteral("E:");
    const QString prefix = QLatin1Char('-') + label + QStringLiteral("- ") + drive;

    const int budget = names.between(150, 700);
    QStringList out{prefix + QLatin1Char('\\')};
    for (const QString& top : names.shuffled(kTopFolders, int(kTopFolders.size()))) {
        const QString topPath = prefix + QLatin1Char('\\') + top;
        out << topPath;
        for (const QString& product : names.shuffled(kProducts, names.between(0, 12))) {
            const QString productPath = topPath + QLatin1Char('\\') + product;
            out << productPath;
            for (const QString& sub : names.shuffled(kSubFolders, names.between(0, 3)))
                out << productPath + QLatin1Char('\\') + sub;
            if (out.size() >= budget)
                return out;
        }
    }
    return out;
}

// Inserts folders and files as the program records them, each linked to keyword 1.
class RowWriter
{
public:
    explicit RowWriter(store::Database& db)
        : m_db(db),
          m_addFolder(db.prepare(QStringLiteral("INSERT INTO ut (ut) VALUES (?1)"))),
          m_folderKey(
              db.prepare(QStringLiteral("INSERT INTO ut_kulcsid (id, kulcsid) VALUES (?1, 1)"))),
          m_addFile(db.prepare(QStringLiteral(
              "INSERT INTO prgnev (nev, utid, hossz, datum, crc) VALUES (?1, ?2, ?3, ?4, ?5)"))),
          m_fileKey(
              db.prepare(QStringLiteral("INSERT INTO nev_kulcsid (id, kulcsid) VALUES (?1, 1)")))
    {
    }

    qint64 folder(const QString& path)
    {
        m_addFolder.bind(1, path);
        run(m_addFolder);
        const qint64 id = m_db.lastInsertId();
        m_folderKey.bind(1, id);
        run(m_folderKey);
        return id;
    }

    // 'count' files of distinct names drawn from 'names' into the folder.
    void files(Names& names, qint64 folderId, qint64 count)
    {
        m_inFolder.clear();
        for (qint64 i = 0; i < count; ++i) {
            const QString drawn = names.fileName();
            QString name = drawn;
            // A folder never holds two files of one name.
            for (int n = 2; m_inFolder.contains(name); ++n) {
                const qsizetype dot = drawn.lastIndexOf(QLatin1Char('.'));
                const QString base = drawn.left(dot < 0 ? drawn.size() : dot);
                const QString ext = dot < 0 ? QString() : drawn.mid(dot);
                name = base.left(6) + QLatin1Char('~') + QString::number(n) + ext;
            }
            m_inFolder.insert(name);
            m_addFile.bind(1, name);
            m_addFile.bind(2, folderId);
            m_addFile.bind(3, names.length());
            m_addFile.bind(4, names.date());
            m_addFile.bind(5, QVariant());
            run(m_addFile);
            m_fileKey.bind(1, m_db.lastInsertId());
            run(m_fileKey);
        }
    }

private:
    static void run(store::Statement& st)
    {
        while (st.step()) {
        }
        st.reset();
    }

    store::Database& m_db;
    store::Statement m_addFolder;
    store::Statement m_folderKey;
    store::Statement m_addFile;
    store::Statement m_fileKey;
    QSet<QString> m_inFolder;
};

// A fresh copy of the template, filled by 'fill' in one transaction.
template<class Fill>
GeneratedCatalog fillCopy(const QString& templateFile, const QString& target, Fill&& fill)
{
    QElapsedTimer timer;
    timer.start();
    QFile::remove(target + QStringLiteral("-journal"));
    store::copyFile(templateFile, target);

    GeneratedCatalog result;
    {
        store::Database db = store::Database::open(target);
        // Keeps the name index in memory while a million random names go in.
        db.execScript(QStringLiteral("PRAGMA cache_size=-262144"));
        store::Transaction tx(db);
        RowWriter writer(db);
        std::mt19937_64 rng(19960815);
        Names names(rng);
        fill(writer, names, result);
        tx.commit();
    }
    result.milliseconds = timer.elapsed();
    result.bytes = QFileInfo(target).size();
    return result;
}

} // namespace

GeneratedCatalog generateCatalog(const QString& templateFile, const QString& target,
                                 qint64 files, int filesPerFolder)
{
    filesPerFolder = std::max(1, filesPerFolder);
    return fillCopy(templateFile, target, [&](RowWriter& writer, Names& names,
                                              GeneratedCatalog& result) {
        QStringList folders;
        qsizetype nextFolder = 0;
        while (result.files < files) {
            if (nextFolder == folders.size()) {
                folders = mediumFolders(names, ++result.media);
                nextFolder = 0;
            }
            const qint64 folderId = writer.folder(folders.at(nextFolder++));
            ++result.folders;
            const qint64 count =
                std::min<qint64>(files - result.files,
                                 names.between(std::max(1, filesPerFolder / 2),
                                               filesPerFolder + filesPerFolder / 2));
            writer.files(names, folderId, count);
            result.files += count;
        }
    });
}

GeneratedCatalog generateBrowseCatalog(const QString& templateFile, const QString& target,
                                       const BrowseLayout& layout)
{
    const int others = std::max(0, layout.media - 1);
    const qint64 shared = std::max<qint64>(0, layout.files - layout.bigFiles());
    const int perFolder = std::max(1, layout.filesPerFolder);
    return fillCopy(templateFile, target, [&](RowWriter& writer, Names& names,
                                              GeneratedCatalog& result) {
        // Numbered names when a list runs out: "GAMES", ..., "GAMES 2".
        auto nth = [](const QStringList& list, int i) {
            const auto n = int(list.size());
            return list.at(i % n) +
                   (i < n ? QString() : QLatin1Char(' ') + QString::number(i / n + 1));
        };
        auto fillBig = [&] {
            const QString root = QLatin1Char('-') + layout.bigLabel + QStringLiteral("- E:");
            auto folder = [&](const QString& path) {
                writer.files(names, writer.folder(path), layout.bigFilesPerFolder);
                ++result.folders;
                result.files += layout.bigFilesPerFolder;
            };
            folder(root + QLatin1Char('\\'));
            for (int t = 0; t < layout.bigTops; ++t) {
                const QString top = root + QLatin1Char('\\') + nth(kTopFolders, t);
                folder(top);
                for (int s = 0; s < layout.bigSubs; ++s)
                    folder(top + QLatin1Char('\\') + nth(kProducts, s));
            }
        };
        int other = 0; // media other than the big one filled so far
        for (int number = 1; number <= layout.media; ++number) {
            ++result.media;
            if (number == layout.bigMedium) {
                fillBig();
                continue;
            }
            // An even share; the first media take the remainder one file each.
            qint64 left = others == 0 ? 0 : shared / others + (other < shared % others ? 1 : 0);
            ++other;
            const QStringList folders = mediumFolders(names, number);
            for (qsizetype f = 0; f < folders.size() && left > 0; ++f) {
                const qint64 count =
                    f + 1 == folders.size()
                        ? left
                        : std::min<qint64>(left, names.between(std::max(1, perFolder / 2),
                                                               perFolder + perFolder / 2));
                writer.files(names, writer.folder(folders.at(f)), count);
                ++result.folders;
                result.files += count;
                left -= count;
            }
        }
    });
}

namespace {

const QStringList kKeywordWords = {
    QStringLiteral("Játék"),       QStringLiteral("Segédprogram"), QStringLiteral("Zene"),
    QStringLiteral("Grafika"),     QStringLiteral("Oktatás"),      QStringLiteral("Hálózat"),
    QStringLiteral("Meghajtó"),    QStringLiteral("Szövegszerkesztő"), QStringLiteral("Demó"),
    QStringLiteral("Shareware"),   QStringLiteral("Rock 'n' roll"), QStringLiteral("Vírusirtó"),
    QStringLiteral("Fejlesztés"),  QStringLiteral("Betűkészlet"),  QStringLiteral("Képek"),
    QStringLiteral("Videó"),       QStringLiteral("Archívum"),     QStringLiteral("Internet"),
    QStringLiteral("Nyomtató"),    QStringLiteral("Hang"),         QStringLiteral("Szótár"),
    QStringLiteral("Térkép"),      QStringLiteral("Dokumentáció"), QStringLiteral("Telepítő"),
    QStringLiteral("Frissítés"),   QStringLiteral("Ügyviteli"),    QStringLiteral("Őrző"),
};

QString keywordText(int i)
{
    const auto n = int(kKeywordWords.size());
    return kKeywordWords.at(i % n) + (i < n ? QString() : QLatin1Char(' ') + QString::number(i / n + 1));
}

// Adds 'count' keywords to 'table' and returns their ids.
std::vector<qint64> addKeywords(store::Database& db, const QString& table, const QString& column,
                                int count)
{
    std::vector<qint64> ids;
    store::Statement add = db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (?1)").arg(table, column));
    for (int i = 0; i < count; ++i) {
        add.bindText(1, keywordText(i));
        add.run();
        ids.push_back(db.lastInsertId());
    }
    return ids;
}

// Links about one record in 'shareOf' of 'records' to one to 'maxPerRecord' distinct keywords.
qint64 addLinks(store::Database& db, const QString& records, const QString& links,
                const std::vector<qint64>& keywords, const KeywordLayout& layout,
                std::mt19937_64& rng)
{
    if (keywords.empty() || layout.shareOf < 1)
        return 0;
    store::Statement insert =
        db.prepare(QStringLiteral("INSERT INTO %1 (id, kulcsid) VALUES (?1, ?2)").arg(links));
    std::vector<qint64> ids;
    {
        store::Statement all = db.prepare(QStringLiteral("SELECT id FROM %1 ORDER BY id").arg(records));
        while (all.step())
            ids.push_back(all.value(0).toLongLong());
    }
    const int most = std::clamp(layout.maxPerRecord, 1, int(keywords.size()));
    std::vector<qint64> pool = keywords;
    qint64 added = 0;
    for (const qint64 id : ids) {
        if (std::uniform_int_distribution<int>(0, layout.shareOf - 1)(rng) != 0)
            continue;
        const int take = std::uniform_int_distribution<int>(1, most)(rng);
        // A partial shuffle picks distinct keywords.
        for (int i = 0; i < take; ++i) {
            const auto j = std::uniform_int_distribution<size_t>(size_t(i), pool.size() - 1)(rng);
            std::swap(pool[size_t(i)], pool[j]);
            insert.bindInt64(1, id);
            insert.bindInt64(2, pool[size_t(i)]);
            insert.run();
            ++added;
        }
    }
    return added;
}

// Links one record in 'of[i]' of 'records', picked at random, to keyword
// 'keywords[i]', unless the record carries it already.
qint64 addDenseLinks(store::Database& db, const QString& records, const QString& links,
                     const std::vector<qint64>& keywords, const std::vector<int>& of,
                     std::mt19937_64& rng)
{
    store::Statement insert = db.prepare(
        QStringLiteral("INSERT OR IGNORE INTO %1 (id, kulcsid) VALUES (?1, ?2)").arg(links));
    std::vector<qint64> ids;
    {
        store::Statement all = db.prepare(QStringLiteral("SELECT id FROM %1 ORDER BY id").arg(records));
        while (all.step())
            ids.push_back(all.value(0).toLongLong());
    }
    qint64 added = 0;
    for (size_t k = 0; k < of.size() && k < keywords.size(); ++k) {
        std::uniform_int_distribution<int> pick(0, std::max(1, of[k]) - 1);
        for (const qint64 id : ids) {
            if (pick(rng) != 0)
                continue;
            insert.bindInt64(1, id);
            insert.bindInt64(2, keywords[k]);
            insert.run();
            added += sqlite3_changes(db.handle());
        }
    }
    return added;
}

} // namespace

GeneratedKeywords generateKeywords(const QString& catalog, const KeywordLayout& layout)
{
    QElapsedTimer timer;
    timer.start();
    GeneratedKeywords result;
    store::Database db = store::Database::open(catalog);
    db.execScript(QStringLiteral("PRAGMA cache_size=-262144"));
    store::Transaction tx(db);
    std::mt19937_64 rng(20010911);
    const auto fileKeys = addKeywords(db, QStringLiteral("kulcs"), QStringLiteral("kulcs"),
                                      layout.fileKeywords);
    const auto folderKeys = addKeywords(db, QStringLiteral("kulcsut"), QStringLiteral("nev"),
                                        layout.folderKeywords);
    result.fileLinks = addLinks(db, QStringLiteral("prgnev"), QStringLiteral("nev_kulcsid"),
                                fileKeys, layout, rng);
    result.folderLinks = addLinks(db, QStringLiteral("ut"), QStringLiteral("ut_kulcsid"),
                                  folderKeys, layout, rng);
    result.fileLinks += addDenseLinks(db, QStringLiteral("prgnev"), QStringLiteral("nev_kulcsid"),
                                      fileKeys, layout.denseFileOf, rng);
    result.folderLinks += addDenseLinks(db, QStringLiteral("ut"), QStringLiteral("ut_kulcsid"),
                                        folderKeys, layout.denseFolderOf, rng);
    tx.commit();
    result.milliseconds = timer.elapsed();
    return result;
}

GeneratedDuplicates generateDuplicates(const QString& catalog, const DuplicateLayout& layout)
{
    QElapsedTimer timer;
    timer.start();
    GeneratedDuplicates result;
    store::Database db = store::Database::open(catalog);
    db.execScript(QStringLiteral("PRAGMA cache_size=-262144"));
    store::Transaction tx(db);
    // A multiplicative hash of the id spreads the CRCs over all 32 bits.
    db.exec(QStringLiteral("UPDATE prgnev SET crc = CASE WHEN hossz = 0 THEN '00000000' ELSE "
                           "printf('%08X', (id * 2654435761) % 4294967296) END"));
    const qint64 last = db.scalar(QStringLiteral("SELECT max(id) FROM prgnev")).toLongLong();
    std::mt19937_64 rng(19990101);
    std::uniform_int_distribution<qint64> anyFile(1, std::max<qint64>(1, last));
    std::uniform_int_distribution<int> copies(1, std::max(1, layout.maxCopies));
    store::Statement read =
        db.prepare(QStringLiteral("SELECT hossz, crc FROM prgnev WHERE id = ?1 AND hossz > 0"));
    store::Statement copy =
        db.prepare(QStringLiteral("UPDATE prgnev SET hossz = ?1, crc = ?2 WHERE id = ?3"));
    const qint64 originals = last / std::max(1, layout.originalsOf);
    for (qint64 i = 0; i < originals; ++i) {
        read.bind(1, anyFile(rng));
        if (!read.step()) {
            read.reset();
            continue;
        }
        const QVariant length = read.value(0);
        const QVariant crc = read.value(1);
        read.reset();
        ++result.originals;
        for (int c = copies(rng); c > 0; --c) {
            copy.bind(1, length);
            copy.bind(2, crc);
            copy.bind(3, anyFile(rng));
            while (copy.step()) {
            }
            copy.reset();
            ++result.copies;
        }
    }
    tx.commit();
    result.milliseconds = timer.elapsed();
    return result;
}

bool runApart(const std::function<void()>& work)
{
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        try {
            work();
            std::fflush(stdout);
            ::_exit(0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            ::_exit(1);
        }
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace bench
