#include "TestSupport.h"
#include "platform/ErrorNumbers.h"
#include "store/DataSource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using store::Database;
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
