#include "TreeCopy.h"

#include "archives/ArchiveChild.h"
#include "platform/ErrorNumbers.h"
#include "platform/FileNames.h"
#include "retrieval/FileCopy.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
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

void Progress::starting(const QByteArray& relative)
{
    const std::lock_guard lock(m_mutex);
    m_state.current = relative;
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

void Progress::listingFailed()
{
    const std::lock_guard lock(m_mutex);
    m_state.listingFailed = true;
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

// The reasons a user can act on, in the program's language.
QString reasonOf(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return QStringLiteral("nem található");
    case EACCES:
    case EPERM:
        return QStringLiteral("nincs hozzá jogosultság");
    case EEXIST:
        return QStringLiteral("már létezik");
    case EISDIR:
        return QStringLiteral("a célban egy azonos nevű mappa van");
    case ENOTDIR:
        return QStringLiteral("az útvonal egy része nem mappa");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("megtelt a cél");
    case EFBIG:
        return QStringLiteral("túl nagy a célnak");
    case EROFS:
        return QStringLiteral("a cél csak olvasható");
    case EIO:
        return QStringLiteral("olvasási vagy írási hiba (sérült lemez?)");
    case ENAMETOOLONG:
        return QStringLiteral("túl hosszú név");
    default:
        return platform::errnoText(errnoValue);
    }
}

QByteArray below(const QByteArray& folder, const QByteArray& name)
{
    return folder.isEmpty() ? name : folder + '/' + name;
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

int openFolder(int parentFd, const QByteArray& name)
{
    return ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

} // namespace

QString listingProblemText()
{
    return QStringLiteral("A másolt file-ok listáját nem lehet kiírni.");
}

QString displayName(const QString& folder, const QByteArray& relative)
{
    if (relative.isEmpty())
        return folder;
    const bool native = folder.startsWith(u'/');
    const QChar separator = native ? u'/' : u'\\';
    QString out = folder;
    for (const QByteArray& part : relative.split('/')) {
        if (!out.endsWith(separator))
            out += separator;
        out += native ? QFile::decodeName(part) : platform::FileName::fromBytes(part);
    }
    return out;
}

struct TreeCopy::Entry
{
    enum class Kind
    {
        File,
        Link,
        Folder
    };
    Kind kind = Kind::Folder;
    QByteArray name;
    qint64 size = 0;
    struct timespec atime = {};
    struct timespec mtime = {};
    mode_t mode = 0;
    std::vector<Entry> entries; // a folder's: its files and links first, then its folders
};

TreeCopy::TreeCopy(const Job& job, Progress& progress, std::FILE* log)
    : m_job(job), m_progress(progress), m_log(log)
{
}

void TreeCopy::fail(const QByteArray& relative, int errnoValue)
{
    fail(displayName(m_job.sourceText, relative), reasonOf(errnoValue));
}

void TreeCopy::fail(const QString& name, const QString& reason)
{
    m_failed = true;
    m_progress.failed(name, reason);
}

bool TreeCopy::stopped() const
{
    return m_progress.cancelled() || (m_failed && !m_job.switches.continueOnError);
}

void TreeCopy::plan(int folderFd, dev_t device, const QByteArray& relative, Entry& folder)
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

    std::vector<Entry> folders;
    for (const QByteArray& name : names) {
        if (m_progress.cancelled())
            return;
        struct stat st;
        if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            fail(below(relative, name), errno);
            continue;
        }
        Entry e{Entry::Kind::File, name, st.st_size, st.st_atim, st.st_mtim, st.st_mode, {}};
        if (S_ISDIR(st.st_mode)) {
            if (!m_job.switches.subFolders)
                continue;
            // Another file system mounted below is another drive: not
            // entered, but not passed over in silence either.
            const dev_t on = m_deviceOf ? m_deviceOf(below(relative, name), st) : st.st_dev;
            if (on != device) {
                fail(displayName(m_job.sourceText, below(relative, name)),
                     QStringLiteral("másik fájlrendszer csatolási pontja, kimarad"));
                continue;
            }
            e.kind = Entry::Kind::Folder;
            e.size = 0;
            Fd sub{openFolder(folderFd, name)};
            if (sub.fd < 0)
                fail(below(relative, name), errno);
            else
                plan(sub.fd, device, below(relative, name), e);
            folders.push_back(std::move(e));
        } else if (S_ISLNK(st.st_mode)) {
            e.kind = Entry::Kind::Link;
            folder.entries.push_back(std::move(e));
        } else if (S_ISREG(st.st_mode)) {
            folder.entries.push_back(std::move(e));
        } else {
            fail(displayName(m_job.sourceText, below(relative, name)),
                 QStringLiteral("nem közönséges fájl, kimarad"));
        }
    }
    for (Entry& f : folders)
        folder.entries.push_back(std::move(f));
}

