#pragma once

#include "Asker.h"
#include "shared/Subject.h"
#include "store/DataSource.h"
#include "store/Database.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace keywords {

// The key-assignment window Szerkeszto without its widgets: the records of
// one subject (D1, the grid Fotabla's data source), the subject's keyword
// list (the items of kulcsok, in keyword order) and showing and storing the
// keywords of D1's current record.
class RecordKeys
{
public:
    // files: the subject flag set by the command that opens the window.
    RecordKeys(bool files, Asker ask);

    const Subject& subject() const { return m_subject; }
    store::DataSource D1;

    // Loading: D1 and the connection for the keywords on the catalog, D1 on
    // the subject's records. A catalog that cannot be read is reported; false then.
    bool load(const QString& catalogPath);
    // Activation: reads the keyword list again and returns the items for
    // kulcsok. A failure gives no items, silently (the list then shows none).
    QStringList activate();
    const QStringList& items() const { return m_items; }

    // The id of D1's current record, read afresh; none without a current row.
    std::optional<qint64> currentRecordId();

    // Show the record's keywords: the items to select for D1's current
    // record. The window clears the selection first; any failure selects nothing.
    QList<int> kulcsmutat();
    // Tárolás: links D1's current record to the default keyword and to the
    // keywords of the selected items, all or nothing. Without a current
    // record nothing happens; a refusal of the catalog is reported. True
    // when the links were stored.
    bool kulcstarol(const QList<int>& selectedItems);

    // Closes the connections (the window's unload); failures are skipped.
    void close();

private:
    const Subject& m_subject;
    Asker m_ask;
    store::Database m_db; // the list, the look-ups and the links (D2, D3, D4)
    QStringList m_items;
};

} // namespace keywords
