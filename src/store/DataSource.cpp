#include "DataSource.h"

#include "platform/ErrorNumbers.h"

#include <QRegularExpression>
#include <limits>

namespace store {

namespace {

constexpr qint64 kPageRows = 256;
constexpr int kMaxPages = 32;
// Rows of keys learnt per idle step: a few milliseconds at most.
constexpr qint64 kIdleKeyRows = 64 * 1024;
constexpr qint64 kBeforeAllKeys = std::numeric_limits<qint64>::min();

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

[[noreturn]] void raise(int number, const QString& what)
{
    throw platform::Error(number, what);
}

bool looksLikeTableName(const QString& source)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return name.match(source).hasMatch();
}

QString withoutBlanks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace())
            out += c.toLower();
    return out;
}

// The base view lists each file once, in the order of its id, as the
// catalog's own definition of it does; a view of another shape keeps offsets.
bool isKeyedBaseView(Database& db, const QString& source, const QVariantList& params)
{
    const QString bare = withoutBlanks(source);
    if (!params.isEmpty() ||
        (bare != QLatin1String("alapfile") && bare != QLatin1String("select*fromalapfile")))
        return false;
    static const QString kDefinition = withoutBlanks(QStringLiteral(
        "CREATE VIEW alapfile AS SELECT prgnev.nev AS nev, ut.ut AS ut, prgnev.hossz AS hossz, "
        "prgnev.crc AS crc, prgnev.datum AS datum, prgnev.id AS id FROM prgnev, ut "
        "WHERE prgnev.utid = ut.id"));
    static const QString kKey = withoutBlanks(QStringLiteral("id INTEGER PRIMARY KEY"));
    const QString view = db.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = "
                                                  "'view' AND name = 'alapfile'"))
                             .toString();
    const QString table = db.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = "
                                                   "'table' AND name = 'prgnev'"))
                              .toString();
    return withoutBlanks(view) == kDefinition && withoutBlanks(table).contains(kKey);
}

} // namespace

DataSource::DataSource(QObject* parent) : QObject(parent) {}

DataSource::~DataSource() = default;

template <typename Read> auto DataSource::reading(Read read) -> decltype(read())
{
    try {
        return read();
    } catch (const platform::Error& e) {
        if (e.number() == platform::err::NotADatabase)
            Q_EMIT damaged(m_path);
        throw;
    }
}

void DataSource::setDatabaseName(const QString& path)
{
    if (path == m_path)
        return;
    m_path = path;
    if (m_db.isOpen())
        m_db.close();
    invalidateRows();
}

void DataSource::setRecordSource(const QString& source, const QVariantList& params)
{
    setRecordSource(source, params, QString());
}

void DataSource::setRecordSource(const QString& source, const QVariantList& params,
                                 const QString& countSql)
{
    m_source = source;
    m_params = params;
    m_countSql = countSql;
}

void DataSource::requireOpen() const
{
    if (!m_db.isOpen())
        raise(platform::err::ObjectNotSet, QStringLiteral("the data source has no open catalog"));
}

Database& DataSource::database()
{
    if (!m_db.isOpen())
        m_db = Database::open(m_path);
    return m_db;
}

void DataSource::closeDatabase()
{
    m_editMode = EditMode::None;
    requireOpen();
    m_db.close();
    m_columns.clear();
    m_storedColumns = 0;
    m_table.clear();
    m_tableKey.clear();
    invalidateRows();
    m_pos = -1;
    Q_EMIT refreshed();
}

void DataSource::refresh()
{
    try {
        runSource();
    } catch (...) {
        // Whatever showed the old rows must not go on showing them.
        invalidateRows();
        m_columns.clear();
        m_storedColumns = 0;
        m_pos = -1;
        Q_EMIT refreshed();
        throw;
    }
    Q_EMIT refreshed();
}

