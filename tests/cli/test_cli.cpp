#include "QueriesFixture.h"
#include "cli/Arguments.h"
#include "cli/CatalogSearch.h"
#include "queries/SearchViews.h"
#include "store/CellFormat.h"
#include "store/Settings.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <sys/stat.h>

using namespace QueriesFixture;

Q_DECLARE_METATYPE(queries::CompoundSearch)

namespace {

struct Result
{
    int status = -1;
    QByteArray out;
    QString err;
    QStringList lines() const
    {
        QStringList l = QString::fromUtf8(out).split(u'\n');
        if (!l.isEmpty() && l.last().isEmpty())
            l.removeLast();
        return l;
    }
};

// The listing's row text of a view's row, as the search program must print it.
QString listingLine(const QStringList& row, const QString& catalog = {})
{
    QString line;
    for (int c : {0, 1, 2})
        line += row.value(c) + u'\t';
    line += store::displayDate(row.value(4)) + u'\t';
    if (!catalog.isEmpty())
        line += catalog + u'\t';
    return line;
}

// A second catalog whose keywords have other ids than the mixed one's: the
// search must go by their texts.
void fillOther(const QString& path)
{
    Writer w(path);
    const qint64 zene = w.fileKeyword(kZene), jatek = w.fileKeyword(kJatek);
    const qint64 regi = w.folderKeyword(kRegi), cd = w.folderKeyword(kCdRom);
    const qint64 a = w.folder(u"-DVD_7- F:\\GAMES"_qs, {1, cd});
    w.file(a, u"DOOM.WAD"_qs, {1, jatek});
    w.file(a, u"Zene.mid"_qs, {1, zene});
    const qint64 b = w.folder(u"-DVD_7- F:\\RÉGI"_qs, {1, regi, cd});
    w.file(b, u"doom1.exe"_qs, {1, jatek, zene});
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_mixed;
    QString m_other;
    cli::Environment m_env;

    Result run(const QStringList& args)
    {
        cli::BufferOutput out, err;
        Result r;
        r.status = cli::run(args, m_env, out, err);
        r.out = out.data;
        r.err = QString::fromUtf8(err.data);
        return r;
    }

    QString copyOf(const QString& from, const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        if (!QFile::copy(from, path))
            qFatal("cannot copy");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
        m_mixed = makeCatalog(m_dir, "vegyes.mdb");
        fillMixed(m_mixed, Schema::Template);
        m_other = makeCatalog(m_dir, "masik.mdb");
        fillOther(m_other);
        m_env.settingsFile = m_dir.filePath("nincs/Polcozo.ini");
        m_env.busyTimeoutMs = 100;
    }

    // The rows the compound search window shows for the same conditions, in
    // its order, from one catalog and from two at once.
    void sameRowsAsTheCompoundSearch_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<queries::CompoundSearch>("search");
        const auto s = [](const QString& name, const QString& path, const QStringList& files,
                          const QStringList& folders, bool paths = false) {
            return queries::CompoundSearch{name, path, choice(kFileKeys, files),
                                           choice(kFolderKeys, folders), paths};
        };
        QTest::newRow("everything") << QStringList{} << s("*", "*", {kDefault}, {kDefault});
        QTest::newRow("name, default keywords")
            << QStringList{"*e*"} << s("*e*", "*", {kDefault}, {kDefault});
        QTest::newRow("path") << QStringList{"--ut", "*games*"}
                              << s("*", "*games*", {kDefault}, {kDefault});
        QTest::newRow("one keyword")
            << QStringList{"--kulcs", kJatek} << s("*", "*", {kJatek}, {kDefault});
        QTest::newRow("two keywords and a folder keyword")
            << QStringList{"doom*", "--kulcs", kJatek, "--kulcs", kRock, "--utkulcs", kCdRom}
            << s("doom*", "*", {kJatek, kRock}, {kCdRom});
        // As a click on a second entry does in the window, the default one drops out.
        QTest::newRow("default keyword among others")
            << QStringList{"--kulcs", kDefault, "--kulcs", kRock}
            << s("*", "*", {kRock}, {kDefault});
        QTest::newRow("letter case of keywords counts")
            << QStringList{"--kulcs", kJatekLower} << s("*", "*", {kJatekLower}, {kDefault});
        QTest::newRow("apostrophes")
            << QStringList{"*'*", "--utkulcs", kGyerek} << s("*'*", "*", {kDefault}, {kGyerek});
        QTest::newRow("folders") << QStringList{"--mappak", "--kulcs", kJatek}
                                 << s("*", "*", {kJatek}, {kDefault}, true);
        QTest::newRow("all folders")
            << QStringList{"--mappak"} << s("*", "*", {kDefault}, {kDefault}, true);
    }

