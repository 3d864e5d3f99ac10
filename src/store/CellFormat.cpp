#include "CellFormat.h"

#include <QDateTime>
#include <QLocale>
#include <optional>

namespace store {

QString displayDate(const QString& stored)
{
    // Read as written, without a time zone: a stored time that a clock
    // change skips or repeats is still the time the file showed.
    auto number = [&stored](int at, int digits) {
        int n = 0;
        for (int i = at; i < at + digits; ++i) {
            const QChar c = stored.at(i);
            if (!c.isDigit())
                return -1;
            n = n * 10 + c.digitValue();
        }
        return n;
    };
    if (stored.size() != 19 || stored.at(4) != u'-' || stored.at(7) != u'-' || stored.at(10) != u' ' ||
        stored.at(13) != u':' || stored.at(16) != u':')
        return stored;
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!date.isValid() || !time.isValid())
        return stored;

    // The formats of the locale in use, worked out once per locale.
    struct Formats
    {
        QLocale locale;
        QString date;
        QString time;
    };
    thread_local std::optional<Formats> formats;
    const QLocale locale;
    if (!formats || !(formats->locale == locale)) {
        QString timeFormat = locale.timeFormat(QLocale::LongFormat);
        timeFormat.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
        formats = Formats{locale, locale.dateFormat(QLocale::ShortFormat), timeFormat.trimmed()};
    }
    QString text = locale.toString(date, formats->date);
    if (time != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(time, formats->time);
    return text;
}

int dateColumn(const QStringList& columns)
{
    const int named = int(columns.indexOf(QStringLiteral("datum")));
    return named >= 0 ? named : columns.size() > 4 ? 4 : -1;
}

QString displayText(const QVariant& value, bool isDate)
{
    if (value.isNull())
        return QString();
    return isDate ? displayDate(value.toString()) : value.toString();
}

} // namespace store
