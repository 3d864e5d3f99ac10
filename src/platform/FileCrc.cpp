#include "FileCrc.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace platform {

namespace {

// Large enough that the system call costs nothing beside the checksum.
constexpr std::size_t kReadBytes = std::size_t(1) << 20;

struct Fd
{
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

FileCrc fileCrc(int folderFd, const QByteArray& name, const std::atomic<bool>* stop,
                std::atomic<qint64>* bytesRead)
{
    FileCrc result;
    const Fd file{::openat(folderFd, name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) {
        result.errnoValue = errno;
        if (errno == ENOENT)
            result.state = FileCrc::State::Vanished;
        return result;
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.errnoValue = errno ? errno : EINVAL;
        return result;
    }
    // Read ahead of the checksum; the pages are not needed afterwards.
    ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    thread_local std::unique_ptr<unsigned char[]> buffer(new unsigned char[kReadBytes]);
    uLong crc = crc32(0L, Z_NULL, 0);
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            result.state = FileCrc::State::Stopped;
            return result;
        }
        const ssize_t n = ::read(file.fd, buffer.get(), kReadBytes);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.errnoValue = errno;
            result.crc = std::uint32_t(crc);
            return result;
        }
        if (n == 0)
            break;
        crc = crc32(crc, buffer.get(), uInt(n));
        result.bytes += n;
        if (bytesRead)
            bytesRead->fetch_add(n, std::memory_order_relaxed);
    }
    result.state = FileCrc::State::Read;
    result.crc = std::uint32_t(crc);
    return result;
}

QString crcText(std::uint32_t crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace platform