void DataSource::runSource()
{
    m_editMode = EditMode::None;
    m_edits.clear();
    invalidateRows();
    m_pos = -1;
    m_columns.clear();
    m_storedColumns = 0;
    m_table.clear();
    m_tableKey.clear();
    m_keyColumn = -1;
    m_keyName.clear();

    Database& db = database();
    QString source = m_source.trimmed();
    while (source.endsWith(QLatin1Char(';')))
        source.chop(1);
    const QString given = source;
    if (looksLikeTableName(source)) {
        Statement lookup = db.prepare(QStringLiteral("SELECT type, name FROM sqlite_master WHERE "
                                                     "name = ?1 COLLATE NOCASE AND type IN "
                                                     "('table','view')"));
        lookup.bind(1, source);
        if (!lookup.step())
            raise(platform::err::TableNotFound, source);
        const QString type = lookup.value(0).toString();
        source = lookup.value(1).toString(); // as the catalog spells it
        if (type == QLatin1String("table")) {
            m_table = source;
            Statement info = db.prepare(QStringLiteral("PRAGMA table_info(") + quoted(source) +
                                        QLatin1Char(')'));
            while (info.step()) {
                if (info.value(5).toInt() == 1 &&
                    info.value(2).toString().compare(QLatin1String("INTEGER"),
                                                     Qt::CaseInsensitive) == 0)
                    m_tableKey = info.value(1).toString();
            }
        } else {
            source = QStringLiteral("SELECT * FROM ") + quoted(source);
        }
    }
    m_sourceSql = m_table.isEmpty() ? source : QString();

    Statement probe = db.prepare(selectText() + QStringLiteral(" LIMIT 0"));
    if (m_table.isEmpty())
        probe.bindAll(m_params);
    m_storedColumns = probe.columnCount();
    const int shown = m_table.isEmpty() ? m_storedColumns : m_storedColumns - 1;
    for (int i = 0; i < shown; ++i)
        m_columns << probe.columnName(i);

    if (!m_table.isEmpty()) {
        m_keyColumn = m_storedColumns - 1;
        m_keyName = QStringLiteral("rowid");
    } else if (isKeyedBaseView(db, given, m_params)) {
        m_keyColumn = columnIndex(QStringLiteral("id"));
        m_keyName = QStringLiteral("\"id\"");
    }

    if (page(0).rows > 0)
        m_pos = 0;
}

QString DataSource::selectText() const
{
    if (!m_table.isEmpty())
        return QStringLiteral("SELECT *, rowid FROM ") + quoted(m_table) +
               QStringLiteral(" ORDER BY rowid");
    return QStringLiteral("SELECT * FROM (") + m_sourceSql + QLatin1Char(')');
}

QString DataSource::keyedText(const QString& what, const QString& limit) const
{
    const QString from = m_table.isEmpty() ? QStringLiteral("(") + m_sourceSql + QLatin1Char(')')
                                           : quoted(m_table);
    // Keyed sources take no parameters of their own: the key is ?1.
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 > ?1 ORDER BY %3 LIMIT %4")
        .arg(what, from, m_keyName, limit);
}

void DataSource::invalidateRows()
{
    m_pages.clear();
    m_lru.clear();
    m_count.reset();
    m_pageAfter = {{0, kBeforeAllKeys}};
    m_densePages = 1;
    m_keysComplete = false;
    if (m_directoryTimer)
        m_directoryTimer->stop();
}

// Reads up to maxRows keys on from the known pages, noting where each page
// starts; the end of the view found on the way gives the row count.
void DataSource::learnKeys(qint64 maxRows)
{
    if (m_keysComplete)
        return;
    const qint64 from = m_densePages - 1;
    reading([&] {
        Statement st = m_db.prepare(keyedText(m_keyName, QString::number(maxRows)));
        st.bindInt64(1, m_pageAfter.at(from));
        qint64 rows = 0;
        while (st.step())
            if (++rows % kPageRows == 0)
                m_pageAfter[from + rows / kPageRows] = st.value(0).toLongLong();
        m_densePages = from + 1 + rows / kPageRows;
        while (m_pageAfter.count(m_densePages))
            ++m_densePages;
        if (rows < maxRows) {
            m_keysComplete = true;
            if (!m_count)
                m_count = from * kPageRows + rows;
        }
    });
}

