#pragma once

#include "platform/Drives.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <variant>

namespace athozo {

// The copier's switches, as the program always passes them: /S /C /F /H /R /Y.
struct Switches
{
    bool subFolders = false;      // /S: folders below, empty ones too
    bool continueOnError = false; // /C: go on after a file that failed
    bool fullNames = false;       // /F: list each file's full name as it is copied
    bool hidden = false;          // /H: hidden files (names beginning with '.')
    bool overReadOnly = false;    // /R: replace targets the user may not write
    bool overwrite = false;       // /Y: replace existing targets without asking
};

struct Job
{
    QString sourceText; // the folders as the user reads them: "D:\GAMES\DOOM"
    QString targetText;
    QByteArray source; // and where they are on this machine
    QByteArray target;
    Switches switches;
    // A source that is an archive, or a folder inside one: its members below
    // 'member' (stored names, '\'-joined) are unpacked by 'archiveChild'.
    QByteArray archive;
    QString member;
    QList<QByteArray> archiveChild;
};

// "SOURCE\*.*" "TARGET\*.*" and switches. The patterns are drive paths in the
// catalog's form (stored names, escapes and all), made native through the
// same drive table as the program's; an absolute native path is taken as it
// is. A text for the user when the arguments make no job.
std::variant<Job, QString> parseArguments(const QStringList& arguments,
                                          const platform::DriveTable& drives);

} // namespace athozo
