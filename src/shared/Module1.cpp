#include "Module1.h"

namespace Module1 {

QString Str(qint64 n)
{
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

QString Str(float value)
{
    QString digits = QString::number(double(value), 'g', 7).toUpper();
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    if (digits.startsWith(QStringLiteral("0.")))
        digits.remove(0, 1);
    return (negative ? QLatin1Char('-') : QLatin1Char(' ')) + digits;
}

QString recordCountText(qint64 count)
{
    return Str(count) + QStringLiteral(" DB rekord ");
}

QString selectionCountText(qint64 count)
{
    return Str(count) + QStringLiteral(" DB kijelölve");
}

} // namespace Module1

#include <QDateTime>
#include <QLocale>

namespace Module1 {

QString displayDate(const QString& stored)
{
    const QDateTime dt = QDateTime::fromString(stored, Qt::ISODate);
    if (!dt.isValid())
        return stored;
    const QLocale locale;
    QString text = locale.toString(dt.date(), QLocale::ShortFormat);
    if (dt.time() != QTime(0, 0)) {
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
        text += QLatin1Char(' ') + dt.time().toString(format.trimmed());
    }
    return text;
}

} // namespace Module1

QString Module1::mediumPath(const QString& label, const QString& drivePath)
{
    return QLatin1Char('-') + label + QStringLiteral("- ") + drivePath;
}
