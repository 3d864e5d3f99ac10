#pragma once

#include "shared/KeywordChoice.h"

#include <QString>
#include <QVariantList>
#include <optional>

struct Subject;

namespace queries {

// SQL for a data source with the user's text bound as parameters ?1, ?2, ...
struct RecordSource
{
    QString sql;
    QVariantList params;
    // When set, a statement with the same parameters that counts the rows of
    // 'sql' without putting them in order: for views of most of the catalog,
    // counting the view itself would cost more than its first rows.
    QString countSql = {};
};

// What the compound search hands to the main window.
struct SearchView
{
    RecordSource source;
    bool baseView = false;   // the main window's base-view flag: a search always clears it
    bool folderList = false; // the rows are folders (file-name pattern, path, "----" x 3)
    QString caption;         // shown after "Leválogatási nézet: "
};

struct CompoundSearch
{
    QString namePattern;
    QString pathPattern;
    KeywordChoice fileKeywords;
    KeywordChoice folderKeywords;
    bool pathOriented = false; // "Út orientált keresés"
};

inline const QString kBaseView = QStringLiteral("SELECT * FROM alapfile");

// Only the default keyword selected in both lists and the two patterns
// reading "**" one after the other ("*" and "*", but also "" and "**"),
// compared as the program always compared them: as one joined text.
bool isTrivialSearch(const CompoundSearch& search);

// The view of the compound search. Files come in path order (ties in the
// order they were recorded); the folder form lists each path once, in order.
// The trivial search, and one without file or without folder keywords, shows
// the base view (or its distinct folders) and ignores the patterns.
SearchView compoundSearchView(const CompoundSearch& search);

// The condition dialog's search for the key-assignment window's grid, in the
// columns of that window's records; none when no keyword is selected.
struct Condition
{
    QString namePattern = QStringLiteral("*"); // files only
    QString pathPattern = QStringLiteral("*");
    KeywordChoice keywords;
};
std::optional<RecordSource> conditionSearch(const Subject& subject, const Condition& condition);

} // namespace queries
