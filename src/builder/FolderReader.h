#pragma once

#include "archives/ArchiveTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace archives {
class ArchiveLister;
}

namespace builder {

struct ScannedFile
{
    QString name;
    qint64 length = 0;
    QString date;            // as the catalog stores it
    QString crc;             // eight hex digits; empty when not computed or unreadable
    bool unreadable = false; // its checksum was asked for and it could not be read
};

// One folder as the walk records it.
struct ScannedFolder
{
    QString path;      // drive path
    QByteArray native; // where it is on this machine
    QList<ScannedFile> files;
    // A listed file was gone when read, or the folder could not be read to
    // its end: the rest of its files is missing.
    bool vanished = false;
    // Something in or below the folder could not be read: the folder itself,
    // its listing to the end, a sub-folder listed but gone, a file. A scan
    // records what it got; an update must not take it for the medium's contents.
    bool missed = false;
    // Archives among the files that could not be read to their end, or that
    // stopped at a limit; what was read of them comes before the folder.
    int damagedArchives = 0;
    int limitedArchives = 0;
};

// Archive contents in the walk: each file whose content is an archive is
// listed by the child program and its members follow it as folders.
struct ArchiveScan
{
    bool on = false;
    QList<QByteArray> child; // the child program (archives::childProgram)
    archives::Limits limits;
};

// Reads a folder tree ahead of the recording, on a thread of its own, so the
// file system and the catalog work at the same time. Folders come out in
// post-order: every sub-folder (in list order) before its parent, the start
// folder last.
class FolderReader
{
public:
    // Called on the reading thread after a folder is listed and before its
    // files are read; lets tests change the folder in between.
    using ListingHook = std::function<void(const QString& drivePath)>;

    // With 'crc' every file's checksum is read right after its facts; without
    // it no file is opened.
    // With archives on, the members of every archive come right before the
    // folder holding it, as its sub-folders would.
    FolderReader(const QString& startPath, const QByteArray& startNative, ListingHook hook = {},
                 bool crc = false, ArchiveScan archives = {});
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    enum class Next
    {
        Folder,
        Done,
        NotYet
    };
    // The next folder, waiting at most 'waitMs' for it. A failure of the
    // reading thread is thrown here.
    Next next(ScannedFolder& folder, int waitMs);

private:
    // False when a sub-folder listed could not be opened.
    bool read(const QString& path, const QByteArray& native, int fd);
    // False when stopped.
    bool readChecksums(int fd, const QList<QByteArray>& raws, qint64 bytes, ScannedFolder& folder);
    // False when stopped.
    bool readArchives(const QString& path, const QByteArray& native, ScannedFolder& folder,
                      const QList<QByteArray>& raws, const QList<qint64>& modified);
    bool push(ScannedFolder&& folder);
    bool cancelled();

    ListingHook m_hook;
    const bool m_crc;
    const ArchiveScan m_archives;
    std::atomic<bool> m_stop{false}; // interrupts a long checksum
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<ScannedFolder> m_ready;
    bool m_finished = false;
    bool m_cancelled = false;
    std::exception_ptr m_failure;
    std::unique_ptr<archives::ArchiveLister> m_lister; // on the reading thread
    std::thread m_thread;
};

} // namespace builder
