#pragma once

#include "Arguments.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>

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

// The row in the chosen format, ended by its line end. Listing and CSV show
// the cells as the grid does (dates in the user's format); the catalog's
// path is added when 'withCatalog'. JSON keeps the stored values and always
// names the catalog.
QByteArray formatRow(Format format, const FoundRow& row, bool withCatalog);

// The heading line of the format; empty for those that have none.
QByteArray formatHeader(Format format, bool withCatalog);

// A JSON string literal of 'text'.
QString jsonString(const QString& text);

} // namespace cli
