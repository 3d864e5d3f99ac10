#include "TreeCopy.h"

#include "platform/FileNames.h"
#include "retrieval/FileCopy.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace athozo {

// ---- Progress ----------------------------------------------------------------

Progress::State Progress::state() const
{
    const std::lock_guard lock(m_mutex);
    return m_state;
}

void Progress::planned(qint64 totalBytes, int files)
{
    const std::lock_guard lock(m_mutex);
    m_state.totalBytes = totalBytes;
    m_state.files = files;
    m_state.planned = true;
}

void Progress::starting(const QString& name)
{
    const std::lock_guard lock(m_mutex);
    m_state.current = name;
}

void Progress::addBytes(qint64 bytes)
{
    const std::lock_guard lock(m_mutex);
    m_state.doneBytes += bytes;
}

void Progress::copied()
{
    const std::lock_guard lock(m_mutex);
    ++m_state.copiedFiles;
}

void Progress::failed(const QString& name, const QString& reason)
{
    const std::lock_guard lock(m_mutex);
    m_state.failures.append({name, reason});
}

void Progress::finish()
{
    const std::lock_guard lock(m_mutex);
    m_state.current.clear();
    m_state.finished = true;
}

// ---- TreeCopy ----------------------------------------------------------------

namespace {

struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QString reasonOf(int errnoValue)
{
    return QString::fromLocal8Bit(std::strerror(errnoValue));
}

QByteArray join(const QByteArray& folder, const QByteArray& relative)
{
    if (relative.isEmpty())
        return folder;
    return folder.endsWith('/') ? folder + relative : folder + '/' + relative;
}

QString displayJoin(const QString& folder, const QByteArray& relative, QChar separator)
{
    if (relative.isEmpty())
        return folder;
    QString out = folder;
    for (const QByteArray& part : relative.split('/')) {
        if (!out.endsWith(separator))
            out += separator;
        out += separator == u'\\' ? platform::FileName::fromBytes(part) : QFile::decodeName(part);
    }
    return out;
}

// Makes every missing folder of an absolute native path.
int makePath(const QByteArray& path)
{
    struct stat st;
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST)
            return errno;
        if (slash < 0)
            return 0;
    }
}

} // namespace

struct TreeCopy::Item
{
    enum class Kind
    {
        Folder,
        File,
        Link
    };
    Kind kind;
    QByteArray relative;
    qint64 size = 0;
    struct timespec atime = {};
    struct timespec mtime = {};
    mode_t mode = 0;
};

TreeCopy::TreeCopy(const Job& job, Progress& progress, std::FILE* log)
    : m_job(job), m_progress(progress), m_log(log)
{
}

QString TreeCopy::sourceName(const QByteArray& relative) const
{
    return displayJoin(m_job.sourceText, relative,
                       m_job.sourceText.startsWith(u'/') ? u'/' : u'\\');
}

QString TreeCopy::targetName(const QByteArray& relative) const
{
    return displayJoin(m_job.targetText, relative,
                       m_job.targetText.startsWith(u'/') ? u'/' : u'\\');
}

void TreeCopy::fail(const QByteArray& relative, int errnoValue)
{
    fail(relative, reasonOf(errnoValue));
}

void TreeCopy::fail(const QByteArray& relative, const QString& reason)
{
    m_failed = true;
    m_progress.failed(sourceName(relative), reason);
}