    void sameRowsAsTheCompoundSearch()
    {
        QFETCH(QStringList, args);
        QFETCH(queries::CompoundSearch, search);
        const Rows rows = rowsOf(m_mixed, queries::compoundSearchView(search).source);
        QStringList expected;
        for (const QStringList& row : rows)
            expected << listingLine(row);

        const Result one = run(args + QStringList{"--katalogus", m_mixed});
        QCOMPARE(one.err, QString());
        QCOMPARE(one.lines(), expected);
        QCOMPARE(one.status, rows.isEmpty() ? cli::kNothingFound : cli::kFound);

        // With the other catalog, whose keyword ids differ: the same rows,
        // then its own, each with its catalog.
        QStringList both;
        for (const QStringList& row : rows)
            both << listingLine(row, m_mixed);
        KeywordChoice files = search.fileKeywords, folders = search.folderKeywords;
        const QStringList otherFiles{kDefault, kZene, kJatek},
            otherFolders{kDefault, kRegi, kCdRom};
        const QStringList wantFiles = files.selectedTexts(), wantFolders = folders.selectedTexts();
        const bool known = std::all_of(wantFiles.begin(), wantFiles.end(),
                                       [&](const QString& k) { return otherFiles.contains(k); }) &&
                           std::all_of(wantFolders.begin(), wantFolders.end(),
                                       [&](const QString& k) { return otherFolders.contains(k); });
        if (known) {
            search.fileKeywords = choice(otherFiles, wantFiles);
            search.folderKeywords = choice(otherFolders, wantFolders);
            for (const QStringList& row :
                 rowsOf(m_other, queries::compoundSearchView(search).source))
                both << listingLine(row, m_other);
        }
        const Result two = run(args + QStringList{"--katalogus", m_mixed, "--katalogus", m_other});
        QCOMPARE(two.err, QString());
        QCOMPARE(two.lines(), both);
    }

    void countsAsTheWindowCounts()
    {
        const Result r = run({"*e*", "--darab", "--katalogus", m_mixed});
        const qint64 rows =
            rowsOf(m_mixed, queries::compoundSearchView({"*e*", "*", choice(kFileKeys, {kDefault}),
                                                         choice(kFolderKeys, {kDefault}), false})
                                .source)
                .size();
        QCOMPARE(r.lines(), QStringList{QString::number(rows)});
        QCOMPARE(r.status, cli::kFound);

        const Result two = run({"--count", "--katalogus", m_mixed, "--katalogus", m_other});
        QCOMPARE(two.lines(), (QStringList{"17\t" + m_mixed, "3\t" + m_other, "20"}));
        QCOMPARE(run({"nincs ilyen", "--darab", "--katalogus", m_mixed}).lines(), QStringList{"0"});
    }

