#include "JetCatalogFixture.h"
#include "JetWriter.h"
#include "TestSupport.h"
#include "jetimport/JetChild.h"
#include "jetimport/JetDates.h"
#include "jetimport/JetFile.h"
#include "jetimport/JetImport.h"
#include "platform/ErrorNumbers.h"
#include "store/Database.h"

#include <QtTest>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using jetimport::JetVersion;
using jetwriter::Value;

namespace {

QVariant expectedValue(const Value& v)
{
    if (const auto* n = std::get_if<std::int64_t>(&v))
        return QVariant(qint64(*n));
    return std::holds_alternative<QString>(v) ? QVariant(std::get<QString>(v)) : QVariant();
}

QList<QVariantList> rowsOf(store::Database& db, const QString& sql)
{
    QList<QVariantList> rows;
    store::Statement st = db.prepare(sql);
    while (st.step()) {
        QVariantList row;
        for (int c = 0; c < st.columnCount(); ++c)
            row << st.value(c);
        rows << row;
    }
    return rows;
}

} // namespace

class TestJetImport : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.emplace().isValid()); }

    void headerTellsTheEngine()
    {
        jetwriter::write(path("a.mdb"), jetfixture::otherSchema(), {jetwriter::Version::Jet4});
        jetwriter::write(path("b.mdb"), jetfixture::otherSchema(), {jetwriter::Version::Jet3});
        QCOMPARE(jetimport::jetVersionOf(path("a.mdb")), JetVersion::Jet4);
        QCOMPARE(jetimport::jetVersionOf(path("b.mdb")), JetVersion::Jet3);

        QByteArray ace = TestSupport::contents(path("a.mdb"));
        ace.replace(4, 15, "Standard ACE DB");
        ace[0x14] = 0x02;
        TestSupport::writeFile(path("c.accdb"), ace);
        TestSupport::writeFile(path("empty.mdb"), {});
        TestSupport::writeFile(path("text.mdb"), "Standard Jet DB, said the text file\n");
        for (const QString& other : {TestSupport::templateFile(), path("c.accdb"),
                                     path("empty.mdb"), path("text.mdb"), path("missing.mdb")})
            QVERIFY2(!jetimport::isJetFile(other), qPrintable(other));
    }

    void convertsEveryRow_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("indirectMaps");
        QTest::newRow("Jet 4") << int(jetwriter::Version::Jet4) << false;
        QTest::newRow("Jet 4, bitmap pages") << int(jetwriter::Version::Jet4) << true;
        QTest::newRow("Jet 3, Windows-1250") << int(jetwriter::Version::Jet3) << false;
    }

    // Ids, texts, lengths, checksums, dates to the second and NULLs, row by
    // row; the default keywords come from the old catalog; the original is
    // not touched.
    void convertsEveryRow()
    {
        QFETCH(int, version);
        QFETCH(bool, indirectMaps);
        jetfixture::Catalog c = jetfixture::makeCatalog(40, 15);
        if (version != int(jetwriter::Version::Jet3))
            c.table("kulcs").rows.push_back({std::int64_t(7), "Ωmega 漢字 😀"});
        const QString jet = path("regi.mdb"), target = path("uj.mdb");
        jetwriter::write(jet, c.tables, {jetwriter::Version(version), 1252, indirectMaps});
        const QByteArray before = TestSupport::contents(jet);

        QList<int> progress;
        const jetimport::ImportResult r = jetimport::convertJetCatalog(
            jet, TestSupport::templateFile(), target, [&](int p) { progress << p; });

        QCOMPARE(TestSupport::contents(jet), before);
        QCOMPARE(jetimport::leftOutMessage(r), QString());
        QCOMPARE(progress.front(), 0);
        QCOMPARE(progress.back(), 100);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QCOMPARE(filesHere(), (QStringList{"regi.mdb", "uj.mdb"}));

        // Every table row by row, in the old order; prgnev's dates as stored text.
        store::Database db = store::Database::open(target);
        qint64 rows = 0;
        for (const jetwriter::Table& t : c.tables) {
            QStringList columns;
            for (const jetwriter::Column& col : t.columns)
                columns << QString::fromStdString(col.name);
            const QList<QVariantList> got =
                rowsOf(db, u"SELECT %1 FROM %2 ORDER BY rowid"_qs.arg(
                               columns.join(u','), QString::fromStdString(t.name)));
            rows += got.size();
            QCOMPARE(got.size(), qsizetype(t.rows.size()));
            for (std::size_t i = 0; i < t.rows.size(); ++i) {
                QVariantList row;
                for (const Value& v : t.rows[i])
                    row << expectedValue(v);
                if (row.size() == 6)
                    row[4] = c.expectedDates[i] ? QVariant(*c.expectedDates[i]) : QVariant();
                QCOMPARE(got[qsizetype(i)], row);
            }
        }
        QCOMPARE(db.scalar("PRAGMA foreign_key_check"), QVariant());
        QCOMPARE(db.scalar("PRAGMA integrity_check").toString(), "ok");
        QVERIFY(r.rowsRead == rows && r.rowsWritten == rows);

        // New rows (as the builder and the keyword lists add them) are numbered
        // above the imported ids and above the numbers the old catalog had
        // already handed out to rows deleted since.
        const std::pair<const char*, qint64> inserts[] = {
            {"INSERT INTO ut (ut) VALUES ('-UJ- F:\\')",
             std::get<std::int64_t>(c.table("ut").rows.back()[0]) + 1},
            {"INSERT INTO prgnev (utid, nev) SELECT max(id), 'uj.txt' FROM ut",
             c.table("prgnev").nextAutoNumber},
            {"INSERT INTO kulcs (kulcs) VALUES ('Új')", 9},
            {"INSERT INTO kulcsut (nev) VALUES ('Új')", 5}};
        for (const auto& [sql, id] : inserts) {
            db.exec(QString::fromUtf8(sql));
            QCOMPARE(db.lastInsertId(), id);
        }
    }

    void refusedRowsLeftOutAndCounted()
    {
        jetfixture::Catalog c = jetfixture::makeCatalog(6, 5, {2, 1, 1, 3});
        // The definition counts two rows more than the pages hold.
        c.table("kulcsut").countedRows = std::int64_t(c.table("kulcsut").rows.size()) + 2;
        jetwriter::write(path("regi.mdb"), c.tables);
        const jetimport::ImportResult r = jetimport::convertJetCatalog(
            path("regi.mdb"), TestSupport::templateFile(), path("uj.mdb"));

        QCOMPARE(r.leftOutRows(), 13);
        QCOMPARE(r.rowsWritten, r.rowsRead - 11);
        QCOMPARE(jetimport::leftOutMessage(r),
                 "Az átalakítás kész, de néhány sort nem vehettem át:\r\n"
                 "A kulcsut táblából 2 sor kimaradt, mert nem tudtam elolvasni.\r\n"
                 "Az ut táblából 1 sor kimaradt, mert az útvonala már szerepel.\r\n"
                 "A prgnev táblából 3 sor kimaradt, mert nem létező mappára mutat.\r\n"
                 "Az ut_kulcsid táblából 1 sor kimaradt, mert nem létező kulcsszóra mutat.\r\n"
                 "Az ut_kulcsid táblából 1 sor kimaradt, mert nem létező mappára mutat.\r\n"
                 "A nev_kulcsid táblából 2 sor kimaradt, mert nem létező kulcsszóra mutat.\r\n"
                 "A nev_kulcsid táblából 3 sor kimaradt, mert nem létező file-ra mutat.");

        store::Database db = store::Database::open(path("uj.mdb"));
        QCOMPARE(db.scalar("SELECT count(*) FROM prgnev").toInt(), 30);
        QCOMPARE(db.scalar("SELECT count(*) FROM ut").toInt(), 6);
        QCOMPARE(db.scalar("PRAGMA foreign_key_check"), QVariant());
    }

    // Many rows go to the catalog at a time: refusals still come in the order
    // of the rows, even across and at the end of a batch, a file without an
    // id is numbered after the rows before it, and the template's indexes are
    // all there afterwards.
    void batchedRowsKeepTheirOrderAndRules()
    {
        jetfixture::Catalog c = jetfixture::makeCatalog(10, 30);
        auto& files = c.table("prgnev").rows;
        files.insert(files.begin() + 150, {Value{}, QString("számozatlan.txt"),
                                           Value(std::int64_t(1)), Value{}, Value{}, Value{}});
        files.push_back(files[3]);
        auto& links = c.table("nev_kulcsid").rows;
        const auto first = links[0], second = links[1];
        links.insert(links.begin() + 200, first);
        links.insert(links.begin() + 210, {std::int64_t(999999), std::int64_t(1)});
        links.push_back(second);
        jetwriter::write(path("regi.mdb"), c.tables);
        const jetimport::ImportResult r = jetimport::convertJetCatalog(
            path("regi.mdb"), TestSupport::templateFile(), path("uj.mdb"));

        QCOMPARE(jetimport::leftOutMessage(r),
                 "Az átalakítás kész, de néhány sort nem vehettem át:\r\n"
                 "A prgnev táblából 1 sor kimaradt, mert az azonosítója már foglalt.\r\n"
                 "A nev_kulcsid táblából 2 sor kimaradt, mert ez a kapcsolat már szerepel.\r\n"
                 "A nev_kulcsid táblából 1 sor kimaradt, mert nem létező file-ra mutat.");
        QCOMPARE(r.rowsWritten, r.rowsRead - 4);

        store::Database db = store::Database::open(path("uj.mdb"));
        // Between files 155 and 157.
        QCOMPARE(db.scalar("SELECT id FROM prgnev WHERE nev = 'számozatlan.txt'").toInt(), 156);
        QCOMPARE(db.scalar("SELECT count(*) FROM prgnev").toInt(), 301);
        QCOMPARE(db.scalar("SELECT count(*) FROM nev_kulcsid").toLongLong(),
                 qint64(links.size()) - 3);
        const QString indexes =
            "SELECT name, sql FROM sqlite_master WHERE type = 'index' ORDER BY name";
        store::Database original = store::Database::open(TestSupport::templateFile());
        QCOMPARE(rowsOf(db, indexes), rowsOf(original, indexes));
        QCOMPARE(db.scalar("PRAGMA foreign_key_check"), QVariant());
        QCOMPARE(db.scalar("PRAGMA integrity_check").toString(), "ok");
    }

    void refusesWhatIsNoCatalog_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        QTest::newRow("another schema") << "schema" << jetimport::missingTableMessage("kulcs");
        QTest::newRow("no column") << "column" << jetimport::missingColumnMessage("prgnev", "utid");
        QTest::newRow("cut inside a page") << "cut" << jetimport::damagedMessage();
        QTest::newRow("last pages cut off") << "pages" << jetimport::damagedMessage();
        QTest::newRow("definition overwritten") << "overwrite" << jetimport::damagedMessage();
        QTest::newRow("no Jet file") << "sqlite" << jetimport::notJetMessage();
    }

    // A clear message, nothing created beside it, an existing target kept.
    void refusesWhatIsNoCatalog()
    {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        const QString jet = path("regi.mdb"), target = path("uj.mdb");
        jetfixture::Catalog c = jetfixture::makeCatalog(40, 15);
        if (damage == "schema") {
            jetwriter::write(jet, jetfixture::otherSchema());
        } else if (damage == "sqlite") {
            QFile::copy(TestSupport::templateFile(), jet);
        } else {
            if (damage == "column")
                c.table("prgnev").columns[2].name = "mappa";
            jetwriter::write(jet, c.tables);
            QByteArray bytes = TestSupport::contents(jet);
            if (damage == "cut")
                bytes.truncate(bytes.size() / 2 + 100);
            else if (damage == "pages")
                bytes.truncate(bytes.size() - 2 * 4096);
            else if (damage == "overwrite") // the first table's definition becomes noise
                bytes.replace(4 * 4096, 4096, QByteArray(4096, '\x5a'));
            TestSupport::writeFile(jet, bytes);
        }
        const QByteArray before = TestSupport::contents(jet);
        TestSupport::writeFile(target, "an earlier file");

        try {
            jetimport::convertJetCatalog(jet, TestSupport::templateFile(), target);
            QFAIL("converted");
        } catch (const platform::Error& e) {
            QCOMPARE(e.number(), platform::err::NotADatabase);
            QCOMPARE(e.detail(), message);
        }
        QCOMPARE(filesHere(), (QStringList{"regi.mdb", "uj.mdb"}));
        QCOMPARE(TestSupport::contents(target), QByteArray("an earlier file"));
        QCOMPARE(TestSupport::contents(jet), before);
    }

    void targetIsNeverTheOriginal()
    {
        const QString jet = path("Katalogus.MDB");
        jetwriter::write(jet, jetfixture::makeCatalog(2, 2).tables);
        QCOMPARE(jetimport::proposedTargetName(jet), path("Katalogus_uj.mdb"));
        TestSupport::writeFile(path("Katalogus_uj.mdb"), "taken");
        QCOMPARE(jetimport::proposedTargetName(jet), path("Katalogus_uj2.mdb"));

        const QByteArray before = TestSupport::contents(jet);
        const auto errorOf = [](const QString& from, const QString& to) {
            return TestSupport::errorOf(
                [&] { jetimport::convertJetCatalog(from, TestSupport::templateFile(), to); });
        };
        QCOMPARE(errorOf(jet, m_dir->path() + "/./Katalogus.MDB"),
                 platform::err::FileAlreadyExists);
        QCOMPARE(TestSupport::contents(jet), before);
        QCOMPARE(errorOf(path("nincs.mdb"), path("uj.mdb")), platform::err::FileNotFound);
        QVERIFY(!QFile::exists(path("uj.mdb")));
    }

    // A count the definition declares sizes nothing: the hostile file is
    // refused (or converted) in the memory its real rows need.
    void declaredRowCountsSizeNothing_data()
    {
        QTest::addColumn<qint64>("counted");
        QTest::newRow("0xFFFFFFFF") << qint64(0xFFFFFFFF);
        QTest::newRow("0x10000000") << qint64(0x10000000);
    }

    void declaredRowCountsSizeNothing()
    {
        QFETCH(qint64, counted);
        jetfixture::Catalog c = jetfixture::makeCatalog(3, 3);
        c.table("prgnev").countedRows = counted;
        jetwriter::write(path("regi.mdb"), c.tables);
        try {
            jetimport::convertJetCatalog(path("regi.mdb"), TestSupport::templateFile(),
                                         path("uj.mdb"));
        } catch (const platform::Error& e) {
            QCOMPARE(e.number(), platform::err::NotADatabase);
            QCOMPARE(e.detail(), jetimport::damagedMessage());
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        rusage usage{};
        QCOMPARE(getrusage(RUSAGE_SELF, &usage), 0);
        QVERIFY2(usage.ru_maxrss < 400 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
    }

    // The temporary file has a name of its own: converting
    // regi.mdb.atalakitas into regi.mdb keeps the original; a file left by
    // a stopped conversion is neither used nor touched.
    void temporaryNameIsNeverTheOriginal()
    {
        const QString jet = path("regi.mdb.atalakitas");
        jetwriter::write(jet, jetfixture::makeCatalog(4, 3).tables);
        const QByteArray before = TestSupport::contents(jet);
        TestSupport::writeFile(path("uj.mdb.atalakitas"), "left by a killed conversion");
        QString staged;
        const jetimport::ImportResult r =
            jetimport::convertJetCatalog(jet, TestSupport::templateFile(), path("regi.mdb"), {},
                                         [&](const QString& t) { staged = t; });
        QCOMPARE(TestSupport::contents(jet), before);
        QVERIFY(staged.startsWith(path("regi.mdb.atalakitas-")));
        QCOMPARE(filesHere(),
                 (QStringList{"regi.mdb", "regi.mdb.atalakitas", "uj.mdb.atalakitas"}));
        QCOMPARE(store::Database::open(path("regi.mdb"))
                     .scalar("SELECT count(*) FROM prgnev")
                     .toLongLong(),
                 12);
        QVERIFY(r.rowsWritten > 0);

        jetimport::convertJetCatalog(jet, TestSupport::templateFile(), path("uj.mdb"));
        QCOMPARE(TestSupport::contents(path("uj.mdb.atalakitas")),
                 QByteArray("left by a killed conversion"));
    }

    // Files too short for the header are damaged catalogs, whatever errno
    // the failed read left.
    void shortFilesAreDamaged()
    {
        jetwriter::write(path("full.mdb"), jetfixture::makeCatalog(2, 2).tables);
        const QByteArray full = TestSupport::contents(path("full.mdb"));
        for (const int length : {0, 1, 100}) {
            TestSupport::writeFile(path("rovid.mdb"), full.left(length));
            errno = ENOENT;
            try {
                jetimport::convertJetCatalog(path("rovid.mdb"), TestSupport::templateFile(),
                                             path("uj.mdb"));
                QFAIL("converted");
            } catch (const platform::Error& e) {
                QCOMPARE(e.number(), platform::err::NotADatabase);
                QCOMPARE(e.detail(), jetimport::damagedMessage());
            }
        }
        QCOMPARE(filesHere(), (QStringList{"full.mdb", "rovid.mdb"}));
    }

    // A FIFO named like a catalog is looked at without waiting for a writer.
    void fifoIsNoCatalog()
    {
        const QString fifo = path("cso.mdb");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        ::alarm(20); // a hang ends the test instead of the run
        QVERIFY(!jetimport::isJetFile(fifo));
        QCOMPARE(TestSupport::errorOf([&] {
                     jetimport::convertJetCatalog(fifo, TestSupport::templateFile(),
                                                  path("uj.mdb"));
                 }),
                 platform::err::PathFileAccess);
        ::alarm(0);
    }

    // The child's report, read in pieces of any size, gives the parent the
    // counts and left-out rows a direct conversion gives.
    void childReportsWhatTheConversionDid()
    {
        jetfixture::Catalog c = jetfixture::makeCatalog(6, 5, {2, 1, 1, 3});
        jetwriter::write(path("regi.mdb"), c.tables);
        const jetimport::ImportResult direct = jetimport::convertJetCatalog(
            path("regi.mdb"), TestSupport::templateFile(), path("kozvetlen.mdb"));

        const QString target = path("uj.mdb");
        const QString reportFile = path("jelentes.txt");
        {
            QFile out(reportFile);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(jetimport::child::run(path("regi.mdb"), TestSupport::templateFile(), target,
                                           out.handle()),
                     0);
        }
        const QByteArray report = TestSupport::contents(reportFile);
        jetimport::child::ReportReader reader(target);
        for (qsizetype at = 0; at < report.size(); at += 7)
            QVERIFY(reader.feed(report.mid(at, 7)));
        QVERIFY(reader.complete());
        const jetimport::child::Report& r = reader.report();
        QVERIFY(r.done && r.temporary.startsWith(target + ".atalakitas-"));
        QCOMPARE(r.percent, 100);
        QCOMPARE(r.result.rowsRead, direct.rowsRead);
        QCOMPARE(r.result.rowsWritten, direct.rowsWritten);
        QCOMPARE(jetimport::leftOutMessage(r.result), jetimport::leftOutMessage(direct));
        QVERIFY(!QFile::exists(r.temporary));

        // A failure is reported with its number and text.
        TestSupport::writeFile(path("rossz.mdb"), "no Jet here, and no SQLite either, just text");
        QFile out(reportFile);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(jetimport::child::run(path("rossz.mdb"), TestSupport::templateFile(), target,
                                       out.handle()),
                 0);
        out.close();
        jetimport::child::ReportReader failed(target);
        QVERIFY(failed.feed(TestSupport::contents(reportFile)) && failed.complete());
        QCOMPARE(failed.report().errorNumber, platform::err::NotADatabase);
        QCOMPARE(failed.report().detail, jetimport::notJetMessage());
    }

    // What no child of this program writes makes the report garbage, and a
    // temporary name outside the target's folder is never taken.
    void childReportGarbage()
    {
        const QString target = path("uj.mdb");
        const QByteArray temp =
            QFile::encodeName(target + ".atalakitas-abcdef").toPercentEncoding();
        const QByteArray cases[] = {
            "Hello\n",
            "progress 101\n",
            "progress -1\n",
            "temp %2Fetc%2Fpasswd\n",
            "temp " + temp + "/../x\n",
            "leftout sqlite_master 0 1\n",
            "leftout ut 99 1\n",
            "done 2 5 6\n",
            "done 2 6 5\nprogress 50\n",
            QByteArray(70000, 'x'),
        };
        for (const QByteArray& report : cases) {
            jetimport::child::ReportReader reader(target);
            reader.feed(report);
            QVERIFY2(!reader.complete(), report.left(40).constData());
            QVERIFY(reader.report().temporary.isEmpty());
        }
        jetimport::child::ReportReader partial(target);
        QVERIFY(partial.feed("temp " + temp + "\nprogress 40\nleftout ut 3 2\ndone 2 9"));
        QVERIFY(!partial.complete());
        QCOMPARE(partial.report().temporary, target + ".atalakitas-abcdef");
        QCOMPARE(partial.report().percent, 40);
        QVERIFY(partial.feed(" 7\n") && partial.complete());
        QCOMPARE(partial.report().result.leftOutRows(), 2);
    }

    void dates()
    {
        const struct
        {
            double value;
            const char* text;
        } cases[] = {{-1.25, "1899-12-29 06:00:00"},
                     {61.0, "1900-03-01 00:00:00"},
                     {36526.0 + 86399.6 / 86400, "2000-01-02 00:00:00"},
                     {-1.0 - 86399.6 / 86400, "1899-12-30 00:00:00"},
                     {-657434.0, "0100-01-01 00:00:00"},
                     {2958465.0 + 86399.0 / 86400, "9999-12-31 23:59:59"},
                     {-657435.0, ""},
                     {2958466.0, ""},
                     {std::nan(""), ""}};
        for (const auto& c : cases)
            QCOMPARE(jetimport::dateText(c.value).value_or(QString()), QString::fromLatin1(c.text));
        QCOMPARE(jetimport::dateFromText("1999.03.04. 12:05:00"), "1999-03-04 12:05:00");
        QCOMPARE(jetimport::dateFromText("1999. 03. 04. 7:05"), "1999-03-04 07:05:00");
        QCOMPARE(jetimport::dateFromText("2001.02.29."), std::nullopt);
        QCOMPARE(jetimport::dateFromText("tegnap"), std::nullopt);
    }

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList filesHere() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    std::optional<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestJetImport)
#include "test_jetimport.moc"
