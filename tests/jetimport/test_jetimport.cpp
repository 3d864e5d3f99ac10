// Converting Jet catalogs written by the test tool into catalogs of the program.

#include "JetCatalogFixture.h"
#include "JetWriter.h"
#include "TestSupport.h"
#include "jetimport/JetDates.h"
#include "jetimport/JetFile.h"
#include "jetimport/JetImport.h"
#include "platform/ErrorNumbers.h"
#include "store/Database.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using jetimport::JetVersion;
using jetimport::Refusal;
using jetwriter::Value;

namespace {

QVariant expectedValue(const Value& v)
{
    if (const auto* n = std::get_if<std::int64_t>(&v))
        return QVariant(qint64(*n));
    if (const auto* s = std::get_if<QString>(&v))
        return *s;
    return {};
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

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestJetImport : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void headerTellsTheEngine()
    {
        const QString jet4 = path("a.mdb");
        const QString jet3 = path("b.mdb");
        jetwriter::write(jet4, jetfixture::otherSchema(), {jetwriter::Version::Jet4});
        jetwriter::write(jet3, jetfixture::otherSchema(), {jetwriter::Version::Jet3});
        QCOMPARE(jetimport::jetVersionOf(jet4), JetVersion::Jet4);
        QCOMPARE(jetimport::jetVersionOf(jet3), JetVersion::Jet3);

        QByteArray ace = TestSupport::contents(jet4);
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
        const bool jet3 = version == int(jetwriter::Version::Jet3);
        jetfixture::Catalog c = jetfixture::makeCatalog(40, 15);
        if (!jet3)
            c.table("kulcs").rows.push_back({std::int64_t(7), QStringLiteral("Ωmega 漢字 😀")});
        const QString jet = path("regi.mdb");
        jetwriter::write(
            jet, c.tables,
            {jet3 ? jetwriter::Version::Jet3 : jetwriter::Version::Jet4, 1252, indirectMaps});
        const QByteArray before = TestSupport::contents(jet);

        QList<int> progress;
        const QString target = path("uj.mdb");
        const jetimport::ImportResult r = jetimport::convertJetCatalog(
            jet, TestSupport::templateFile(), target, [&](int p) { progress << p; });

        QCOMPARE(TestSupport::contents(jet), before);
        QCOMPARE(r.version, jet3 ? JetVersion::Jet3 : JetVersion::Jet4);
        qint64 rows = 0;
        for (const auto& t : c.tables)
            rows += qint64(t.rows.size());
        QCOMPARE(r.rowsRead, rows);
        QCOMPARE(r.rowsWritten, rows);
        QVERIFY(r.leftOut.empty());
        QCOMPARE(jetimport::leftOutMessage(r), QString());
        QCOMPARE(progress.front(), 0);
        QCOMPARE(progress.back(), 100);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QCOMPARE(filesIn(m_dir->path()), (QStringList{"regi.mdb", "uj.mdb"}));

        // Every table row by row, in the old order; prgnev's dates as stored text.
        store::Database db = store::Database::open(target);
        for (const auto& [sql, name] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"SELECT id, nev, utid, hossz, datum, crc FROM prgnev ORDER BY rowid", "prgnev"},
                 {"SELECT id, ut FROM ut ORDER BY rowid", "ut"},
                 {"SELECT id, kulcs FROM kulcs ORDER BY id", "kulcs"},
                 {"SELECT id, nev FROM kulcsut ORDER BY id", "kulcsut"},
                 {"SELECT id, kulcsid FROM nev_kulcsid ORDER BY rowid", "nev_kulcsid"},
                 {"SELECT id, kulcsid FROM ut_kulcsid ORDER BY rowid", "ut_kulcsid"}}) {
            const QList<QVariantList> got = rowsOf(db, QString::fromLatin1(sql));
            const auto& want = c.table(name).rows;
            QCOMPARE(got.size(), qsizetype(want.size()));
            for (std::size_t i = 0; i < want.size(); ++i) {
                QVariantList row;
                for (const Value& v : want[i])
                    row << expectedValue(v);
                if (row.size() == 6)
                    row[4] = c.expectedDates[i] ? QVariant(*c.expectedDates[i]) : QVariant();
                QCOMPARE(got[qsizetype(i)], row);
            }
        }
        QCOMPARE(db.scalar("PRAGMA foreign_key_check"), QVariant());
        QCOMPARE(db.scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    }

