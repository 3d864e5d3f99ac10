#pragma once

#include <QByteArray>
#include <QList>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

// Folder trees by their bytes: names that are not UTF-8 are beyond QFile.
namespace TreeSupport {

inline void write(const QByteArray& path, const QByteArray& content, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, content.constData(), size_t(content.size())) != content.size())
        qFatal("cannot write %s", path.constData());
    ::close(fd);
    ::chmod(path.constData(), mode);
}

inline QByteArray read(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buffer[65536];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    if (fd >= 0)
        ::close(fd);
    return out;
}

inline void folder(const QByteArray& path, mode_t mode = 0755)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        qFatal("cannot make %s", path.constData());
    ::chmod(path.constData(), mode);
}

inline void setTime(const QByteArray& path, time_t seconds)
{
    const struct timespec t[2] = {{seconds, 5000}, {seconds, 5000}};
    ::utimensat(AT_FDCWD, path.constData(), t, AT_SYMLINK_NOFOLLOW);
}

// One line per entry below 'root': name, kind, modification time, and the
// content or link target.
inline QList<QByteArray> snapshot(const QByteArray& root, const QByteArray& relative = {})
{
    QList<QByteArray> out;
    const QByteArray here = relative.isEmpty() ? root : root + '/' + relative;
    DIR* dir = ::opendir(here.constData());
    QList<QByteArray> names;
    while (const dirent* e = dir ? ::readdir(dir) : nullptr)
        if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0)
            names << QByteArray(e->d_name);
    if (dir)
        ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names) {
        const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray path = root + '/' + rel;
        struct stat st;
        ::lstat(path.constData(), &st);
        QByteArray line = rel + " @" + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
                          QByteArray::number(qint64(st.st_mtim.tv_nsec));
        if (S_ISDIR(st.st_mode)) {
            out << line + " folder";
            out += snapshot(root, rel);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.constData(), target, sizeof target);
            out << line + " link " + QByteArray(target, int(std::max<ssize_t>(n, 0)));
        } else {
            out << line + " file " + read(path).toHex();
        }
    }
    return out;
}

inline int removeEntry(const char* path, const struct stat*, int, FTW*)
{
    return ::remove(path);
}

// A temporary folder that can also remove names QDir cannot.
struct Dir
{
    QTemporaryDir tmp;
    QByteArray path = QFile::encodeName(tmp.path());
    ~Dir()
    {
        ::chmod(path.constData(), 0700);
        ::nftw(
            path.constData(),
            [](const char* p, const struct stat* st, int type, FTW*) {
                if (type == FTW_D || type == FTW_DP)
                    ::chmod(p, 0700);
                (void)st;
                return 0;
            },
            16, FTW_PHYS);
        ::nftw(path.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
};

} // namespace TreeSupport
