#include "KeywordList.h"

#include "shared/KeywordChoice.h"

#include <QKeyEvent>

KeywordList::KeywordList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::MultiSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_setting)
            userChanged();
    });
}

void KeywordList::setEntries(const QStringList& entries)
{
    m_setting = true;
    clear();
    addItems(entries);
    m_setting = false;
}

QStringList KeywordList::entries() const
{
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out << item(i)->text();
    return out;
}

QList<bool> KeywordList::selectedFlags() const
{
    QList<bool> flags(count(), false);
    for (int i = 0; i < count(); ++i)
        flags[i] = item(i)->isSelected();
    return flags;
}

void KeywordList::setSelectedFlags(const QList<bool>& flags)
{
    m_setting = true;
    for (int i = 0; i < count(); ++i)
        item(i)->setSelected(flags.value(i, false));
    m_setting = false;
    viewport()->update();
}

QList<int> KeywordList::selectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            rows << i;
    return rows;
}

void KeywordList::selectOnly(const QList<int>& rows)
{
    QList<bool> flags(count(), false);
    for (const int row : rows)
        if (row >= 0 && row < count())
            flags[row] = true;
    setSelectedFlags(flags);
}

void KeywordList::userChanged()
{
    if (m_defaultRule) {
        const QList<bool> flags = selectedFlags();
        const QList<bool> ruled = applyDefaultRule(flags);
        if (ruled != flags)
            setSelectedFlags(ruled);
    }
    emit Click();
}

void KeywordList::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        emit KeyDown(e->key() == Qt::Key_Escape ? Qt::Key_Escape : Qt::Key_Return);
        e->accept();
        return;
    default:
        QListWidget::keyPressEvent(e);
    }
}
