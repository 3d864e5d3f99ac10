#include "JetWriter.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace jetwriter {

namespace {

using Bytes = std::string;

// Layout constants of the two versions.
struct Format
{
    int pageSize;
    int dataRowCountAt; // row count on a data page; the offsets follow it
    int columnEntrySize;
    int mapRowSize; // page usage map rows are of a fixed size
    bool jet4;
};

constexpr Format kJet3{2048, 8, 18, 128, false};
constexpr Format kJet4{4096, 12, 25, 64, true};

void put8(Bytes& b, std::size_t at, std::uint8_t v)
{
    b[at] = char(v);
}

void put16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char((v >> 8) & 0xff);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = char((v >> (8 * i)) & 0xff);
}

void append8(Bytes& b, std::uint8_t v)
{
    b.push_back(char(v));
}

void append16(Bytes& b, std::uint32_t v)
{
    append8(b, std::uint8_t(v & 0xff));
    append8(b, std::uint8_t((v >> 8) & 0xff));
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error("jetwriter: " + what);
}

Bytes windows1250(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("WINDOWS-1250", "UTF-8");
    if (cd == iconv_t(-1))
        fail("no WINDOWS-1250 converter");
    Bytes out(std::size_t(utf8.size()) + 1, '\0');
    char* in = const_cast<char*>(utf8.constData());
    std::size_t inLeft = std::size_t(utf8.size());
    char* o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == std::size_t(-1))
        fail("text not in Windows-1250: " + text.toStdString());
    out.resize(out.size() - outLeft);
    return out;
}

// Jet 4 text: UCS-2, compressed where that is shorter. The compressed form
// begins with FF FE; a zero byte switches between one-byte characters (high
// byte zero) and two-byte ones. A character whose low byte is zero cannot be
// written that way, so such texts stay uncompressed.
Bytes jet4Text(const QString& text)
{
    Bytes plain;
    bool compressible = true;
    for (const QChar c : text) {
        append16(plain, c.unicode());
        if ((c.unicode() & 0xff) == 0)
            compressible = false;
    }
    if (!compressible || text.isEmpty())
        return plain;
    Bytes packed("\xff\xfe", 2);
    bool oneByte = true;
    for (const QChar c : text) {
        const bool narrow = c.unicode() < 0x100;
        if (narrow != oneByte) {
            append8(packed, 0);
            oneByte = narrow;
        }
        if (narrow)
            append8(packed, std::uint8_t(c.unicode()));
        else
            append16(packed, c.unicode());
    }
    return packed.size() < plain.size() ? packed : plain;
}

Bytes nameBytes(const Format& f, const std::string& name)
{
    const QString text = QString::fromStdString(name);
    Bytes out;
    if (f.jet4) {
        Bytes ucs;
        for (const QChar c : text)
            append16(ucs, c.unicode());
        append16(out, std::uint32_t(ucs.size()));
        out += ucs;
    } else {
        const Bytes raw = windows1250(text);
        append8(out, std::uint8_t(raw.size()));
        out += raw;
    }
    return out;
}

bool isFixed(ColumnType t)
{
    return t != ColumnType::Text && t != ColumnType::Ole;
}

int fixedSize(ColumnType t)
{
    switch (t) {
    case ColumnType::Int:
        return 2;
    case ColumnType::Long:
        return 4;
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Text:
    case ColumnType::Ole:
        break;
    }
    return 0;
}

// Where each column lives in a row.
struct ColumnPlace
{
    int fixedOffset = 0; // among the fixed columns
    int varIndex = 0;    // among the variable ones
};

struct Layout
{
    std::vector<ColumnPlace> places;
    int fixedBytes = 0;
    int varCount = 0;
};

Layout layoutOf(const Table& t)
{
    Layout l;
    for (const Column& c : t.columns) {
        ColumnPlace p;
        if (isFixed(c.type)) {
            p.fixedOffset = l.fixedBytes;
            l.fixedBytes += fixedSize(c.type);
        } else {
            p.varIndex = l.varCount++;
        }
        l.places.push_back(p);
    }
    return l;
}

