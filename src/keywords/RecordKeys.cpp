#include "RecordKeys.h"

#include "platform/ErrorNumbers.h"
#include "platform/Skipped.h"
#include "shared/Module1.h"

namespace keywords {

RecordKeys::RecordKeys(bool files, Asker ask) : m_subject(Subject::of(files)), m_ask(std::move(ask))
{
}

bool RecordKeys::load(const QString& catalogPath)
{
    try {
        m_db = store::Database::open(catalogPath);
        D1.setDatabaseName(catalogPath);
        D1.setRecordSource(m_subject.recordSql);
        D1.refresh();
        return true;
    } catch (const platform::Error& e) {
        m_ask(readFailure(e));
        return false;
    }
}

QStringList RecordKeys::activate()
{
    try {
        m_items = keywordTexts(m_db, m_subject);
    } catch (const platform::Error&) {
        m_items.clear();
    }
    return m_items;
}

std::optional<qint64> RecordKeys::currentRecordId()
{
    try {
        const QVariant id = D1.value(m_subject.idColumn);
        if (id.isValid())
            return id.toLongLong();
    } catch (const platform::Error& e) {
        platform::logSkipped("RecordKeys::currentRecordId", e);
    }
    return std::nullopt;
}

QList<int> RecordKeys::kulcsmutat()
{
    const std::optional<qint64> id = currentRecordId();
    if (!id)
        return {};
    try {
        return Module1::keywordItems(m_items, Module1::kulcsmutat(m_db, m_subject, *id));
    } catch (const platform::Error&) {
        return {};
    }
}

bool RecordKeys::kulcstarol(const QList<int>& selectedItems)
{
    const std::optional<qint64> id = currentRecordId();
    if (!id)
        return false;
    QStringList selected;
    for (int item : selectedItems)
        if (item >= 0 && item < m_items.size())
            selected << m_items.at(item);
    try {
        Module1::kulcstarol(m_db, m_subject, *id, selected);
        return true;
    } catch (const platform::Error& e) {
        m_ask(writeFailure(e));
        return false;
    }
}

void RecordKeys::close()
{
    try {
        D1.closeDatabase();
    } catch (const platform::Error& e) {
        platform::logSkipped("RecordKeys::close", e);
    }
    m_db.close();
}

} // namespace keywords
