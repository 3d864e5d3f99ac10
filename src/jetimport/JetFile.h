#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace jetimport {

enum class JetVersion
{
    None,
    Jet3,
    Jet4
};

// The engine's signature on the first page: Jet 3 (Access 97 and before) or
// Jet 4 (Access 2000 to 2003). None for anything else, also for a file that
// cannot be read or is no regular file (never waiting on a FIFO).
JetVersion jetVersionOf(const QString& path);

inline bool isJetFile(const QString& path)
{
    return jetVersionOf(path) != JetVersion::None;
}

// Reads pages of a Jet file, read-only, and checks the parts of a table that
// the reading library follows without checking them itself: a truncated or
// damaged file must be refused before the library reads past its end.
class JetPages
{
public:
    explicit JetPages(const QString& path); // throws platform::Error
    ~JetPages();
    JetPages(const JetPages&) = delete;
    JetPages& operator=(const JetPages&) = delete;

    // False when the file is too short to hold the header.
    bool readable() const { return m_readable; }
    JetVersion version() const { return m_version; }
    int pageSize() const { return m_pageSize; }
    std::int64_t pageCount() const { return m_pageCount; }
    // False when the file's length is not a whole number of pages.
    bool wholePages() const { return m_wholePages; }
    // More rows than any table of a file this long can hold.
    std::int64_t rowCapacity() const;

    // The table whose definition starts on 'page' can be read in full: its
    // definition pages, its two page maps and every page they name lie in the
    // file and are of the right kind.
    bool tableIsSound(std::uint32_t page);
    // The next automatic number the table's definition holds (0 when none).
    std::int64_t nextAutoNumber(std::uint32_t page);

private:
    bool read(std::uint32_t page, std::vector<unsigned char>& buffer);
    bool mapRow(std::uint32_t pageRow, std::vector<unsigned char>& row);
    bool mapPagesSound(const std::vector<unsigned char>& map);

    int m_fd = -1;
    JetVersion m_version = JetVersion::None;
    int m_pageSize = 0;
    std::int64_t m_pageCount = 0;
    bool m_wholePages = false;
    bool m_readable = false;
};

} // namespace jetimport