// Entries of one folder in byte order, folders' contents right after them.
void TreeCopy::plan(int folderFd, dev_t device, const QByteArray& relative, QList<Item>& items)
{
    const int listFd = ::dup(folderFd);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        fail(relative, errno);
        return;
    }
    QList<QByteArray> names;
    errno = 0;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        if (!m_job.switches.hidden && name.startsWith('.'))
            continue;
        names.append(name);
    }
    const int listError = errno;
    ::closedir(dir);
    if (listError != 0)
        fail(relative, listError);
    std::sort(names.begin(), names.end());

    for (const QByteArray& name : names) {
        if (m_progress.cancelled())
            return;
        const QByteArray path = relative.isEmpty() ? name : relative + '/' + name;
        struct stat st;
        if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            fail(path, errno);
            continue;
        }
        Item item{Item::Kind::File, path, st.st_size, st.st_atim, st.st_mtim, st.st_mode};
        if (S_ISDIR(st.st_mode)) {
            if (!m_job.switches.subFolders || st.st_dev != device)
                continue;
            item.kind = Item::Kind::Folder;
            items.append(item);
            Fd sub{::openat(folderFd, name.constData(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
            if (sub.fd < 0)
                fail(path, errno);
            else
                plan(sub.fd, device, path, items);
        } else if (S_ISLNK(st.st_mode)) {
            item.kind = Item::Kind::Link;
            items.append(item);
        } else if (S_ISREG(st.st_mode)) {
            items.append(item);
        } else {
            fail(path, QStringLiteral("nem közönséges fájl, kimarad"));
        }
    }
}

bool TreeCopy::copyItem(const Item& item)
{
    const QByteArray from = join(m_job.source, item.relative);
    const QByteArray to = join(m_job.target, item.relative);
    switch (item.kind) {
    case Item::Kind::Folder: {
        if (::mkdir(to.constData(), (item.mode & 0777) | S_IRWXU) == 0)
            return true;
        const int e = errno;
        struct stat st;
        if (e == EEXIST && ::stat(to.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            return true;
        fail(item.relative, e);
        return false;
    }
    case Item::Kind::Link: {
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(from.constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            fail(item.relative, errno);
            return false;
        }
        target.truncate(n);
        struct stat st;
        if (!m_job.switches.overwrite && ::lstat(to.constData(), &st) == 0) {
            fail(item.relative, EEXIST);
            return false;
        }
        QByteArray temporary;
        for (int attempt = 0;; ++attempt) {
            temporary = retrieval::temporaryName(to);
            if (::symlink(target.constData(), temporary.constData()) == 0)
                break;
            if (errno != EEXIST || attempt == 100) {
                fail(item.relative, errno);
                return false;
            }
        }
        const struct timespec times[2] = {item.atime, item.mtime};
        ::utimensat(AT_FDCWD, temporary.constData(), times, AT_SYMLINK_NOFOLLOW);
        if (::rename(temporary.constData(), to.constData()) != 0) {
            const int e = errno;
            ::unlink(temporary.constData());
            fail(item.relative, e);
            return false;
        }
        return true;
    }
    case Item::Kind::File:
        break;
    }

    const QString name = sourceName(item.relative);
    m_progress.starting(name);
    if (m_log && m_job.switches.fullNames) {
        std::fprintf(m_log, "%s -> %s\n", name.toUtf8().constData(),
                     targetName(item.relative).toUtf8().constData());
        std::fflush(m_log);
    }
    qint64 done = 0;
    retrieval::FileCopyOptions options;
    options.overReadOnly = m_job.switches.overReadOnly;
    options.overwrite = m_job.switches.overwrite;
    options.progress = [&](qint64 bytes) {
        done += bytes;
        m_progress.addBytes(bytes);
        return !m_progress.cancelled();
    };
    const auto failure = retrieval::copyFile(from, to, options);
    // The bar counts a failed file as done, so it still ends full.
    m_progress.addBytes(std::max<qint64>(0, item.size - done));
    if (failure) {
        if (failure->errnoValue == ECANCELED)
            return false;
        fail(item.relative, failure->errnoValue);
        return false;
    }
    m_progress.copied();
    return true;
}

bool TreeCopy::run()
{
    Fd root{::open(m_job.source.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    struct stat st;
    QList<Item> items;
    if (root.fd < 0 || ::fstat(root.fd, &st) != 0) {
        fail({}, errno);
    } else if (const int e = makePath(m_job.target); e != 0) {
        m_failed = true;
        m_progress.failed(m_job.targetText, reasonOf(e));
    } else {
        plan(root.fd, st.st_dev, {}, items);
    }
    qint64 total = 0;
    int files = 0;
    for (const Item& item : items) {
        if (item.kind == Item::Kind::File) {
            total += item.size;
            ++files;
        }
    }
    m_progress.planned(total, files);

    // A folder that could not be made takes its content with it.
    QByteArray skipped;
    bool stopped = m_failed && !m_job.switches.continueOnError;
    QList<const Item*> folders;
    for (const Item& item : items) {
        if (stopped || m_progress.cancelled())
            break;
        if (!skipped.isEmpty() && item.relative.startsWith(skipped))
            continue;
        if (copyItem(item)) {
            if (item.kind == Item::Kind::Folder)
                folders.append(&item);
        } else if (item.kind == Item::Kind::Folder) {
            skipped = item.relative + '/';
        }
        stopped = m_failed && !m_job.switches.continueOnError;
    }
    // Folder times last: copying into a folder changes its time.
    for (auto it = folders.crbegin(); it != folders.crend(); ++it) {
        const struct timespec times[2] = {(*it)->atime, (*it)->mtime};
        ::utimensat(AT_FDCWD, join(m_job.target, (*it)->relative).constData(), times, 0);
    }
    const bool complete = !m_failed && !m_progress.cancelled();
    m_progress.finish();
    return complete;
}

} // namespace athozo
