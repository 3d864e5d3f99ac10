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
