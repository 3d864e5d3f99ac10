#include "ViewScans.h"

#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"
#include "store/DataSource.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace ViewScans {

int dateColumn(const QStringList& columns)
{
    const int named = int(columns.indexOf(QStringLiteral("datum")));
    return named >= 0 ? named : columns.size() > 4 ? 4 : -1;
}

QString displayText(const QVariant& value, bool isDate)
{
    if (value.isNull())
        return QString();
    return isDate ? Module1::displayDate(value.toString()) : value.toString();
}

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

// Writes whole buffers, reporting the file error's number.
class ListingFile
{
public:
    explicit ListingFile(const QString& path)
        : m_path(QFile::encodeName(path)), m_part(m_path + ".part")
    {
        m_fd = ::open(m_part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_fd < 0)
            platform::throwErrno(path);
    }
    ~ListingFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
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
                platform::throwErrno(QFile::decodeName(m_path));
            p += n;
            left -= n;
        }
        buffer.clear();
    }

    void finish()
    {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 || ::rename(m_part.constData(), m_path.constData()) != 0) {
            const int e = errno;
            ::unlink(m_part.constData());
            errno = e;
            platform::throwErrno(QFile::decodeName(m_path));
        }
    }

private:
    QByteArray m_path;
    QByteArray m_part;
    int m_fd = -1;
};

} // namespace

void writeListing(store::DataSource& view, const QString& path, const QString& catalogPath,
                  const QString& countText, const std::function<void(qint64)>& progress)
{
    ListingFile file(path);
    QByteArray buffer;
    buffer += catalogPath.toUtf8() + "\r\n";
    buffer += countText.toUtf8() + "\r\n";
    buffer += "N\xC3\xA9v:\t\xC3\x9At:\tHossz:\tD\xC3\xA1tum:\r\n\r\n";

    const int columns = view.columnCount();
    const int date = dateColumn(view.columnNames());
    constexpr qsizetype kFlush = 1 << 20;
    QString line;
    view.forEachRow(0, -1, [&](qint64 row, const store::Statement& values) {
        line.clear();
        for (const int c : {0, 1, 2, 4}) {
            if (c < columns)
                line += displayText(values.value(c), c == date);
            line += QLatin1Char('\t');
        }
        line += QStringLiteral("\r\n");
        buffer += line.toUtf8();
        if (buffer.size() >= kFlush)
            file.write(buffer);
        if (progress && (row & 1023) == 0)
            progress(row + 1);
        return true;
    });
    file.write(buffer);
    file.finish();
}

} // namespace ViewScans
