#include "ViewScans.h"

#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"
#include "store/CellFormat.h"
#include "store/Csv.h"
#include "store/DataSource.h"

#include <QFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ViewScans {

qint64 lengthTotal(store::DataSource& view, const QList<qint64>& positions,
                   const std::function<void(int)>& progress)
{
    if (positions.isEmpty())
        return 0;
    QList<qint64> sorted = positions;
    std::sort(sorted.begin(), sorted.end());
    qint64 total = 0;
    int done = 0;
    auto next = sorted.cbegin();
    view.forEachRow(sorted.first(), sorted.last() - sorted.first() + 1,
                    [&](qint64 row, const store::Statement& values) {
                        while (next != sorted.cend() && *next == row) {
                            bool number = false;
                            const qint64 length = values.value(2).toString().toLongLong(&number);
                            if (number)
                                total += length;
                            ++next;
                            if (progress)
                                progress(++done);
                        }
                        return next != sorted.cend();
                    });
    return total;
}

QHash<qint64, QString> rowTexts(store::DataSource& view, const QList<qint64>& positions,
                                const std::function<void(int)>& progress)
{
    QHash<qint64, QString> texts;
    if (positions.isEmpty())
        return texts;
    QList<qint64> sorted = positions;
    std::sort(sorted.begin(), sorted.end());
    const QSet<qint64> wanted(sorted.cbegin(), sorted.cend());
    const int columns = view.columnCount();
    const int date = store::dateColumn(view.columnNames());
    view.forEachRow(sorted.first(), sorted.last() - sorted.first() + 1,
                    [&](qint64 row, const store::Statement& values) {
                        if (wanted.contains(row)) {
                            QString text;
                            for (const int c : {0, 1, 2, 4}) {
                                if (c < columns)
                                    text += store::displayText(values.value(c), c == date);
                                text += QLatin1Char('\t');
                            }
                            texts.insert(row, text);
                            if (progress)
                                progress(int(texts.size()));
                        }
                        return texts.size() < wanted.size();
                    });
    return texts;
}

qint64 typeAhead(store::DataSource& view, qint64 current, QChar c)
{
    const QChar wanted = c.toCaseFolded();
    qint64 found = -1;
    auto test = [&](qint64 row, const store::Statement& values) {
        const QString name = values.value(0).toString();
        if (!name.isEmpty() && name.at(0).toCaseFolded() == wanted) {
            found = row;
            return false;
        }
        return true;
    };
    view.forEachRow(current + 1, -1, test);
    if (found < 0)
        view.forEachRow(0, current + 1, test);
    return found;
}

namespace {

// Writes the listing beside its target and renames it over it at the end, so
// a failure leaves an old file as it was; errors carry the file error's number.
class ListingFile
{
public:
    explicit ListingFile(const QString& path) : m_name(path)
    {
        // Through a link to the file it names; an existing file keeps its mode.
        m_path = QFile::encodeName(path);
        char resolved[PATH_MAX];
        if (::realpath(m_path.constData(), resolved))
            m_path = resolved;
        struct stat st {};
        const bool exists = ::stat(m_path.constData(), &st) == 0;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~mask);

        m_part = m_path + ".XXXXXX";
        m_fd = ::mkostemp(m_part.data(), O_CLOEXEC);
        if (m_fd >= 0) {
            ::fchmod(m_fd, mode);
            return;
        }
        // A folder that takes no new files may still let the file be rewritten.
        if (errno == EACCES && exists) {
            m_fd = ::open(m_path.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            m_direct = m_fd >= 0;
        }
        if (m_fd < 0)
            platform::throwErrno(path);
    }
    ~ListingFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            if (!m_direct)
                ::unlink(m_part.constData());
        }
    }
    ListingFile(const ListingFile&) = delete;
    ListingFile& operator=(const ListingFile&) = delete;

    void write(QByteArray& buffer)
    {
        const char* p = buffer.constData();
        qsizetype left = buffer.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                platform::throwErrno(m_name);
            p += n;
            left -= n;
        }
        buffer.clear();
    }

    void finish()
    {
        if (::fsync(m_fd) != 0)
            platform::throwErrno(m_name);
        const int fd = std::exchange(m_fd, -1);
        const bool closed = ::close(fd) == 0;
        if (!closed || (!m_direct && ::rename(m_part.constData(), m_path.constData()) != 0)) {
            const int e = errno;
            if (!m_direct)
                ::unlink(m_part.constData());
            errno = e;
            platform::throwErrno(m_name);
        }
    }

private:
    QString m_name;
    QByteArray m_path;
    QByteArray m_part;
    int m_fd = -1;
    bool m_direct = false;
};

// Calls 'row' with each row's columns 0, 1, 2 and 4 as the grid shows them
// (no rows when the view's catalog is not open).
void forEachShownRow(store::DataSource& view,
                     const std::function<void(qint64 row, const QString (&cells)[4])>& row)
{
    const int columns = view.columnCount();
    const int date = store::dateColumn(view.columnNames());
    QString cells[4];
    try {
        view.forEachRow(0, -1, [&](qint64 at, const store::Statement& values) {
            int i = 0;
            for (const int c : {0, 1, 2, 4})
                cells[i++] =
                    c < columns ? store::displayText(values.value(c), c == date) : QString();
            row(at, cells);
            return true;
        });
    } catch (const platform::Error& e) {
        if (e.number() != platform::err::ObjectNotSet)
            throw;
    }
}

constexpr qsizetype kFlush = 1 << 20;

} // namespace

void writeListing(store::DataSource& view, const QString& path, const QString& catalogPath,
                  const QString& countText, const std::function<void(qint64)>& progress)
{
    ListingFile file(path);
    QByteArray buffer;
    buffer += catalogPath.toUtf8() + "\r\n";
    buffer += countText.toUtf8() + "\r\n";
    buffer += "N\xC3\xA9v:\t\xC3\x9At:\tHossz:\tD\xC3\xA1tum:\r\n\r\n";

    QString line;
    forEachShownRow(view, [&](qint64 row, const QString(&cells)[4]) {
        line.clear();
        for (const QString& cell : cells)
            line += cell + QLatin1Char('\t');
        line += QStringLiteral("\r\n");
        buffer += line.toUtf8();
        if (buffer.size() >= kFlush)
            file.write(buffer);
        if (progress && (row & 1023) == 0)
            progress(row + 1);
    });
    file.write(buffer);
    file.finish();
}

void writeCsv(store::DataSource& view, const QString& path,
              const std::function<void(qint64)>& progress)
{
    ListingFile file(path);
    QByteArray buffer = "\xEF\xBB\xBF" + store::csvRecord(store::csvListingHeader()).toUtf8();
    QString line;
    forEachShownRow(view, [&](qint64 row, const QString(&cells)[4]) {
        line.clear();
        store::appendCsvRecord(line, {cells[0], cells[1], cells[2], cells[3]});
        buffer += line.toUtf8();
        if (buffer.size() >= kFlush)
            file.write(buffer);
        if (progress && (row & 1023) == 0)
            progress(row + 1);
    });
    file.write(buffer);
    file.finish();
}

} // namespace ViewScans
