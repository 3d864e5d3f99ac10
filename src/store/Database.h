#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

class Statement;

// One connection to a catalog file. Move-only; closes itself when it goes.
// Every failure is thrown as platform::Error with the program's error number.
class Database
{
public:
    Database() = default;
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // How long a statement waits for another connection's lock before it
    // fails with 55: short enough for a window's single write to answer soon.
    static constexpr int kBusyTimeoutMs = 2000;

    // Opens an existing catalog file read-write and checks that the engine can
    // read it (a garbage file fails with 3343 here, not later).
    static Database open(const QString& path, int busyTimeoutMs = kBusyTimeoutMs);
    // The same checks, opened so that nothing can be written through it (for
    // readers that must leave the file exactly as it is).
    static Database openReadOnly(const QString& path, int busyTimeoutMs = kBusyTimeoutMs);
    // Creates a new, empty database file (used to build the template).
    static Database create(const QString& path);

    bool isOpen() const { return m_db != nullptr; }
    bool inTransaction() const;
    QString path() const { return m_path; }
    void close();

    // Runs one or more statements without parameters.
    void execScript(const QString& sql);
    // Runs one statement with bound parameters; returns the rows changed.
    int exec(const QString& sql, const QVariantList& params = {});
    Statement prepare(const QString& sql) const;
    // First column of the first row, or an invalid QVariant when there is none.
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const;

    qint64 lastInsertId() const;
    bool hasTable(const QString& name) const;

    void begin();
    void commit();
    void rollback() noexcept;

    sqlite3* handle() const { return m_db; }
    [[noreturn]] void fail(int rc, const QString& what) const;

private:
    static Database openWith(const QString& path, int flags, int busyTimeoutMs = kBusyTimeoutMs);
    static Database openExisting(const QString& path, int flags, int busyTimeoutMs);

    sqlite3* m_db = nullptr;
    QString m_path;
};

// A prepared statement; rows are stepped one at a time.
class Statement
{
public:
    Statement() = default;
    Statement(const Database* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    void bind(int index, const QVariant& value); // 1-based, as the engine counts
    void bindAll(const QVariantList& values);
    // Fast binds for hot loops. The text is copied by the engine.
    void bindInt64(int index, qint64 value);
    void bindText(int index, const QString& text);
    void bindUtf8(int index, const char* text, int bytes);
    void bindDouble(int index, double value);
    void bindNull(int index);
    bool step();   // true while a row is ready
    void reset();  // back to before the first row, bindings kept
    void run();    // steps a statement that returns no rows, then resets it
    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;

private:
    const Database* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

// Rolls back unless committed.
class Transaction
{
public:
    explicit Transaction(Database& db) : m_db(db) { m_db.begin(); }
    ~Transaction()
    {
        if (!m_done)
            m_db.rollback();
    }
    void commit()
    {
        m_db.commit();
        m_done = true;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& m_db;
    bool m_done = false;
};

} // namespace store
