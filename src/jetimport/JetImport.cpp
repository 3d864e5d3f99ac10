#include "JetImport.h"

#include "JetDates.h"
#include "JetReader.h"
#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"
#include "store/CatalogFiles.h"
#include "store/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <unordered_set>

namespace jetimport {

namespace {

using store::Statement;

// The six tables in the order they are filled: keywords before the links
// that name them, folders before files.
constexpr const char* kTables[] = {"kulcs", "kulcsut", "ut", "prgnev", "ut_kulcsid", "nev_kulcsid"};

// The columns a table must have; a file's length, date and checksum may be
// missing (they are NULL then).
struct RequiredColumns
{
    const char* name;
    std::vector<const char*> required;
};

const RequiredColumns kRequired[] = {
    {"kulcs", {"id", "kulcs"}},
    {"kulcsut", {"id", "nev"}},
    {"ut", {"id", "ut"}},
    {"prgnev", {"id", "nev", "utid"}},
    {"ut_kulcsid", {"id", "kulcsid"}},
    {"nev_kulcsid", {"id", "kulcsid"}},
};

bool startsWithVowel(const QString& word)
{
    static const QString vowels = QStringLiteral("aáeéiíoóöőuúüűAÁEÉIÍOÓÖŐUÚÜŰ");
    return !word.isEmpty() && vowels.contains(word.front());
}

// "a kulcs", "az ut"
QString withArticle(const QString& word)
{
    return (startsWithVowel(word) ? QStringLiteral("az ") : QStringLiteral("a ")) + word;
}

QString capitalised(const QString& text)
{
    return text.isEmpty() ? text : text.front().toUpper() + text.mid(1);
}

QString reasonText(Refusal r)
{
    switch (r) {
    case Refusal::MissingFolder:
        return QStringLiteral("nem létező mappára mutat");
    case Refusal::MissingFile:
        return QStringLiteral("nem létező file-ra mutat");
    case Refusal::MissingKeyword:
        return QStringLiteral("nem létező kulcsszóra mutat");
    case Refusal::DuplicatePath:
        return QStringLiteral("az útvonala már szerepel");
    case Refusal::DuplicateKeyword:
        return QStringLiteral("a kulcsszó már szerepel");
    case Refusal::DuplicateLink:
        return QStringLiteral("ez a kapcsolat már szerepel");
    case Refusal::DuplicateId:
        return QStringLiteral("az azonosítója már foglalt");
    case Refusal::Unreadable:
        return QStringLiteral("nem tudtam elolvasni");
    }
    return {};
}

[[noreturn]] void refuse(const QString& message)
{
    throw platform::Error(platform::err::NotADatabase, message, message);
}

std::optional<std::int64_t> integerOf(const Cell& c)
{
    switch (c.kind) {
    case Cell::Kind::Integer:
        return c.integer;
    case Cell::Kind::Real:
        if (std::isfinite(c.real) && c.real == std::trunc(c.real) && std::fabs(c.real) < 9.0e18)
            return std::int64_t(c.real);
        return std::nullopt;
    case Cell::Kind::Text: {
        bool ok = false;
        const qint64 n = QByteArray(c.text, c.bytes).trimmed().toLongLong(&ok);
        return ok ? std::optional<std::int64_t>(n) : std::nullopt;
    }
    case Cell::Kind::Null:
    case Cell::Kind::Date:
        break;
    }
    return std::nullopt;
}

// A row's values kept for a statement that writes many rows at once.
class Row
{
public:
    void bindInt64(int index, std::int64_t value) { at(index) = {Kind::Integer, value, 0, {}}; }
    void bindDouble(int index, double value) { at(index) = {Kind::Real, 0, value, {}}; }
    void bindNull(int index) { at(index) = {}; }
    void bindUtf8(int index, const char* text, int bytes)
    {
        at(index) = {Kind::Text, 0, 0, std::string(text, std::size_t(bytes))};
    }
    void bindText(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        bindUtf8(index, utf8.constData(), int(utf8.size()));
    }
    // Binds the values to parameters first + 1, first + 2, ...
    void bindTo(Statement& st, int first) const
    {
        for (std::size_t c = 0; c < m_values.size(); ++c) {
            const Value& v = m_values[c];
            const int index = first + int(c) + 1;
            switch (v.kind) {
            case Kind::Null:
                st.bindNull(index);
                break;
            case Kind::Integer:
                st.bindInt64(index, v.integer);
                break;
            case Kind::Real:
                st.bindDouble(index, v.real);
                break;
            case Kind::Text:
                st.bindUtf8(index, v.text.data(), int(v.text.size()));
                break;
            }
        }
    }

private:
    enum class Kind
    {
        Null,
        Integer,
        Real,
        Text
    };
    struct Value
    {
        Kind kind = Kind::Null;
        std::int64_t integer = 0;
        double real = 0;
        std::string text;
    };
    Value& at(int index)
    {
        if (m_values.size() < std::size_t(index))
            m_values.resize(std::size_t(index));
        return m_values[std::size_t(index - 1)];
    }
    std::vector<Value> m_values;
};

// A text column that may not be NULL: an empty text stands in.
template <class Target> void bindText(Target& st, int index, const Cell& c)
{
    switch (c.kind) {
    case Cell::Kind::Text:
        st.bindUtf8(index, c.text, c.bytes);
        return;
    case Cell::Kind::Integer:
        st.bindText(index, QString::number(c.integer));
        return;
    case Cell::Kind::Real:
        st.bindText(index, QString::number(c.real, 'g', 15));
        return;
    case Cell::Kind::Date:
        st.bindText(index, dateText(c.real).value_or(QString()));
        return;
    case Cell::Kind::Null:
        break;
    }
    st.bindUtf8(index, "", 0);
}

// Lengths and checksums: kept as they are, whole numbers as integers.
template <class Target> void bindNumber(Target& st, int index, const Cell& c)
{
    if (const std::optional<std::int64_t> n =
            c.kind == Cell::Kind::Text ? std::nullopt : integerOf(c)) {
        st.bindInt64(index, *n);
        return;
    }
    switch (c.kind) {
    case Cell::Kind::Real:
        st.bindDouble(index, c.real);
        return;
    case Cell::Kind::Text:
        st.bindUtf8(index, c.text, c.bytes);
        return;
    default:
        st.bindNull(index);
        return;
    }
}

// Dates from the stored value itself; a date kept as text is read in the
// old program's forms, and kept as it is when it is none of them.
template <class Target> void bindDate(Target& st, int index, const Cell& c)
{
    char text[19];
    switch (c.kind) {
    case Cell::Kind::Date:
    case Cell::Kind::Real:
        if (writeDateText(c.real, text)) {
            st.bindUtf8(index, text, 19);
            return;
        }
        break;
    case Cell::Kind::Integer:
        if (writeDateText(double(c.integer), text)) {
            st.bindUtf8(index, text, 19);
            return;
        }
        break;
    case Cell::Kind::Text: {
        const QString raw = QString::fromUtf8(c.text, c.bytes);
        st.bindText(index, dateFromText(raw).value_or(raw));
        return;
    }
    case Cell::Kind::Null:
        break;
    }
    st.bindNull(index);
}

struct PairHash
{
    std::size_t operator()(const std::pair<std::int64_t, std::int64_t>& p) const noexcept
    {
        return std::hash<std::int64_t>()(p.first * 1000003 ^ p.second);
    }
};

void syncPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Rows written many to a statement: what the engine does once per statement
// (opening the table and its indexes, updating the AUTOINCREMENT counter in
// sqlite_sequence) is paid once per batch instead of once per row. A row the
// table's one unique rule refuses is skipped (OR IGNORE) and counted, as a
// statement of its own would have refused it.
class Batch
{
public:
    static constexpr int kRows = 128;

