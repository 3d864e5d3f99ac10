#pragma once

#include "TestSupport.h"
#include "platform/Drives.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Folders acting as drives C:, D: and E:, and a fresh catalog.
struct BuilderFixture
{
    QTemporaryDir dir;
    QString c = dir.path() + "/c";
    QString d = dir.path() + "/d";
    QString e = dir.path() + "/e";
    QString catalog = dir.path() + "/katalogus.mdb";
    platform::DriveTable drives;

    BuilderFixture()
    {
        QDir().mkpath(c);
        QDir().mkpath(d);
        QDir().mkpath(e);
        TestSupport::freshCatalog(catalog);
        drives = platform::DriveTable::fromFolders(c, {d, e});
    }

    // A file below drive E:, folders made as needed.
    void file(const QString& relative, const QByteArray& bytes = "x") const
    {
        const QString path = e + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        TestSupport::writeFile(path, bytes);
    }
    void folder(const QString& relative) const { QDir().mkpath(e + QLatin1Char('/') + relative); }
    // Several at once; a path ending in '/' is a folder.
    void tree(const QStringList& paths) const
    {
        for (const QString& p : paths)
            p.endsWith(QLatin1Char('/')) ? folder(p) : file(p);
    }

    QStringList column(const QString& sql) const
    {
        auto db = store::Database::open(catalog);
        auto st = db.prepare(sql);
        QStringList values;
        while (st.step())
            values << st.value(0).toString();
        return values;
    }
    qint64 count(const QString& table) const
    {
        auto db = store::Database::open(catalog);
        return db.scalar("SELECT count(*) FROM " + table).toLongLong();
    }
};
