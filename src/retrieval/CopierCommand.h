#pragma once

#include <QString>
#include <QStringList>

namespace retrieval {

// The copier beside the program.
inline const QString kCopierName = QStringLiteral("athozo");

// The copier's command line for one folder, in drive-letter form:
//   C:\PROG\athozo "D:\GAMES\DOOM\*.*" "C:\MENTES\DOOM\*.*" /S /C /F /H /R /Y
// An empty folder name is a medium's root, whose content goes straight into
// the target folder: ... "D:\*.*" "C:\MENTES\*.*" ... A program folder holding
// blanks is quoted. A '"' in a stored name is written as its escape "/22",
// which the copier reads back like every other stored name.
QString copierCommandLine(const QString& programFolder, const QString& sourceDrive,
                          const QString& folderPath, const QString& targetFolder,
                          const QString& folderName);

struct CommandParts
{
    QString program;
    QStringList arguments;
};

// Blanks separate the parts; double quotes group blanks into one and are dropped.
CommandParts splitCommandLine(const QString& commandLine);

} // namespace retrieval