    Batch(store::Database& db, const QString& table, const QString& columns, int columnCount)
        : m_db(db), m_table(table), m_columns(columns), m_columnCount(columnCount),
          m_full(db.prepare(sql(kRows)))
    {
        m_rows.reserve(kRows);
    }

    Row& add()
    {
        m_rows.emplace_back();
        return m_rows.back();
    }
    bool full() const { return int(m_rows.size()) == kRows; }

    // Writes the rows gathered; returns how many were refused.
    qint64 flush()
    {
        if (m_rows.empty())
            return 0;
        std::optional<Statement> shorter;
        if (!full())
            shorter = m_db.prepare(sql(int(m_rows.size())));
        Statement& st = shorter ? *shorter : m_full;
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            m_rows[r].bindTo(st, int(r) * m_columnCount);
        st.run();
        const qint64 refused =
            qint64(m_rows.size()) - m_db.scalar(QStringLiteral("SELECT changes()")).toLongLong();
        m_written += qint64(m_rows.size()) - refused;
        m_rows.clear();
        return refused;
    }
    qint64 written() const { return m_written; }

private:
    QString sql(int rows) const
    {
        QString text =
            QStringLiteral("INSERT OR IGNORE INTO %1 (%2) VALUES ").arg(m_table, m_columns);
        for (int r = 0; r < rows; ++r) {
            text += r ? QStringLiteral(", (") : QStringLiteral("(");
            for (int c = 0; c < m_columnCount; ++c)
                text += (c ? QStringLiteral(", ?") : QStringLiteral("?")) +
                        QString::number(r * m_columnCount + c + 1);
            text += QLatin1Char(')');
        }
        return text;
    }

