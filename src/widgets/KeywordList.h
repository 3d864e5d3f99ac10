#pragma once

#include <QList>
#include <QListWidget>
#include <QStringList>

// A keyword list in which each click selects or deselects one entry, any
// number at once. With the default rule on, a click that leaves two or more
// entries selected deselects entry 0 (the default keyword), so the default
// keyword is only ever chosen alone. Selections set by the program are taken
// as they are.
class KeywordList : public QListWidget
{
    Q_OBJECT
public:
    explicit KeywordList(QWidget* parent = nullptr);

    void setDefaultRule(bool on) { m_defaultRule = on; }

    void setEntries(const QStringList& entries);
    QStringList entries() const;

    // One flag per entry, in list order.
    QList<bool> selectedFlags() const;
    void setSelectedFlags(const QList<bool>& flags);
    QList<int> selectedRows() const;
    void selectOnly(const QList<int>& rows);

Q_SIGNALS:
    // The user changed the selection (the default rule already applied).
    void Click();
    // Enter or Escape pressed in the list; the list does nothing else with them.
    void KeyDown(int key);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void userChanged();

    bool m_defaultRule = false;
    bool m_setting = false;
};