bool TreeCopy::copyFile(const Entry& file, int sourceFd, int targetFd, const QByteArray& relative)
{
    const QByteArray path = below(relative, file.name);
    m_progress.starting(path);
    list(path);
    qint64 done = 0;
    retrieval::FileCopyOptions options;
    options.overReadOnly = m_job.switches.overReadOnly;
    options.overwrite = m_job.switches.overwrite;
    options.progress = [&](qint64 bytes) {
        done += bytes;
        m_progress.addBytes(bytes);
        return !m_progress.cancelled();
    };
    const auto failure = retrieval::copyFileAt(sourceFd, file.name, targetFd, file.name, options);
    // The bar counts a failed file as done, so it still ends full.
    m_progress.addBytes(std::max<qint64>(0, file.size - done));
    if (failure) {
        if (failure->errnoValue != ECANCELED)
            fail(path, failure->errnoValue);
        return false;
    }
    m_progress.copied();
    return true;
}

// Line by line on a terminal, else buffered. A listing that cannot be
// written is given up, once; the copy goes on.
void TreeCopy::list(const QByteArray& relative)
{
    if (!m_log || !m_job.switches.fullNames)
        return;
    if (std::fprintf(m_log, "%s -> %s\n",
                     displayName(m_job.sourceText, relative).toUtf8().constData(),
                     displayName(m_job.targetText, relative).toUtf8().constData()) < 0 ||
        std::ferror(m_log)) {
        m_log = nullptr;
        m_progress.listingFailed();
    }
}

void TreeCopy::endListing()
{
    if (m_log && m_job.switches.fullNames && (std::fflush(m_log) != 0 || std::ferror(m_log)))
        m_progress.listingFailed();
    m_log = nullptr;
}

bool TreeCopy::copyLink(const Entry& link, int sourceFd, int targetFd, const QByteArray& relative)
{
    const QByteArray path = below(relative, link.name);
    QByteArray target(PATH_MAX, '\0');
    const ssize_t n =
        ::readlinkat(sourceFd, link.name.constData(), target.data(), size_t(target.size()));
    if (n < 0) {
        fail(path, errno);
        return false;
    }
    target.truncate(n);
    struct stat st;
    if (!m_job.switches.overwrite &&
        ::fstatat(targetFd, link.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        fail(path, EEXIST);
        return false;
    }
    QByteArray temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = retrieval::temporaryName(link.name);
        if (::symlinkat(target.constData(), targetFd, temporary.constData()) == 0)
            break;
        if (errno != EEXIST || attempt == 100) {
            fail(path, errno);
            return false;
        }
    }
    const struct timespec times[2] = {link.atime, link.mtime};
    ::utimensat(targetFd, temporary.constData(), times, AT_SYMLINK_NOFOLLOW);
    if (::renameat(targetFd, temporary.constData(), targetFd, link.name.constData()) != 0) {
        const int e = errno;
        ::unlinkat(targetFd, temporary.constData(), 0);
        fail(path, e);
        return false;
    }
    return true;
}

