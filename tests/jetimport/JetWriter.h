#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// Writes Microsoft Jet database files (Jet 3 and Jet 4) for the tests: the
// system catalog, table definitions, data pages and page usage maps, enough
// for a reader to list the tables and read every row. No indexes, no memo
// columns. A test tool, not part of the program.
namespace jetwriter {

enum class Version
{
    Jet3,
    Jet4
};

enum class ColumnType : std::uint8_t
{
    Int = 0x03,  // 16-bit
    Long = 0x04, // 32-bit
    Double = 0x07,
    DateTime = 0x08, // days since 1899-12-30, the time as the fraction
    Text = 0x0A,
    Ole = 0x0B, // long binary; written only as NULL
};

struct Column
{
    std::string name;
    ColumnType type = ColumnType::Long;
    int maxChars = 255; // text columns
    bool autoNumber = false;
};

// NULL, an integer, a double (also dates), or a text.
using Value = std::variant<std::monostate, std::int64_t, double, QString>;
using Row = std::vector<Value>;

struct Table
{
    std::string name;
    std::vector<Column> columns;
    std::vector<Row> rows;
    // The next automatic number the table would give; 0 for one above the
    // highest value of its automatic column.
    std::int32_t nextAutoNumber = 0;
    // The row count the definition states; -1 for the rows written.
    std::int64_t countedRows = -1;
};

struct Options
{
    Version version = Version::Jet4;
    // The code page the file's header names (Jet 3 text is written in 1250
    // whatever the header says, as a Hungarian catalog holds it).
    std::uint16_t headerCodePage = 1252;
    // Page usage maps that point to bitmap pages, as large tables have them,
    // also for small tables.
    bool indirectMaps = false;
};

// Writes the tables into a new file at 'path'; throws std::runtime_error.
void write(const QString& path, const std::vector<Table>& tables, const Options& options = {});

// The stored value of a date and time.
double jetDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

} // namespace jetwriter
