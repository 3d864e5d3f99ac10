#pragma once

#include <QList>
#include <QStringList>

// A keyword list as a selection list shows it: the texts in table order,
// entry 0 the default keyword, and which entries are selected.
struct KeywordChoice
{
    QStringList entries;
    QList<bool> selected; // as long as entries; a missing flag is "not selected"

    bool isSelected(qsizetype i) const { return selected.value(i, false); }
    QStringList selectedTexts() const;
    int selectedCount() const { return int(selectedTexts().size()); }

    // Every entry listed, entry 0 alone selected: how both windows start.
    static KeywordChoice defaultOnly(const QStringList& entries);
};

// The selection rule of both keyword lists: whenever two or more entries are
// selected, entry 0 (the default keyword) is not, so it is only ever chosen alone.
QList<bool> applyDefaultRule(QList<bool> selected);
