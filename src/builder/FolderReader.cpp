#include "FolderReader.h"

#include "FolderListing.h"
#include "platform/Drives.h"

#include <fcntl.h>
#include <unistd.h>

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
        read(startPath, startNative);
        const std::lock_guard lock(m_mutex);
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

bool FolderReader::next(ScannedFolder& folder)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
    if (m_ready.empty())
        return false;
    folder = std::move(m_ready.front());
    m_ready.pop_front();
    m_changed.notify_all();
    return true;
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

void FolderReader::read(const QString& path, const QByteArray& native)
{
    const FolderListing listing = listFolder(native);
    for (const FolderEntry& sub : listing.folders) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_cancelled)
                return;
        }
        read(platform::DrivePath::join(path, sub.name), childPath(native, sub.raw));
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return;
    }
    if (m_hook)
        m_hook(path);

    ScannedFolder folder{path, native, {}, false};
    folder.files.reserve(listing.files.size());
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; fd >= 0 && i < listing.files.size(); ++i) {
        const FileFacts facts = fileFacts(fd, listing.files.at(i).raw);
        if (facts.state == FileState::Vanished) {
            folder.vanished = true;
            break;
        }
        if (facts.state == FileState::Regular)
            folder.files.append({listing.files.at(i).name, facts.length, dateText(facts.modified)});
    }
    if (fd >= 0)
        ::close(fd);
    push(std::move(folder));
}

} // namespace builder
