#pragma once

#include "shared/AppPaths.h"
#include "store/CatalogFiles.h"
#include "store/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <functional>
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

// The catalog a benchmark measures: the one named on its command line, else a
// new one 'generate' makes in 'scratch'. Call it before the application
// exists: a generating child must not inherit its threads. On failure the
// exit code is set and an empty path returned.
inline QString catalogArgument(int argc, char** argv, const QTemporaryDir& scratch, const QString& name,
                               const std::function<bool(const QString&)>& generate, int& exitCode)
{
    exitCode = 0;
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [CATALOG]\n", argv[0]);
        exitCode = 2;
        return {};
    }
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        exitCode = 1;
        return {};
    }
    const QString catalog = argc == 2 ? QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath()
                                      : scratch.path() + QLatin1Char('/') + name;
    if (!QFileInfo::exists(catalog) && !generate(catalog)) {
        exitCode = 1;
        return {};
    }
    return catalog;
}

// Runs the measurements; a failed check ends the program with code 1.
inline int measured(const std::function<void()>& run)
{
    try {
        run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace bench
