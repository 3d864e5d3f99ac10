#include "TestSupport.h"
#include "shared/Module1.h"
#include "store/Database.h"

#include <QTemporaryDir>
#include <QtTest>

// Folders without files and their links go; nothing else does.
class TestOrphanCleanup : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_serial = 0;

    // Folder 1 holds a file, folder 2 none; both linked to the default folder keyword.
    store::Database catalog()
    {
        store::Database db = store::Database::open(
            TestSupport::freshCatalog(m_dir.filePath(QStringLiteral("c%1.mdb").arg(++m_serial))));
        db.execScript("INSERT INTO ut (id, ut) VALUES (1, '-A- E:\\'), (2, '-A- E:\\URES');"
                      "INSERT INTO ut_kulcsid (id, kulcsid) VALUES (1, 1), (2, 1);"
                      "INSERT INTO prgnev (id, nev, utid) VALUES (1, 'X.EXE', 1);"
                      "INSERT INTO nev_kulcsid (id, kulcsid) VALUES (1, 1);");
        return db;
    }
    // "folder ids/linked folder ids"
    static QString folders(store::Database& db)
    {
        return db
            .scalar(QStringLiteral(
                "SELECT (SELECT group_concat(id) FROM (SELECT id FROM ut ORDER BY id)) || '/' || "
                "(SELECT group_concat(id) FROM (SELECT id FROM ut_kulcsid ORDER BY id))"))
            .toString();
    }

private Q_SLOTS:
    void removesFoldersWithoutFiles()
    {
        store::Database db = catalog();
        int between = 0;
        Module1::orphanCleanup(db, [&] {
            ++between;
            QCOMPARE(folders(db), "1,2/1"); // links go first
        });
        QCOMPARE(between, 1);
        QCOMPARE(folders(db), "1/1");
        QCOMPARE(db.scalar("SELECT count(*) FROM nev_kulcsid").toInt(), 1);
        QVERIFY(!db.inTransaction());
    }

    void joinsTheCallersTransaction()
    {
        store::Database db = catalog();
        {
            store::Transaction tx(db);
            Module1::orphanCleanup(db);
            QVERIFY(db.inTransaction());
        }
        QCOMPARE(folders(db), "1,2/1,2");
    }

    // The folders cannot go: their links stay too, never a folder without links
    // left behind half-cleaned.
    void allOrNothing()
    {
        store::Database db = catalog();
        db.execScript(QStringLiteral(
            "CREATE TEMP TRIGGER keep BEFORE DELETE ON ut BEGIN SELECT RAISE(ABORT, 'kept'); END"));
        QVERIFY(TestSupport::errorOf([&] { Module1::orphanCleanup(db); }) != 0);
        QCOMPARE(folders(db), "1,2/1,2");
        QVERIFY(!db.inTransaction());
    }
};

QTEST_GUILESS_MAIN(TestOrphanCleanup)
#include "test_orphancleanup.moc"
