#pragma once

#include <QString>
#include <QStringList>

// Comma-separated rows as spreadsheet programs read them: a field holding a
// comma, a quote or a line break goes between quotes, its quotes doubled;
// every record ends with CR LF.
namespace store {

inline QString csvField(const QString& text)
{
    bool quote = false;
    for (const QChar c : text)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

inline void appendCsvRecord(QString& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += csvField(fields.at(i));
    }
    out += QStringLiteral("\r\n");
}

inline QString csvRecord(const QStringList& fields)
{
    QString out;
    appendCsvRecord(out, fields);
    return out;
}

// The headings of a listing's columns (name, path, length, date).
inline QStringList csvListingHeader()
{
    return {QStringLiteral("Név"), QStringLiteral("Út"), QStringLiteral("Hossz"),
            QStringLiteral("Dátum")};
}

} // namespace store
