#pragma once

#include <QLocale>
#include <QString>
#include <functional>

namespace store {
class Database;
}

// Procedures shared by the windows.
namespace Module1 {

// Every window of the program carries this property; the main window runs its
// activation steps when it becomes active again after one of them.
inline constexpr const char* kFormProperty = "polcozoForm";

// A number as the program writes it into messages, counters and SQL: one
// blank where a positive number's sign would stand (" 17", "-3").
QString Str(qint64 n);
inline QString Str(int n) { return Str(qint64(n)); }
// A single-precision value, up to seven significant digits, point as the
// decimal separator, no zero before the point (" 25", " 33.33333", " .5").
QString Str(float value);

// " 17 DB rekord ", with its trailing blank.
QString recordCountText(qint64 count);
// The text shown when the view cannot be counted: no leading blank.
inline const QString kUncountedText = QStringLiteral("0 DB rekord ");
// " 3 DB kijelölve"
QString selectionCountText(qint64 count);

} // namespace Module1

namespace Module1 {
// The stored path of a folder: "-" + medium label + "- " + its drive path,
// e.g. "-CD_1- E:\GAMES\DOOM". The label is kept exactly as typed.
QString mediumPath(const QString& label, const QString& drivePath);

// The orphan clean-up, links first: folder-keyword links of folders without
// files, then the folders without files.
inline const QString kOrphanLinksCleanup = QStringLiteral(
    "DELETE FROM ut_kulcsid WHERE NOT EXISTS "
    "(SELECT ' ' FROM prgnev, ut WHERE prgnev.utid=ut.id AND ut.id=ut_kulcsid.id)");
inline const QString kOrphanFoldersCleanup = QStringLiteral(
    "DELETE FROM ut WHERE NOT EXISTS (SELECT ' ' FROM prgnev WHERE prgnev.utid=ut.id)");

// Runs both clean-up statements as one change: inside the caller's
// transaction when one is open, else in a transaction of its own, so a folder
// never goes while its links stay. 'between' runs after the first statement
// (progress). Throws platform::Error; in a transaction of its own nothing of
// it is then kept, in the caller's the caller rolls back.
void orphanCleanup(store::Database& db, const std::function<void()>& between = {});
} // namespace Module1

// Medium-prefixed paths and the path tree.
namespace Module1 {
// The number of "\" in the text.
int perszam(const QString& text);
// Segment n: 0 is the text before the first "\", n >= 1 the text after the
// n-th "\" up to the next one; empty when there are fewer backslashes.
QString utresz(const QString& text, int n);
// The medium label of a stored path (or of its segment 0): "-CD_1- E:" gives "CD_1".
QString mediumLabel(const QString& path);
// All folders of a medium: "-CD_1- *".
QString mediumPattern(const QString& label);
// A file node's key: the node number with its sign blank, then "a ".
QString fileKey(qint64 number);
bool isFileKey(const QString& key);
// A tree node's full path as a pattern that matches its folder on any drive
// letter: "CD_1\GAMES\DOOM" gives "?CD_1? ?:\GAMES\DOOM".
QString pathPattern(const QString& fullPath);
// A byte total as the total-size message shows it: "1,35 MByte".
QString sizeText(qint64 total, const QLocale& locale);
} // namespace Module1

// The keywords of one record: what the key-assignment window shows and stores.
#include <QList>
#include <QStringList>

struct Subject;
namespace store {
class Database;
}
namespace Module1 {
// The texts of the keywords linked to record 'recordId' of the subject, in
// keyword order; none for a record that is not there. Throws platform::Error.
QStringList kulcsmutat(const store::Database& db, const Subject& subject, qint64 recordId);
// The items to select for those texts: for each text, the first item holding
// exactly that text (letter case counts). Ascending, each index once; a text
// without an equal item selects nothing.
QList<int> keywordItems(const QStringList& items, const QStringList& linked);
// Replaces the record's links with one to the default keyword and one to each
// other keyword named in 'selected' (texts of the subject's keyword list), in
// one transaction: on any failure the old links stay and platform::Error is
// thrown; a text no longer in the list fails with err::ItemNotFound.
void kulcstarol(store::Database& db, const Subject& subject, qint64 recordId,
                const QStringList& selected);
} // namespace Module1