    // The base view, the file and folder keyword joins, and the counters.
    void linksStillJoin()
    {
        const jetfixture::Catalog c = jetfixture::makeCatalog(12, 10);
        const QString jet = path("regi.mdb");
        jetwriter::write(jet, c.tables);
        const QString target = path("uj.mdb");
        jetimport::convertJetCatalog(jet, TestSupport::templateFile(), target);
        store::Database db = store::Database::open(target);

        // Every fifth file carries a second keyword, cycling through four.
        const struct
        {
            const char* sql;
            QString param;
            int count;
        } joins[] = {
            {"SELECT count(*) FROM alapfile", {}, 120},
            {"SELECT count(*) FROM alapfile WHERE nev = ?1 AND ut = "
             "'-CD_0- E:\\JÁTÉKOK\\Őrült űrhajó 3'",
             u"Ödön és Őrs – 33.doc"_qs, 1},
            {"SELECT count(*) FROM prgnev, nev_kulcsid, kulcs WHERE prgnev.id = nev_kulcsid.id "
             "AND nev_kulcsid.kulcsid = kulcs.id AND kulcs.kulcs = ?1",
             u"ŐRÜLT ŰRHAJÓ"_qs, 6},
            {"SELECT count(*) FROM ut, ut_kulcsid, kulcsut WHERE ut.id = ut_kulcsid.id AND "
             "ut_kulcsid.kulcsid = kulcsut.id AND kulcsut.nev = ?1",
             u"Telepítő"_qs, 2},
            {"SELECT count(*) FROM prgnev WHERE prgnev.nev like ?1", u"*tükörfúrógép*"_qs, 48},
        };
        for (const auto& j : joins)
            QVERIFY2(db.scalar(QString::fromUtf8(j.sql),
                               j.param.isEmpty() ? QVariantList{} : QVariantList{j.param})
                             .toInt() == j.count,
                     j.sql);
    }

    // New rows (as the builder and the keyword lists add them) are numbered
    // above the imported ids and above the numbers the old catalog had
    // already handed out to rows deleted since.
    void newRowsAboveImportedIds()
    {
        const jetfixture::Catalog c = jetfixture::makeCatalog(5, 4);
        const QString jet = path("regi.mdb");
        jetwriter::write(jet, c.tables);
        const QString target = path("uj.mdb");
        jetimport::convertJetCatalog(jet, TestSupport::templateFile(), target);
        store::Database db = store::Database::open(target);

        const qint64 maxFolder = std::get<std::int64_t>(c.table("ut").rows.back()[0]);
        db.exec("INSERT INTO ut (ut) VALUES ('-UJ- F:\\')");
        QCOMPARE(db.lastInsertId(), maxFolder + 1);
        db.exec("INSERT INTO prgnev (utid, nev) VALUES (?1, 'uj.txt')", {maxFolder + 1});
        QCOMPARE(db.lastInsertId(), qint64(c.table("prgnev").nextAutoNumber));
        db.exec("INSERT INTO kulcs (kulcs) VALUES ('Új')");
        QCOMPARE(db.lastInsertId(), 9);
        db.exec("INSERT INTO kulcsut (nev) VALUES ('Új')");
        QCOMPARE(db.lastInsertId(), 5);
    }

    void refusedRowsLeftOutAndCounted()
    {
        jetfixture::Catalog c = jetfixture::makeCatalog(6, 5, {2, 1, 1, 3});
        // The definition counts two rows more than the pages hold.
        c.table("kulcsut").countedRows = std::int64_t(c.table("kulcsut").rows.size()) + 2;
        const QString jet = path("regi.mdb");
        jetwriter::write(jet, c.tables);
        const QString target = path("uj.mdb");
        const jetimport::ImportResult r =
            jetimport::convertJetCatalog(jet, TestSupport::templateFile(), target);

        QCOMPARE(r.leftOutRows(), 13);
        QCOMPARE(r.rowsWritten, r.rowsRead - 11);
        QCOMPARE(jetimport::leftOutMessage(r),
                 QStringLiteral(
                     "Az átalakítás kész, de néhány sort nem vehettem át:\r\n"
                     "A kulcsut táblából 2 sor kimaradt, mert nem tudtam elolvasni.\r\n"
                     "Az ut táblából 1 sor kimaradt, mert az útvonala már szerepel.\r\n"
                     "A prgnev táblából 3 sor kimaradt, mert nem létező mappára mutat.\r\n"
                     "Az ut_kulcsid táblából 1 sor kimaradt, mert nem létező kulcsszóra mutat.\r\n"
                     "Az ut_kulcsid táblából 1 sor kimaradt, mert nem létező mappára mutat.\r\n"
                     "A nev_kulcsid táblából 2 sor kimaradt, mert nem létező kulcsszóra mutat.\r\n"
                     "A nev_kulcsid táblából 3 sor kimaradt, mert nem létező file-ra mutat."));

        store::Database db = store::Database::open(target);
        QCOMPARE(db.scalar("SELECT count(*) FROM prgnev").toInt(), 30);
        QCOMPARE(db.scalar("SELECT count(*) FROM ut").toInt(), 6);
        QCOMPARE(db.scalar("SELECT count(*) FROM nev_kulcsid WHERE kulcsid = 99"), QVariant(0));
        QCOMPARE(db.scalar("PRAGMA foreign_key_check"), QVariant());
    }