    // What the statements do not hold: medium, length and date, tested row by row.
    void rowFilters_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("medium") << QStringList{"--lemez", "cd_2"}
                                << QStringList{"GAMES.TXT", "Ötlet.doc", "b.txt", "a.txt"};
        QTest::newRow("medium with a quote")
            << QStringList{"--lemez", "O'Brien"} << QStringList{"O'Brien.mp3", "ZENE.MP3"};
        // Lengths are 100, 200, ... in the order the files were written.
        QTest::newRow("length range") << QStringList{"--min-hossz", "300", "--max-hossz", "500"}
                                      << QStringList{"SETUP.EXE", "DOOM.WAD", "doom.exe"};
        // Dates are 1996-05-02, -03, ... in the same order; both ends count.
        QTest::newRow("date range")
            << QStringList{"--datumtol", "1996-05-03", "--datumig", "1996-05-04"}
            << QStringList{"readme.txt", "SETUP.EXE"};
        QTest::newRow("all together")
            << QStringList{"*.wad", "--lemez",    "CD_1",      "--max-hossz",
                           "700",   "--datumtol", "1996-05-05"}
            << QStringList{"DOOM.WAD"};
    }

    void rowFilters()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, names);
        const Result r = run(args + QStringList{"--json", "--katalogus", m_mixed});
        QStringList found;
        for (const QString& line : r.lines())
            found << QJsonDocument::fromJson(line.toUtf8()).object().value("nev").toString();
        std::sort(found.begin(), found.end());
        std::sort(names.begin(), names.end());
        QCOMPARE(found, names);
    }

    // Whatever the user types is a pattern of the catalog's own rules, never SQL.
    void awkwardPatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("quote") << "*'*" << QStringList{"it's.txt"};
        QTest::newRow("percent") << "*%*" << QStringList{"100%.txt"};
        QTest::newRow("underscore") << "a_b*" << QStringList{"a_b.txt"};
        QTest::newRow("bracket") << "[x]*" << QStringList{"[x].txt"};
        QTest::newRow("accents fold") << "ÁRVÍZ*" << QStringList{"árvíz.txt"};
        QTest::newRow("one character") << "a?b.txt" << QStringList{"a_b.txt", "axb.txt"};
        QTest::newRow("statement text") << "'); DROP TABLE prgnev; --" << QStringList{};
        QTest::newRow("10 000 characters")
            << "*" + QString(9998, u'é') + "*" << QStringList{"long"};
    }

    void awkwardPatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        const QString cat = makeCatalog(m_dir, "furcsa.mdb");
        {
            Writer w(cat);
            const qint64 f = w.folder(u"-CD_1- E:\\X"_qs);
            for (const char* n :
                 {"it's.txt", "100%.txt", "a_b.txt", "axb.txt", "[x].txt", "x.txt", "árvíz.txt"})
                w.file(f, QString::fromUtf8(n));
            w.file(f, "long" + QString(10000, u'É'));
        }
        const Result r = run({"--json", "--katalogus", cat, "--", pattern});
        QStringList found;
        for (const QString& line : r.lines())
            found
                << QJsonDocument::fromJson(line.toUtf8()).object().value("nev").toString().left(4);
        QStringList want;
        for (const QString& n : names)
            want << n.left(4);
        std::sort(found.begin(), found.end());
        std::sort(want.begin(), want.end());
        QCOMPARE(found, want);
        QCOMPARE(r.status, names.isEmpty() ? cli::kNothingFound : cli::kFound);
        QCOMPARE(run({"--darab", "--katalogus", cat}).lines(), QStringList{"8"});
    }

    void badCommandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--nincs"} << "ismeretlen kapcsoló: --nincs";
        QTest::newRow("missing value")
            << QStringList{"--ut"} << "a(z) --ut kapcsoló után érték kell";
        QTest::newRow("flag with a value") << QStringList{"--csv=1"} << "nem kap értéket";
        QTest::newRow("two patterns") << QStringList{"a", "b"} << "csak egy névminta";
        QTest::newRow("two formats") << QStringList{"--csv", "--json"} << "csak az egyik";
        QTest::newRow("length") << QStringList{"--min-hossz", "12k"} << "nem bájtszám: 12k";
        QTest::newRow("negative length") << QStringList{"--max-hossz=-1"} << "nem bájtszám: -1";
        QTest::newRow("lengths reversed")
            << QStringList{"--min-hossz", "9", "--max-hossz", "8"} << "nagyobb";
        QTest::newRow("date") << QStringList{"--datumig", "1996-02-30"} << "1996-02-30";
        QTest::newRow("date form") << QStringList{"--datumtol", "1996.05.01"} << "ÉÉÉÉ-HH-NN";
        QTest::newRow("dates reversed")
            << QStringList{"--datumtol", "1997-01-01", "--datumig", "1996-01-01"} << "későbbi";
        QTest::newRow("folders have no length")
            << QStringList{"--mappak", "--min-hossz", "1"} << "a --mappak mellett";
    }

    void badCommandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Result r = run(QStringList{"--katalogus", m_mixed} + args);
        QCOMPARE(r.status, cli::kFailed);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.err.contains("--help"));
        QVERIFY(r.out.isEmpty());
    }

    void patternsAfterTheOptionsEnd()
    {
        const QString cat = makeCatalog(m_dir, "kotojel.mdb");
        {
            Writer w(cat);
            w.file(w.folder(u"-CD_1- E:\\"_qs), u"-x-"_qs);
        }
        QCOMPARE(run({"--katalogus", cat, "--", "-x-"}).status, cli::kFound);
        QCOMPARE(run({"--katalogus=" + cat, "--ut=-CD_1- *", "*"}).status, cli::kFound);
    }

    void unknownKeywordsAreNamed()
    {
        const Result r = run({"--kulcs", "Jatek", "--kulcs", kJatek, "--kulcs", "Nincs",
                              "--utkulcs", "Sehol", "--katalogus", m_mixed});
        QCOMPARE(r.status, cli::kFailed);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("nincs ilyen fájlkulcs: \"Jatek\", \"Nincs\" !"),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains("nincs ilyen útkulcs: \"Sehol\" !"), qPrintable(r.err));

        // Known in one catalog only: the other simply has no file carrying it.
        const Result some = run({"--kulcs", kRock, "--katalogus", m_mixed, "--katalogus", m_other});
        QCOMPARE(some.status, cli::kFound);
        QVERIFY(some.err.isEmpty());
        QVERIFY(!QString::fromUtf8(some.out).contains(m_other));
    }

    // By what file it is: a second name, a link, the folder that holds it.
    void aCatalogGivenTwiceIsSearchedOnce()
    {
        const QString folder = m_dir.filePath("egy");
        QDir().mkpath(folder);
        const QString cat = copyOf(m_other, "egy/a.mdb");
        const QString link = m_dir.filePath("link.mdb");
        QFile::remove(link);
        QVERIFY(QFile::link(cat, link));
        const Result r = run({"--katalogus", cat, "--katalogus", link, "--katalogus", folder,
                              "--katalogus", folder + "/./a.mdb"});
        QCOMPARE(r.status, cli::kFound);
        QCOMPARE(r.lines().size(), 3);
        QVERIFY(!QString::fromUtf8(r.out).contains(link)); // one catalog: no catalog column
    }

    void folderOfCatalogs()
    {
        const QString folder = m_dir.filePath("polc");
        QDir().mkpath(folder);
        copyOf(m_other, "polc/b.MDB");
        copyOf(m_other, "polc/a.mdb");
        TestSupport::writeFile(folder + "/olvass.txt", "nem katalógus");
        const Result r = run({"--darab", "--katalogus", folder});
        QCOMPARE(r.lines(),
                 (QStringList{"3\t" + folder + "/a.mdb", "3\t" + folder + "/b.MDB", "6"}));

        const QString empty = m_dir.filePath("ures");
        QDir().mkpath(empty);
        const Result none = run({"--katalogus", empty});
        QCOMPARE(none.status, cli::kFailed);
        QVERIFY2(none.err.contains(empty + ": a mappában nincs katalógus"), qPrintable(none.err));
    }

    // Each bad catalog is named with its reason; the good ones are still searched.
    void badCatalogs_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing"
                                 << "a katalógus nem található !";
        QTest::newRow("not a database") << "text"
                                        << "nem katalógus";
        QTest::newRow("another database") << "sqlite"
                                          << "nem katalógus";
        QTest::newRow("damaged") << "damaged"
                                 << "a katalógus sérült !";
        QTest::newRow("Jet") << "jet"
                             << "Jet";
        QTest::newRow("template") << "template"
                                  << "sablonja";
        QTest::newRow("locked") << "locked"
                                << "zárolja";
        QTest::newRow("no regular file") << "fifo"
                                         << "nem fájl";
    }

    void badCatalogs()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString bad = m_dir.filePath("rossz-" + kind + ".mdb");
        QFile::remove(bad);
        store::Database locker;
        if (kind == "text") {
            TestSupport::writeFile(bad, "Név\tÚt\r\n");
        } else if (kind == "sqlite") {
            store::Database::create(bad).execScript("CREATE TABLE t (x)");
        } else if (kind == "damaged") {
            // Enough rows to span many pages, then the middle of the file overwritten.
            const QString cat = makeCatalog(m_dir, "rossz-damaged.mdb");
            Writer w(cat);
            store::Transaction tx(w.db());
            const qint64 f = w.folder(u"-CD_1- E:\\SOK"_qs);
            for (int i = 0; i < 3000; ++i)
                w.file(f, u"fajl%1.txt"_qs.arg(i));
            tx.commit();
            QFile file(cat);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(file.size() / 4);
            file.write(QByteArray(int(file.size() / 2), '\x5a'));
        } else if (kind == "jet") {
            QByteArray head(4096, '\0');
            head.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
            TestSupport::writeFile(bad, head);
        } else if (kind == "template") {
            bad = copyOf(TestSupport::templateFile(), "init.plc");
        } else if (kind == "locked") {
            bad = copyOf(m_other, "rossz-locked.mdb");
            locker = store::Database::open(bad);
            locker.execScript("BEGIN EXCLUSIVE");
        } else if (kind == "fifo") {
            // Opening it would wait for a writer that never comes.
            QVERIFY(::mkfifo(QFile::encodeName(bad).constData(), 0600) == 0);
        }
        const QString good2 = copyOf(m_other, "jo2.mdb");
        const Result r = run({"--katalogus", m_other, "--katalogus", bad, "--katalogus", good2});
        QCOMPARE(r.status, cli::kFailed);
        QVERIFY2(r.err.startsWith("polcozo-keres: " + bad + ": "), qPrintable(r.err));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.err.count(u'\n'), 1);
        const QString out = QString::fromUtf8(r.out);
        QCOMPARE(out.count(m_other), 3);
        QCOMPARE(out.count(good2), 3);

        // Alone, it is still an error, with nothing printed.
        const Result alone = run({"--katalogus", bad});
        QCOMPARE(alone.status, cli::kFailed);
        QVERIFY(alone.out.isEmpty() || kind == "damaged");
    }

    // Reading takes no lock that would keep the window from writing, leaves
    // the file as it was, and reads what a writer has not committed yet as before.
    void readsWithoutWriting()
    {
        const QString cat = copyOf(m_other, "olvasott.mdb");
        const QByteArray before = TestSupport::contents(cat);
        const QDateTime changed = QFileInfo(cat).lastModified();
        QFile::setPermissions(cat, QFile::ReadOwner);
        QCOMPARE(run({"--katalogus", cat}).status, cli::kFound);
        QFile::setPermissions(cat, QFile::ReadOwner | QFile::WriteOwner);

        store::Database writer = store::Database::open(cat);
        writer.begin();
        writer.exec("DELETE FROM nev_kulcsid");
        writer.exec("DELETE FROM prgnev");
        QCOMPARE(run({"--darab", "--katalogus", cat}).lines(), QStringList{"3"});
        writer.rollback();
        writer.close();
        QCOMPARE(TestSupport::contents(cat), before);
        QCOMPARE(QFileInfo(cat).lastModified(), changed);
        QVERIFY(!QFile::exists(cat + "-journal"));
    }

    // Without --katalogus, the catalog the window had open last; its
    // settings file is only read, never made.
    void theWindowsLastCatalog()
    {
        const Result none = run({});
        QCOMPARE(none.status, cli::kFailed);
        QVERIFY2(none.err.contains("nincs megadva katalógus"), qPrintable(none.err));
        QVERIFY(!QFile::exists(m_env.settingsFile));
        QVERIFY(!QDir(QFileInfo(m_env.settingsFile).path()).exists());

        const QString file = m_dir.filePath("Polcozo.ini");
        store::Settings settings = store::defaultSettings("/nowhere");
        settings.lastCatalog = m_other;
        TestSupport::writeFile(file, store::encodeSettings(settings));
        const QByteArray written = TestSupport::contents(file);
        m_env.settingsFile = file;
        const Result r = run({"--darab"});
        m_env.settingsFile = m_dir.filePath("nincs/Polcozo.ini");
        QCOMPARE(r.lines(), QStringList{"3"});
        QCOMPARE(TestSupport::contents(file), written);
    }

    // Days and times are formatted once and put together; whatever the
    // order they come in, the text is the grid's.
    void datesAsTheGridShowsThem()
    {
        const QStringList stored{"1996-05-02 10:00:00",
                                 "1996-05-02 23:59:59",
                                 "1996-05-02 00:00:00",
                                 "2001-12-31 10:00:00",
                                 "1996-02-30 10:00:00",
                                 "1996-05-02 24:00:00",
                                 "1996-05-02 10:00",
                                 "1996-05-02T10:00:00",
                                 "----",
                                 "",
                                 "2001-12-31 10:00:00",
                                 "1996-02-30 00:00:00"};
        for (const QLocale& locale : {QLocale(QLocale::Hungarian, QLocale::Hungary),
                                      QLocale(QLocale::English, QLocale::UnitedStates)}) {
            QLocale::setDefault(locale);
            cli::DateTexts dates;
            for (const QString& s : stored)
                QCOMPARE(dates.shown(s), store::displayDate(s));
        }
        QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    }

    void outputForms()
    {
        const QString cat = makeCatalog(m_dir, "forma.mdb");
        {
            Writer w(cat);
            w.file(w.folder(u"-CD_1- E:\\A,B"_qs), u"say \"hi\"\tnow.txt"_qs);
        }
        QCOMPARE(
            run({"--katalogus", cat}).out,
            QByteArray("say \"hi\"\tnow.txt\t-CD_1- E:\\A,B\t100\t1996. 05. 02. 10:00:00\t\n"));
        QCOMPARE(
            run({"--csv", "--katalogus", cat}).out,
            QByteArray("N\xC3\xA9v,\xC3\x9At,Hossz,D\xC3\xA1tum\r\n\"say \"\"hi\"\"\tnow.txt\","
                       "\"-CD_1- E:\\A,B\",100,1996. 05. 02. 10:00:00\r\n"));
        QCOMPARE(run({"--json", "--katalogus", cat}).out,
                 "{\"nev\":\"say \\\"hi\\\"\\tnow.txt\",\"ut\":\"-CD_1- E:\\\\A,B\",\"hossz\":100,"
                 "\"datum\":\"1996-05-02 10:00:00\",\"katalogus\":\"" +
                     cat.toUtf8() + "\"}\n");
        QCOMPARE(run({"--json", "--mappak", "--katalogus", cat}).out,
                 "{\"nev\":\"*\",\"ut\":\"-CD_1- E:\\\\A,B\",\"hossz\":null,\"datum\":null,"
                 "\"katalogus\":\"" +
                     cat.toUtf8() + "\"}\n");
        // The header comes once, also when nothing is found.
        QCOMPARE(run({"--csv", "nincs", "--katalogus", cat}).out,
                 QByteArray("N\xC3\xA9v,\xC3\x9At,Hossz,D\xC3\xA1tum\r\n"));
        QVERIFY(run({"--help"}).out.startsWith("Használat: polcozo-keres"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