void TreeCopy::copyFolder(const Entry& folder, int sourceFd, int targetFd,
                          const QByteArray& relative)
{
    for (const Entry& e : folder.entries) {
        if (stopped())
            return;
        if (e.kind == Entry::Kind::File) {
            copyFile(e, sourceFd, targetFd, relative);
        } else if (e.kind == Entry::Kind::Link) {
            copyLink(e, sourceFd, targetFd, relative);
        } else {
            const QByteArray path = below(relative, e.name);
            if (::mkdirat(targetFd, e.name.constData(), (e.mode & 0777) | S_IRWXU) != 0 &&
                errno != EEXIST) {
                fail(path, errno);
                continue;
            }
            // A folder that cannot be opened takes its content with it.
            Fd from{openFolder(sourceFd, e.name)};
            Fd to{openFolder(targetFd, e.name)};
            if (from.fd < 0 || to.fd < 0) {
                fail(path, errno);
                continue;
            }
            copyFolder(e, from.fd, to.fd, path);
            // Last: copying into a folder changes its time.
            const struct timespec times[2] = {e.atime, e.mtime};
            ::futimens(to.fd, times);
        }
    }
}

// The members below the job's member folder, unpacked by the archive
// program straight into the target: it writes each under a temporary name,
// with its time, and never outside the target.
bool TreeCopy::runArchive()
{
    if (const int e = makePath(m_job.target); e != 0) {
        fail(m_job.targetText, reasonOf(e));
    } else {
        m_progress.planned(0, 0);
        const auto toRelative = [](const QString& member) {
            return member.toUtf8().replace('\\', '/');
        };
        const archives::ExtractResult r = archives::extractTreeInChild(
            m_job.archiveChild, m_job.archive, m_job.member, m_job.target,
            [&](const QString& member) {
                m_progress.starting(toRelative(member));
                list(toRelative(member));
                m_progress.copied();
            });
        for (const archives::ExtractFailure& f : r.failures)
            fail(f.member.isEmpty() ? m_job.sourceText
                                    : m_job.sourceText + u'\\' + f.member,
                 reasonOf(f.errnoValue));
    }
    endListing();
    const bool complete = !m_failed && !m_progress.cancelled();
    m_progress.finish();
    return complete;
}

bool TreeCopy::run()
{
    if (!m_job.archive.isEmpty())
        return runArchive();
    Entry root;
    Fd source{::open(m_job.source.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    Fd target;
    struct stat st;
    if (source.fd < 0 || ::fstat(source.fd, &st) != 0) {
        fail(QByteArray(), errno);
    } else if (const int e = makePath(m_job.target); e != 0) {
        fail(m_job.targetText, reasonOf(e));
    } else if (target.fd = ::open(m_job.target.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
               target.fd < 0) {
        fail(m_job.targetText, reasonOf(errno));
    } else {
        plan(source.fd, st.st_dev, {}, root);
    }

    qint64 total = 0;
    int files = 0;
    const std::function<void(const Entry&)> count = [&](const Entry& folder) {
        for (const Entry& e : folder.entries) {
            if (e.kind == Entry::Kind::File) {
                total += e.size;
                ++files;
            } else if (e.kind == Entry::Kind::Folder) {
                count(e);
            }
        }
    };
    count(root);
    m_progress.planned(total, files);
    if (target.fd >= 0)
        copyFolder(root, source.fd, target.fd, {});
    endListing();
    const bool complete = !m_failed && !m_progress.cancelled();
    m_progress.finish();
    return complete;
}

BackgroundCopy::BackgroundCopy(Job job, std::FILE* log) : m_job(std::move(job)), m_log(log) {}

BackgroundCopy::~BackgroundCopy()
{
    stop();
}

void BackgroundCopy::start()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] {
        TreeCopy(m_job, m_progress, m_log).run();
        std::function<void()> done;
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
            done = m_done;
        }
        if (done)
            done();
    });
}

void BackgroundCopy::stop()
{
    m_progress.cancel();
    wait();
}

void BackgroundCopy::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundCopy::whenFinished(std::function<void()> done)
{
    std::unique_lock lock(m_mutex);
    m_done = done;
    if (m_finished) {
        lock.unlock();
        done();
    }
}

} // namespace athozo
