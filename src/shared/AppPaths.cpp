#include "AppPaths.h"

#include "store/CatalogFiles.h"
#include "store/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString AppPaths::templateFile() const
{
    return store::templatePath(programFolder);
}

QString AppPaths::helpFile() const
{
    return programFolder + QStringLiteral("/kutató.html");
}

QString AppPaths::defaultCatalogFor(const QString& programFolder)
{
    if (QFileInfo(programFolder).isWritable())
        return programFolder + QLatin1Char('/') + store::kDefaultCatalogName;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data + QLatin1Char('/') + store::kDefaultCatalogName;
}

AppPaths AppPaths::forApplication()
{
    AppPaths paths;
    paths.programFolder = QCoreApplication::applicationDirPath();
    paths.settingsFile = store::settingsFilePath();
    paths.defaultCatalog = defaultCatalogFor(paths.programFolder);
    return paths;
}