    store::Database& m_db;
    QString m_table, m_columns;
    int m_columnCount;
    Statement m_full;
    std::vector<Row> m_rows;
    qint64 m_written = 0;
};

class Converter
{
public:
    Converter(JetDatabase& jet, JetPages& pages, store::Database& out, const Progress& progress)
        : m_jet(jet), m_pages(pages), m_out(out), m_progress(progress)
    {
    }

    void run(ImportResult& result)
    {
        for (const char* name : kTables)
            m_total += m_tables.emplace_back(openChecked(name))->rowCount();
        store::Transaction tx(m_out);
        const QStringList indexes = dropLookupIndexes();
        keywords(*m_tables[0], "kulcs", "kulcs", m_keywordIds);
        keywords(*m_tables[1], "kulcsut", "nev", m_folderKeywordIds);
        folders(*m_tables[2]);
        files(*m_tables[3]);
        folderLinks(*m_tables[4]);
        fileLinks(*m_tables[5]);
        for (const QString& sql : indexes)
            m_out.exec(sql);
        for (int i = 0; i < 4; ++i)
            continueCounter(kTables[i],
                            m_pages.nextAutoNumber(m_jet.tablePage(QLatin1String(kTables[i]))));
        tx.commit();
        result.rowsRead = m_read;
        result.rowsWritten = m_written;
        result.leftOut = m_leftOut;
    }

private:
    std::unique_ptr<JetTable> openChecked(const char* name)
    {
        const QString table = QLatin1String(name);
        const std::uint32_t page = m_jet.tablePage(table);
        if (page == 0)
            refuse(missingTableMessage(table));
        if (!m_pages.tableIsSound(page))
            refuse(damagedMessage());
        std::unique_ptr<JetTable> t = m_jet.openTable(table);
        if (!t)
            refuse(missingTableMessage(table));
        // A count no file of this length can hold is damage, not rows to wait for.
        if (t->rowCount() < 0 || t->rowCount() > m_pages.rowCapacity())
            refuse(damagedMessage());
        for (const RequiredColumns& need : kRequired)
            if (table == QLatin1String(need.name))
                for (const char* column : need.required)
                    if (t->column(QLatin1String(column)) < 0)
                        refuse(missingColumnMessage(table, QLatin1String(column)));
        return t;
    }

    // The indexes that only speed up reading are made again once the rows
    // are in: one sort per index instead of a search for every row. Unique
    // ones stay, as they refuse the rows they refuse.
    QStringList dropLookupIndexes()
    {
        QStringList names, sql;
        Statement st = m_out.prepare(QStringLiteral(
            "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL AND "
            "tbl_name IN ('kulcs', 'kulcsut', 'ut', 'prgnev', 'ut_kulcsid', 'nev_kulcsid')"));
        while (st.step()) {
            const QString text = st.value(1).toString();
            if (text.simplified().startsWith(QLatin1String("CREATE UNIQUE"), Qt::CaseInsensitive))
                continue;
            names << st.value(0).toString();
            sql << text;
        }
        for (const QString& name : names)
            m_out.exec(QStringLiteral("DROP INDEX \"%1\"")
                           .arg(QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\""))));
        return sql;
    }

