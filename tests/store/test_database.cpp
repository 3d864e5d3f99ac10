#include "TestSupport.h"
#include "platform/ErrorNumbers.h"
#include "store/Database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sqlite3.h>

using store::Database;

using namespace TestSupport;

class TestDatabase : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_serial = 0;

    Database freshCatalog()
    {
        return Database::open(
            TestSupport::freshCatalog(m_dir.filePath(QStringLiteral("cat%1.mdb").arg(++m_serial))));
    }

private Q_SLOTS:
    void schema()
    {
        Database db = freshCatalog();
        QCOMPARE(db.scalar("SELECT group_concat(id) FROM kulcs").toString(), "1");
        QCOMPARE(db.scalar("SELECT group_concat(id) FROM kulcsut").toString(), "1");
        QCOMPARE(db.scalar("SELECT type FROM sqlite_master WHERE name='alapfile'").toString(),
                 "view");
        store::Statement st = db.prepare("SELECT * FROM alapfile");
        QStringList names;
        for (int i = 0; i < st.columnCount(); ++i)
            names << st.columnName(i);
        QCOMPARE(names, QStringList({"nev", "ut", "hossz", "crc", "datum", "id"}));
    }

    void constraints()
    {
        const int dup = platform::err::DuplicateValue;
        const int related = platform::err::RelatedRecords;
        const struct
        {
            const char* setup;
            const char* offending;
            int number;
        } cases[] = {
            {"INSERT INTO ut (ut) VALUES ('\\X')", "INSERT INTO ut (ut) VALUES ('\\X')", dup},
            {"", "INSERT INTO kulcs (kulcs) VALUES ('Általános')", dup},
            {"", "INSERT INTO kulcsut (nev) VALUES ('Általános')", dup},
            {"", "INSERT INTO nev_kulcsid (id, kulcsid) VALUES (1, 42)", related},
            {"INSERT INTO nev_kulcsid (id, kulcsid) VALUES (7, 1)", "DELETE FROM kulcs", related},
        };
        for (const auto& c : cases) {
            Database db = freshCatalog();
            db.execScript(QString::fromUtf8(c.setup));
            QCOMPARE(errorOf([&] { db.exec(QString::fromUtf8(c.offending)); }), c.number);
            QCOMPARE(db.scalar("SELECT count(*) FROM kulcs").toInt(), 1);
        }
    }

    void openFailures()
    {
        const QString garbage = m_dir.filePath("garbage.mdb");
        writeFile(garbage, QByteArray(8192, '\x7f'));
        QCOMPARE(errorOf([&] { Database::open(garbage); }), platform::err::NotADatabase);
        QCOMPARE(errorOf([&] { Database::open(m_dir.filePath("none.mdb")); }),
                 platform::err::FileNotFound);
        QCOMPARE(errorOf([&] { Database::open(m_dir.filePath("no/none.mdb")); }),
                 platform::err::PathNotFound);
    }

    // The engine's own LIKE would fold only ASCII and take '_' as a wildcard.
    void likeIsTheCatalogs()
    {
        Database db = freshCatalog();
        const QString sql = "SELECT ?1 LIKE ?2";
        QCOMPARE(db.scalar(sql, {"ÁRVÍZ.TXT", "árv*.t?t"}).toInt(), 1);
        QCOMPARE(db.scalar(sql, {"axb", "a_b"}).toInt(), 0);
    }

    // What the engine refuses with, in the user's words; its own text when
    // no short reason fits.
    void engineReasons()
    {
        const auto insert = [](Database& db) { db.exec("INSERT INTO kulcs (kulcs) VALUES ('x')"); };
        const struct
        {
            const char* name;
            std::function<void(Database&)> failing;
            int number;
            QString reason;
        } cases[] = {
            {"read-only",
             [&](Database& db) {
                 db.execScript("PRAGMA query_only=1");
                 insert(db);
             },
             platform::err::PermissionDenied, "Az adatbázis csak olvasható."},
            {"locked by another connection",
             [](Database& db) {
                 Database other = Database::open(db.path());
                 other.execScript("BEGIN EXCLUSIVE");
                 Database::open(db.path(), 10).begin();
             },
             platform::err::FileAlreadyOpen, "Egy másik program éppen használja az adatbázist."},
            {"full",
             [](Database& db) {
                 db.execScript("PRAGMA max_page_count=" +
                               db.scalar("PRAGMA page_count").toString());
                 db.exec("INSERT INTO ut (ut) VALUES (?1)", {QString(8000, 'x')});
             },
             platform::err::DiskFull, "Betelt a lemez."},
            {"damaged",
             [](Database& db) {
                 const QString path = db.path();
                 db.close();
                 QFile f(path);
                 if (f.open(QIODevice::ReadWrite))
                     f.write(QByteArray(100, '\x7f'));
                 f.close();
                 Database::open(path);
             },
             platform::err::NotADatabase, "Az adatbázis sérült."},
            {"refused by a trigger",
             [&](Database& db) {
                 db.execScript("CREATE TRIGGER tilt BEFORE INSERT ON kulcs "
                               "BEGIN SELECT RAISE(ABORT, 'tiltva'); END");
                 insert(db);
             },
             platform::err::EngineFailure, "tiltva"},
        };
        for (const auto& c : cases) {
            Database db = freshCatalog();
            try {
                c.failing(db);
                QFAIL(c.name);
            } catch (const platform::Error& e) {
                QVERIFY2(e.number() == c.number, c.name);
                QCOMPARE(platform::engineReason(e), c.reason);
            }
        }
    }

    // An I/O failure the engine reports under one of its detailed codes; a
    // file-system failure outside the engine keeps its own words.
    void reasonsByDetailedCode()
    {
        using platform::Error;
        QCOMPARE(platform::engineReason(Error(platform::err::DeviceIO, "write: disk I/O error",
                                              "disk I/O error", SQLITE_IOERR_WRITE)),
                 "Írási vagy olvasási hiba a lemezen.");
        QCOMPARE(platform::engineReason(Error(platform::err::DeviceIO, "/x: Input/output error")),
                 "/x: Input/output error");
    }

    // A read-only connection reads the catalog but can change nothing in it,
    // not even its journal, and fails as the writable one does on bad files.
    void readOnlyOpen()
    {
        const QString path = TestSupport::freshCatalog(m_dir.filePath("ro.mdb"));
        const QByteArray before = contents(path);
        {
            Database db = Database::openReadOnly(path);
            QCOMPARE(db.scalar("SELECT kulcs FROM kulcs WHERE id = 1").toString(), "Általános");
            QCOMPARE(errorOf([&] { db.exec("INSERT INTO ut (ut) VALUES ('\\X')"); }),
                     platform::err::PermissionDenied);
        }
        QCOMPARE(contents(path), before);
        QVERIFY(!QFile::exists(path + "-journal"));

        const QString garbage = m_dir.filePath("ro-garbage.mdb");
        writeFile(garbage, QByteArray(8192, '\x7f'));
        QCOMPARE(errorOf([&] { Database::openReadOnly(garbage); }), platform::err::NotADatabase);
        QCOMPARE(errorOf([&] { Database::openReadOnly(m_dir.filePath("none.mdb")); }),
                 platform::err::FileNotFound);

        // Another connection holding the write lock: a short wait, then "in use".
        Database writer = Database::open(path);
        writer.execScript("BEGIN EXCLUSIVE");
        QCOMPARE(errorOf([&] { Database::openReadOnly(path, 50); }), platform::err::FileAlreadyOpen);
        writer.rollback();
    }

    void parametersAndTransactions()
    {
        Database db = freshCatalog();
        const QString name = "O'Brien's \"best\"; DROP TABLE kulcs; --";
        db.exec("INSERT INTO kulcs (kulcs) VALUES (?1)", {name});
        QCOMPARE(db.scalar("SELECT kulcs FROM kulcs WHERE id = 2").toString(), name);

        {
            store::Transaction tx(db);
            db.exec("INSERT INTO ut (ut) VALUES ('\\LOST')");
        }
        QCOMPARE(db.scalar("SELECT count(*) FROM ut").toInt(), 0);
        {
            store::Transaction tx(db);
            db.exec("INSERT INTO ut (ut) VALUES ('\\KEPT')");
            tx.commit();
        }
        QCOMPARE(db.scalar("SELECT ut FROM ut").toString(), "\\KEPT");
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
