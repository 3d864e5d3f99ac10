#pragma once

#include "FolderReader.h"
#include "store/Database.h"

#include <QElapsedTimer>
#include <QString>

namespace platform {
class DriveTable;
class Error;
} // namespace platform

namespace builder {

// prgnev.crc as the builder writes it: the eight hex digits as bytes, since
// the column's integer affinity would turn "00012345" into 12345 and
// "1E000000" into 1; NULL when there is no checksum.
QVariant storedCrc(const ScannedFile& file);

// What the walk tells the builder window as it goes.
class WalkObserver
{
public:
    virtual ~WalkObserver() = default;
    virtual void folderOpened(const QString& drivePath) = 0; // the folder list moves
    virtual void yieldToUser() = 0;                          // once per folder
    // A folder is in the catalog for good: 0 for a folder without files.
    virtual void folderRecorded(qint64 lastFileId) = 0;
    virtual void fileVanished() = 0;
    // The walk stopped on a failure; the message says what the catalog kept.
    virtual void recordingFailed(const QString& message) = 0;
};

// Walks a folder tree of one drive and records every folder and file into the
// catalog, each linked to its default keyword. Folders are recorded in
// post-order: sub-folders first, the start folder last.
//
// Each folder (its row, its link, its files and their links) goes in whole or
// not at all, so a refused folder leaves everything before it intact. Folders
// are committed in batches to keep the walk fast; the last batch is committed
// when the walk ends, also when it stops or fails. Should the engine itself
// give up a batch (a full disk), at most its last second of folders is lost.
// Folders are reported recorded only once committed, so what the builder
// shows is what the catalog holds.
class FolderWalk
{
public:
    FolderWalk(const platform::DriveTable& drives, WalkObserver& observer);
    ~FolderWalk();

    // Opens the catalog and prepares the statements. Throws platform::Error.
    void tablanyit(const QString& catalogPath);
    void close();

    // The folder the walk stands in, as the folder list shows it.
    bool setOpenFolder(const QString& drivePath);
    QString openFolder() const { return m_open; }

    // Walks from the open folder, which is the start path. After a stop the
    // open folder is the parent of the folder that was not recorded.
    void konyvbejar(const QString& startPath, const QString& label);

    void setListingHook(FolderReader::ListingHook hook) { m_hook = std::move(hook); }

    bool stopRequest = false;
    bool abandonMark = false;
    // Each file's CRC-32 is read and stored; off, no file is opened.
    bool crc = false;
    // Files of the last walk whose checksum could not be read.
    qint64 unreadableFiles() const { return m_unreadable; }
    // Archive contents are recorded below each archive; off, no archive is opened.
    ArchiveScan archives;
    // Archives of the last walk that could not be read to their end, or
    // stopped at a limit: what was read of them is recorded.
    qint64 damagedArchives() const { return m_damagedArchives; }
    qint64 limitedArchives() const { return m_limitedArchives; }

private:
    void konyvrogzit(const QString& label, const ScannedFolder& folder);
    void fail(const platform::Error& e);
    void fail(const QString& engineText, bool mayBeThere = true);
    void commitBatch();
    void discardBatch();
    void undoFolder(qint64 folderId);
    bool batchAlive();

    const platform::DriveTable& m_drives;
    WalkObserver& m_observer;
    QString m_open;
    QByteArray m_openNative;
    FolderReader::ListingHook m_hook;
    store::Database m_db;
    store::Statement m_insertFolder, m_linkFolder, m_insertFile, m_linkFiles;
    bool m_inBatch = false;
    QElapsedTimer m_batchAge;
    QList<qint64> m_pendingCaptions; // folders of the open batch, as they will be reported
    QString m_pendingFolder;         // the last folder of the open batch, as stored
    QString m_committedFolder;       // the last folder of this walk the catalog holds
    bool m_lost = false;             // a batch of this walk was given up
    qint64 m_unreadable = 0;
    qint64 m_damagedArchives = 0, m_limitedArchives = 0;
};

} // namespace builder
