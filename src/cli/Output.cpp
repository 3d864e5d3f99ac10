#include "Output.h"

#include "store/CellFormat.h"
#include "store/Csv.h"

#include <QDate>
#include <QTime>

namespace cli {

namespace {

// A folder row holds "----" where a file has its length and date.
bool isNumber(const QVariant& v)
{
    const int type = v.typeId();
    return type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::Double;
}

QString jsonValue(const QVariant& v, bool number)
{
    if (v.isNull() || !v.isValid())
        return QStringLiteral("null");
    if (number)
        return isNumber(v) ? v.toString() : QStringLiteral("null");
    const QString text = v.toString();
    return text == QLatin1String("----") ? QStringLiteral("null") : jsonString(text);
}

} // namespace

QString jsonString(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString DateTexts::shown(const QString& stored)
{
    // Digits at 'at'; -1 unless all of them are digits.
    const auto number = [&stored](int at, int digits) {
        int n = 0;
        for (int i = at; i < at + digits; ++i) {
            const char16_t c = stored.at(i).unicode();
            if (c < u'0' || c > u'9')
                return -1;
            n = n * 10 + (c - u'0');
        }
        return n;
    };
    if (stored.size() != 19 || stored.at(4) != u'-' || stored.at(7) != u'-' ||
        stored.at(10) != u' ' || stored.at(13) != u':' || stored.at(16) != u':')
        return store::displayDate(stored);
    const int y = number(0, 4), mo = number(5, 2), d = number(8, 2);
    const int h = number(11, 2), mi = number(14, 2), s = number(17, 2);
    if (!QDate::isValid(y, mo, d) || !QTime::isValid(h, mi, s))
        return store::displayDate(stored);

    const QString& day = dayText(y, mo, d);
    const int second = h * 3600 + mi * 60 + s;
    if (second == 0)
        return day;
    if (m_times.empty())
        m_times.resize(24 * 3600);
    QString& time = m_times[size_t(second)];
    if (time.isNull()) {
        const QString full = store::displayDate(stored);
        if (!full.startsWith(day))
            return full;
        time = full.mid(day.size());
    }
    return day + time;
}

QString& DateTexts::dayText(int y, int m, int d)
{
    constexpr int kFirstYear = 1970, kYears = 160;
    QString* text = nullptr;
    if (y >= kFirstYear && y < kFirstYear + kYears) {
        if (m_days.empty())
            m_days.resize(size_t(kYears) * 12 * 31);
        text = &m_days[size_t(((y - kFirstYear) * 12 + m - 1) * 31 + d - 1)];
    } else {
        text = &m_otherDays[y * 10000 + m * 100 + d];
    }
    if (text->isNull())
        *text = store::displayDate(QStringLiteral("%1-%2-%3 00:00:00")
                                       .arg(y, 4, 10, QLatin1Char('0'))
                                       .arg(m, 2, 10, QLatin1Char('0'))
                                       .arg(d, 2, 10, QLatin1Char('0')));
    return *text;
}

void RowFormatter::append(QByteArray& out, const FoundRow& row)
{
    QString& line = m_line;
    line.clear();
    if (m_format == Format::Json) {
        line += QStringLiteral("{\"nev\":") + jsonValue(row.name, false) +
                QStringLiteral(",\"ut\":") + jsonValue(row.path, false) +
                QStringLiteral(",\"hossz\":") + jsonValue(row.length, true) +
                QStringLiteral(",\"datum\":") + jsonValue(row.date, false) +
                QStringLiteral(",\"katalogus\":") + jsonString(row.catalog) + QStringLiteral("}\n");
        out += line.toUtf8();
        return;
    }
    const QString cells[] = {row.name.toString(), row.path.toString(), row.length.toString(),
                             row.date.isNull() ? QString() : m_dates.shown(row.date.toString()),
                             row.catalog};
    const int count = m_withCatalog ? 5 : 4;
    if (m_format == Format::Csv) {
        store::appendCsvRecord(line, QStringList(cells, cells + count));
    } else {
        // The listing's row: every cell followed by a TAB, the last one too.
        for (int i = 0; i < count; ++i)
            line += cells[i] + u'\t';
        line += u'\n';
    }
    out += line.toUtf8();
}

QByteArray formatHeader(Format format, bool withCatalog)
{
    if (format != Format::Csv)
        return {};
    QStringList header = store::csvListingHeader();
    if (withCatalog)
        header << QStringLiteral("Katalógus");
    return store::csvRecord(header).toUtf8();
}

} // namespace cli
