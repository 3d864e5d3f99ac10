#pragma once

#include "Output.h"
#include "store/Database.h"

#include <QString>
#include <QStringList>

namespace cli {

struct Environment
{
    // The window's settings file, which names the last catalog opened. Only read.
    QString settingsFile;
    // How long a catalog that another program is writing is waited for.
    int busyTimeoutMs = store::Database::kBusyTimeoutMs;
};

// Exit statuses.
constexpr int kFound = 0;
constexpr int kNothingFound = 1;
constexpr int kFailed = 2;

// Runs polcozo-keres with 'arguments' (without the program's name): rows to
// 'out' as they are found, messages to 'err'. Returns the exit status.
int run(const QStringList& arguments, const Environment& env, Output& out, Output& err);

// The catalogs named on the command line: files as given, each folder's
// catalogs (*.mdb, in name order); a file reached twice, under any name,
// once. Folders without catalogs go to 'problems'.
QStringList resolveCatalogs(const QStringList& given, QStringList& problems);

} // namespace cli
