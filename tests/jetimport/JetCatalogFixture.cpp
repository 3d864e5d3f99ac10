#include "JetCatalogFixture.h"

#include <stdexcept>

namespace jetfixture {

using jetwriter::Column;
using jetwriter::ColumnType;
using jetwriter::Row;
using jetwriter::Table;
using jetwriter::Value;

namespace {

const Value kNull = std::monostate{};

Value integer(std::int64_t n)
{
    return n;
}

QString dateText(int y, int mo, int d, int h, int mi, int s)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
}

struct Moment
{
    int y, mo, d, h, mi, s;
};

// Dates that sit on the edges of the stored form: the epoch, the days
// before it (a negative whole part with a time still counted forward),
// 1900's missing leap day, the first and last dates of the range.
constexpr Moment kEdgeDates[] = {
    {1899, 12, 30, 0, 0, 0}, {1899, 12, 29, 18, 30, 15}, {1899, 12, 30, 23, 59, 59},
    {1900, 1, 1, 0, 0, 0},   {1900, 2, 28, 23, 59, 59},  {1900, 3, 1, 12, 0, 0},
    {100, 1, 1, 0, 0, 0},    {9999, 12, 31, 23, 59, 59}, {2000, 2, 29, 13, 14, 15},
    {1756, 7, 4, 6, 7, 8},   {1899, 1, 1, 0, 0, 1},      {2024, 12, 31, 12, 0, 0},
};

const char* const kNamePatterns[] = {
    "ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP %1.EXE",
    "árvíztűrő tükörfúrógép_%1.txt",
    "setup%1.exe",
    "Ödön és Őrs – %1.doc",
    "readme.%1",
};

std::int64_t folderId(int f)
{
    return 1 + f + f / 10; // every eleventh number was deleted
}

std::int64_t fileId(int i)
{
    return 1 + i + i / 25;
}

QString folderPath(int f)
{
    const int medium = f / 50;
    if (f % 50 == 0)
        return QStringLiteral("-CD_%1- E:\\").arg(medium);
    if (f % 3 == 0)
        return QStringLiteral("-CD_%1- E:\\JÁTÉKOK\\Őrült űrhajó %2").arg(medium).arg(f);
    return QStringLiteral("-CD_%1- E:\\PROGRAMOK\\Mappa %2").arg(medium).arg(f);
}

} // namespace

Table& Catalog::table(const std::string& name)
{
    for (Table& t : tables)
        if (t.name == name)
            return t;
    throw std::logic_error("no table " + name);
}

const Table& Catalog::table(const std::string& name) const
{
    return const_cast<Catalog*>(this)->table(name);
}