    // Reads the table's next row. At the end, rows its definition counts
    // that could not be read are reported with the others left out.
    bool next(JetTable& t, const char* table)
    {
        if (!t.next()) {
            if (m_readHere < t.rowCount())
                leaveOut(table, Refusal::Unreadable, t.rowCount() - m_readHere);
            m_readHere = 0;
            return false;
        }
        ++m_readHere;
        ++m_read;
        if (m_progress && m_total > 0) {
            const int percent = int(std::min<qint64>(95, m_read * 95 / m_total));
            if (percent != m_percent) {
                m_percent = percent;
                m_progress(percent);
            }
        }
        return true;
    }

    void leaveOut(const char* table, Refusal reason, qint64 rows = 1)
    {
        if (rows <= 0)
            return;
        const QString name = QLatin1String(table);
        for (LeftOut& l : m_leftOut) {
            if (l.table == name && l.reason == reason) {
                l.rows += rows;
                return;
            }
        }
        m_leftOut.push_back({name, reason, rows});
    }

    // Runs an insert; a refusal of the catalog's own rules leaves the row out.
    bool insert(Statement& st, const char* table, Refusal onDuplicate)
    {
        try {
            st.run();
            ++m_written;
            return true;
        } catch (const platform::Error& e) {
            if (e.number() == platform::err::DuplicateValue)
                leaveOut(table, onDuplicate);
            else if (e.number() == platform::err::RelatedRecords)
                leaveOut(table, Refusal::MissingKeyword);
            else
                throw;
        }
        return false;
    }

    // A keyword list replaces the template's, its default keyword (id 1)
    // included when the old list has one.
    void keywords(JetTable& t, const char* table, const char* textColumn,
                  std::unordered_set<std::int64_t>& ids)
    {
        struct Keyword
        {
            std::optional<std::int64_t> id;
            std::string text;
        };
        std::vector<Keyword> rows;
        const int idCol = t.column(QStringLiteral("id"));
        const int textCol = t.column(QLatin1String(textColumn));
        while (next(t, table)) {
            const Cell text = t.cell(textCol);
            rows.push_back(
                {integerOf(t.cell(idCol)), text.kind == Cell::Kind::Text
                                               ? std::string(text.text, std::size_t(text.bytes))
                                               : std::string()});
        }
        const QString name = QLatin1String(table);
        const bool replacesDefault =
            std::any_of(rows.begin(), rows.end(), [](const Keyword& k) { return k.id == 1; });
        // The template's own rows stay unless the old list brings its own.
        std::unordered_set<std::string> texts;
        if (replacesDefault) {
            m_out.exec(QStringLiteral("DELETE FROM %1").arg(name));
        } else {
            Statement existing = m_out.prepare(
                QStringLiteral("SELECT id, %1 FROM %2").arg(QLatin1String(textColumn), name));
            while (existing.step()) {
                ids.insert(existing.value(0).toLongLong());
                texts.insert(existing.value(1).toString().toStdString());
            }
        }
        Statement st = m_out.prepare(QStringLiteral("INSERT INTO %1 (id, %2) VALUES (?1, ?2)")
                                         .arg(name, QLatin1String(textColumn)));
        // Rows without an id get new ones after every numbered row is in.
        std::stable_partition(rows.begin(), rows.end(),
                              [](const Keyword& k) { return k.id.has_value(); });
        for (const Keyword& k : rows) {
            if (k.id && ids.count(*k.id)) {
                leaveOut(table, Refusal::DuplicateId);
                continue;
            }
            if (!texts.insert(k.text).second) {
                leaveOut(table, Refusal::DuplicateKeyword);
                continue;
            }
            if (k.id)
                st.bindInt64(1, *k.id);
            else
                st.bindNull(1);
            st.bindUtf8(2, k.text.data(), int(k.text.size()));
            if (insert(st, table, Refusal::DuplicateKeyword))
                ids.insert(k.id ? *k.id : m_out.lastInsertId());
        }
    }

