#include "TestSupport.h"
#include "platform/ErrorNumbers.h"
#include "store/DataSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using store::Database;
using store::Statement;
using store::DataSource;
namespace err = platform::err;

using namespace TestSupport;

class TestDataSource : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_serial = 0;

    // A catalog holding 'files' files named F00000.EXE, F00001.EXE, ... in id order.
    QString catalog(int files = 0)
    {
        const QString path =
            freshCatalog(m_dir.filePath(QStringLiteral("cat%1.mdb").arg(++m_serial)));
        Database db = Database::open(path);
        store::Transaction tx(db);
        db.exec("INSERT INTO ut (ut) VALUES ('\\GAMES')");
        for (int i = 0; i < files; ++i)
            db.exec("INSERT INTO prgnev (nev, utid, hossz) VALUES (?1, 1, ?2)",
                    {QStringLiteral("F%1.EXE").arg(i, 5, 10, QLatin1Char('0')), i});
        tx.commit();
        return path;
    }

    static void bind(DataSource& ds, const QString& path, const QString& source)
    {
        ds.setDatabaseName(path);
        ds.setRecordSource(source);
        ds.refresh();
    }

private Q_SLOTS:
    void navigation()
    {
        DataSource ds;
        bind(ds, catalog(), "SELECT * FROM alapfile");
        // A "while not eof" loop must not enter an empty view.
        QVERIFY(ds.recordCount() == 0 && ds.bof() && ds.eof());
        QCOMPARE(errorOf([&] { ds.moveLast(); }), err::NoCurrentRecord);
        QCOMPARE(errorOf([&] { ds.value("nev"); }), err::NoCurrentRecord);

        bind(ds, catalog(17), "SELECT * FROM alapfile ORDER BY nev");
        ds.moveLast();
        QCOMPARE(ds.absolutePosition(), 16);
        QCOMPARE(ds.value("nev").toString(), "F00016.EXE");
        ds.moveNext();
        QVERIFY(ds.eof());
        QCOMPARE(errorOf([&] { ds.moveNext(); }), err::NoCurrentRecord);
        ds.moveFirst();
        ds.moveNext();
        QCOMPARE(ds.value("prgnev.nev").toString(), "F00001.EXE");
        ds.movePrevious();
        ds.movePrevious();
        QVERIFY(ds.bof() && !ds.eof());
        QCOMPARE(errorOf([&] { ds.movePrevious(); }), err::NoCurrentRecord);
        QCOMPARE(errorOf([&] { ds.value("nosuch"); }), err::ItemNotFound);
    }

    // More rows than the page cache holds, so pages are dropped and read again.
    void pagedRandomAccess()
    {
        const QString path = catalog(9000);
        const QString sql = "SELECT * FROM alapfile ORDER BY id";
        DataSource ds;
        bind(ds, path, sql);
        Database other = Database::open(path);
        for (const qint64 row : {0, 256, 8999, 0, 255})
            QCOMPARE(ds.cell(row, 0), other.scalar(sql + " LIMIT 1 OFFSET ?1", {row}));
        QVERIFY(!ds.cell(9000, 0).isValid());

        // Having read rows must leave no lock: another connection writes at once.
        ds.setAbsolutePosition(300);
        QVERIFY(ds.value("nev").isValid());
        other.exec("INSERT INTO prgnev (nev, utid) VALUES ('NEW.EXE', 1)");
        ds.refresh();
        QCOMPARE(ds.recordCount(), 9001);
    }

    // Pages read by key give the rows reading by offset gave, in the same
    // order, whatever the jumps: gaps in the ids, files in no folder, a view
    // ending on a page boundary, keys learnt while idle.
    void keyedPagesMatchOffsets()
    {
        for (const int files : {0, 1, 256, 512, 9000}) {
            const QString path = catalog(files);
            Database db = Database::open(path);
            db.exec("DELETE FROM prgnev WHERE id % 7 = 3");
            db.exec("INSERT INTO prgnev (nev, utid) VALUES ('LOST.EXE', 42)");
            db.exec("INSERT INTO prgnev (nev, utid) SELECT nev || '.2', 1 FROM prgnev "
                    "WHERE id % 7 = 4 AND utid = 1");
            for (const QString source : {"alapfile", "select *  from ALAPFILE;", "prgnev"}) {
                const QString reference = source == QLatin1String("prgnev")
                                              ? "SELECT *, rowid FROM prgnev ORDER BY rowid"
                                              : "SELECT * FROM alapfile";
                QList<QVariantList> rows;
                for (Statement st = db.prepare(reference); st.step();) {
                    rows.append(QVariantList());
                    for (int c = 0; c < st.columnCount(); ++c)
                        rows.back() << st.value(c);
                }
                const auto context = QStringLiteral("%1 files, %2").arg(files).arg(source);
                DataSource ds;
                bind(ds, path, source);
                QVERIFY2(ds.readsByKey(), qPrintable(context));
                const qint64 n = rows.size();
                // The deepest row first, then spread jumps, then every row.
                QList<qint64> order{n - 1, n / 2, n / 3, 0, n - 300, 257};
                for (qint64 r = 0; r < n; r += 1 + r % 13)
                    order << (r * 7919) % n;
                for (int round = 0; round < 2; ++round) {
                    for (const qint64 r : order) {
                        if (r < 0 || r >= n)
                            continue;
                        for (int c = 0; c < rows[r].size() - (source == "prgnev" ? 1 : 0); ++c)
                            QVERIFY2(ds.cell(r, c) == rows[r][c],
                                     qPrintable(context + QStringLiteral(" row %1").arg(r)));
                    }
                    QCOMPARE(ds.recordCount(), n);
                    QVERIFY(!ds.cell(n, 0).isValid());
                    for (const qint64 first : {qint64(0), n / 2, n - 5}) {
                        QList<QVariant> seen;
                        ds.forEachRow(first, 10, [&](qint64, const Statement& st) {
                            seen << st.value(0);
                            return true;
                        });
                        QList<QVariant> expected;
                        for (qint64 r = std::max<qint64>(first, 0); r < std::min(n, first + 10); ++r)
                            expected << rows[r][0];
                        QCOMPARE(seen, expected);
                    }
                    // The second round after the idle passes learnt the rest.
                    for (int i = 0; i < 20; ++i)
                        QCoreApplication::processEvents();
                }
            }
        }
    }

    // Only the catalog's own base view and tables are read by key.
    void offsetsForOtherViews()
    {
        const QString path = catalog(300);
        DataSource ds;
        bind(ds, path, "SELECT * FROM alapfile ORDER BY nev");
        QVERIFY(!ds.readsByKey());
        Database db = Database::open(path);
        db.exec("DROP VIEW alapfile");
        db.exec("CREATE VIEW alapfile AS SELECT prgnev.nev AS nev, ut.ut AS ut, prgnev.hossz AS "
                "hossz, prgnev.crc AS crc, prgnev.datum AS datum, prgnev.id AS id FROM prgnev, ut "
                "WHERE prgnev.utid = ut.id ORDER BY nev DESC");
        bind(ds, path, "alapfile");
        QVERIFY(!ds.readsByKey());
        QCOMPARE(ds.cell(0, 0).toString(), "F00299.EXE");
    }

    // User text travels as a parameter: an apostrophe is just a character.
    void parametersAndOnePassReads()
    {
        const QString path = catalog(600);
        Database::open(path).exec("INSERT INTO prgnev (nev, utid) VALUES ('Tom''s.EXE', 1)");
        DataSource ds;
        ds.setDatabaseName(path);
        ds.setRecordSource("SELECT nev FROM alapfile WHERE nev LIKE ?1", {"tom'?.exe"});
        ds.refresh();
        QCOMPARE(ds.recordCount(), 1);
        QCOMPARE(ds.value(0).toString(), "Tom's.EXE");

        bind(ds, path, "SELECT nev FROM alapfile ORDER BY id");
        ds.setAbsolutePosition(7);
        QStringList seen;
        ds.forEachRow(298, 5, [&](qint64 row, const store::Statement& st) {
            seen << QString::number(row) + QLatin1Char('=') + st.value(0).toString();
            return row < 300;
        });
        QCOMPARE(seen, (QStringList{"298=F00298.EXE", "299=F00299.EXE", "300=F00300.EXE"}));
        QCOMPARE(ds.absolutePosition(), 7);
    }

    void addNewShowsTheStoredId()
    {
        DataSource ds;
        // The engine's table names ignore case, so the view must too.
        bind(ds, catalog(), "Kulcs");
        for (const QString word : {"Játék", "Grafika"}) {
            ds.addNew();
            ds.setValue("kulcs", word);
            const QVariant shown = ds.value("id");
            ds.update();
            QCOMPARE(ds.database().scalar("SELECT id FROM kulcs WHERE kulcs = ?1", {word}), shown);
        }
        // An id once given is not given again.
        ds.moveLast();
        ds.deleteCurrent();
        ds.addNew();
        QCOMPARE(ds.value("id").toLongLong(), 4);
    }

    void editingTables()
    {
        DataSource ds;
        bind(ds, catalog(), "kulcs");
        ds.edit();
        ds.setValue("kulcs", "Egyéb");
        ds.update();
        QCOMPARE(ds.value("kulcs").toString(), "Egyéb");

        ds.addNew();
        ds.setValue("kulcs", "Egyéb");
        QCOMPARE(errorOf([&] { ds.update(); }), err::DuplicateValue);
        ds.cancelUpdate();

        ds.database().exec("INSERT INTO nev_kulcsid (id, kulcsid) VALUES (5, 1)");
        QCOMPARE(errorOf([&] { ds.deleteCurrent(); }), err::RelatedRecords);
        QCOMPARE(ds.recordCount(), 1);
    }

    void bindingFailures()
    {
        const QString path = catalog();
        DataSource ds;
        bind(ds, path, "SELECT * FROM kulcs");
        ds.moveFirst();
        QCOMPARE(errorOf([&] { ds.edit(); }), err::ReadOnlyObject);
        QCOMPARE(errorOf([&] { ds.addNew(); }), err::ReadOnlyObject);

        ds.closeDatabase();
        QCOMPARE(errorOf([&] { ds.closeDatabase(); }), err::ObjectNotSet);

        for (const QString source : {"nosuch", "SELECT * FROM nosuch"})
            QCOMPARE(errorOf([&] { bind(ds, path, source); }), err::TableNotFound);
    }
};

QTEST_GUILESS_MAIN(TestDataSource)
#include "test_datasource.moc"
