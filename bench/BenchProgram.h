#pragma once

#include "shared/AppPaths.h"
#include "store/CatalogFiles.h"
#include "store/Settings.h"

#include <QDir>
#include <stdexcept>

namespace bench {

// A program folder of its own in 'scratch', with the template beside the
// program and settings naming 'catalog' as the last one opened.
inline AppPaths programOn(const QString& catalog, const QString& scratch, bool followMode = true)
{
    const QString program = scratch + QStringLiteral("/program");
    QDir().mkpath(program);
    store::copyFile(QStringLiteral(POLCOZO_BENCH_TEMPLATE), store::templatePath(program));
    AppPaths paths;
    paths.programFolder = program;
    paths.settingsFile = scratch + QStringLiteral("/Polcozo.ini");
    paths.defaultCatalog = scratch + QLatin1Char('/') + store::kDefaultCatalogName;
    store::Settings settings = store::defaultSettings(program);
    settings.lastCatalog = catalog;
    if (!followMode)
        settings.contextRefresh = 0;
    if (!store::writeSettings(paths.settingsFile, settings))
        throw std::runtime_error("cannot write the settings file");
    return paths;
}

} // namespace bench
