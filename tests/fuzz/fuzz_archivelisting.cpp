#include "archives/ArchiveReader.h"
#include "archives/MemberPaths.h"

#include <sys/mman.h>
#include <unistd.h>

// The listing and the rows made of it, on any bytes, through a file as the
// child reads one.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = ::memfd_create("fuzz", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size && ::write(fd, data, size) != ssize_t(size)) {
        ::close(fd);
        return 0;
    }
    archives::ListOptions options;
    options.limits.members = 10000;
    options.limits.bytes = qint64(64) << 20;
    options.crc = size % 2;
    const archives::Listing l = archives::listArchive(fd, options);
    archives::memberFolders(QStringLiteral("E:\\A.ZIP"), l, 0);
    ::close(fd);
    return 0;
}
