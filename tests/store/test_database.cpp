#include "TestSupport.h"
#include "platform/ErrorNumbers.h"
#include "store/Database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
