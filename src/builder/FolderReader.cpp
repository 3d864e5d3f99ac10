#include "FolderReader.h"

#include "archives/ArchiveChild.h"
#include "archives/MemberPaths.h"
#include "platform/Drives.h"
#include "platform/FileCrc.h"
#include "platform/FolderListing.h"

#include <chrono>
#include <memory>
#include <unistd.h>
#include <vector>

using platform::childPath;
using platform::dateText;
using platform::FileFacts;
using platform::fileFacts;
using platform::FileState;
using platform::FolderEntry;
using platform::FolderListing;
using platform::listFolder;
using platform::openFolder;
using platform::openSubFolder;

namespace builder {

namespace {

// Enough read-ahead to keep the recording busy, little enough to bound memory.
constexpr size_t kReadAhead = 256;
// Below this a second thread costs more than it saves.
constexpr qint64 kSharedReadBytes = 8 << 20;

} // namespace

FolderReader::FolderReader(const QString& startPath, const QByteArray& startNative,
                           ListingHook hook, bool crc, ArchiveScan archives)
    : m_hook(std::move(hook)), m_crc(crc), m_archives(std::move(archives))
{
    m_thread = std::thread([this, startPath, startNative] {
        std::exception_ptr failure;
        try {
            read(startPath, startNative, openFolder(startNative));
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard lock(m_mutex);
        m_failure = failure;
        m_finished = true;
        m_changed.notify_all();
    });
}

FolderReader::~FolderReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_stop = true;
        m_changed.notify_all();
    }
    m_thread.join();
}

FolderReader::Next FolderReader::next(ScannedFolder& folder, int waitMs)
{
    std::unique_lock lock(m_mutex);
    const bool ready = m_changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                                          [this] { return !m_ready.empty() || m_finished; });
    if (!ready)
        return Next::NotYet;
    if (m_ready.empty()) {
        if (m_failure)
            std::rethrow_exception(std::exchange(m_failure, nullptr));
        return Next::Done;
    }
    folder = std::move(m_ready.front());
    m_ready.pop_front();
    m_changed.notify_all();
    return Next::Folder;
}

bool FolderReader::push(ScannedFolder&& folder)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ready.size() < kReadAhead || m_cancelled; });
    if (m_cancelled)
        return false;
    m_ready.push_back(std::move(folder));
    m_changed.notify_all();
    return true;
}

bool FolderReader::cancelled()
{
    const std::lock_guard lock(m_mutex);
    return m_cancelled;
}

// Takes over 'fd' (may be -1: an unreadable folder, recorded without files).
// Sub-folders are opened relative to their parent and never through a link,
// so a folder swapped for a link while the walk runs leads nowhere else.
bool FolderReader::read(const QString& path, const QByteArray& native, int fd)
{
    struct Closer
    {
        int fd;
        ~Closer()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } closer{fd};

    const FolderListing listing = listFolder(fd);
    bool missed = fd < 0 || !listing.readable || !listing.complete;
    for (const FolderEntry& sub : listing.folders) {
        if (cancelled())
            return true;
        const int subFd = openSubFolder(fd, sub.raw);
        if (subFd < 0 && errno == ENOENT) {
            missed = true;
            continue; // gone since it was listed
        }
        if (!read(platform::DrivePath::join(path, sub.name), childPath(native, sub.raw), subFd))
            missed = true;
    }
    if (cancelled())
        return true;
    if (m_hook)
        m_hook(path);

    ScannedFolder folder{path, native, {}, !listing.complete && listing.readable};
    folder.files.reserve(listing.files.size());
    QList<QByteArray> raws; // of the files kept, for their checksums and archives
    QList<qint64> modified;
    qint64 bytes = 0;
    for (int i = 0; fd >= 0 && i < listing.files.size(); ++i) {
        if ((i & 255) == 255 && cancelled())
            return true;
        const QByteArray& raw = listing.files.at(i).raw;
        const FileFacts facts = fileFacts(fd, raw);
        if (facts.state == FileState::Vanished) {
            folder.vanished = true;
            break;
        }
        if (facts.state != FileState::Regular)
            continue;
        folder.files.append(
            {listing.files.at(i).name, facts.length, dateText(facts.modified), {}, false});
        if (m_crc || m_archives.on)
            raws << raw;
        modified << facts.modified;
        bytes += facts.length;
    }
    if (m_crc && !readChecksums(fd, raws, bytes, folder))
        return true;
    if (m_archives.on && !readArchives(path, native, folder, raws, modified))
        return true;
    folder.missed = missed || folder.vanished;
    const bool whole = !folder.missed;
    push(std::move(folder));
    return whole;
}

bool FolderReader::readArchives(const QString& path, const QByteArray& native,
                                ScannedFolder& folder, const QList<QByteArray>& raws,
                                const QList<qint64>& modified)
{
    if (!m_lister)
        m_lister = std::make_unique<archives::ArchiveLister>(m_archives.child);
    archives::ListOptions options;
    options.limits = m_archives.limits;
    options.crc = m_crc;
    // A file gone since the checksums were read has been cut off the list.
    for (qsizetype i = 0; i < folder.files.size(); ++i) {
        const archives::Listing listing =
            m_lister->list(childPath(native, raws.at(i)), options, &m_stop);
        if (listing.cancelled || m_stop)
            return false;
        if (!listing.archive)
            continue;
        folder.damagedArchives += listing.damaged ? 1 : 0;
        folder.limitedArchives += listing.tooMany || listing.tooLarge ? 1 : 0;
        // Nothing to show for it (the child may have died on a plain file).
        if (listing.members.isEmpty())
            continue;
        const QString archivePath = platform::DrivePath::join(path, folder.files.at(i).name);
        QList<archives::ArchiveFolder> rows =
            archives::memberFolders(archivePath, listing, modified.at(i));
        for (qsizetype r = 0; r < rows.size(); ++r) {
            ScannedFolder member{rows[r].path, childPath(native, raws.at(i)), {}};
            member.files.reserve(rows[r].files.size());
            for (archives::ArchiveFile& f : rows[r].files)
                member.files.append(
                    {std::move(f.name), f.length, std::move(f.date), std::move(f.crc), false});
            if (!push(std::move(member)))
                return false;
        }
    }
    return true;
}

// One file's checksum could keep one core busy and leave the read idle, so
// a folder with much to read is shared with a helper thread.
bool FolderReader::readChecksums(int fd, const QList<QByteArray>& raws, qint64 bytes,
                                 ScannedFolder& folder)
{
    const qsizetype n = raws.size();
    std::vector<platform::FileCrc> sums(static_cast<size_t>(n));
    std::atomic<qsizetype> nextFile{0};
    const auto work = [&] {
        for (qsizetype i; (i = nextFile.fetch_add(1)) < n && !m_stop;)
            sums[size_t(i)] = platform::fileCrc(fd, raws.at(i), &m_stop);
    };
    if (n > 1 && bytes >= kSharedReadBytes) {
        std::thread helper(work);
        work();
        helper.join();
    } else {
        work();
    }
    if (m_stop)
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        const platform::FileCrc& sum = sums[size_t(i)];
        if (sum.state == platform::FileCrc::State::Vanished) {
            // As if the walk had stopped at it, like a file gone before its facts.
            folder.vanished = true;
            folder.files.resize(i);
            break;
        }
        if (sum.state == platform::FileCrc::State::Read)
            folder.files[i].crc = platform::crcText(sum.crc);
        else
            folder.files[i].unreadable = true;
    }
    return true;
}

} // namespace builder