    void folders(JetTable& t)
    {
        Statement st = m_out.prepare(QStringLiteral("INSERT INTO ut (id, ut) VALUES (?1, ?2)"));
        const int idCol = t.column(QStringLiteral("id"));
        const int pathCol = t.column(QStringLiteral("ut"));
        std::unordered_set<std::string> paths;
        std::vector<std::string> unnumbered;
        while (next(t, "ut")) {
            const Cell path = t.cell(pathCol);
            std::string text = path.kind == Cell::Kind::Text
                                   ? std::string(path.text, std::size_t(path.bytes))
                                   : std::string();
            const std::optional<std::int64_t> id = integerOf(t.cell(idCol));
            if (id && m_folderIds.count(*id)) {
                leaveOut("ut", Refusal::DuplicateId);
                continue;
            }
            if (!paths.insert(text).second) {
                leaveOut("ut", Refusal::DuplicatePath);
                continue;
            }
            if (!id) {
                unnumbered.push_back(std::move(text));
                continue;
            }
            st.bindInt64(1, *id);
            st.bindUtf8(2, text.data(), int(text.size()));
            if (insert(st, "ut", Refusal::DuplicatePath))
                m_folderIds.insert(*id);
        }
        for (const std::string& text : unnumbered) {
            st.bindNull(1);
            st.bindUtf8(2, text.data(), int(text.size()));
            if (insert(st, "ut", Refusal::DuplicatePath))
                m_folderIds.insert(m_out.lastInsertId());
        }
    }

