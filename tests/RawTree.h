#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

// Files and folders by their bytes: names that are not UTF-8 are beyond QFile.
namespace RawTree {

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

// Makes the folder and the missing ones above it.
inline void folder(const QByteArray& path, mode_t mode = 0755)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0755);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        qFatal("cannot make %s", path.constData());
    ::chmod(path.constData(), mode);
}

inline QList<QByteArray> names(const QByteArray& folder)
{
    QList<QByteArray> out;
    DIR* dir = ::opendir(folder.constData());
    while (const dirent* e = dir ? ::readdir(dir) : nullptr)
        if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0)
            out << QByteArray(e->d_name);
    if (dir)
        ::closedir(dir);
    std::sort(out.begin(), out.end());
    return out;
}

// One line per entry below 'root': name, modification time, kind, and the
// content or link target.
inline QList<QByteArray> snapshot(const QByteArray& root, const QByteArray& relative = {})
{
    QList<QByteArray> out;
    for (const QByteArray& name : names(relative.isEmpty() ? root : root + '/' + relative)) {
        const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray path = root + '/' + rel;
        struct stat st;
        ::lstat(path.constData(), &st);
        const QByteArray line = rel + " @" + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
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

// A temporary folder that also removes what QDir cannot: odd names,
// read-only folders.
struct Dir
{
    QTemporaryDir tmp;
    QByteArray path = QFile::encodeName(tmp.path());
    QString text() const { return tmp.path(); }
    ~Dir()
    {
        const auto open = [](const char* p, const struct stat*, int type, FTW*) {
            return type == FTW_D ? ::chmod(p, 0700), 0 : 0;
        };
        const auto remove = [](const char* p, const struct stat*, int, FTW*) {
            return ::remove(p);
        };
        ::nftw(path.constData(), open, 16, FTW_PHYS);
        ::nftw(path.constData(), remove, 16, FTW_DEPTH | FTW_PHYS);
    }
};

} // namespace RawTree