// The known page nearest before pageIndex, and the key it starts after.
std::pair<qint64, qint64> DataSource::nearestKnownPage(qint64 pageIndex) const
{
    auto known = m_pageAfter.upper_bound(pageIndex);
    --known; // page 0 is always known
    return *known;
}

void DataSource::extendDirectoryWhenIdle()
{
    if (m_keyColumn < 0 || m_keysComplete)
        return;
    if (!m_directoryTimer) {
        m_directoryTimer = new QTimer(this);
        m_directoryTimer->setInterval(0);
        connect(m_directoryTimer, &QTimer::timeout, this, [this] {
            try {
                if (m_db.isOpen() && m_keyColumn >= 0)
                    learnKeys(kIdleKeyRows);
                else
                    m_keysComplete = true;
            } catch (const platform::Error&) {
                m_keysComplete = true; // the next read of a page reports it
            }
            if (m_keysComplete)
                m_directoryTimer->stop();
        });
    }
    if (!m_directoryTimer->isActive())
        m_directoryTimer->start();
}

const DataSource::Page& DataSource::page(qint64 pageIndex)
{
    auto found = m_pages.find(pageIndex);
    if (found != m_pages.end()) {
        if (m_lru.front() != pageIndex) {
            m_lru.remove(pageIndex);
            m_lru.push_front(pageIndex);
        }
        return found.value();
    }
    requireOpen();
    Page fresh;
    reading([&] {
        // Reset at the end of the block: an open read would block writers on
        // other connections to the catalog.
        Statement st;
        if (m_keyColumn >= 0) {
            // From the nearest page whose start is known: at once when it is this one.
            const auto [known, after] = nearestKnownPage(pageIndex);
            st = m_db.prepare(
                keyedText(m_table.isEmpty() ? QStringLiteral("*") : QStringLiteral("*, rowid"),
                          QString::number(kPageRows)) +
                QStringLiteral(" OFFSET %1").arg((pageIndex - known) * kPageRows));
            st.bindInt64(1, after);
        } else {
            st = m_db.prepare(selectText() + QStringLiteral(" LIMIT %1 OFFSET %2")
                                                 .arg(kPageRows)
                                                 .arg(pageIndex * kPageRows));
            if (m_table.isEmpty())
                st.bindAll(m_params);
        }
        fresh.cells.reserve(size_t(kPageRows) * size_t(m_storedColumns));
        while (st.step()) {
            for (int c = 0; c < m_storedColumns; ++c)
                fresh.cells.push_back(st.value(c));
            ++fresh.rows;
        }
        if (m_keyColumn >= 0 && fresh.rows == kPageRows)
            m_pageAfter.emplace(pageIndex + 1,
                                fresh.cells[size_t((kPageRows - 1) * m_storedColumns +
                                                   m_keyColumn)]
                                    .toLongLong());
    });
    if (m_keyColumn >= 0 && pageIndex >= m_densePages)
        extendDirectoryWhenIdle(); // the next jump this deep costs a page
    if (fresh.rows < kPageRows && (fresh.rows > 0 || pageIndex == 0))
        m_count = pageIndex * kPageRows + fresh.rows; // the end of the view is now known
    if (m_pages.size() >= kMaxPages) {
        m_pages.remove(m_lru.back());
        m_lru.pop_back();
    }
    m_lru.push_front(pageIndex);
    return *m_pages.emplace(pageIndex, std::move(fresh));
}

int DataSource::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    // "table.column" finds the column by its own name, as the engine names view columns.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        return columnIndex(name.mid(dot + 1));
    return -1;
}

qint64 DataSource::recordCount()
{
    if (!m_count) {
        requireOpen();
        m_count = reading([this] {
            if (!m_countSql.isEmpty() && m_table.isEmpty())
                return m_db.scalar(m_countSql, m_params).toLongLong();
            return m_db
                .scalar(QStringLiteral("SELECT count(*) FROM (") + selectText() + QLatin1Char(')'),
                        m_table.isEmpty() ? m_params : QVariantList())
                .toLongLong();
        });
    }
    if (*m_count > kMaxPages * kPageRows)
        extendDirectoryWhenIdle();
    return *m_count;
}

