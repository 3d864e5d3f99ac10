#pragma once

#include "Arguments.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QVariant>
#include <vector>

namespace cli {

// Where the program writes: standard output or error, or a buffer in tests.
class Output
{
public:
    virtual ~Output() = default;
    virtual void write(QByteArrayView bytes) = 0;
    virtual void flush() {}
};

class BufferOutput : public Output
{
public:
    void write(QByteArrayView bytes) override { data += bytes; }
    QByteArray data;
};

// One found row as the view gives it: name, path, length and date (stored
// form), and the catalog it came from.
struct FoundRow
{
    QVariant name;
    QVariant path;
    QVariant length;
    QVariant date;
    QString catalog;
};

// Stored dates as the grid shows them, each day's and each time's text
// worked out once: a million rows hold few distinct days and times, and the
// locale's formatting is most of a row's cost.
class DateTexts
{
public:
    QString shown(const QString& stored);

private:
    QString& dayText(int y, int m, int d);

    std::vector<QString> m_days; // by month from kFirstYear; a null text: not made yet
    QHash<int, QString> m_otherDays;
    std::vector<QString> m_times; // by second of the day, with their leading blank
};

// Rows in one format, ended by their line end. Listing and CSV show the
// cells as the grid does (dates in the user's format); the catalog's path is
// added when 'withCatalog'. JSON keeps the stored values and always names the
// catalog.
class RowFormatter
{
public:
    RowFormatter(Format format, bool withCatalog) : m_format(format), m_withCatalog(withCatalog) {}
    void append(QByteArray& out, const FoundRow& row);

private:
    Format m_format;
    bool m_withCatalog;
    DateTexts m_dates;
    QString m_line;
};

// The heading line of the format; empty for those that have none.
QByteArray formatHeader(Format format, bool withCatalog);

// A JSON string literal of 'text'.
QString jsonString(const QString& text);

} // namespace cli
