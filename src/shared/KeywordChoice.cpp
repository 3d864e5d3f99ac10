#include "KeywordChoice.h"

#include <algorithm>

QStringList KeywordChoice::selectedTexts() const
{
    QStringList texts;
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (isSelected(i))
            texts << entries.at(i);
    return texts;
}

KeywordChoice KeywordChoice::defaultOnly(const QStringList& entries)
{
    KeywordChoice choice{entries, QList<bool>(entries.size(), false)};
    if (!choice.selected.isEmpty())
        choice.selected[0] = true;
    return choice;
}

QList<bool> applyDefaultRule(QList<bool> selected)
{
    if (!selected.isEmpty() && std::count(selected.cbegin(), selected.cend(), true) >= 2)
        selected[0] = false;
    return selected;
}
