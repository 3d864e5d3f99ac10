#include "QueriesFixture.h"
#include "queries/Duplicates.h"
#include "queries/LinkIndexes.h"
#include "queries/SearchViews.h"
#include "store/DataSource.h"

using namespace QueriesFixture;

namespace {

// One file row: its name, the folder it lies in, its length and its CRC as
// stored (an invalid QVariant for NULL).
struct F
{
    const char* name;
    const char* folder;
    qint64 length;
    QVariant crc;
};

const QVariant none;

void fill(const QString& path, const QList<F>& files)
{
    Writer w(path);
    QHash<QString, qint64> folders;
    for (const F& f : files) {
        const QString folder = QString::fromUtf8(f.folder);
        if (!folders.contains(folder))
            folders[folder] = w.folder(folder);
        w.db().exec(u"INSERT INTO prgnev (nev, utid, hossz, datum, crc) VALUES (?1, ?2, ?3, "
                    "'1997-03-01 12:00:00', ?4)"_qs,
                    {QString::fromUtf8(f.name), folders[folder], f.length, f.crc});
    }
}

const char* const A = "-CD_1- E:\\A";
const char* const B = "-CD_2- D:\\B";

} // namespace

class TestDuplicates : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_made = 0;

    QString catalog(const QList<F>& files)
    {
        const QString path = makeCatalog(m_dir, u"d%1.mdb"_qs.arg(++m_made));
        fill(path, files);
        return path;
    }

