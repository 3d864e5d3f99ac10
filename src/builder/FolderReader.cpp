#include "FolderReader.h"

#include "platform/Drives.h"
#include "platform/FolderListing.h"

#include <chrono>
#include <unistd.h>

using platform::FileFacts;
using platform::FileState;
using platform::FolderEntry;
using platform::FolderListing;
using platform::childPath;
using platform::dateText;
using platform::fileFacts;
using platform::listFolder;
using platform::openFolder;
using platform::openSubFolder;

namespace builder {

namespace {

// Enough read-ahead to keep the recording busy, little enough to bound memory.
constexpr size_t kReadAhead = 256;

} // namespace

FolderReader::FolderReader(const QString& startPath, const QByteArray& startNative,
                           ListingHook hook)
    : m_hook(std::move(hook))
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
void FolderReader::read(const QString& path, const QByteArray& native, int fd)
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
    for (const FolderEntry& sub : listing.folders) {
        if (cancelled())
            return;
        const int subFd = openSubFolder(fd, sub.raw);
        if (subFd < 0 && errno == ENOENT)
            continue; // gone since it was listed
        read(platform::DrivePath::join(path, sub.name), childPath(native, sub.raw), subFd);
    }
    if (cancelled())
        return;
    if (m_hook)
        m_hook(path);

    ScannedFolder folder{path, native, {}, !listing.complete && listing.readable};
    folder.files.reserve(listing.files.size());
    for (int i = 0; fd >= 0 && i < listing.files.size(); ++i) {
        if ((i & 255) == 255 && cancelled())
            return;
        const FileFacts facts = fileFacts(fd, listing.files.at(i).raw);
        if (facts.state == FileState::Vanished) {
            folder.vanished = true;
            break;
        }
        if (facts.state == FileState::Regular)
            folder.files.append({listing.files.at(i).name, facts.length, dateText(facts.modified)});
    }
    push(std::move(folder));
}

} // namespace builder