bool DataSource::rowExists(qint64 row)
{
    if (row < 0 || !m_db.isOpen())
        return false;
    if (m_count)
        return row < *m_count;
    return row % kPageRows < page(row / kPageRows).rows;
}

bool DataSource::eof()
{
    // An empty view is at its start and its end at once.
    return !rowExists(m_pos < 0 ? 0 : m_pos);
}

void DataSource::setPosition(qint64 row)
{
    m_editMode = EditMode::None;
    if (row == m_pos)
        return;
    m_pos = row;
    Q_EMIT currentRowChanged(row);
}

void DataSource::requireCurrent()
{
    if (!rowExists(m_pos))
        raise(platform::err::NoCurrentRecord, QStringLiteral("no current record"));
}

void DataSource::moveFirst()
{
    requireOpen();
    if (!rowExists(0))
        raise(platform::err::NoCurrentRecord, QStringLiteral("the view is empty"));
    setPosition(0);
}

void DataSource::moveLast()
{
    requireOpen();
    const qint64 count = recordCount();
    if (count == 0)
        raise(platform::err::NoCurrentRecord, QStringLiteral("the view is empty"));
    setPosition(count - 1);
}

void DataSource::moveNext()
{
    requireOpen();
    if (m_pos >= 0 && !rowExists(m_pos))
        raise(platform::err::NoCurrentRecord, QStringLiteral("past the last record"));
    setPosition(m_pos + 1);
}

void DataSource::movePrevious()
{
    requireOpen();
    if (m_pos < 0)
        raise(platform::err::NoCurrentRecord, QStringLiteral("before the first record"));
    setPosition(m_pos - 1);
}

void DataSource::move(qint64 rows)
{
    setAbsolutePosition(m_pos + rows);
}

void DataSource::setAbsolutePosition(qint64 row)
{
    requireOpen();
    if (!rowExists(row))
        raise(platform::err::NoCurrentRecord, QStringLiteral("no such record"));
    setPosition(row);
}

QVariant DataSource::value(int column)
{
    if (column < 0 || column >= m_columns.size())
        raise(platform::err::ItemNotFound, QString::number(column));
    if (m_editMode != EditMode::None) {
        const auto edited = m_edits.constFind(m_columns.at(column));
        if (edited != m_edits.constEnd())
            return edited.value();
        if (m_editMode == EditMode::Adding)
            return QVariant();
    }
    requireCurrent();
    return cell(m_pos, column);
}

QVariant DataSource::value(const QString& column)
{
    const int index = columnIndex(column);
    if (index < 0)
        raise(platform::err::ItemNotFound, column);
    return value(index);
}

QVariant DataSource::cell(qint64 row, int column)
{
    if (row < 0 || column < 0 || column >= m_storedColumns || !m_db.isOpen())
        return QVariant();
    try {
        const Page& p = page(row / kPageRows);
        const qint64 inPage = row % kPageRows;
        if (inPage >= p.rows)
            return QVariant();
        return p.cells[size_t(inPage * m_storedColumns + column)];
    } catch (const platform::Error&) {
        return QVariant();
    }
}

void DataSource::forEachRow(qint64 first, qint64 limit,
                            const std::function<bool(qint64, const Statement&)>& row)
{
    requireOpen();
    if (first < 0)
        first = 0;
    const QString count = QString::number(limit < 0 ? -1 : limit);
    Statement st;
    if (m_keyColumn >= 0) {
        // Starts from the nearest page whose first key is known.
        const auto [known, after] = nearestKnownPage(first / kPageRows);
        st = m_db.prepare(keyedText(m_table.isEmpty() ? QStringLiteral("*")
                                                      : QStringLiteral("*, rowid"),
                                    count) +
                          QStringLiteral(" OFFSET %1").arg(first - known * kPageRows));
        st.bindInt64(1, after);
    } else {
        st = m_db.prepare(selectText() + QStringLiteral(" LIMIT %1 OFFSET %2").arg(count).arg(first));
        if (m_table.isEmpty())
            st.bindAll(m_params);
    }
    for (qint64 position = first; reading([&st] { return st.step(); }); ++position)
        if (!row(position, st))
            break;
}

