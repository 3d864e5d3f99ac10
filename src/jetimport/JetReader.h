#pragma once

#include "JetFile.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

// Reading Jet tables through mdbtools (libmdb). Only this file's
// implementation sees the library.
namespace jetimport {

// One value of the current row. Texts are UTF-8 and stay valid until the
// next row is read.
struct Cell
{
    enum class Kind
    {
        Null,
        Integer,
        Real,
        Date,
        Text
    };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0; // also the stored value of a date
    const char* text = nullptr;
    int bytes = 0;
};

class JetTable;

// A Jet file opened read-only. Jet 4 text is UTF-16; Jet 3 text is read as
// Windows-1250, the code page of Hungarian Windows (the library would take the
// header's code page, or Windows-1252, and the header of a Jet 3 file does not
// reliably say).
class JetDatabase
{
public:
    explicit JetDatabase(const QString& path); // throws platform::Error
    ~JetDatabase();
    JetDatabase(const JetDatabase&) = delete;
    JetDatabase& operator=(const JetDatabase&) = delete;

    JetVersion version() const { return m_version; }
    QStringList tableNames() const;
    // The page of the table's definition, found by name without regard to
    // case; 0 when there is no such table.
    std::uint32_t tablePage(const QString& name) const;
    std::unique_ptr<JetTable> openTable(const QString& name);

private:
    struct Handle;
    std::unique_ptr<Handle> m;
    JetVersion m_version = JetVersion::None;
};

class JetTable
{
public:
    ~JetTable();
    JetTable(const JetTable&) = delete;
    JetTable& operator=(const JetTable&) = delete;

    // Rows as the table's definition counts them.
    std::int64_t rowCount() const;
    // The column's position, found by name without regard to case; -1 when missing.
    int column(const QString& name) const;
    // Reads the next row; false after the last.
    bool next();
    Cell cell(int column) const;

private:
    friend class JetDatabase;
    struct Handle;
    explicit JetTable(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> m;
};

} // namespace jetimport
