#include "JetFile.h"

#include "platform/ErrorNumbers.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace jetimport {

namespace {

constexpr char kSignature[] = "Standard Jet DB";
constexpr int kVersionAt = 0x14;

// Where the table definition keeps what is checked here.
struct Offsets
{
    int rowCountOnDataPage;
    int columnCount;
    int realIndexCount;
    int usedPagesMap;
    int freePagesMap;
    int autoNumber;
    int columnsStart;
    int realIndexEntry;
    int columnEntry;
};

constexpr Offsets kJet3{8, 25, 31, 35, 39, 16, 43, 8, 18};
constexpr Offsets kJet4{12, 45, 51, 55, 59, 20, 63, 12, 25};

std::uint32_t get16(const std::vector<unsigned char>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8;
}

std::uint32_t get32(const std::vector<unsigned char>& b, std::size_t at)
{
    return get16(b, at) | get16(b, at + 2) << 16;
}

JetVersion versionFromHeader(const unsigned char* h)
{
    if (h[0] != 0x00 || std::memcmp(h + 4, kSignature, sizeof kSignature - 1) != 0)
        return JetVersion::None;
    switch (h[kVersionAt]) {
    case 0x00:
        return JetVersion::Jet3;
    case 0x01:
        return JetVersion::Jet4;
    default: // 2 and above are the later ACE formats
        return JetVersion::None;
    }
}

bool readFully(int fd, unsigned char* into, std::size_t size, off_t at)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, into + done, size - done, at + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

// Opens a regular file for reading without waiting: a FIFO or a device
// named like a catalog would block an ordinary open. -1 with errno set
// otherwise (EINVAL for what is no regular file).
int openRegular(const QString& path, struct stat& st)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        const int e = statted ? EINVAL : errno;
        ::close(fd);
        errno = e;
        return -1;
    }
    // Reads of a regular file never wait; the flag is dropped all the same.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

JetVersion jetVersionOf(const QString& path)
{
    struct stat st
    {
    };
    const int fd = openRegular(path, st);
    if (fd < 0)
        return JetVersion::None;
    unsigned char header[kVersionAt + 4] = {};
    const bool read = readFully(fd, header, sizeof header, 0);
    ::close(fd);
    return read ? versionFromHeader(header) : JetVersion::None;
}

JetPages::JetPages(const QString& path)
{
    struct stat st
    {
    };
    m_fd = openRegular(path, st);
    if (m_fd < 0) {
        if (errno == EINVAL)
            throw platform::Error(platform::err::PathFileAccess, path);
        platform::throwErrno(path);
    }
    unsigned char header[kVersionAt + 4] = {};
    // Shorter than the header: there is no catalog to read, whatever errno says.
    m_readable = readFully(m_fd, header, sizeof header, 0);
    if (!m_readable)
        return;
    m_version = versionFromHeader(header);
    m_pageSize = m_version == JetVersion::Jet3 ? 2048 : 4096;
    m_pageCount = std::int64_t(st.st_size) / m_pageSize;
    m_wholePages = st.st_size % m_pageSize == 0;
}

std::int64_t JetPages::rowCapacity() const
{
    // Each row takes at least its two-byte entry in the row table of a data page.
    return m_pageCount * (m_pageSize / 2);
}

JetPages::~JetPages()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool JetPages::read(std::uint32_t page, std::vector<unsigned char>& buffer)
{
    if (std::int64_t(page) >= m_pageCount)
        return false;
    buffer.resize(std::size_t(m_pageSize));
    return readFully(m_fd, buffer.data(), buffer.size(), off_t(page) * m_pageSize);
}

