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

int Module1::perszam(const QString& text)
{
    return int(text.count(QLatin1Char('\\')));
}

QString Module1::utresz(const QString& text, int n)
{
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype slash = text.indexOf(QLatin1Char('\\'), start);
        if (slash < 0)
            return {};
        start = slash + 1;
    }
    const qsizetype end = text.indexOf(QLatin1Char('\\'), start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

QString Module1::mediumLabel(const QString& path)
{
    const QString medium = utresz(path, 0);
    return medium.size() < 5 ? QString() : medium.mid(1, medium.size() - 5);
}

QString Module1::mediumPattern(const QString& label)
{
    return QLatin1Char('-') + label + QStringLiteral("- *");
}

QString Module1::fileKey(qint64 number)
{
    return Str(number) + QStringLiteral("a ");
}

bool Module1::isFileKey(const QString& key)
{
    return key.endsWith(QStringLiteral("a "));
}

QString Module1::pathPattern(const QString& fullPath)
{
    const qsizetype slash = fullPath.indexOf(QLatin1Char('\\'));
    const QString label = slash < 0 ? fullPath : fullPath.left(slash);
    const QString rest = fullPath.mid(label.size());
    return QLatin1Char('?') + label +
           (rest.startsWith(QLatin1Char('\\')) ? QStringLiteral("? ?:") : QStringLiteral("? ?:\\")) +
           rest;
}

QString Module1::sizeText(qint64 total, const QLocale& locale)
{
    QLocale plain(locale);
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    if (total > 1000000)
        return plain.toString(double(float(double(total) / 1048576.0)), 'f', 2) +
               QStringLiteral(" MByte");
    if (total >= 1024)
        return plain.toString(double(float(double(total) / 1024.0)), 'f', 2) +
               QStringLiteral(" KByte");
    return plain.toString(total) + QStringLiteral(" Byte");
}
