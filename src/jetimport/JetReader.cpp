// mdbtools first, after glib: its header includes glib inside extern "C",
// where glib's C++ parts cannot stand, and glib must not meet Qt's keywords.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

#include "JetReader.h"

#include "platform/ErrorNumbers.h"

#include <QFile>
#include <cstring>

namespace jetimport {

namespace {

bool textLike(int type)
{
    return type == MDB_TEXT || type == MDB_MEMO || type == MDB_NUMERIC || type == MDB_REPID;
}

std::int64_t signedLittle(const unsigned char* p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    const int unused = 64 - 8 * bytes;
    return unused > 0 ? std::int64_t(v << unused) >> unused : std::int64_t(v);
}

double littleDouble(const unsigned char* p)
{
    double d;
    std::memcpy(&d, p, 8); // Jet and this machine are both little-endian
    return d;
}

float littleFloat(const unsigned char* p)
{
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

// The converters the library reads text with, named here rather than taken
// from the environment (MDBICONV, MDB_JET3_CHARSET) or from the file's header.
void setTextConverters(MdbHandle* mdb, JetVersion version)
{
    mdb_iconv_close(mdb);
    const char* stored = version == JetVersion::Jet3 ? "WINDOWS-1250" : "UTF-16LE";
    mdb->iconv_in = iconv_open("UTF-8", stored);
    mdb->iconv_out = iconv_open(stored, "UTF-8");
}

} // namespace

struct JetDatabase::Handle
{
    MdbHandle* mdb = nullptr;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

struct JetTable::Handle
{
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    std::vector<MdbColumn*> columns;
    std::vector<std::vector<char>> buffers; // bound text, one per column
    std::vector<int> lengths;
    ~Handle()
    {
        if (table)
            mdb_free_tabledef(table);
    }
};

JetDatabase::JetDatabase(const QString& path) : m(std::make_unique<Handle>())
{
    m_version = jetVersionOf(path);
    if (m_version == JetVersion::None)
        throw platform::Error(platform::err::NotADatabase, path);
    // Read-only: the original is never written.
    m->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!m->mdb)
        throw platform::Error(platform::err::NotADatabase, path);
    setTextConverters(m->mdb, m_version);
    if (!mdb_read_catalog(m->mdb, MDB_TABLE))
        throw platform::Error(platform::err::NotADatabase, path);
}

JetDatabase::~JetDatabase() = default;

QStringList JetDatabase::tableNames() const
{
    QStringList names;
    for (unsigned i = 0; i < m->mdb->num_catalog; ++i) {
        const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m->mdb->catalog, i));
        if (mdb_is_user_table(const_cast<MdbCatalogEntry*>(entry)))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

std::uint32_t JetDatabase::tablePage(const QString& name) const
{
    for (unsigned i = 0; i < m->mdb->num_catalog; ++i) {
        const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m->mdb->catalog, i));
        if (entry->object_type == MDB_TABLE &&
            QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0)
            return std::uint32_t(entry->table_pg);
    }
    return 0;
}

std::unique_ptr<JetTable> JetDatabase::openTable(const QString& name)
{
    for (unsigned i = 0; i < m->mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m->mdb->catalog, i));
        if (entry->object_type != MDB_TABLE ||
            QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        auto h = std::make_unique<JetTable::Handle>();
        h->mdb = m->mdb;
        h->table = mdb_read_table(entry);
        if (!h->table || !mdb_read_columns(h->table))
            throw platform::Error(platform::err::NotADatabase, name);
        const unsigned count = h->table->num_cols;
        h->buffers.resize(count);
        h->lengths.assign(count, 0);
        for (unsigned c = 0; c < count; ++c) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(h->table->columns, c));
            h->columns.push_back(col);
            if (textLike(col->col_type)) {
                h->buffers[c].assign(m->mdb->bind_size + 1, '\0');
                mdb_bind_column(h->table, int(c) + 1, h->buffers[c].data(), &h->lengths[c]);
            }
        }
        mdb_rewind_table(h->table);
        return std::unique_ptr<JetTable>(new JetTable(std::move(h)));
    }
    return nullptr;
}

JetTable::JetTable(std::unique_ptr<Handle> handle) : m(std::move(handle)) {}

JetTable::~JetTable() = default;

std::int64_t JetTable::rowCount() const
{
    return m->table->num_rows;
}

int JetTable::column(const QString& name) const
{
    for (std::size_t c = 0; c < m->columns.size(); ++c)
        if (QString::fromUtf8(m->columns[c]->name).compare(name, Qt::CaseInsensitive) == 0)
            return int(c);
    return -1;
}

bool JetTable::next()
{
    return mdb_fetch_row(m->table) != 0;
}

Cell JetTable::cell(int column) const
{
    Cell cell;
    if (column < 0 || std::size_t(column) >= m->columns.size())
        return cell;
    const MdbColumn* col = m->columns[std::size_t(column)];
    if (col->col_type == MDB_BOOL) {
        // A yes/no value lives in the null mask: set is yes (-1 in Jet).
        cell.kind = Cell::Kind::Integer;
        cell.integer = col->cur_value_len == 0 ? -1 : 0;
        return cell;
    }
    const int length = col->cur_value_len;
    if (length <= 0)
        return cell; // NULL (and, for texts, the empty text)
    if (textLike(col->col_type)) {
        cell.kind = Cell::Kind::Text;
        cell.text = m->buffers[std::size_t(column)].data();
        cell.bytes = m->lengths[std::size_t(column)];
        return cell;
    }
    const int start = col->cur_value_start;
    if (start < 0 || start + length > m->mdb->fmt->pg_size)
        return cell;
    const unsigned char* p = m->mdb->pg_buf + start;
    auto fits = [&](int bytes) { return length >= bytes; };
    switch (col->col_type) {
    case MDB_BYTE:
        cell.kind = Cell::Kind::Integer;
        cell.integer = p[0];
        break;
    case MDB_INT:
        if (fits(2)) {
            cell.kind = Cell::Kind::Integer;
            cell.integer = signedLittle(p, 2);
        }
        break;
    case MDB_LONGINT:
    case MDB_COMPLEX:
        if (fits(4)) {
            cell.kind = Cell::Kind::Integer;
            cell.integer = signedLittle(p, 4);
        }
        break;
    case MDB_MONEY: // ten-thousandths
        if (fits(8)) {
            const std::int64_t units = signedLittle(p, 8);
            if (units % 10000 == 0) {
                cell.kind = Cell::Kind::Integer;
                cell.integer = units / 10000;
            } else {
                cell.kind = Cell::Kind::Real;
                cell.real = double(units) / 10000.0;
            }
        }
        break;
    case MDB_FLOAT:
        if (fits(4)) {
            cell.kind = Cell::Kind::Real;
            cell.real = littleFloat(p);
        }
        break;
    case MDB_DOUBLE:
        if (fits(8)) {
            cell.kind = Cell::Kind::Real;
            cell.real = littleDouble(p);
        }
        break;
    case MDB_DATETIME:
        if (fits(8)) {
            cell.kind = Cell::Kind::Date;
            cell.real = littleDouble(p);
        }
        break;
    default: // binary, long binary: nothing a catalog keeps
        break;
    }
    return cell;
}

} // namespace jetimport
