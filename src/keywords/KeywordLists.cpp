#include "KeywordLists.h"

#include "platform/ErrorNumbers.h"
#include "platform/Skipped.h"

#include <algorithm>

namespace keywords {

using platform::MessageKinds;
namespace err = platform::err;

namespace {

struct ListTraits
{
    const char* table;
    const char* column;
    const char* linkedFirstLine;
    const char* linkedSecondLine;
};

const ListTraits& traits(KeywordList list)
{
    static const ListTraits files{
        "kulcs", "kulcs",
        "Erre a kulcsra egy vagy több PROGRAM NÉV hivatkozik ezért nem lehet törölni !",
        "A hivatkozó programoknál törölje ezt a kulcsot és próbálja újra!"};
    static const ListTraits folders{
        "kulcsut", "nev", "Erre a kulcsra egy vagy több ÚT hivatkozik ezért nem lehet törölni !",
        "A hivatkozó utaknál törölje ezt a kulcsot és próbálja újra!"};
    return list == KeywordList::Files ? files : folders;
}

const Message kDefaultNotDeleted{QStringLiteral("Az alapértelmezett kulcsot nem lehet törölni !"),
                                 MessageKinds::Buttons::Ok, MessageKinds::Icon::Critical};

} // namespace

KeywordLists::KeywordLists(Asker ask) : m_ask(std::move(ask)) {}

void KeywordLists::load()
{
    m_current = KeywordList::Folders;
    m_row[0] = m_row[1] = 0;
    m_keyText.clear();
    m_readFailureShown = false;
}

bool KeywordLists::activate(const QString& catalogPath)
{
    bool ok = true;
    for (KeywordList list : {KeywordList::Files, KeywordList::Folders}) {
        store::DataSource& s = source(list);
        m_row[index(list)] = 0;
        try {
            s.setDatabaseName(catalogPath);
            s.setRecordSource(QString::fromUtf8(traits(list).table));
            s.refresh();
        } catch (const platform::Error& e) {
            if (ok && !m_readFailureShown) {
                m_readFailureShown = true;
                show(readFailure(e));
            }
            ok = false;
        }
    }
    return ok;
}

void KeywordLists::close()
{
    for (store::DataSource* s : {&fkadat, &ukadat}) {
        try {
            s->closeDatabase();
        } catch (const platform::Error& e) {
            platform::logSkipped("KeywordLists::close", e);
        }
    }
}

void KeywordLists::click(KeywordList list, qint64 row)
{
    m_current = list;
    rowMoved(list, row);
}

void KeywordLists::rowMoved(KeywordList list, qint64 row)
{
    // A grid without a current row has nothing chosen: the first row is safe,
    // since it asks before anything is changed there.
    m_row[index(list)] = std::max<qint64>(row, 0);
}

QString KeywordLists::szerkeszt(KeywordList list, qint64 row)
{
    click(list, row);
    store::DataSource& s = source(list);
    m_keyText =
        s.cell(currentRow(list), s.columnIndex(QString::fromUtf8(traits(list).column))).toString();
    return m_keyText;
}

QString KeywordLists::felvesz(KeywordList list, const QString& editorText)
{
    m_keyText = editorText;
    if (m_keyText.isEmpty()) {
        show({QStringLiteral("Nem adott meg kulcsot!"), MessageKinds::Buttons::Ok,
              MessageKinds::Icon::Exclamation});
        return QString();
    }
    const qint64 row = currentRow(list);
    if (row == 0 &&
        show({QStringLiteral("Az alapértelmezett kulcsot akarja kicserélni ") + m_keyText +
                  QStringLiteral("-ra/re !"),
              MessageKinds::Buttons::OkCancel,
              MessageKinds::Icon::Question}) != MessageKinds::Answer::Ok)
        return QString();

    store::DataSource& s = source(list);
    const Message duplicate{QLatin1Char('"') + m_keyText + QLatin1Char('"') +
                                QStringLiteral("  már létezik ezért nem lehet felvenni!"),
                            MessageKinds::Buttons::Ok, MessageKinds::Icon::Exclamation};
    bool taken = false;
    try {
        // The check and the save see the same list.
        store::Transaction t(s.database());
        // Renaming in place keeps the keyword's id, and with it every link.
        qint64 ownId = 0;
        if (row < s.recordCount()) {
            s.setAbsolutePosition(row);
            ownId = s.value(QStringLiteral("id")).toLongLong();
            s.edit();
        } else {
            s.addNew();
        }
        taken = textTaken(list, m_keyText, ownId);
        if (taken) {
            s.cancelUpdate();
        } else {
            s.setValue(QString::fromUtf8(traits(list).column), m_keyText);
            s.update();
            t.commit();
        }
    } catch (const platform::Error& e) {
        s.cancelUpdate();
        show(e.number() == err::DuplicateValue ? duplicate : writeFailure(e));
        return m_keyText;
    }
    // Told once the catalog is free again.
    if (taken) {
        show(duplicate);
        return m_keyText;
    }
    return QString();
}

// The list's unique index compares letters exactly; a keyword that differs
// only in letter case (accented letters too) is the same keyword all the same.
// A keyword may take another case of its own text.
bool KeywordLists::textTaken(KeywordList list, const QString& text, qint64 ownId)
{
    const ListTraits& t = traits(list);
    store::Statement st =
        source(list).database().prepare(QStringLiteral("SELECT id, %1 FROM %2")
                                            .arg(QLatin1String(t.column), QLatin1String(t.table)));
    const QString folded = text.toCaseFolded();
    while (st.step())
        if (st.value(0).toLongLong() != ownId && st.value(1).toString().toCaseFolded() == folded)
            return true;
    return false;
}

void KeywordLists::torles(KeywordList list)
{
    const qint64 row = currentRow(list);
    if (row == 0) {
        show(kDefaultNotDeleted);
        return;
    }
    store::DataSource& s = source(list);
    try {
        if (row >= s.recordCount())
            return; // the empty row holds no keyword
        s.setAbsolutePosition(row);
        // Should the default keyword ever stand elsewhere than first, it still stays.
        if (s.value(QStringLiteral("id")).toLongLong() == 1) {
            show(kDefaultNotDeleted);
            return;
        }
        s.deleteCurrent();
    } catch (const platform::Error& e) {
        if (e.number() == err::RelatedRecords)
            show({QString::fromUtf8(traits(list).linkedFirstLine) + QStringLiteral("\r\n") +
                      QString::fromUtf8(traits(list).linkedSecondLine),
                  MessageKinds::Buttons::Ok, MessageKinds::Icon::Information});
        else
            show(writeFailure(e));
        return;
    }
    m_row[index(list)] = 0;
    try {
        s.moveFirst();
    } catch (const platform::Error& e) {
        platform::logSkipped("KeywordLists::torles", e);
    }
}

} // namespace keywords