Catalog makeCatalog(int folders, int filesPerFolder, const Flaws& flaws)
{
    Catalog c;
    Table prgnev{"prgnev",
                 {{"id", ColumnType::Long, 0, true},
                  {"nev", ColumnType::Text, 255},
                  {"utid", ColumnType::Long},
                  {"hossz", ColumnType::Long},
                  {"datum", ColumnType::DateTime},
                  {"crc", ColumnType::Long}},
                 {}};
    Table ut{"ut", {{"id", ColumnType::Long, 0, true}, {"ut", ColumnType::Text, 255}}, {}};
    Table kulcs{"kulcs", {{"id", ColumnType::Long, 0, true}, {"kulcs", ColumnType::Text, 50}}, {}};
    Table kulcsut{
        "kulcsut", {{"id", ColumnType::Long, 0, true}, {"nev", ColumnType::Text, 50}}, {}};
    Table nevKulcsid{"nev_kulcsid", {{"id", ColumnType::Long}, {"kulcsid", ColumnType::Long}}, {}};
    Table utKulcsid{"ut_kulcsid", {{"id", ColumnType::Long}, {"kulcsid", ColumnType::Long}}, {}};

    kulcs.rows = {{integer(1), QStringLiteral("Egyéb fájlok")},
                  {integer(2), QStringLiteral("Játék")},
                  {integer(3), QStringLiteral("Segédprogram")},
                  {integer(5), QStringLiteral("ŐRÜLT ŰRHAJÓ")},
                  {integer(6), QStringLiteral("Zene – MP3")}};
    kulcs.nextAutoNumber = 9; // 7 and 8 were deleted
    kulcsut.rows = {{integer(1), QStringLiteral("Mindenféle")},
                    {integer(2), QStringLiteral("Telepítő")},
                    {integer(4), QStringLiteral("Régi lemezek")}};

    for (int f = 0; f < folders; ++f) {
        ut.rows.push_back({integer(folderId(f)), folderPath(f)});
        utKulcsid.rows.push_back({integer(folderId(f)), integer(1)});
        if (f % 3 == 0)
            utKulcsid.rows.push_back({integer(folderId(f)), integer(f % 2 == 0 ? 2 : 4)});
    }

    const int files = folders * filesPerFolder;
    const int edges = int(std::size(kEdgeDates));
    for (int i = 0; i < files; ++i) {
        const QString name =
            QString::fromUtf8(kNamePatterns[i % int(std::size(kNamePatterns))]).arg(i);
        Value hossz = i % 13 == 3 ? kNull : integer((std::int64_t(i) * 7919) % 3000000);
        if (i == 7)
            hossz = integer(2147483647);
        const Value crc =
            i % 2 == 0 ? kNull
                       : integer(std::int32_t(std::uint32_t(std::uint64_t(i) * 2654435761u)));
        Value datum = kNull;
        std::optional<QString> expected;
        if (i < edges) {
            const Moment& m = kEdgeDates[i];
            datum = jetwriter::jetDate(m.y, m.mo, m.d, m.h, m.mi, m.s);
            expected = dateText(m.y, m.mo, m.d, m.h, m.mi, m.s);
        } else if (i % 17 != 5) {
            const bool midnight = i % 4 == 0;
            const Moment m{1880 + (i * 37) % 145,
                           1 + i % 12,
                           1 + (i * 7) % 28,
                           midnight ? 0 : (i * 5) % 24,
                           midnight ? 0 : (i * 11) % 60,
                           midnight ? 0 : (i * 13) % 60};
            datum = jetwriter::jetDate(m.y, m.mo, m.d, m.h, m.mi, m.s);
            expected = dateText(m.y, m.mo, m.d, m.h, m.mi, m.s);
        }
        prgnev.rows.push_back(
            {integer(fileId(i)), name, integer(folderId(i / filesPerFolder)), hossz, datum, crc});
        c.expectedDates.push_back(expected);
        nevKulcsid.rows.push_back({integer(fileId(i)), integer(1)});
        if (i % 5 == 0)
            nevKulcsid.rows.push_back(
                {integer(fileId(i)), integer(2 + (i / 5) % 4 + ((i / 5) % 4 >= 2))});
    }
    prgnev.nextAutoNumber = std::int32_t(fileId(files) + 40); // the last rows were deleted

    // Rows the new catalog's rules refuse.
    for (int k = 0; k < flaws.linksToMissingKeyword; ++k)
        nevKulcsid.rows.push_back({integer(fileId(k)), integer(99)});
    for (int k = 0; k < flaws.folderLinksToMissingKeyword; ++k)
        utKulcsid.rows.push_back({integer(folderId(k)), integer(42)});
    for (int k = 0; k < flaws.duplicatePaths; ++k) {
        const std::int64_t id = folderId(folders + k);
        ut.rows.push_back({integer(id), folderPath(k)});
        utKulcsid.rows.push_back({integer(id), integer(1)});
    }
    for (int k = 0; k < flaws.filesWithoutFolder; ++k) {
        const std::int64_t id = fileId(files + k);
        prgnev.rows.push_back({integer(id), QStringLiteral("árva_%1.dat").arg(k),
                               integer(900000 + k), integer(k), kNull, kNull});
        c.expectedDates.push_back(std::nullopt);
        nevKulcsid.rows.push_back({integer(id), integer(1)});
    }
    if (flaws.filesWithoutFolder > 0)
        prgnev.nextAutoNumber = std::int32_t(fileId(files + flaws.filesWithoutFolder) + 40);

    c.tables = {prgnev, ut, kulcs, kulcsut, nevKulcsid, utKulcsid};
    return c;
}

std::vector<Table> otherSchema()
{
    Table customers{"Vevok",
                    {{"id", ColumnType::Long, 0, true}, {"nev", ColumnType::Text, 100}},
                    {{integer(1), QStringLiteral("Kovács Ödön")}}};
    Table orders{"Rendelesek",
                 {{"id", ColumnType::Long, 0, true},
                  {"vevo", ColumnType::Long},
                  {"datum", ColumnType::DateTime}},
                 {{integer(1), integer(1), jetwriter::jetDate(1999, 3, 4)}}};
    return {customers, orders};
}

} // namespace jetfixture