Bytes fixedValue(const Column& c, const Value& v)
{
    Bytes out(std::size_t(fixedSize(c.type)), '\0');
    if (std::holds_alternative<std::monostate>(v))
        return out;
    switch (c.type) {
    case ColumnType::Int:
    case ColumnType::Long: {
        const auto* n = std::get_if<std::int64_t>(&v);
        if (!n)
            fail("integer expected in " + c.name);
        if (c.type == ColumnType::Int)
            put16(out, 0, std::uint32_t(std::uint16_t(*n)));
        else
            put32(out, 0, std::uint32_t(std::int32_t(*n)));
        break;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
        const auto* d = std::get_if<double>(&v);
        if (!d)
            fail("double expected in " + c.name);
        std::memcpy(out.data(), d, 8); // little-endian machine
        break;
    }
    case ColumnType::Text:
    case ColumnType::Ole:
        break;
    }
    return out;
}

Bytes textValue(const Format& f, const Column& c, const Value& v)
{
    if (std::holds_alternative<std::monostate>(v))
        return {};
    const auto* s = std::get_if<QString>(&v);
    if (!s || c.type == ColumnType::Ole)
        fail("text expected in " + c.name);
    if (s->size() > c.maxChars)
        fail("text longer than its column " + c.name);
    return f.jet4 ? jet4Text(*s) : windows1250(*s);
}

// One row as a data page holds it: column count, fixed columns, variable
// columns, their offset table (reversed, after the end-of-data offset), the
// variable column count, the null mask (a set bit is a value present).
Bytes encodeRow(const Format& f, const Table& t, const Layout& l, const Row& row)
{
    if (row.size() != t.columns.size())
        fail("row of the wrong width in " + t.name);
    const int n = int(t.columns.size());
    const int countSize = f.jet4 ? 2 : 1;
    Bytes out;
    if (f.jet4)
        append16(out, std::uint32_t(n));
    else
        append8(out, std::uint8_t(n));
    out.append(std::size_t(l.fixedBytes), '\0');
    std::vector<std::uint8_t> mask(std::size_t((n + 7) / 8), 0);
    std::vector<int> varOffsets(std::size_t(l.varCount), 0);
    for (int i = 0; i < n; ++i) {
        const Column& c = t.columns[std::size_t(i)];
        const Value& v = row[std::size_t(i)];
        if (!std::holds_alternative<std::monostate>(v))
            mask[std::size_t(i / 8)] |= std::uint8_t(1u << (i % 8));
        if (isFixed(c.type)) {
            const Bytes value = fixedValue(c, v);
            out.replace(std::size_t(countSize + l.places[std::size_t(i)].fixedOffset), value.size(),
                        value);
        }
    }
    // Variable columns follow in the order of their index.
    for (int k = 0; k < l.varCount; ++k) {
        for (int i = 0; i < n; ++i) {
            const Column& c = t.columns[std::size_t(i)];
            if (isFixed(c.type) || l.places[std::size_t(i)].varIndex != k)
                continue;
            varOffsets[std::size_t(k)] = int(out.size());
            out += textValue(f, c, row[std::size_t(i)]);
        }
    }
    if (l.varCount > 0) {
        const int eod = int(out.size());
        if (f.jet4) {
            append16(out, std::uint32_t(eod));
            for (int k = l.varCount - 1; k >= 0; --k)
                append16(out, std::uint32_t(varOffsets[std::size_t(k)]));
            append16(out, std::uint32_t(l.varCount));
        } else {
            append8(out, std::uint8_t(eod));
            for (int k = l.varCount - 1; k >= 0; --k)
                append8(out, std::uint8_t(varOffsets[std::size_t(k)]));
            append8(out, std::uint8_t(l.varCount));
        }
    }
    for (const std::uint8_t b : mask)
        append8(out, b);
    // Jet 3 offsets are single bytes; longer rows would need its jump table.
    if (!f.jet4 && out.size() > 256)
        fail("Jet 3 row longer than 256 bytes in " + t.name);
    if (out.size() > std::size_t(f.pageSize - f.dataRowCountAt - 4))
        fail("row does not fit a page in " + t.name);
    return out;
}