qint64 DataSource::nextAutoId()
{
    qint64 next = m_db.scalar(QStringLiteral("SELECT coalesce(max(rowid), 0) FROM ") +
                              quoted(m_table))
                      .toLongLong();
    if (m_db.hasTable(QStringLiteral("sqlite_sequence"))) {
        const qint64 seq =
            m_db.scalar(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"),
                        {m_table})
                .toLongLong();
        next = std::max(next, seq);
    }
    return next + 1;
}

void DataSource::addNew()
{
    requireOpen();
    if (m_table.isEmpty())
        raise(platform::err::ReadOnlyObject, QStringLiteral("the view cannot be edited"));
    m_edits.clear();
    if (!m_tableKey.isEmpty())
        m_edits.insert(m_columns.at(columnIndex(m_tableKey)), nextAutoId());
    m_editMode = EditMode::Adding;
}

void DataSource::edit()
{
    requireOpen();
    if (m_table.isEmpty())
        raise(platform::err::ReadOnlyObject, QStringLiteral("the view cannot be edited"));
    requireCurrent();
    m_edits.clear();
    m_editRowId = cell(m_pos, m_storedColumns - 1).toLongLong();
    m_editMode = EditMode::Editing;
}

void DataSource::setValue(const QString& column, const QVariant& value)
{
    if (m_editMode == EditMode::None)
        raise(platform::err::NoEditInProgress, QStringLiteral("no edit in progress"));
    const int index = columnIndex(column);
    if (index < 0)
        raise(platform::err::ItemNotFound, column);
    m_edits.insert(m_columns.at(index), value);
}

void DataSource::update()
{
    if (m_editMode == EditMode::None)
        raise(platform::err::NoEditInProgress, QStringLiteral("no edit in progress"));
    QStringList names;
    QVariantList values;
    for (auto it = m_edits.constBegin(); it != m_edits.constEnd(); ++it) {
        names << quoted(it.key());
        values << it.value();
    }
    if (m_editMode == EditMode::Adding) {
        QStringList marks;
        for (int i = 1; i <= names.size(); ++i)
            marks << QStringLiteral("?%1").arg(i);
        const QString sql = names.isEmpty()
                                ? QStringLiteral("INSERT INTO ") + quoted(m_table) +
                                      QStringLiteral(" DEFAULT VALUES")
                                : QStringLiteral("INSERT INTO ") + quoted(m_table) +
                                      QStringLiteral(" (") + names.join(QLatin1Char(',')) +
                                      QStringLiteral(") VALUES (") +
                                      marks.join(QLatin1Char(',')) + QLatin1Char(')');
        m_db.exec(sql, values);
    } else if (!names.isEmpty()) {
        QStringList sets;
        for (int i = 0; i < names.size(); ++i)
            sets << names.at(i) + QStringLiteral("=?%1").arg(i + 1);
        values << m_editRowId;
        m_db.exec(QStringLiteral("UPDATE ") + quoted(m_table) + QStringLiteral(" SET ") +
                      sets.join(QLatin1Char(',')) +
                      QStringLiteral(" WHERE rowid=?%1").arg(values.size()),
                  values);
    }
    m_editMode = EditMode::None;
    m_edits.clear();
    invalidateRows();
    Q_EMIT rowsChanged();
}

void DataSource::cancelUpdate()
{
    m_editMode = EditMode::None;
    m_edits.clear();
}

void DataSource::deleteCurrent()
{
    requireOpen();
    if (m_table.isEmpty())
        raise(platform::err::ReadOnlyObject, QStringLiteral("the view cannot be edited"));
    requireCurrent();
    const qint64 rowId = cell(m_pos, m_storedColumns - 1).toLongLong();
    m_db.exec(QStringLiteral("DELETE FROM ") + quoted(m_table) + QStringLiteral(" WHERE rowid=?1"),
              {rowId});
    m_editMode = EditMode::None;
    invalidateRows();
    Q_EMIT rowsChanged();
}

} // namespace store
