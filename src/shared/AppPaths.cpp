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

QString AppPaths::dialogFolder(const QString& programFolder, const QString& openCatalog)
{
    return dialogFolder(programFolder, QFileInfo(programFolder).isWritable(), openCatalog);
}

QString AppPaths::dialogFolder(const QString& programFolder, bool programFolderWritable,
                               const QString& openCatalog)
{
    const auto same = [](const QString& a, const QString& b) {
        const QString ca = QFileInfo(a).canonicalFilePath();
        return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
    };
    if (!openCatalog.isEmpty()) {
        const QString folder = QFileInfo(openCatalog).absolutePath();
        if (QFileInfo(folder).isDir() && (programFolderWritable || !same(folder, programFolder)))
            return folder;
    }
    if (programFolderWritable && QFileInfo(programFolder).isDir())
        return programFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

AppPaths AppPaths::forApplication()
{
    AppPaths paths;
    paths.programFolder = QCoreApplication::applicationDirPath();
    paths.settingsFile = store::settingsFilePath();
    paths.defaultCatalog = defaultCatalogFor(paths.programFolder);
    return paths;
}
