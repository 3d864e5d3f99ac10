#pragma once

#include "queries/SearchViews.h"

#include <optional>

namespace store {
class Database;
}
struct Subject;

// The searches and bulk commands as the program always wrote them, put into
// the engine's dialect word for word (|| for +, DELETE ... WHERE rowid IN for
// the joined deletes, INSERT OR IGNORE where the unique link key dropped
// repeated rows), with the user's text bound instead of pasted. The rewritten
// statements are checked against these, and the benchmark times both.
namespace literal {

queries::RecordSource compoundSearch(const queries::CompoundSearch& search);
std::optional<queries::RecordSource> conditionSearch(const Subject& subject,
                                                     const queries::Condition& condition);

void assignFileKeywords(store::Database& db, const queries::Condition& condition);
void assignFolderKeywords(store::Database& db, const queries::Condition& condition);
void deleteFiles(store::Database& db, const QString& namePattern, const QString& pathPattern);

} // namespace literal
