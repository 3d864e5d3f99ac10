#include "FolderListing.h"

#include "Drives.h"
#include "FileNames.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool listOrder(const FolderEntry& a, const FolderEntry& b)
{
    const int c = a.name.compare(b.name, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.raw < b.raw;
}

FolderEntry entryFor(const char* name)
{
    const QByteArray raw(name);
    return {raw, platform::FileName::fromBytes(raw)};
}

bool isMountRoot(const struct statx& sx, const struct statx& parent)
{
    if (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return sx.stx_attributes & STATX_ATTR_MOUNT_ROOT;
    return sx.stx_dev_major != parent.stx_dev_major || sx.stx_dev_minor != parent.stx_dev_minor;
}

// Never wait for a network file system or trigger an automount to classify a name.
constexpr int kQuickStat = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;

} // namespace

QByteArray childPath(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

int openFolder(const QByteArray& native)
{
    return ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int openSubFolder(int parentFd, const QByteArray& name)
{
    return ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

FolderListing listFolder(const QByteArray& native)
{
    const int fd = openFolder(native);
    FolderListing listing = listFolder(fd);
    if (fd >= 0)
        ::close(fd);
    return listing;
}

FolderListing listFolder(int folderFd)
{
    FolderListing listing;
    const int own = folderFd >= 0 ? ::dup(folderFd) : -1;
    DIR* dir = own >= 0 ? ::fdopendir(own) : nullptr;
    if (!dir) {
        if (own >= 0)
            ::close(own);
        listing.readable = false;
        listing.complete = false;
        return listing;
    }
    ::rewinddir(dir);
    struct statx self {};
    const bool haveSelf = ::statx(folderFd, "", AT_EMPTY_PATH, STATX_TYPE, &self) == 0;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            listing.complete = errno == 0;
            break;
        }
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        unsigned char type = e->d_type;
        struct statx sx {};
        if (type == DT_DIR || type == DT_UNKNOWN) {
            if (::statx(folderFd, n, kQuickStat, STATX_TYPE, &sx) != 0)
                continue;
            type = S_ISDIR(sx.stx_mode) ? DT_DIR : S_ISREG(sx.stx_mode) ? DT_REG
                                                   : S_ISLNK(sx.stx_mode) ? DT_LNK
                                                                          : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            if (haveSelf && isMountRoot(sx, self))
                continue;
            listing.folders.append(entryFor(n));
        } else if (type == DT_REG || type == DT_LNK) {
            listing.files.append(entryFor(n));
        }
    }
    ::closedir(dir);
    std::sort(listing.folders.begin(), listing.folders.end(), listOrder);
    std::sort(listing.files.begin(), listing.files.end(), listOrder);
    return listing;
}

QByteArray nativePath(const DriveTable& drives, const QString& drivePath)
{
    const QChar letter = platform::DrivePath::letter(drivePath);
    const QByteArray native = drives.nativeBytes(drivePath);
    if (native.isEmpty())
        return {};
    // Each folder below the drive's root must be there, and be a folder of
    // its own rather than a link to one.
    const QByteArray root = drives.nativeBytes(platform::DrivePath::root(letter));
    qsizetype at = root == "/" ? 0 : root.size();
    while (at < native.size()) {
        qsizetype next = native.indexOf('/', at + 1);
        if (next < 0)
            next = native.size();
        struct stat st {};
        if (::lstat(native.left(next).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return {};
        at = next;
    }
    return native;
}

FileFacts fileFacts(int folderFd, const QByteArray& name)
{
    FileFacts facts;
    struct stat st {};
    if (::fstatat(folderFd, name.constData(), &st, 0) == 0) {
        if (S_ISREG(st.st_mode)) {
            facts.state = FileState::Regular;
            facts.length = qint64(st.st_size);
            facts.modified = qint64(st.st_mtim.tv_sec);
        }
        return facts;
    }
    if (errno == ENOENT && ::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        facts.state = FileState::Vanished;
    return facts;
}

QString dateText(qint64 secondsSinceEpoch)
{
    const time_t t = time_t(secondsSinceEpoch);
    struct tm tm {};
    if (!::localtime_r(&t, &tm))
        return {};
    char text[32];
    const int year = tm.tm_year + 1900;
    if (year < 0 || year > 9999)
        return {};
    auto two = [](char* p, int v) {
        p[0] = char('0' + v / 10);
        p[1] = char('0' + v % 10);
    };
    two(text, year / 100);
    two(text + 2, year % 100);
    text[4] = '-';
    two(text + 5, tm.tm_mon + 1);
    text[7] = '-';
    two(text + 8, tm.tm_mday);
    text[10] = ' ';
    two(text + 11, tm.tm_hour);
    text[13] = ':';
    two(text + 14, tm.tm_min);
    text[16] = ':';
    two(text + 17, tm.tm_sec);
    return QString::fromLatin1(text, 19);
}

} // namespace platform
