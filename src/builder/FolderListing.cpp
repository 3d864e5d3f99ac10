#include "FolderListing.h"

#include "platform/Drives.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace builder {

namespace {

bool listOrder(const FolderEntry& a, const FolderEntry& b)
{
    const int c = a.name.compare(b.name, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.raw < b.raw;
}

} // namespace

QString entryName(const QByteArray& raw)
{
    QString name = platform::decodeFileName(raw);
    // The backslash separates folders in stored paths.
    if (name.contains(QLatin1Char('\\')))
        name.replace(QLatin1Char('\\'), QChar(0xFF3C));
    return name;
}

QByteArray childPath(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

FolderListing listFolder(const QByteArray& native)
{
    FolderListing listing;
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        listing.readable = false;
        return listing;
    }
    struct stat self {};
    const bool haveSelf = ::fstat(fd, &self) == 0;
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        unsigned char type = e->d_type;
        struct stat st {};
        if (type == DT_DIR || type == DT_UNKNOWN) {
            if (::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG
                                                  : S_ISLNK(st.st_mode) ? DT_LNK
                                                                        : DT_UNKNOWN;
        }
        const QByteArray raw(n);
        if (type == DT_DIR) {
            if (haveSelf && st.st_dev != self.st_dev)
                continue;
            listing.folders.append({raw, entryName(raw)});
        } else if (type == DT_REG || type == DT_LNK) {
            listing.files.append({raw, entryName(raw)});
        }
    }
    ::closedir(dir);
    std::sort(listing.folders.begin(), listing.folders.end(), listOrder);
    std::sort(listing.files.begin(), listing.files.end(), listOrder);
    return listing;
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

} // namespace builder
