#pragma once

#include "Asker.h"
#include "store/DataSource.h"

#include <QString>

namespace keywords {

enum class KeywordList
{
    Files,
    Folders
};

// The keyword list editor kulcslap without its widgets: the file keywords
// (fkadat on table kulcs, grid prgkul) and the folder keywords (ukadat on
// table kulcsut, grid utkul), each with the row last chosen in it, and the
// commands on them. Row n is the list's n-th keyword in id order, row 0 the
// default keyword; the row after the last is the empty row that adds one.
//
// Every message goes through the asker; no call throws.
class KeywordLists
{
public:
    explicit KeywordLists(Asker ask);

    store::DataSource fkadat;
    store::DataSource ukadat;
    store::DataSource& source(KeywordList list)
    {
        return list == KeywordList::Files ? fkadat : ukadat;
    }

    // The window opens: the folder list is current, both at their first row,
    // whatever was chosen when it closed last.
    void load();
    // Binds both lists to the catalog and reads them again; each list's row
    // goes back to the first, as its grid does. A catalog that cannot be read
    // is reported the first time only (the message box would activate the
    // window again). False when it failed.
    bool activate(const QString& catalogPath);
    // Closes both connections (the window's unload).
    void close();

    // Szerkeszt: the list and its row become current; returns the row's
    // keyword text, for the editor (empty for the empty row).
    QString szerkeszt(KeywordList list, qint64 row);
    // A click in a list: it becomes the current list, with that row.
    void click(KeywordList list, qint64 row);
    // The list's grid moved to another row; the current list stays.
    void rowMoved(KeywordList list, qint64 row);

    // Felvesz/Módosít under a list with the editor's text: renames the
    // keyword at the list's row, or adds one when the row is the empty row.
    // Returns what the editor holds afterwards.
    QString felvesz(KeywordList list, const QString& editorText);
    // Enter in the editor: Felvesz/Módosít of the current list.
    QString felvesz(const QString& editorText) { return felvesz(m_current, editorText); }
    // Törlés under a list: deletes the keyword at the list's row unless it is
    // the default or still linked.
    void torles(KeywordList list);

    KeywordList currentList() const { return m_current; }
    qint64 currentRow(KeywordList list) const { return m_row[index(list)]; }
    QString keyText() const { return m_keyText; }

private:
    static int index(KeywordList list) { return list == KeywordList::Files ? 0 : 1; }
    platform::MessageKinds::Answer show(const Message& message) { return m_ask(message); }
    bool textTaken(KeywordList list, const QString& text, qint64 ownId);

    Asker m_ask;
    KeywordList m_current = KeywordList::Folders;
    qint64 m_row[2] = {0, 0};
    QString m_keyText;
    bool m_readFailureShown = false;
};

} // namespace keywords
