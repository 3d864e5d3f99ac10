#pragma once

#include "Database.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <list>
#include <map>
#include <optional>
#include <vector>

namespace store {

// A named view on a catalog: the catalog path, a record source (SQL SELECT
// text or a table name) and a current row. Rows are read a page at a time and
// only a few pages are kept, so a view of a million rows costs no more memory
// than one of a thousand. No statement stays open between calls, so other
// connections to the same catalog can always write.
//
// Failures are thrown as platform::Error with the program's error numbers.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    // Binding
    QString databaseName() const { return m_path; }
    void setDatabaseName(const QString& path);
    QString recordSource() const { return m_source; }
    // User text in the SQL goes in as parameters ?1, ?2, ... never into the text.
    void setRecordSource(const QString& source, const QVariantList& params = {});
    // The same, with a statement that counts the view's rows from the same
    // parameters without ordering them, for views where counting the view
    // itself would cost more than reading its first rows.
    void setRecordSource(const QString& source, const QVariantList& params,
                         const QString& countSql);
    // Opens the catalog when needed and runs the record source again.
    void refresh();
    // Closes the connection; 3420 when there is none.
    void closeDatabase();
    bool isOpen() const { return m_db.isOpen(); }
    // The open connection, for statements; 3420 when there is none.
    Database& database();

    // The view
    bool isTableSource() const { return !m_table.isEmpty(); }
    // True when pages are read by their rows' keys (tables by rowid, the base
    // view by file id), so a page deep in the view costs no more than the first.
    bool readsByKey() const { return m_keyColumn >= 0; }
    // True once the idle passes know where every page of a keyed view starts.
    bool pageStartsKnown() const { return m_keysComplete; }
    int columnCount() const { return int(m_columns.size()); }
    QStringList columnNames() const { return m_columns; }
    int columnIndex(const QString& name) const; // -1 when absent
    qint64 recordCount(); // counted once per refresh or change

    // The current row: -1 before the first row, recordCount() after the last.
    qint64 absolutePosition() const { return m_pos; }
    bool bof() const { return m_pos < 0; }
    bool eof();
    void moveFirst(); // 3021 on an empty view
    void moveLast();  // 3021 on an empty view
    void moveNext();
    void movePrevious();
    void move(qint64 rows);
    void setAbsolutePosition(qint64 row); // 3021 outside the view
    QVariant value(int column);
    QVariant value(const QString& column);

    // Random access for grids; an invalid QVariant outside the view.
    QVariant cell(qint64 row, int column);

    // Reads rows first .. first + limit - 1 (limit -1: to the end) in one
    // pass, for work over many rows that pages would make slow. 'row' gets
    // each row's position and its values; returning false stops the pass.
    // The current row does not move.
    void forEachRow(qint64 first, qint64 limit,
                    const std::function<bool(qint64 position, const Statement& values)>& row);

    // Editing, on table sources only (3027 otherwise).
    void addNew(); // the new row's automatic id is readable at once
    void edit();   // 3021 without a current row
    void setValue(const QString& column, const QVariant& value);
    void update(); // stores the added or edited row
    void cancelUpdate();
    void deleteCurrent();
    bool isEditing() const { return m_editMode != EditMode::None; }

Q_SIGNALS:
    void refreshed();
    // The engine found the catalog damaged while reading rows of it. Every
    // failing read says so; whoever tells the user decides how often.
    void damaged(const QString& path);
    void currentRowChanged(qint64 row);
    void rowsChanged();

private:
    enum class EditMode { None, Adding, Editing };
    struct Page
    {
        std::vector<QVariant> cells; // rows x (columns + key)
        int rows = 0;
    };

    void runSource();
    template <typename Read> auto reading(Read read) -> decltype(read());
    void requireOpen() const;
    void requireCurrent();
    bool rowExists(qint64 row);
    void setPosition(qint64 row);
    void invalidateRows();
    const Page& page(qint64 pageIndex);
    QString selectText() const;
    QString keyedText(const QString& what, const QString& limit) const;
    void learnKeys(qint64 maxRows);
    std::pair<qint64, qint64> nearestKnownPage(qint64 pageIndex) const;
    void extendDirectoryWhenIdle();
    qint64 nextAutoId();

    QString m_path;
    QString m_source;
    QVariantList m_params;
    QString m_countSql;    // counts the view when set
    QString m_sourceSql;   // the SELECT behind a query source
    QString m_table;       // set when the source is a table
    QString m_tableKey;    // its INTEGER PRIMARY KEY column, if any
    Database m_db;
    QStringList m_columns; // as the view shows them
    int m_storedColumns = 0; // columns read per row, with the hidden rowid of table sources
    std::optional<qint64> m_count;
    qint64 m_pos = -1;

    // Keyed reads: the key column among the stored ones (-1: pages by offset),
    // its name, and for pages the key after which each starts (page 0 from
    // the start), learnt from pages read and from key passes while idle. The
    // pages below m_densePages are all known.
    int m_keyColumn = -1;
    QString m_keyName;
    std::map<qint64, qint64> m_pageAfter;
    qint64 m_densePages = 1;
    bool m_keysComplete = false;
    QTimer* m_directoryTimer = nullptr;

    QHash<qint64, Page> m_pages;
    std::list<qint64> m_lru;

    EditMode m_editMode = EditMode::None;
    QHash<QString, QVariant> m_edits;
    qint64 m_editRowId = -1;
};

} // namespace store
