#include "FileCopy.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace retrieval {

namespace {

using platform::CopyStep;

// Large enough for full speed, small enough for a live progress bar.
constexpr size_t kRangeChunk = size_t(8) << 20;
constexpr size_t kBufferSize = size_t(1) << 20;

struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

bool isTargetSide(int e)
{
    return e == ENOSPC || e == EDQUOT || e == EFBIG || e == EROFS;
}

// The kernel copies within itself where it can; some file systems and pairs
// of them cannot, and the copy goes on through a buffer.
bool rangeUnsupported(int e)
{
    return e == EXDEV || e == ENOSYS || e == EINVAL || e == EOPNOTSUPP;
}

std::optional<CopyFailure> copyData(int in, int out, qint64 size, const FileCopyOptions& options)
{
    const auto tell = [&](qint64 n) { return !options.progress || options.progress(n); };
    qint64 done = 0;
    bool range = size > 0; // empty-looking files (/proc and the like) are read to their end
    while (range) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kRangeChunk, 0);
        if (n > 0) {
            done += n;
            if (!tell(n))
                return CopyFailure{CopyStep::Target, ECANCELED};
            if (done == size) // the length it had when opened: no call to learn of the end
                return std::nullopt;
        } else if (n == 0) {
            if (done >= size)
                return std::nullopt;
            range = false; // some file systems answer 0 early: read the rest
        } else if (errno == EINTR) {
            continue;
        } else if (rangeUnsupported(errno)) {
            range = false;
        } else {
            const int e = errno;
            return CopyFailure{isTargetSide(e) ? CopyStep::Target : CopyStep::Source, e};
        }
    }
    thread_local std::vector<char> buffer(kBufferSize);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return std::nullopt;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return CopyFailure{CopyStep::Source, errno};
        }
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(out, buffer.data() + written, size_t(n - written));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return CopyFailure{CopyStep::Target, errno};
            }
            written += w;
        }
        if (!tell(n))
            return CopyFailure{CopyStep::Target, ECANCELED};
    }
}

} // namespace

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

namespace {

// Cleared for good once a file without a name could not be given one (no
// /proc to name it through); copies then go under temporary names.
std::atomic<bool> g_unnamedFiles = true;

// Set when a copy must be made again under a temporary name.
constexpr int kCannotName = -1;

// 0 when the target may be written (or replaced), else why not.
int refusal(int folder, const QByteArray& target, const FileCopyOptions& options)
{
    struct stat existing;
    if (::fstatat(folder, target.constData(), &existing, 0) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(existing.st_mode))
        return EISDIR;
    if (!options.overwrite)
        return EEXIST;
    if (!options.overReadOnly && ::faccessat(folder, target.constData(), W_OK, AT_EACCESS) != 0)
        return errno;
    return 0;
}

std::optional<CopyFailure> copyOnce(int sourceFolder, const QByteArray& source, int targetFolder,
                                    const QByteArray& target, const FileCopyOptions& options,
                                    bool unnamed)
{
    Fd in{::openat(sourceFolder, source.constData(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0)
        return CopyFailure{CopyStep::Source, errno};
    struct stat from;
    if (::fstat(in.fd, &from) != 0)
        return CopyFailure{CopyStep::Source, errno};
    if (S_ISDIR(from.st_mode))
        return CopyFailure{CopyStep::Source, EISDIR};

    // Unnamed until complete where the file system allows (not FAT, not NFS):
    // a crash leaves nothing behind, a new file costs one change of its
    // folder, and an existing target is looked at only when the name is taken.
    const mode_t mode = (from.st_mode & 0777) | S_IWUSR;
    Fd out;
    if (unnamed)
        out.fd = ::openat(targetFolder, folderOf(target).constData(),
                          O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    const bool withoutName = out.fd >= 0;
    QByteArray temporary;
    if (!withoutName) {
        if (const int e = refusal(targetFolder, target, options))
            return CopyFailure{CopyStep::Target, e};
        for (int attempt = 0; out.fd < 0 && attempt < 100; ++attempt) {
            temporary = temporaryName(target);
            out.fd = ::openat(targetFolder, temporary.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (out.fd < 0 && errno != EEXIST)
                break;
        }
        if (out.fd < 0)
            return CopyFailure{CopyStep::Target, errno};
    }
    std::optional<CopyFailure> failure = copyData(in.fd, out.fd, from.st_size, options);
    if (!failure) {
        const struct timespec times[2] = {from.st_atim, from.st_mtim};
        if (::futimens(out.fd, times) != 0)
            failure = CopyFailure{CopyStep::Target, errno};
    }
    bool named = false;
    if (!failure && withoutName) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.fd);
        const auto link = [&](const QByteArray& name) {
            return ::linkat(AT_FDCWD, self.constData(), targetFolder, name.constData(),
                            AT_SYMLINK_FOLLOW) == 0;
        };
        if (link(target)) {
            named = true;
        } else if (errno != EEXIST) {
            failure = CopyFailure{CopyStep::Target, errno};
            if (errno == ENOENT && ::faccessat(AT_FDCWD, "/proc/self/fd", X_OK, 0) != 0)
                failure = CopyFailure{CopyStep::Target, kCannotName};
        } else if (const int e = refusal(targetFolder, target, options)) {
            failure = CopyFailure{CopyStep::Target, e};
        } else {
            // The old file stays until the new one replaces it in one step.
            for (int attempt = 0; !failure && !link(temporary = temporaryName(target)); ++attempt) {
                if (errno != EEXIST || attempt == 100) {
                    failure = CopyFailure{CopyStep::Target, errno};
                    temporary.clear();
                }
            }
        }
    }
    if (::close(out.release()) != 0 && !failure) {
        failure = CopyFailure{CopyStep::Target, errno};
        if (named)
            ::unlinkat(targetFolder, target.constData(), 0);
    }
    if (!failure && !temporary.isEmpty() &&
        ::renameat(targetFolder, temporary.constData(), targetFolder, target.constData()) != 0)
        failure = CopyFailure{CopyStep::Target, errno};
    if (failure && !temporary.isEmpty())
        ::unlinkat(targetFolder, temporary.constData(), 0);
    return failure;
}

} // namespace

QByteArray temporaryName(const QByteArray& target)
{
    return folderOf(target) + "/.polcozo-" +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
}

std::optional<CopyFailure> copyFileAt(int sourceFolder, const QByteArray& source, int targetFolder,
                                      const QByteArray& target, const FileCopyOptions& options)
{
    if (g_unnamedFiles) {
        const auto failure = copyOnce(sourceFolder, source, targetFolder, target, options, true);
        if (!failure || failure->errnoValue != kCannotName)
            return failure;
        g_unnamedFiles = false;
    }
    return copyOnce(sourceFolder, source, targetFolder, target, options, false);
}

std::optional<CopyFailure> copyFile(const QByteArray& source, const QByteArray& target,
                                    const FileCopyOptions& options)
{
    return copyFileAt(AT_FDCWD, source, AT_FDCWD, target, options);
}

} // namespace retrieval