// A data page filled from the end towards its row offset table.
struct DataPage
{
    std::vector<Bytes> rows;
    int used = 0;
};

std::vector<DataPage> packRows(const Format& f, const std::vector<Bytes>& rows)
{
    std::vector<DataPage> pages;
    const int room = f.pageSize - f.dataRowCountAt - 2;
    for (const Bytes& r : rows) {
        const int need = int(r.size()) + 2;
        if (pages.empty() || pages.back().used + need > room)
            pages.emplace_back();
        pages.back().rows.push_back(r);
        pages.back().used += need;
    }
    return pages;
}

Bytes dataPage(const Format& f, std::uint32_t tdefPage, const std::vector<Bytes>& rows)
{
    Bytes page(std::size_t(f.pageSize), '\0');
    put8(page, 0, 0x01);
    put8(page, 1, 0x01);
    put32(page, 4, tdefPage);
    put16(page, std::size_t(f.dataRowCountAt), std::uint32_t(rows.size()));
    int end = f.pageSize;
    int used = f.dataRowCountAt + 2;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int start = end - int(rows[i].size());
        page.replace(std::size_t(start), rows[i].size(), rows[i]);
        put16(page, std::size_t(f.dataRowCountAt + 2 + 2 * int(i)), std::uint32_t(start));
        used += 2 + int(rows[i].size());
        end = start;
    }
    put16(page, 2, std::uint32_t(f.pageSize - used));
    return page;
}

// Pages owned by a table, as a usage map row: type 0 holds the bitmap itself
// from a start page, type 1 points to bitmap pages (type 0x05) that each
// cover (page size - 4) * 8 pages from a multiple of that.
struct UsageMap
{
    Bytes row;
    std::vector<std::pair<std::uint32_t, Bytes>> bitmapPages; // page number, contents
};

UsageMap usageMap(const Format& f, const std::vector<std::uint32_t>& pages, bool indirect,
                  std::uint32_t& nextFreePage)
{
    UsageMap m;
    m.row.assign(std::size_t(f.mapRowSize), '\0');
    if (pages.empty())
        return m;
    const std::uint32_t first = pages.front();
    const std::uint32_t span = std::uint32_t(f.mapRowSize - 5) * 8;
    if (!indirect && pages.back() - first < span) {
        put8(m.row, 0, 0x00);
        put32(m.row, 1, first);
        for (std::uint32_t p : pages) {
            const std::uint32_t bit = p - first;
            m.row[5 + bit / 8] = char(std::uint8_t(m.row[5 + bit / 8]) | (1u << (bit % 8)));
        }
        return m;
    }
    const std::uint32_t perBitmap = std::uint32_t(f.pageSize - 4) * 8;
    const std::uint32_t pointers = std::uint32_t(f.mapRowSize - 1) / 4;
    put8(m.row, 0, 0x01);
    std::vector<Bytes> bitmaps;
    for (std::uint32_t p : pages) {
        const std::uint32_t index = p / perBitmap;
        if (index >= pointers)
            fail("table too large for one usage map");
        if (bitmaps.size() <= index)
            bitmaps.resize(index + 1);
        Bytes& b = bitmaps[index];
        if (b.empty()) {
            b.assign(std::size_t(f.pageSize), '\0');
            put8(b, 0, 0x05);
            put8(b, 1, 0x01);
        }
        const std::uint32_t bit = p % perBitmap;
        b[4 + bit / 8] = char(std::uint8_t(b[4 + bit / 8]) | (1u << (bit % 8)));
    }
    for (std::uint32_t i = 0; i < bitmaps.size(); ++i) {
        if (bitmaps[i].empty())
            continue;
        const std::uint32_t at = nextFreePage++;
        put32(m.row, 1 + 4 * i, at);
        m.bitmapPages.emplace_back(at, bitmaps[i]);
    }
    return m;
}

