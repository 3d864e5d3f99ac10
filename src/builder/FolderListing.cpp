#include "FolderListing.h"

#include "platform/Drives.h"

#include <QFile>
#include <QSet>
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

// The legible name, and whether it is the bytes' own reading.
FolderEntry entryFor(const QByteArray& raw, bool& exact)
{
    QString name = platform::decodeFileName(raw, &exact);
    // The backslash separates folders in stored paths.
    if (name.contains(QLatin1Char('\\'))) {
        name.replace(QLatin1Char('\\'), QChar(0xFF3C));
        exact = false;
    }
    return {raw, name};
}

// A name no other entry has: UTF-8 kept, everything else as %XX.
QString escapedName(const QByteArray& raw)
{
    QString name;
    for (qsizetype i = 0; i < raw.size();) {
        qsizetype n = 1;
        const uchar b = uchar(raw.at(i));
        if (b >= 0x80) {
            n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            bool exact = false;
            const QByteArray seq = raw.mid(i, n);
            if (n == 1 || seq.size() != n || (platform::decodeFileName(seq, &exact), !exact))
                n = 0;
        }
        if (n == 0 || b == '\\' || b == '%') {
            name += QLatin1Char('%') + QString::number(b, 16).rightJustified(2, QLatin1Char('0')).toUpper();
            ++i;
        } else {
            name += QString::fromUtf8(raw.mid(i, n));
            i += n;
        }
    }
    return name;
}

// Two entries may read alike only when one of them is not its bytes' own
// reading; that one gets the escaped name.
void makeDistinct(QList<FolderEntry>& entries, const QList<int>& inexact)
{
    if (inexact.isEmpty())
        return;
    QSet<QString> taken;
    for (qsizetype i = 0, j = 0; i < entries.size(); ++i) {
        if (j < inexact.size() && inexact.at(j) == i)
            ++j;
        else
            taken.insert(entries.at(i).name);
    }
    for (int i : inexact) {
        FolderEntry& e = entries[i];
        if (taken.contains(e.name))
            e.name = escapedName(e.raw);
        taken.insert(e.name);
    }
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
    QList<int> inexactFolders, inexactFiles;
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
        bool exact = true;
        if (type == DT_DIR) {
            if (haveSelf && isMountRoot(sx, self))
                continue;
            listing.folders.append(entryFor(QByteArray(n), exact));
            if (!exact)
                inexactFolders.append(int(listing.folders.size() - 1));
        } else if (type == DT_REG || type == DT_LNK) {
            listing.files.append(entryFor(QByteArray(n), exact));
            if (!exact)
                inexactFiles.append(int(listing.files.size() - 1));
        }
    }
    ::closedir(dir);
    makeDistinct(listing.folders, inexactFolders);
    makeDistinct(listing.files, inexactFiles);
    std::sort(listing.folders.begin(), listing.folders.end(), listOrder);
    std::sort(listing.files.begin(), listing.files.end(), listOrder);
    return listing;
}

QByteArray nativePath(const platform::DriveTable& drives, const QString& drivePath)
{
    const platform::Drive* drive = drives.drive(platform::DrivePath::letter(drivePath));
    if (!drive)
        return {};
    QByteArray native = QFile::encodeName(drive->mountPoint);
    const QStringList names = drivePath.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        const QByteArray direct = childPath(native, QFile::encodeName(name));
        struct stat st {};
        if (!name.contains(QChar(0xFF3C)) && !name.contains(QLatin1Char('%')) &&
            ::lstat(direct.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            native = direct;
            continue;
        }
        const FolderListing listing = listFolder(native);
        const auto it = std::find_if(listing.folders.cbegin(), listing.folders.cend(),
                                     [&](const FolderEntry& e) { return e.name == name; });
        if (it == listing.folders.cend())
            return {};
        native = childPath(native, it->raw);
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

} // namespace builder
