#include "Database.h"

#include "Like.h"
#include "platform/ErrorNumbers.h"

#include <QFileInfo>
#include <cerrno>
#include <sqlite3.h>
#include <utility>

namespace store {

namespace {

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc < 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL ||
        sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* pattern = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int patternLen = sqlite3_value_bytes(argv[0]);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const int textLen = sqlite3_value_bytes(argv[1]);
    sqlite3_result_int(ctx, likeMatchUtf8(pattern, patternLen, text, textLen) ? 1 : 0);
}

} // namespace

Database Database::openWith(const QString& path, int flags, int busyTimeoutMs)
{
    sqlite3* handle = nullptr;
    const QByteArray native = path.toUtf8();
    const int rc = sqlite3_open_v2(native.constData(), &handle,
                                   flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : "open failed");
        const int code = handle ? sqlite3_extended_errcode(handle) : rc;
        sqlite3_close(handle);
        throw platform::Error(platform::errorFromEngine(rc), message, {}, code);
    }
    sqlite3_extended_result_codes(handle, 1);
    sqlite3_busy_timeout(handle, busyTimeoutMs);
    // LIKE overridden with two arguments replaces the engine's own operator.
    sqlite3_create_function(handle, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            likeFunction, nullptr, nullptr);
    Database db;
    db.m_db = handle;
    db.m_path = path;
    db.execScript(QStringLiteral("PRAGMA foreign_keys=ON"));
    return db;
}

Database::~Database()
{
    close();
}

Database::Database(Database&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_path(std::move(other.m_path))
{
}

Database& Database::operator=(Database&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_path = std::move(other.m_path);
    }
    return *this;
}

Database Database::open(const QString& path, int busyTimeoutMs)
{
    return openExisting(path, SQLITE_OPEN_READWRITE, busyTimeoutMs);
}

Database Database::openReadOnly(const QString& path, int busyTimeoutMs)
{
    return openExisting(path, SQLITE_OPEN_READONLY, busyTimeoutMs);
}

Database Database::openExisting(const QString& path, int flags, int busyTimeoutMs)
{
    // The engine would report a missing file only as "cannot open"; ask the
    // file system so the user hears whether the file or its folder is missing.
    if (path.isEmpty())
        throw platform::Error(platform::err::BadFileName, QStringLiteral("empty path"));
    QFileInfo info(path);
    if (!info.exists()) {
        const int e = QFileInfo(info.absolutePath()).isDir() ? ENOENT : ENOTDIR;
        throw platform::Error(platform::errorFromErrno(e), path);
    }
    if (info.isDir())
        throw platform::Error(platform::errorFromErrno(EISDIR), path);
    if (!info.isReadable())
        throw platform::Error(platform::errorFromErrno(EACCES), path);
    // The engine would take an empty file for an empty database.
    if (info.size() == 0)
        throw platform::Error(platform::err::NotADatabase, path);
    Database db = openWith(path, flags, busyTimeoutMs);
    // Reading the schema is the engine's own check that this is a database.
    db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    return db;
}

Database Database::create(const QString& path)
{
    return openWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Database::fail(int rc, const QString& what) const
{
    const int code = m_db ? sqlite3_extended_errcode(m_db) : rc;
    const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    // A catalog without the expected table or view answers as a missing input table.
    const int engineCode = code ? code : rc;
    int number = message.startsWith(QLatin1String("no such table"))
                     ? platform::err::TableNotFound
                     : platform::errorFromEngine(engineCode);
    // A write refused for the file's size (a size limit, a quota) comes as an
    // I/O error, unlike a full disk, though to the user it is one.
    if (m_db && (engineCode & 0xff) == SQLITE_IOERR) {
        const int system = sqlite3_system_errno(m_db);
        if (system == EFBIG || system == EDQUOT || system == ENOSPC)
            number = platform::err::DiskFull;
    }
    throw platform::Error(number, what + QStringLiteral(": ") + message, message, engineCode);
}

void Database::execScript(const QString& sql)
{
    if (!m_db)
        throw platform::Error(platform::err::ObjectNotSet, QStringLiteral("no open catalog"));
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        fail(rc, sql.left(200));
}

int Database::exec(const QString& sql, const QVariantList& params)
{
    Statement st = prepare(sql);
    st.bindAll(params);
    while (st.step()) {
    }
    return sqlite3_changes(m_db);
}

Statement Database::prepare(const QString& sql) const
{
    if (!m_db)
        throw platform::Error(platform::err::ObjectNotSet, QStringLiteral("no open catalog"));
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, sql.left(200));
    return Statement(this, stmt);
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) const
{
    Statement st = prepare(sql);
    st.bindAll(params);
    return st.step() ? st.value(0) : QVariant();
}

qint64 Database::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

bool Database::hasTable(const QString& name) const
{
    return scalar(QStringLiteral("SELECT count(*) FROM sqlite_master "
                                 "WHERE type IN ('table','view') AND name = ?1 COLLATE NOCASE"),
                  {name})
               .toInt() > 0;
}

void Database::begin()
{
    execScript(QStringLiteral("BEGIN IMMEDIATE"));
}

void Database::commit()
{
    execScript(QStringLiteral("COMMIT"));
}

bool Database::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

void Database::rollback() noexcept
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

// Statement

Statement::~Statement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db), m_stmt(std::exchange(other.m_stmt, nullptr))
{
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

namespace {

[[noreturn]] void noStatement()
{
    throw platform::Error(platform::err::ObjectNotSet, QStringLiteral("statement not prepared"));
}

} // namespace

void Statement::bind(int index, const QVariant& value)
{
    if (!m_stmt)
        noStatement();
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::UShort:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, index, bytes.constData(), quint64(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(m_stmt, index, text.constData(), quint64(text.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        m_db->fail(rc, QStringLiteral("bind"));
}

void Statement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
}

void Statement::bindInt64(int index, qint64 value)
{
    if (!m_stmt)
        noStatement();
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        m_db->fail(rc, QStringLiteral("bind"));
}

void Statement::bindText(int index, const QString& text)
{
    if (!m_stmt)
        noStatement();
    const int rc = sqlite3_bind_text16(m_stmt, index, text.utf16(), int(text.size() * 2),
                                       SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        m_db->fail(rc, QStringLiteral("bind"));
}

void Statement::bindUtf8(int index, const char* text, int bytes)
{
    if (!m_stmt)
        noStatement();
    // A null pointer would bind NULL; an empty text stays a text.
    const int rc = sqlite3_bind_text(m_stmt, index, text ? text : "", bytes, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        m_db->fail(rc, QStringLiteral("bind"));
}

void Statement::bindDouble(int index, double value)
{
    if (!m_stmt)
        noStatement();
    const int rc = sqlite3_bind_double(m_stmt, index, value);
    if (rc != SQLITE_OK)
        m_db->fail(rc, QStringLiteral("bind"));
}

void Statement::bindNull(int index)
{
    if (!m_stmt)
        noStatement();
    const int rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        m_db->fail(rc, QStringLiteral("bind"));
}

void Statement::run()
{
    step();
    sqlite3_reset(m_stmt);
}

bool Statement::step()
{
    if (!m_stmt)
        noStatement();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_db->fail(rc, QString::fromUtf8(sqlite3_sql(m_stmt)).left(200));
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column)));
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(m_stmt, column)));
    }
    default:
        return QVariant();
    }
}

} // namespace store
