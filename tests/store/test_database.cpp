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
        QCOMPARE(db.scalar(QStringLiteral("SELECT group_concat(id) FROM kulcs")).toString(), "1");
        QCOMPARE(db.scalar(QStringLiteral("SELECT group_concat(id) FROM kulcsut")).toString(), "1");
        QCOMPARE(db.scalar(QStringLiteral("SELECT type FROM sqlite_master WHERE name='alapfile'"))
                     .toString(),
                 "view");
        store::Statement st = db.prepare(QStringLiteral("SELECT * FROM alapfile"));
        QStringList names;
        for (int i = 0; i < st.columnCount(); ++i)
            names << st.columnName(i);
        QCOMPARE(names, QStringList({"nev", "ut", "hossz", "crc", "datum", "id"}));
    }

    void idsAreNeverReused()
    {
        Database db = freshCatalog();
        for (const char* folder : {"\\A", "\\B", "\\C"})
            db.exec(QStringLiteral("INSERT INTO ut (ut) VALUES (?1)"), {QLatin1String(folder)});
        db.exec(QStringLiteral("DELETE FROM ut WHERE id = 3"));
        db.exec(QStringLiteral("INSERT INTO ut (ut) VALUES ('\\D')"));
        QCOMPARE(db.lastInsertId(), 4);
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
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM kulcs")).toInt(), 1);
        }
    }

    void openFailures()
    {
        const QString garbage = m_dir.filePath(QStringLiteral("garbage.mdb"));
        writeFile(garbage, QByteArray(8192, '\x7f'));
        QCOMPARE(errorOf([&] { Database::open(garbage); }), platform::err::NotADatabase);
        const QString empty = m_dir.filePath(QStringLiteral("empty.mdb"));
        writeFile(empty, QByteArray());
        QCOMPARE(errorOf([&] { Database::open(empty); }), platform::err::NotADatabase);
        QCOMPARE(errorOf([&] { Database::open(m_dir.filePath(QStringLiteral("none.mdb"))); }),
                 platform::err::FileNotFound);
        QCOMPARE(errorOf([&] { Database::open(m_dir.filePath(QStringLiteral("no/none.mdb"))); }),
                 platform::err::PathNotFound);
    }

    // The engine's own LIKE would fold only ASCII and take '_' as a wildcard.
    void likeIsTheCatalogs()
    {
        Database db = freshCatalog();
        const QString sql = QStringLiteral("SELECT ?1 LIKE ?2");
        QCOMPARE(db.scalar(sql, {QStringLiteral("ÁRVÍZ.TXT"), QStringLiteral("árv*.t?t")}).toInt(),
                 1);
        QCOMPARE(db.scalar(sql, {QStringLiteral("axb"), QStringLiteral("a_b")}).toInt(), 0);
    }

    void parametersAndTransactions()
    {
        Database db = freshCatalog();
        const QString name = QStringLiteral("O'Brien's \"best\"; DROP TABLE kulcs; --");
        db.exec(QStringLiteral("INSERT INTO kulcs (kulcs) VALUES (?1)"), {name});
        QCOMPARE(db.scalar(QStringLiteral("SELECT kulcs FROM kulcs WHERE id = 2")).toString(),
                 name);

        {
            store::Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO ut (ut) VALUES ('\\LOST')"));
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM ut")).toInt(), 0);
        {
            store::Transaction tx(db);
            db.exec(QStringLiteral("INSERT INTO ut (ut) VALUES ('\\KEPT')"));
            tx.commit();
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT ut FROM ut")).toString(), "\\KEPT");
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