private Q_SLOTS:
    // Which files are listed, and in which order, as names.
    void filesListed_data()
    {
        QTest::addColumn<QList<F>>("files");
        QTest::addColumn<qint64>("minimum");
        QTest::addColumn<QStringList>("listed");
        using L = QStringList;

        QTest::newRow("same length, different CRC")
            << QList<F>{{"x", A, 10, "0A0B0C0D"}, {"y", B, 10, "0A0B0C0E"}} << 1LL << L{};
        QTest::newRow("same length and CRC, across media") << QList<F>{{"x", A, 10, "0A0B0C0D"},
                                                                       {"y", B, 10, "0A0B0C0D"},
                                                                       {"z", A, 11, "0A0B0C0D"}}
                                                           << 1LL << L{"x", "y"};
        QTest::newRow("equal CRC, different length")
            << QList<F>{{"x", A, 10, "0A0B0C0D"}, {"y", B, 12, "0A0B0C0D"}} << 1LL << L{};
        QTest::newRow("one CRC missing")
            << QList<F>{{"x", A, 10, "0A0B0C0D"}, {"y", B, 10, none}} << 1LL << L{"y", "x"};
        QTest::newRow("one CRC empty")
            << QList<F>{{"x", A, 10, "0A0B0C0D"}, {"y", B, 10, ""}} << 1LL << L{"y", "x"};
        QTest::newRow("no CRC at all")
            << QList<F>{{"x", A, 10, none}, {"y", B, 10, none}, {"z", A, 9, none}} << 1LL
            << L{"x", "y"};
        // The file without a CRC may be a copy of either, so all three stand.
        QTest::newRow("a missing CRC joins two different ones")
            << QList<F>{{"b", A, 10, "FFFFFFFF"}, {"a", A, 10, "11111111"}, {"c", B, 10, none}}
            << 1LL << L{"c", "a", "b"};
        QTest::newRow("empty files are never copies")
            << QList<F>{{"x", A, 0, "00000000"}, {"y", B, 0, "00000000"}, {"z", A, 0, none}} << 0LL
            << L{};
        QTest::newRow("minimum length") << QList<F>{{"s1", A, 100, "AAAAAAAA"},
                                                    {"s2", B, 100, "AAAAAAAA"},
                                                    {"l1", A, 200, "BBBBBBBB"},
                                                    {"l2", B, 200, "BBBBBBBB"}}
                                        << 200LL << L{"l1", "l2"};
        // Largest first; within a length by CRC, then path, then name.
        QTest::newRow("order") << QList<F>{{"k", B, 5, "CCCCCCCC"},
                                           {"j", A, 5, "CCCCCCCC"},
                                           {"i", A, 5, "BBBBBBBB"},
                                           {"h", A, 5, "BBBBBBBB"},
                                           {"g", A, 7000000000LL, "DDDDDDDD"},
                                           {"f", B, 7000000000LL, "DDDDDDDD"},
                                           {"e", A, 6, "EEEEEEEE"},
                                           {"d", A, 6, "EEEEEEEE"}}
                               << 1LL << L{"g", "f", "d", "e", "h", "i", "j", "k"};
        // All-digit CRCs are kept as numbers by the column; they still pair
        // and sort as their eight digits.
        QTest::newRow("digits only") << QList<F>{{"n2", A, 10, "00123456"},
                                                 {"t", A, 10, "0A000000"},
                                                 {"n1", B, 10, "00123456"},
                                                 {"t2", B, 10, "0A000000"},
                                                 {"u", B, 10, "00123457"}}
                                     << 1LL << L{"n2", "n1", "t", "t2"};
    }
    void filesListed()
    {
        QFETCH(QList<F>, files);
        QFETCH(qint64, minimum);
        QFETCH(QStringList, listed);
        const QString cat = catalog(files);
        const queries::SearchView view = queries::duplicatesView(minimum);
        QCOMPARE(column(rowsOf(cat, view.source)), listed);
        const store::Database db = store::Database::open(cat);
        QCOMPARE(db.scalar(view.source.countSql, view.source.params).toLongLong(),
                 qint64(listed.size()));
    }

    // The grid, the listing and retrieval read the view by position: the
    // same columns as the compound search's views, a file view, with its caption.
    void aFilteredViewOfFiles()
    {
        const QString cat =
            catalog({{"DOOM.WAD", A, 4196020, "1A2B3C4D"}, {"DOOM.WAD", B, 4196020, "1A2B3C4D"}});
        auto columnsOf = [&](const queries::RecordSource& s) {
            store::DataSource ds;
            ds.setDatabaseName(cat);
            ds.setRecordSource(s.sql, s.params, s.countSql);
            ds.refresh();
            return std::make_pair(ds.columnNames(), ds.recordCount());
        };
        const queries::SearchView dup = queries::duplicatesView();
        const queries::SearchView keyed = queries::compoundSearchView(
            {u"*"_qs, u"*"_qs, choice({kDefault}, {kDefault}), choice({kDefault}, {}), false});
        QCOMPARE(columnsOf(dup.source).first, columnsOf(keyed.source).first.mid(0, 5));
        QCOMPARE(columnsOf(dup.source).second, 2);
        QVERIFY(!dup.baseView);
        QVERIFY(!dup.folderList);
        QCOMPARE(dup.caption, u"azonos hosszú és CRC-jű file-ok"_qs);
        QCOMPARE(queries::duplicatesView(1024).caption,
                 u"azonos hosszú és CRC-jű file-ok, legalább 1024 byte"_qs);
        QCOMPARE(rowsOf(cat, dup.source).value(1),
                 (QStringList{"DOOM.WAD", B, "4196020", "1A2B3C4D", "1997-03-01 12:00:00"}));
    }

    // Catalogs made before the index get it when opened, like the link indexes.
    void olderCatalogsGainTheLengthIndex()
    {
        const QString cat = catalog({{"x", A, 10, "0A0B0C0D"}, {"y", B, 10, "0A0B0C0D"}});
        store::Database db = store::Database::open(cat);
        db.execScript(u"DROP INDEX prgnev_hossz_crc"_qs);
        QVERIFY(!queries::hasLinkIndexes(db));
        queries::addLinkIndexes(db);
        QVERIFY(queries::hasLinkIndexes(db));
        const QString plan =
            column(
                rowsOf(db, {u"EXPLAIN QUERY PLAN "_qs + queries::duplicatesView().source.sql, {1}}),
                3)
                .join(u'\n');
        QVERIFY2(plan.contains(u"prgnev_hossz_crc"_qs), qPrintable(plan));
        QVERIFY2(!plan.contains(u"SCAN q"_qs), qPrintable(plan));
    }
};

QTEST_GUILESS_MAIN(TestDuplicates)
#include "test_duplicates.moc"
