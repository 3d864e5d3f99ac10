#include "Output.h"

#include "store/CellFormat.h"
#include "store/Csv.h"

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

QByteArray formatRow(Format format, const FoundRow& row, bool withCatalog)
{
    if (format == Format::Json)
        return (QStringLiteral("{\"nev\":") + jsonValue(row.name, false) +
                QStringLiteral(",\"ut\":") + jsonValue(row.path, false) +
                QStringLiteral(",\"hossz\":") + jsonValue(row.length, true) +
                QStringLiteral(",\"datum\":") + jsonValue(row.date, false) +
                QStringLiteral(",\"katalogus\":") + jsonString(row.catalog) + QStringLiteral("}\n"))
            .toUtf8();

    QStringList cells{store::displayText(row.name, false), store::displayText(row.path, false),
                      store::displayText(row.length, false), store::displayText(row.date, true)};
    if (withCatalog)
        cells << row.catalog;
    if (format == Format::Csv)
        return store::csvRecord(cells).toUtf8();
    // The listing's row: every cell followed by a TAB, the last one too.
    QString line;
    for (const QString& cell : cells)
        line += cell + QLatin1Char('\t');
    line += QLatin1Char('\n');
    return line.toUtf8();
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
