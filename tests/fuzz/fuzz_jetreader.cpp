#include "jetimport/JetFile.h"
#include "jetimport/JetReader.h"

#include <QString>
#include <cstdint>
#include <exception>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

// Any bytes as a Jet file, read the way the conversion reads one: the page
// checks first, then through the library only the tables they found sound,
// every cell of every row up to what a file this long can hold.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = ::memfd_create("jet", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size && ::write(fd, data, size) != ssize_t(size)) {
        ::close(fd);
        return 0;
    }
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    try {
        jetimport::JetPages pages(path);
        if (pages.readable() && pages.version() != jetimport::JetVersion::None &&
            pages.wholePages() && pages.pageCount() >= 3 && pages.tableIsSound(2)) {
            jetimport::JetDatabase jet(path);
            for (const QString& name : jet.tableNames()) {
                const std::uint32_t page = jet.tablePage(name);
                if (page == 0 || !pages.tableIsSound(page))
                    continue;
                pages.nextAutoNumber(page);
                std::unique_ptr<jetimport::JetTable> table = jet.openTable(name);
                if (!table || table->rowCount() < 0 || table->rowCount() > pages.rowCapacity())
                    continue;
                std::int64_t rows = 0;
                while (rows++ <= pages.rowCapacity() && table->next())
                    for (int c = 0; c < 8; ++c) {
                        const jetimport::Cell cell = table->cell(c);
                        if (cell.kind == jetimport::Cell::Kind::Text && cell.bytes > 0)
                            (void)QString::fromUtf8(cell.text, cell.bytes);
                    }
            }
        }
    } catch (const std::exception&) {
        // Refused as damaged, as the conversion refuses it.
    }
    ::close(fd);
    return 0;
}
