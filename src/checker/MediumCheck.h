#pragma once

#include "platform/FileCrc.h"

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>
#include <QVariant>
#include <atomic>
#include <functional>

namespace platform {
class DriveTable;
}

// Comparing a mounted medium with what the catalog recorded of it. Only
// reads: the catalog is read once at the start and left as it was.
namespace checker {

enum class Kind
{
    MissingFile, // recorded, not on the medium
    LengthDiffers,
    DateDiffers,
    CrcDiffers,    // only where a CRC is recorded
    Unreadable,    // a read error, reported and passed over
    NewFile,       // on the medium, not recorded (in a recorded folder)
    MissingFolder, // a recorded folder not on the medium; its files are not listed one by one
    NewFolder,     // a folder with files that the catalog does not hold
};

// The kind as the result window shows it.
QString kindText(Kind kind);

struct Finding
{
    Kind kind;
    QString folder;   // the folder's drive path on the checked drive: "E:\GAMES"
    QString name;     // the file's stored name; empty for a folder
    QString recorded; // what the catalog holds
    QString found;    // what the medium shows
    friend bool operator==(const Finding&, const Finding&) = default;
};

// Counts for a progress display, written by the check as it goes and read
// from any thread. The totals are the recorded files and their lengths.
struct Progress
{
    std::atomic<qint64> files{0};
    std::atomic<qint64> bytes{0};
    std::atomic<qint64> totalFiles{0};
    std::atomic<qint64> totalBytes{0};
};

struct Outcome
{
    enum class End
    {
        Done,
        Stopped,     // findings so far are kept
        MediumGone,  // the medium went during the check; findings so far are kept
        NotRecorded, // the catalog holds nothing under the label
        NoDrive,     // the drive is not there or not ready
        CatalogFailed,
    };
    End end = End::Done;
    QList<Finding> findings;
    qint64 folders = 0;  // recorded folders compared
    QString startFolder; // where the walk began: the top of what was recorded
    QString detail;      // the engine's text when the catalog could not be read
};

// A file's CRC as platform::fileCrc reads it; replaceable so tests can fail reads.
using ReadFile =
    std::function<platform::FileCrc(int folderFd, const QByteArray& name,
                                    const std::atomic<bool>* stop, std::atomic<qint64>* bytesRead)>;

struct Request
{
    QString catalogPath;
    QChar drive; // where the medium is now
    QString label;
};

// Whether a stored CRC is the one computed. An all-digit CRC may be stored
// as a number (the column's type converts such texts), so numbers compare
// by value.
bool sameCrc(const QVariant& recorded, const QString& computed);

// The label's folders are those whose stored path is "-" + label + "- " and
// a drive path; the recorded drive letter does not matter. When the label was
// recorded from several letters and one is the checked drive's, only that
// one's folders are compared.
//
// The walk starts at the deepest folder that holds every recorded folder of
// the medium (a scan may have begun below the root, and folders without
// files are not kept) and goes through every folder below it on the same
// file system. Every recorded file that is there is read to its end, so a
// read error shows whether or not a CRC was recorded; files of folders the
// catalog does not hold are not read.
Outcome checkMedium(const platform::DriveTable& drives, const Request& request,
                    const std::atomic<bool>& stop, Progress& progress,
                    const ReadFile& readFile = {});

// The findings as a text listing: the catalog path, the medium, the column
// headings, an empty line, then one line per finding with a TAB after every
// value; CRLF line ends, UTF-8. Written beside 'path' and renamed over it.
// Throws platform::Error with the file error's number.
void writeFindings(const QString& path, const QString& catalogPath, const QString& medium,
                   const QList<Finding>& findings);

} // namespace checker