// The definition page of a table. Map rows are given as page << 8 | row.
Bytes tdefPage(const Format& f, const Table& t, const Layout& l, bool system, std::uint32_t usedMap,
               std::uint32_t freeMap)
{
    Bytes d;
    const std::uint32_t columns = std::uint32_t(t.columns.size());
    const std::uint32_t rowCount =
        std::uint32_t(t.countedRows >= 0 ? t.countedRows : std::int64_t(t.rows.size()));
    std::int64_t autoNumber = 0;
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        if (!t.columns[i].autoNumber)
            continue;
        for (const Row& r : t.rows)
            if (const auto* n = std::get_if<std::int64_t>(&r[i]))
                autoNumber = std::max(autoNumber, *n);
        autoNumber += 1;
    }
    if (t.nextAutoNumber != 0)
        autoNumber = t.nextAutoNumber;

    d.assign(std::size_t(f.jet4 ? 63 : 43), '\0');
    put8(d, 0, 0x02);
    put8(d, 1, 0x01);
    if (!f.jet4) {
        d[2] = 'V';
        d[3] = 'C';
    }
    if (f.jet4) {
        put32(d, 16, rowCount);
        put32(d, 20, std::uint32_t(autoNumber));
        put8(d, 24, 0x01);
        put8(d, 40, system ? 0x53 : 0x4e);
        put16(d, 41, columns);
        put16(d, 43, std::uint32_t(l.varCount));
        put16(d, 45, columns);
        put32(d, 47, 0);
        put32(d, 51, 0);
        put32(d, 55, usedMap);
        put32(d, 59, freeMap);
    } else {
        put32(d, 12, rowCount);
        put32(d, 16, std::uint32_t(autoNumber));
        put8(d, 20, system ? 0x53 : 0x4e);
        put16(d, 21, columns);
        put16(d, 23, std::uint32_t(l.varCount));
        put16(d, 25, columns);
        put32(d, 27, 0);
        put32(d, 31, 0);
        put32(d, 35, usedMap);
        put32(d, 39, freeMap);
    }
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const Column& c = t.columns[i];
        const ColumnPlace& p = l.places[i];
        Bytes e(std::size_t(f.columnEntrySize), '\0');
        std::uint8_t flags = isFixed(c.type) ? 0x01 : 0x00;
        flags |= c.autoNumber ? 0x04 : 0x02;
        const int size = isFixed(c.type)             ? fixedSize(c.type)
                         : c.type == ColumnType::Ole ? 0
                                                     : c.maxChars * (f.jet4 ? 2 : 1);
        put8(e, 0, std::uint8_t(c.type));
        if (f.jet4) {
            put16(e, 5, std::uint32_t(i));
            put16(e, 7, std::uint32_t(p.varIndex));
            put16(e, 9, std::uint32_t(i));
            if (c.type == ColumnType::Text)
                put16(e, 11, 0x409); // general sort order
            put8(e, 15, flags);
            if (c.type == ColumnType::Text)
                put8(e, 16, 0x01); // compressed Unicode allowed
            put16(e, 21, std::uint32_t(p.fixedOffset));
            put16(e, 23, std::uint32_t(size));
        } else {
            put16(e, 1, std::uint32_t(i));
            put16(e, 3, std::uint32_t(p.varIndex));
            put16(e, 5, std::uint32_t(i));
            if (c.type == ColumnType::Text) {
                put16(e, 7, 0x409);
                put16(e, 9, 1250);
            }
            put8(e, 13, flags);
            put16(e, 14, std::uint32_t(p.fixedOffset));
            put16(e, 16, std::uint32_t(size));
        }
        d += e;
    }
    for (const Column& c : t.columns)
        d += nameBytes(f, c.name);
    if (int(d.size()) > f.pageSize)
        fail("table definition of " + t.name + " does not fit one page");
    put32(d, 8, std::uint32_t(d.size() - 8));
    if (f.jet4)
        put16(d, 2, std::uint32_t(f.pageSize - int(d.size()) - 8));
    d.resize(std::size_t(f.pageSize), '\0');
    return d;
}

