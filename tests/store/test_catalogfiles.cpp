#include "TestSupport.h"
#include "platform/ErrorNumbers.h"
#include "store/CatalogFiles.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using store::Database;
namespace err = platform::err;

using namespace TestSupport;

namespace {

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestCatalogFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // An empty folder of its own for each test, so leftovers are easy to spot.
    QString folder(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private Q_SLOTS:
    void templateNames()
    {
        QVERIFY(store::isTemplateName("/x/init.plc"));
        QVERIFY(store::isTemplateName("/x/xinit.plc"));
        QVERIFY(!store::isTemplateName("/x/INIT.PLC"));
        QVERIFY(!store::isTemplateName("/x/init.plc.mdb"));
    }

    void copyFile()
    {
        const QString dir = folder("copy");
        const QString from = dir + "/a.mdb";
        const QString to = dir + "/b.mdb";
        const QByteArray bytes = QByteArray(200000, 'c') + "end"; // several copy buffers
        writeFile(from, bytes);
        writeFile(to, QByteArray(bytes.size() * 2, 'x'));
        store::copyFile(from, to);
        QCOMPARE(contents(to), bytes);
        QCOMPARE(filesIn(dir), QStringList({"a.mdb", "b.mdb"}));

        QCOMPARE(errorOf([&] { store::copyFile(from, dir + "/no/t.mdb"); }), err::PathNotFound);
        QCOMPARE(errorOf([&] { store::copyFile(dir + "/none.mdb", to); }), err::FileNotFound);
        QCOMPARE(contents(to), bytes);
    }

    void compactShrinksAndKeepsRows()
    {
        const QString path = freshCatalog(folder("compact") + "/big.mdb");
        {
            Database db = Database::open(path);
            store::Transaction tx(db);
            db.exec("INSERT INTO ut (ut) VALUES ('\\KEEP'), ('\\GONE')");
            for (int i = 0; i < 2000; ++i)
                db.exec("INSERT INTO prgnev (nev, utid) VALUES (?1, 2)",
                        {QString(400, QLatin1Char('p')) + QString::number(i)});
            db.exec("INSERT INTO prgnev (nev, utid) VALUES ('KEPT.EXE', 1)");
            tx.commit();
            db.exec("DELETE FROM prgnev WHERE utid = 2");
        }
        // Through a link the file it names is compacted, and keeps its mode.
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QFile::setPermissions(path, mode);
        const QString link = folder("links") + "/big.mdb";
        QVERIFY(QFile::link(path, link));
        const store::CompactionResult r = store::compactCatalog(link);
        QVERIFY2(r.after < r.before / 4,
                 qPrintable(QStringLiteral("%1 -> %2").arg(r.before).arg(r.after)));
        QCOMPARE(QFileInfo(path).size(), r.after);
        QCOMPARE(filesIn(QFileInfo(path).absolutePath()), QStringList({"big.mdb"}));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFile::permissions(path), mode | QFile::ReadUser | QFile::WriteUser);

        Database db = Database::open(path);
        QCOMPARE(db.scalar("SELECT group_concat(nev) FROM alapfile").toString(), "KEPT.EXE");
        QCOMPARE(db.scalar("PRAGMA integrity_check").toString(), "ok");
        // The id high-water mark survives, so ids are still not reused.
        db.exec("INSERT INTO prgnev (nev, utid) VALUES ('NEXT.EXE', 1)");
        QCOMPARE(db.lastInsertId(), 2002);
    }

    void compactGarbageLeavesItAlone()
    {
        const QString dir = folder("garbage");
        const QString path = dir + "/garbage.mdb";
        const QByteArray bytes(4096, '\x7f');
        writeFile(path, bytes);
        writeFile(path + QLatin1Char('2'), "stale leftover of an earlier attempt");
        QCOMPARE(errorOf([&] { store::compactCatalog(path); }), err::NotADatabase);
        QCOMPARE(contents(path), bytes);
        QCOMPARE(filesIn(dir), QStringList({"garbage.mdb"}));
    }

    void resetFromTemplate()
    {
        const QString dir = folder("reset");
        const QString path = freshCatalog(dir + "/nevtelen.mdb");
        Database::open(path).exec("INSERT INTO ut (ut) VALUES ('\\FILLED')");
        const QByteArray filled = contents(path);

        const QString kept = store::resetFromTemplate(templateFile(), path);
        QCOMPARE(QFileInfo(kept).absolutePath(), dir);
        QVERIFY(QFileInfo(kept).fileName().startsWith("nevtelen-"));
        QCOMPARE(contents(kept), filled);
        QCOMPARE(contents(path), contents(templateFile()));

        // Already the template: nothing to keep aside.
        QCOMPARE(store::resetFromTemplate(templateFile(), path), QString());
        QCOMPARE(filesIn(dir).size(), 2);

        // Without a template nothing moves.
        writeFile(path, "filled again");
        QVERIFY(errorOf([&] { store::resetFromTemplate(dir + "/init.plc", path); }) != 0);
        QCOMPARE(contents(path), QByteArray("filled again"));
        QCOMPARE(filesIn(dir).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestCatalogFiles)
#include "test_catalogfiles.moc"