// A row of a data page named as page << 8 | row, as the table definition names
// its page maps.
bool JetPages::mapRow(std::uint32_t pageRow, std::vector<unsigned char>& row)
{
    const Offsets& o = m_version == JetVersion::Jet3 ? kJet3 : kJet4;
    std::vector<unsigned char> page;
    if (!read(pageRow >> 8, page) || page[0] != 0x01)
        return false;
    const std::uint32_t index = pageRow & 0xff;
    const std::uint32_t rows = get16(page, std::size_t(o.rowCountOnDataPage));
    const std::uint32_t tableEnd = std::uint32_t(o.rowCountOnDataPage) + 2 + 2 * rows;
    if (index >= rows || tableEnd > std::uint32_t(m_pageSize))
        return false;
    const std::uint32_t start =
        get16(page, std::size_t(o.rowCountOnDataPage) + 2 + 2 * index) & 0x1fff;
    const std::uint32_t end =
        index == 0 ? std::uint32_t(m_pageSize)
                   : get16(page, std::size_t(o.rowCountOnDataPage) + 2 * index) & 0x1fff;
    if (start < tableEnd || start >= end || end > std::uint32_t(m_pageSize))
        return false;
    row.assign(page.begin() + start, page.begin() + end);
    return true;
}

// Every page the map names lies in the file. A map holds its bitmap itself
// from a start page (type 0), or points to bitmap pages (type 1).
bool JetPages::mapPagesSound(const std::vector<unsigned char>& map)
{
    if (map.empty())
        return false;
    if (map[0] == 0x00) {
        if (map.size() < 5)
            return false;
        const std::int64_t first = get32(map, 1);
        for (std::size_t i = 0; i < (map.size() - 5) * 8; ++i)
            if (map[5 + i / 8] & (1u << (i % 8)) && first + std::int64_t(i) >= m_pageCount)
                return false;
        return true;
    }
    if (map[0] == 0x01) {
        const std::int64_t perBitmap = std::int64_t(m_pageSize - 4) * 8;
        std::vector<unsigned char> bitmap;
        for (std::size_t k = 0; k < (map.size() - 1) / 4; ++k) {
            const std::uint32_t at = get32(map, 1 + 4 * k);
            if (at == 0)
                continue;
            if (!read(at, bitmap) || bitmap[0] != 0x05)
                return false;
            for (std::int64_t j = 0; j < perBitmap; ++j)
                if (bitmap[std::size_t(4 + j / 8)] & (1u << (j % 8)) &&
                    std::int64_t(k) * perBitmap + j >= m_pageCount)
                    return false;
        }
        return true;
    }
    // Other kinds are read page by page up to the end of the file.
    return true;
}

bool JetPages::tableIsSound(std::uint32_t page)
{
    const Offsets& o = m_version == JetVersion::Jet3 ? kJet3 : kJet4;
    std::vector<unsigned char> first;
    std::vector<unsigned char> buffer;
    if (!read(page, first) || first[0] != 0x02)
        return false;
    // The definition may go on over further pages.
    std::set<std::uint32_t> seen{page};
    for (std::uint32_t next = get32(first, 4); next != 0; next = get32(buffer, 4)) {
        if (!seen.insert(next).second || !read(next, buffer) || buffer[0] != 0x02)
            return false;
    }
    const std::int64_t columns = get16(first, std::size_t(o.columnCount));
    const std::int64_t realIndexes = get32(first, std::size_t(o.realIndexCount));
    if (columns < 1 || columns > 255 || realIndexes > 1000)
        return false;
    const std::int64_t needed =
        o.columnsStart + realIndexes * o.realIndexEntry + columns * o.columnEntry;
    const std::int64_t room = m_pageSize + std::int64_t(seen.size() - 1) * (m_pageSize - 8);
    if (needed > room)
        return false;
    std::vector<unsigned char> used;
    std::vector<unsigned char> free;
    return mapRow(get32(first, std::size_t(o.usedPagesMap)), used) &&
           mapRow(get32(first, std::size_t(o.freePagesMap)), free) && mapPagesSound(used);
}

std::int64_t JetPages::nextAutoNumber(std::uint32_t page)
{
    const Offsets& o = m_version == JetVersion::Jet3 ? kJet3 : kJet4;
    std::vector<unsigned char> buffer;
    if (!read(page, buffer))
        return 0;
    return std::int32_t(get32(buffer, std::size_t(o.autoNumber)));
}

} // namespace jetimport
