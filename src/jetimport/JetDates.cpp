#include "JetDates.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <cmath>
#include <cstdint>

namespace jetimport {

namespace {

// 0100-01-01 00:00:00 and the day after 9999-12-31.
constexpr double kFirstDay = -657434.0;
constexpr double kPastLastDay = 2958466.0;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochFromUnix = -25569;

struct Civil
{
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian date of a day number counted from 1970-01-01.
Civil civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {std::int64_t(yoe) + era * 400 + (m <= 2), m, d};
}

void digits(char* out, unsigned value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

} // namespace

bool writeDateText(double value, char out[19])
{
    if (!std::isfinite(value) || value <= kFirstDay - 1.0 || value >= kPastLastDay)
        return false;
    const double whole = std::trunc(value);
    std::int64_t days = std::int64_t(whole);
    std::int64_t seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) { // rounded up into the next day
        seconds -= 86400;
        days += 1;
    }
    const Civil c = civilFromDays(days + kEpochFromUnix);
    if (c.year < 100 || c.year > 9999)
        return false;
    digits(out, unsigned(c.year), 4);
    out[4] = '-';
    digits(out + 5, c.month, 2);
    out[7] = '-';
    digits(out + 8, c.day, 2);
    out[10] = ' ';
    digits(out + 11, unsigned(seconds / 3600), 2);
    out[13] = ':';
    digits(out + 14, unsigned(seconds / 60 % 60), 2);
    out[16] = ':';
    digits(out + 17, unsigned(seconds % 60), 2);
    return true;
}

std::optional<QString> dateText(double value)
{
    char text[19];
    if (!writeDateText(value, text))
        return std::nullopt;
    return QString::fromLatin1(text, 19);
}

std::optional<QString> dateFromText(const QString& text)
{
    // "1999.03.04. 12:05:00", "1999. 03. 04. 12:05", "1999-03-04 12:05:00", "1999.03.04."
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4})[-.] ?(\\d{1,2})[-.] ?(\\d{1,2})\\.?(?: +(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return date.toString(QStringLiteral("yyyy-MM-dd ")) + time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace jetimport
