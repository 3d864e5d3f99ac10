#include "JetChild.h"

#include "platform/ErrorNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace jetimport::child {

namespace {

constexpr const char* kTables[] = {"kulcs", "kulcsut", "ut", "prgnev", "ut_kulcsid", "nev_kulcsid"};
constexpr int kLastRefusal = int(Refusal::Unreadable);
constexpr qsizetype kLongestLine = 1 << 16;

QByteArray encoded(const QString& text)
{
    return text.toUtf8().toPercentEncoding();
}

void writeLine(int out, QByteArray line)
{
    line += '\n';
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t w = ::write(out, line.constData() + done, std::size_t(line.size() - done));
        if (w < 0 && errno == EINTR)
            continue;
        // Nobody reads the report any more: stop converting.
        if (w <= 0)
            throw std::runtime_error("report not read");
        done += w;
    }
}

bool number(const QByteArray& text, qint64& value, qint64 low, qint64 high)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= low && value <= high && !text.startsWith('+');
}

} // namespace

int run(const QString& jetPath, const QString& templateFile, const QString& target, int out)
{
    // A parent gone away shows as a failed write, not as death by signal.
    ::signal(SIGPIPE, SIG_IGN);
    const auto failure = [&](int n, const QString& detail) {
        try {
            writeLine(out, "error " + QByteArray::number(n) + ' ' + encoded(detail));
            return 0;
        } catch (const std::exception&) {
            return 1;
        }
    };
    try {
        const ImportResult r = convertJetCatalog(
            jetPath, templateFile, target,
            [out](int percent) { writeLine(out, "progress " + QByteArray::number(percent)); },
            [out](const QString& temp) { writeLine(out, "temp " + encoded(temp)); });
        for (const LeftOut& l : r.leftOut)
            writeLine(out, "leftout " + l.table.toLatin1() + ' ' +
                               QByteArray::number(int(l.reason)) + ' ' +
                               QByteArray::number(l.rows));
        writeLine(out, "done " + QByteArray::number(int(r.version)) + ' ' +
                           QByteArray::number(r.rowsRead) + ' ' +
                           QByteArray::number(r.rowsWritten));
        return 0;
    } catch (const platform::Error& e) {
        return failure(e.number(), e.detail());
    } catch (const std::exception&) {
        return failure(platform::err::NotADatabase, damagedMessage());
    }
}

int mainFor(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], kOption) != 0)
        return -1;
    if (argc != 5)
        return 2;
    return run(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]), QFile::decodeName(argv[4]));
}

bool ReportReader::feed(const QByteArray& bytes)
{
    if (m_report.garbage)
        return false;
    m_pending += bytes;
    for (qsizetype end; !m_report.garbage && (end = m_pending.indexOf('\n')) >= 0;) {
        line(m_pending.left(end));
        m_pending.remove(0, end + 1);
    }
    if (m_pending.size() > kLongestLine)
        m_report.garbage = true;
    return !m_report.garbage;
}

bool ReportReader::complete() const
{
    return m_ended && !m_report.garbage && m_pending.isEmpty();
}

void ReportReader::line(const QByteArray& text)
{
    const QList<QByteArray> words = text.split(' ');
    const QByteArray& kind = words.front();
    qint64 a = 0, b = 0, c = 0;
    bool ok = false;
    if (m_ended) {
        ok = false;
    } else if (kind == "progress" && words.size() == 2) {
        ok = number(words[1], a, 0, 100);
        m_report.percent = int(a);
    } else if (kind == "temp" && words.size() == 2 && m_report.temporary.isEmpty()) {
        // Only a name the conversion itself makes is ever removed.
        const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(words[1]));
        const QString prefix = m_target + QStringLiteral(".atalakitas-");
        ok = name.startsWith(prefix) && name.size() == prefix.size() + 6 &&
             !name.mid(prefix.size()).contains(QLatin1Char('/'));
        if (ok)
            m_report.temporary = name;
    } else if (kind == "leftout" && words.size() == 4) {
        ok = std::any_of(std::begin(kTables), std::end(kTables),
                         [&](const char* t) { return words[1] == t; }) &&
             number(words[2], b, 0, kLastRefusal) && number(words[3], c, 1, INT64_MAX);
        if (ok)
            m_report.result.leftOut.push_back({QString::fromLatin1(words[1]), Refusal(b), c});
    } else if (kind == "done" && words.size() == 4) {
        ok = number(words[1], a, int(JetVersion::Jet3), int(JetVersion::Jet4)) &&
             number(words[2], b, 0, INT64_MAX) && number(words[3], c, 0, b);
        m_report.result.version = JetVersion(a);
        m_report.result.rowsRead = b;
        m_report.result.rowsWritten = c;
        m_report.done = m_ended = ok;
    } else if (kind == "error" && words.size() == 3) {
        ok = number(words[1], a, 1, INT32_MAX);
        m_report.errorNumber = int(a);
        m_report.detail = QString::fromUtf8(QByteArray::fromPercentEncoding(words[2]));
        m_ended = ok;
    }
    if (!ok)
        m_report.garbage = true;
}

} // namespace jetimport::child