// RC4, which keeps part of the first page from plain view.
void rc4(const std::uint8_t* key, int keyLength, std::uint8_t* data, int length)
{
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = std::uint8_t(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + key[i % keyLength] + s[i]) & 0xff;
        std::swap(s[i], s[j]);
    }
    int x = 0;
    int y = 0;
    for (int k = 0; k < length; ++k) {
        x = (x + 1) & 0xff;
        y = (y + s[x]) & 0xff;
        std::swap(s[x], s[y]);
        data[k] ^= s[(s[x] + s[y]) & 0xff];
    }
}

Bytes headerPage(const Format& f, const Options& o)
{
    Bytes p(std::size_t(f.pageSize), '\0');
    put8(p, 0, 0x00);
    put8(p, 1, 0x01);
    std::memcpy(p.data() + 4, "Standard Jet DB", 15);
    put32(p, 0x14, f.jet4 ? 1 : 0);
    // Plain values of the scrambled block: language, code page, no key.
    put16(p, f.jet4 ? 0x6e : 0x3a, 0x40e); // Hungarian
    put16(p, 0x3c, o.headerCodePage);
    put32(p, 0x3e, 0);
    const std::uint8_t key[4] = {0xc7, 0xda, 0x39, 0x6b};
    rc4(key, 4, reinterpret_cast<std::uint8_t*>(p.data()) + 0x18, f.jet4 ? 128 : 126);
    return p;
}

Table systemCatalog(const std::vector<Table>& user, const std::vector<std::uint32_t>& tdefPages)
{
    Table t;
    t.name = "MSysObjects";
    t.columns = {{"Id", ColumnType::Long},        {"ParentId", ColumnType::Long},
                 {"Name", ColumnType::Text, 128}, {"Type", ColumnType::Int},
                 {"Flags", ColumnType::Long},     {"DateCreate", ColumnType::DateTime},
                 {"LvProp", ColumnType::Ole}};
    const double created = jetDate(2001, 5, 17, 10, 30, 0);
    const std::int64_t tables = 0x0F000001; // the container of the tables
    t.rows.push_back({std::int64_t(2), tables, QStringLiteral("MSysObjects"), std::int64_t(1),
                      std::int64_t(std::int32_t(0x80000002u)), created, std::monostate{}});
    for (std::size_t i = 0; i < user.size(); ++i)
        t.rows.push_back({std::int64_t(tdefPages[i]), tables, QString::fromStdString(user[i].name),
                          std::int64_t(1), std::int64_t(0), created, std::monostate{}});
    return t;
}

} // namespace

