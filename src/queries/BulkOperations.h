#pragma once

#include "SearchViews.h"

#include <functional>

namespace store {
class Database;
}

namespace queries {

// Progress of a bulk command on the key-assignment window's bar, 0 to 100.
using Progress = std::function<void(int percent)>;

// The three commands of the condition dialog that change the catalog. Each
// runs as one transaction on the given connection: a failure (thrown as
// platform::Error, also when 'progress' throws) leaves the catalog as it was.
// Patterns and keyword texts are bound, never pasted into SQL.
//
// The keyword commands walk the condition's entries from 1 to the last
// (entry 0, the default keyword, is never touched) and report
// 10 + k x 80 / entries for entry k. The caller shows 10 before and the
// search's 90 and 100 after.

// Files matching both patterns: their links to every listed keyword but
// entry 0 become exactly the selected ones, one link each. Returns the
// number of matching files.
qint64 assignFileKeywords(store::Database& db, const Condition& condition,
                          const Progress& progress = {});

// Folders matching the path pattern: for each listed keyword but entry 0 in
// turn, its links are removed from those folders that hold a file matching
// the name pattern, and, when it is selected, added to every matching folder
// that still has some link. A folder without any link gets none. Returns the
// number of matching folders.
qint64 assignFolderKeywords(store::Database& db, const Condition& condition,
                            const Progress& progress = {});

// Deletes the files matching both patterns with their links, then the
// folders left without files and their links (reporting 30, 50 and 70 on
// the way). Keyword lists stay. Returns the number of files deleted.
qint64 deleteFiles(store::Database& db, const QString& namePattern, const QString& pathPattern,
                   const Progress& progress = {});

// The value of the bar after entry k of 'entries' (10 + k x 80 / entries, rounded half to even).
int keywordStepProgress(int k, int entries);

} // namespace queries
