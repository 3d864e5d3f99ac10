#pragma once

#include "TestSupport.h"
#include "shared/AppPaths.h"
#include "store/Database.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A program folder of its own for each test: the template beside the program,
// the settings file and the default catalog in it.
struct ProgramFolder
{
    QTemporaryDir dir;
    AppPaths paths;

    ProgramFolder()
    {
        paths.programFolder = dir.path() + "/prog";
        QDir().mkpath(paths.programFolder);
        QFile::copy(TestSupport::templateFile(), paths.templateFile());
        paths.settingsFile = dir.path() + "/config/polcozo/Polcozo.ini";
        paths.defaultCatalog = paths.programFolder + "/nevtelen.mdb";
    }

    QString path(const QString& name) const { return dir.path() + '/' + name; }

    // A catalog with 'files' files on one medium.
    QString catalog(const QString& name, int files) const
    {
        const QString file = TestSupport::freshCatalog(path(name));
        auto db = store::Database::open(file);
        store::Transaction t(db);
        db.exec("INSERT INTO ut (ut) VALUES ('-CD_1- E:\\GAMES')");
        const qint64 folder = db.lastInsertId();
        for (int i = 0; i < files; ++i)
            db.exec("INSERT INTO prgnev (nev, utid, hossz, datum) "
                    "VALUES (?1, ?2, ?3, '2024-03-05 13:45:10')",
                    {QString("FILE%1.EXE").arg(i), folder, 1000 + i});
        t.commit();
        return file;
    }

    // A last catalog that does not open, of a kind: "deleted", "damaged",
    // "foreign" (an engine file with a table alapfile), "locked" ('holder'
    // keeps it), "folder".
    QString brokenCatalog(const QString& kind, store::Database& holder) const
    {
        QString last = path("last.mdb");
        if (kind == "damaged") {
            TestSupport::writeFile(last, QByteArray(4096, 'x'));
        } else if (kind == "foreign") {
            store::Database::create(last).execScript(
                "CREATE TABLE alapfile(nev, ut, hossz, crc, datum)");
        } else if (kind == "locked") {
            last = catalog("last.mdb", 2);
            holder = store::Database::open(last);
            holder.execScript("BEGIN EXCLUSIVE");
        } else if (kind == "folder") {
            QDir().mkpath(last);
        }
        return last;
    }

    // The kinds above, each with the reason the start-up names (none for
    // one that is gone), as a test's data.
    static void brokenCatalogKinds()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("deleted") << "deleted" << QString();
        QTest::newRow("damaged") << "damaged"
                                 << "Sérült vagy ismeretlen adatbázis !";
        QTest::newRow("foreign") << "foreign"
                                 << "Sérült vagy ismeretlen adatbázis !";
        QTest::newRow("locked") << "locked"
                                << "Egy másik program éppen használja !";
        QTest::newRow("folder") << "folder"
                                << "Ez egy mappa, nem adatbázis !";
    }

    // Settings that name 'last' as the last catalog.
    void writeSettings(const QString& last, quint8 windowState = 0) const
    {
        store::Settings s = store::defaultSettings(paths.programFolder);
        s.lastCatalog = last;
        s.windowState = windowState;
        QVERIFY(store::writeSettings(paths.settingsFile, s));
    }

    // Where filled default catalogs were set aside.
    QStringList keptAside() const
    {
        QStringList kept;
        for (const QString& name : QDir(paths.programFolder).entryList({"nevtelen-*.mdb"}))
            kept << paths.programFolder + '/' + name;
        return kept;
    }
    store::Settings savedSettings() const
    {
        return store::readSettings(paths.settingsFile, paths.programFolder);
    }
    QString savedLastCatalog() const { return savedSettings().lastCatalog; }
    static int files(const QString& catalog)
    {
        return store::Database::open(catalog).scalar("SELECT count(*) FROM prgnev").toInt();
    }
};