double jetDate(int year, int month, int day, int hour, int minute, int second)
{
    // Days from the civil date (proleptic Gregorian), counted from 1899-12-30.
    auto daysFromCivil = [](std::int64_t y, unsigned m, unsigned d) {
        y -= m <= 2;
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const unsigned yoe = unsigned(y - era * 400);
        const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
        const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + std::int64_t(doe) - 719468;
    };
    const std::int64_t days =
        daysFromCivil(year, unsigned(month), unsigned(day)) - daysFromCivil(1899, 12, 30);
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before the epoch the whole part counts back and the time still counts on.
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

void write(const QString& path, const std::vector<Table>& tables, const Options& options)
{
    const Format& f = options.version == Version::Jet4 ? kJet4 : kJet3;

    // Pages: 0 header, 1 spare, 2 and 3 the system catalog, then each table's
    // definition and data pages, then bitmap pages and the map rows' pages.
    std::vector<Layout> layouts;
    std::vector<std::vector<DataPage>> packed;
    std::vector<std::uint32_t> tdefPages;
    std::vector<std::vector<std::uint32_t>> dataPages;
    std::uint32_t next = 4;
    for (const Table& t : tables) {
        layouts.push_back(layoutOf(t));
        std::vector<Bytes> rows;
        rows.reserve(t.rows.size());
        for (const Row& r : t.rows)
            rows.push_back(encodeRow(f, t, layouts.back(), r));
        packed.push_back(packRows(f, rows));
        tdefPages.push_back(next++);
        std::vector<std::uint32_t> pages;
        for (std::size_t i = 0; i < packed.back().size(); ++i)
            pages.push_back(next++);
        dataPages.push_back(pages);
    }
    const Table catalog = systemCatalog(tables, tdefPages);
    const Layout catalogLayout = layoutOf(catalog);
    std::vector<Bytes> catalogRows;
    for (const Row& r : catalog.rows)
        catalogRows.push_back(encodeRow(f, catalog, catalogLayout, r));
    const std::vector<DataPage> catalogPages = packRows(f, catalogRows);
    if (catalogPages.size() != 1)
        fail("too many tables for one catalog page");

    // Usage maps: two rows per table (its pages, and its pages with room).
    std::vector<UsageMap> maps;
    maps.push_back(usageMap(f, {3}, false, next));
    for (const auto& pages : dataPages)
        maps.push_back(usageMap(f, pages, options.indirectMaps, next));
    const int rowsPerMapPage = (f.pageSize - f.dataRowCountAt - 2) / (f.mapRowSize + 2);
    const int mapRows = int(maps.size()) * 2;
    std::vector<std::vector<Bytes>> mapPageRows(
        std::size_t((mapRows + rowsPerMapPage - 1) / rowsPerMapPage));
    const std::uint32_t firstMapPage = next;
    next += std::uint32_t(mapPageRows.size());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> mapRefs; // used, free
    const Bytes emptyFreeMap(std::size_t(f.mapRowSize), '\0');
    int slot = 0;
    for (const UsageMap& m : maps) {
        std::uint32_t refs[2];
        for (int k = 0; k < 2; ++k, ++slot) {
            const std::uint32_t page = firstMapPage + std::uint32_t(slot / rowsPerMapPage);
            auto& rows = mapPageRows[std::size_t(slot / rowsPerMapPage)];
            refs[k] = page << 8 | std::uint32_t(rows.size());
            rows.push_back(k == 0 ? m.row : emptyFreeMap);
        }
        mapRefs.emplace_back(refs[0], refs[1]);
    }

    Bytes file(std::size_t(next) * std::size_t(f.pageSize), '\0');
    auto place = [&](std::uint32_t page, const Bytes& contents) {
        file.replace(std::size_t(page) * std::size_t(f.pageSize), contents.size(), contents);
    };
    place(0, headerPage(f, options));
    place(1, dataPage(f, 0, {}));
    place(2, tdefPage(f, catalog, catalogLayout, true, mapRefs[0].first, mapRefs[0].second));
    place(3, dataPage(f, 2, catalogPages.front().rows));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        place(tdefPages[i], tdefPage(f, tables[i], layouts[i], false, mapRefs[i + 1].first,
                                     mapRefs[i + 1].second));
        for (std::size_t p = 0; p < packed[i].size(); ++p)
            place(dataPages[i][p], dataPage(f, tdefPages[i], packed[i][p].rows));
    }
    for (const UsageMap& m : maps)
        for (const auto& [page, contents] : m.bitmapPages)
            place(page, contents);
    for (std::size_t i = 0; i < mapPageRows.size(); ++i)
        place(firstMapPage + std::uint32_t(i), dataPage(f, 0, mapPageRows[i]));

    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(file.data(), qint64(file.size())) != qint64(file.size()))
        fail("cannot write " + path.toStdString());
}

} // namespace jetwriter