    void files(JetTable& t)
    {
        Statement st = m_out.prepare(QStringLiteral("INSERT INTO prgnev (id, nev, utid, hossz, "
                                                    "datum, crc) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
        Batch batch(m_out, QStringLiteral("prgnev"),
                    QStringLiteral("id, nev, utid, hossz, datum, crc"), 6);
        const auto flush = [&] { leaveOut("prgnev", Refusal::DuplicateId, batch.flush()); };
        const int idCol = t.column(QStringLiteral("id"));
        const int nameCol = t.column(QStringLiteral("nev"));
        const int folderCol = t.column(QStringLiteral("utid"));
        const int lengthCol = t.column(QStringLiteral("hossz"));
        const int dateCol = t.column(QStringLiteral("datum"));
        const int crcCol = t.column(QStringLiteral("crc"));
        while (next(t, "prgnev")) {
            const std::optional<std::int64_t> id = integerOf(t.cell(idCol));
            const std::optional<std::int64_t> folder = integerOf(t.cell(folderCol));
            // Refusals are counted in the order of the rows.
            if (!folder || !m_folderIds.count(*folder)) {
                flush();
                leaveOut("prgnev", Refusal::MissingFolder);
                continue;
            }
            if (id && m_fileIds.count(*id)) {
                flush();
                leaveOut("prgnev", Refusal::DuplicateId);
                continue;
            }
            if (id) {
                Row& row = batch.add();
                row.bindInt64(1, *id);
                bindText(row, 2, t.cell(nameCol));
                row.bindInt64(3, *folder);
                bindNumber(row, 4, t.cell(lengthCol));
                bindDate(row, 5, t.cell(dateCol));
                bindNumber(row, 6, t.cell(crcCol));
                m_fileIds.insert(*id);
                if (batch.full())
                    flush();
                continue;
            }
            // Files without an id are numbered here, after the rows before
            // them; none can link to them.
            flush();
            st.bindNull(1);
            bindText(st, 2, t.cell(nameCol));
            st.bindInt64(3, *folder);
            bindNumber(st, 4, t.cell(lengthCol));
            bindDate(st, 5, t.cell(dateCol));
            bindNumber(st, 6, t.cell(crcCol));
            if (insert(st, "prgnev", Refusal::DuplicateId))
                m_fileIds.insert(m_out.lastInsertId());
        }
        flush();
        m_written += batch.written();
    }

    void folderLinks(JetTable& t)
    {
        Statement st =
            m_out.prepare(QStringLiteral("INSERT INTO ut_kulcsid (id, kulcsid) VALUES (?1, ?2)"));
        const int idCol = t.column(QStringLiteral("id"));
        const int keyCol = t.column(QStringLiteral("kulcsid"));
        std::unordered_set<std::pair<std::int64_t, std::int64_t>, PairHash> links;
        while (next(t, "ut_kulcsid")) {
            const std::optional<std::int64_t> folder = integerOf(t.cell(idCol));
            const std::optional<std::int64_t> keyword = integerOf(t.cell(keyCol));
            if (!folder || !m_folderIds.count(*folder)) {
                leaveOut("ut_kulcsid", Refusal::MissingFolder);
                continue;
            }
            if (!keyword || !m_folderKeywordIds.count(*keyword)) {
                leaveOut("ut_kulcsid", Refusal::MissingKeyword);
                continue;
            }
            if (!links.insert({*folder, *keyword}).second) {
                leaveOut("ut_kulcsid", Refusal::DuplicateLink);
                continue;
            }
            st.bindInt64(1, *folder);
            st.bindInt64(2, *keyword);
            insert(st, "ut_kulcsid", Refusal::DuplicateLink);
        }
    }

    void fileLinks(JetTable& t)
    {
        Batch batch(m_out, QStringLiteral("nev_kulcsid"), QStringLiteral("id, kulcsid"), 2);
        const auto flush = [&] { leaveOut("nev_kulcsid", Refusal::DuplicateLink, batch.flush()); };
        const int idCol = t.column(QStringLiteral("id"));
        const int keyCol = t.column(QStringLiteral("kulcsid"));
        while (next(t, "nev_kulcsid")) {
            const std::optional<std::int64_t> file = integerOf(t.cell(idCol));
            const std::optional<std::int64_t> keyword = integerOf(t.cell(keyCol));
            if (!file || !m_fileIds.count(*file)) {
                flush();
                leaveOut("nev_kulcsid", Refusal::MissingFile);
                continue;
            }
            if (!keyword || !m_keywordIds.count(*keyword)) {
                flush();
                leaveOut("nev_kulcsid", Refusal::MissingKeyword);
                continue;
            }
            Row& row = batch.add();
            row.bindInt64(1, *file);
            row.bindInt64(2, *keyword);
            if (batch.full())
                flush();
        }
        flush();
        m_written += batch.written();
    }

    // New rows are numbered above every imported id, and above the numbers
    // the old catalog had already given to rows deleted since.
    void continueCounter(const char* table, std::int64_t nextJetNumber)
    {
        const QString name = QLatin1String(table);
        const qint64 highest =
            m_out.scalar(QStringLiteral("SELECT max(id) FROM %1").arg(name)).toLongLong();
        const qint64 used = std::max<qint64>(highest, nextJetNumber > 1 ? nextJetNumber - 1 : 0);
        const QVariant seq =
            m_out.scalar(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"), {name});
        if (!seq.isValid())
            m_out.exec(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)"),
                       {name, used});
        else if (seq.toLongLong() < used)
            m_out.exec(QStringLiteral("UPDATE sqlite_sequence SET seq = ?2 WHERE name = ?1"),
                       {name, used});
    }

    JetDatabase& m_jet;
    JetPages& m_pages;
    store::Database& m_out;
    const Progress& m_progress;
    std::vector<std::unique_ptr<JetTable>> m_tables;
    std::unordered_set<std::int64_t> m_keywordIds;
    std::unordered_set<std::int64_t> m_folderKeywordIds;
    std::unordered_set<std::int64_t> m_folderIds;
    std::unordered_set<std::int64_t> m_fileIds;
    std::vector<LeftOut> m_leftOut;
    qint64 m_total = 0;
    qint64 m_read = 0;
    qint64 m_readHere = 0;
    qint64 m_written = 0;
    int m_percent = -1;
};

} // namespace

qint64 ImportResult::leftOutRows() const
{
    qint64 n = 0;
    for (const LeftOut& l : leftOut)
        n += l.rows;
    return n;
}

QString notJetMessage()
{
    return QStringLiteral("Ez nem Access (Jet) adatbázis, nem tudom átalakítani !");
}

QString damagedMessage()
{
    return QStringLiteral("Az adatbázis sérült vagy csonka, nem tudom átalakítani !");
}

QString missingTableMessage(const QString& table)
{
    return QStringLiteral("Ez az adatbázis nem katalógus: hiányzik belőle ") + withArticle(table) +
           QStringLiteral(" tábla. Nem tudom átalakítani !");
}

QString missingColumnMessage(const QString& table, const QString& column)
{
    return QStringLiteral("Ez az adatbázis nem katalógus: ") + withArticle(table) +
           QStringLiteral(" táblából hiányzik ") + withArticle(column) +
           QStringLiteral(" oszlop. Nem tudom átalakítani !");
}

QString leftOutMessage(const ImportResult& result)
{
    if (result.leftOut.empty())
        return {};
    QString text = QStringLiteral("Az átalakítás kész, de néhány sort nem vehettem át:");
    for (const char* table : kTables) {
        for (const LeftOut& l : result.leftOut) {
            if (l.table != QLatin1String(table))
                continue;
            text += QStringLiteral("\r\n") + capitalised(withArticle(l.table)) +
                    QStringLiteral(" táblából") + Module1::Str(l.rows) +
                    QStringLiteral(" sor kimaradt, mert ") + reasonText(l.reason) +
                    QLatin1Char('.');
        }
    }
    return text;
}

QString convertQuestion(const QString& jetPath)
{
    return QStringLiteral("A(z) ") + QFileInfo(jetPath).fileName() +
           QStringLiteral(" régi (Access) formátumú katalógus, így nem tudom megnyitni.\r\n"
                          "Átalakítsam? Az eredeti File változatlan marad, az átalakított "
                          "katalógust új néven mentem el.");
}

QString targetDialogTitle()
{
    return QStringLiteral("Az átalakított katalógus mentése");
}

QString proposedTargetName(const QString& jetPath)
{
    const QFileInfo original(jetPath);
    const QString base = original.absolutePath() + QLatin1Char('/') + original.completeBaseName() +
                         QStringLiteral("_uj");
    QString name = base + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(name) || store::sameFile(name, jetPath); ++n)
        name = base + QString::number(n) + QStringLiteral(".mdb");
    return name;
}