    void refusesWhatIsNoCatalog_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        QTest::newRow("another schema") << "schema" << jetimport::missingTableMessage("kulcs");
        QTest::newRow("column missing")
            << "column" << jetimport::missingColumnMessage("prgnev", "utid");
        QTest::newRow("cut inside a page") << "cut" << jetimport::damagedMessage();
        QTest::newRow("last pages cut off") << "pages" << jetimport::damagedMessage();
        QTest::newRow("a table definition overwritten")
            << "overwrite" << jetimport::damagedMessage();
        QTest::newRow("no Jet file") << "sqlite" << jetimport::notJetMessage();
    }

    // A clear message, nothing created beside it, an existing target kept.
    void refusesWhatIsNoCatalog()
    {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        const QString jet = path("regi.mdb");
        jetfixture::Catalog c = jetfixture::makeCatalog(40, 15);
        if (damage == "schema") {
            jetwriter::write(jet, jetfixture::otherSchema());
        } else if (damage == "column") {
            jetwriter::Table& files = c.table("prgnev");
            files.columns[2].name = "mappa";
            jetwriter::write(jet, c.tables);
        } else if (damage == "sqlite") {
            QFile::copy(TestSupport::templateFile(), jet);
        } else {
            jetwriter::write(jet, c.tables);
            QByteArray bytes = TestSupport::contents(jet);
            if (damage == "cut")
                bytes.truncate(bytes.size() / 2 + 100);
            else if (damage == "pages")
                bytes.truncate(bytes.size() - 2 * 4096);
            else // the first table's definition becomes noise
                bytes.replace(4 * 4096, 4096, QByteArray(4096, '\x5a'));
            TestSupport::writeFile(jet, bytes);
        }
        const QByteArray before = TestSupport::contents(jet);
        const QString target = path("uj.mdb");
        TestSupport::writeFile(target, "an earlier file");

        try {
            jetimport::convertJetCatalog(jet, TestSupport::templateFile(), target);
            QFAIL("converted");
        } catch (const platform::Error& e) {
            QCOMPARE(e.number(), platform::err::NotADatabase);
            QCOMPARE(e.detail(), message);
        }
        QCOMPARE(filesIn(m_dir->path()), (QStringList{"regi.mdb", "uj.mdb"}));
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
        QCOMPARE(TestSupport::errorOf([&] {
                     jetimport::convertJetCatalog(jet, TestSupport::templateFile(),
                                                  m_dir->path() +
                                                      QStringLiteral("/./Katalogus.MDB"));
                 }),
                 platform::err::FileAlreadyExists);
        QCOMPARE(TestSupport::contents(jet), before);
        QCOMPARE(TestSupport::errorOf([&] {
                     jetimport::convertJetCatalog(path("nincs.mdb"), TestSupport::templateFile(),
                                                  path("uj.mdb"));
                 }),
                 platform::err::FileNotFound);
        QVERIFY(!QFile::exists(path("uj.mdb")));
    }

    void dates_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << 0.0 << "1899-12-30 00:00:00";
        QTest::newRow("day before, time forward") << -1.25 << "1899-12-29 06:00:00";
        QTest::newRow("1900-03-01") << 61.0 << "1900-03-01 00:00:00";
        QTest::newRow("rounds into the next day")
            << (36526.0 + 86399.6 / 86400) << "2000-01-02 00:00:00";
        QTest::newRow("before the epoch, into the next day")
            << (-1.0 - 86399.6 / 86400) << "1899-12-30 00:00:00";
        QTest::newRow("first day") << -657434.0 << "0100-01-01 00:00:00";
        QTest::newRow("last second") << (2958465.0 + 86399.0 / 86400) << "9999-12-31 23:59:59";
        QTest::newRow("before year 100") << -657435.0 << "";
        QTest::newRow("after 9999") << 2958466.0 << "";
        QTest::newRow("not a number") << std::nan("") << "";
    }

    void dates()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(jetimport::dateText(value).value_or(QString()), text);
    }

    void datesKeptAsText()
    {
        QCOMPARE(jetimport::dateFromText(QStringLiteral("1999.03.04. 12:05:00")),
                 QStringLiteral("1999-03-04 12:05:00"));
        QCOMPARE(jetimport::dateFromText(QStringLiteral("1999. 03. 04. 7:05")),
                 QStringLiteral("1999-03-04 07:05:00"));
        QCOMPARE(jetimport::dateFromText(QStringLiteral("2001.02.29.")), std::nullopt);
        QCOMPARE(jetimport::dateFromText(QStringLiteral("tegnap")), std::nullopt);
    }

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestJetImport)
#include "test_jetimport.moc"
