#pragma once

#include "FolderReader.h"
#include "FolderWalk.h"

#include <QString>
#include <functional>

namespace platform {
class DriveTable;
class Error;
} // namespace platform

namespace builder {

struct UpdateCounts
{
    qint64 newFiles = 0, changedFiles = 0, removedFiles = 0, unchangedFiles = 0;
    qint64 newFolders = 0, removedFolders = 0, unchangedFolders = 0;
    qint64 unreadableFiles = 0; // checksum asked for, file not readable
    qint64 damagedArchives = 0, limitedArchives = 0;
};

// The lines the builder adds to its end message for archives it could not
// read whole; empty when there were none.
QString archiveText(qint64 damaged, qint64 limited);

// Brings the rows of a medium already in the catalog up to date with what
// the medium holds now, keeping the rows (and so the keywords) of folders
// and files that are still there.
//
// The medium is the label and the drive letter of the start folder; only
// rows at or below the start folder are touched. A folder matches by its
// stored path, a file by its folder and its exact name. The whole update is
// one transaction: it is in the catalog completely or not at all, also when
// the program is killed in the middle.
class MediumUpdate
{
public:
    enum class Outcome
    {
        Updated,
        Stopped,
        Failed
    };
    // Tests stop the process at named points: "folder" after each folder
    // (n folders so far), "commit" right before the commit.
    using PointHook = std::function<void(const char* point, qint64 n)>;

    MediumUpdate(const platform::DriveTable& drives, WalkObserver& observer);

    // A failure is told to the observer's recordingFailed, with what it means
    // for the catalog; the other outcomes are described by resultText().
    Outcome run(const QString& catalogPath, const QString& startPath, const QString& label);

    const UpdateCounts& counts() const { return m_counts; }
    // The message the builder shows at the end of an update or a stop.
    QString resultText(Outcome outcome) const;

    void setListingHook(FolderReader::ListingHook hook) { m_listingHook = std::move(hook); }
    void setPointHook(PointHook hook) { m_pointHook = std::move(hook); }

    bool stopRequest = false;
    // Each file's CRC-32 is read and stored; off, no file is opened.
    bool crc = false;
    // Archive members are reconciled like folders; off, no archive is opened
    // (and member rows already recorded go with the medium's other gone folders).
    ArchiveScan archives;

private:
    struct Run;
    void fail(const QString& reason);
    void fail(const platform::Error& e);

    const platform::DriveTable& m_drives;
    WalkObserver& m_observer;
    FolderReader::ListingHook m_listingHook;
    PointHook m_pointHook;
    UpdateCounts m_counts;
};

} // namespace builder