namespace {

ImportResult convert(const QString& jetPath, const QString& templateFile, const QString& target,
                     const Progress& progress, const Staged& staged)
{
    if (target.isEmpty())
        throw platform::Error(platform::err::BadFileName, QStringLiteral("empty target"));
    if (store::sameFile(jetPath, target))
        throw platform::Error(platform::err::FileAlreadyExists, target);
    if (progress)
        progress(0);
    JetPages pages(jetPath);
    if (!pages.readable())
        refuse(damagedMessage());
    if (pages.version() == JetVersion::None)
        refuse(notJetMessage());
    // A Jet file is a whole number of pages, and the system catalog is a table.
    if (!pages.wholePages() || pages.pageCount() < 3 || !pages.tableIsSound(2))
        refuse(damagedMessage());
    std::unique_ptr<JetDatabase> jet;
    try {
        jet = std::make_unique<JetDatabase>(jetPath);
    } catch (const platform::Error&) {
        refuse(damagedMessage());
    }
    store::fileLength(templateFile); // a missing template fails before anything is written

    ImportResult result;
    result.version = jet->version();
    // A name of its own, made here: never the original, never a file left
    // by an earlier conversion that was stopped.
    const QString temp = store::temporaryCopy(templateFile, target, QStringLiteral(".atalakitas"));
    const QByteArray tempName = QFile::encodeName(temp);
    try {
        if (staged)
            staged(temp);
        {
            store::Database out = store::Database::open(temp);
            // The file is thrown away unless the whole conversion succeeds.
            out.execScript(QStringLiteral(
                "PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; PRAGMA cache_size=-131072"));
            // Every link's file, folder and keyword is looked up before it is
            // written, so the engine's own look-up would only repeat it.
            out.execScript(QStringLiteral("PRAGMA foreign_keys=OFF"));
            Converter(*jet, pages, out, progress).run(result);
        }
        syncPath(temp);
        if (::rename(tempName.constData(), QFile::encodeName(target).constData()) != 0)
            platform::throwErrno(target);
        syncPath(QFileInfo(target).absolutePath());
    } catch (...) {
        ::unlink(tempName.constData());
        throw;
    }
    if (progress)
        progress(100);
    return result;
}

} // namespace

ImportResult convertJetCatalog(const QString& jetPath, const QString& templateFile,
                               const QString& target, const Progress& progress,
                               const Staged& staged)
{
    try {
        return convert(jetPath, templateFile, target, progress, staged);
    } catch (const platform::Error&) {
        throw;
    } catch (const std::exception&) {
        // Memory, a length, anything else the file's contents drove out of bounds.
        refuse(damagedMessage());
    }
}

} // namespace jetimport
