#include "TreeBuilder.h"

#include "Module1.h"
#include "platform/ErrorNumbers.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Like.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace Module1 {

namespace {

int build(TreeNodes& tree, store::DataSource& Datafa, const QString& label,
          const QString* markFolder, const QString& markName, const TreeProgress& progress)
{
    // One pass over the folder rows; counting them first would run the query twice.
    QStringList rows;
    Datafa.forEachRow(0, -1, [&rows](qint64, const store::Statement& row) {
        rows << row.value(0).toString();
        return true;
    });
    if (rows.isEmpty())
        throw platform::Error(platform::err::NoCurrentRecord, QStringLiteral("the medium has no folders"));
    const int last = int(rows.size()) - 1;
    const QString rootKey = utresz(rows.first(), 0) + QLatin1Char('\\');
    tree.add(QString(), rootKey, label, QStringLiteral("cd"));
    if (progress.start)
        progress.start(qMax(last, 1));
    int marked = 0;
    bool toMark = markFolder != nullptr;
    const QString base = rootKey.left(rootKey.size() - 1); // "-CD_1- E:"
    for (int i = 0; i <= last; ++i) {
        if (progress.step && (i % 64 == 0 || i == last))
            progress.step(i);
        const QString& s = rows.at(i);
        const int k = perszam(s);
        QString parent = rootKey;
        QString path = base;
        for (int j = 1; j <= k; ++j) {
            const QString name = utresz(s, j);
            path += QLatin1Char('\\') + name;
            tree.add(parent, path, name, QStringLiteral("close"));
            if (j == k) {
                tree.addStoredPath(path, s);
                if (toMark && s == *markFolder) {
                    toMark = false;
                    marked = tree.add(path, fileKey(tree.count()), markName, QStringLiteral("jelolt"));
                }
            }
            parent = path;
        }
    }
    return marked;
}

// Whether 'ut' has an index led by the path in byte order, which prefix
// seeks and ranges need to be cheap.
bool pathIndexed(const store::Database& db)
{
    return db
               .scalar(QStringLiteral(
                   "SELECT count(*) FROM pragma_index_list('ut') AS l, pragma_index_xinfo(l.name) "
                   "AS x WHERE x.seqno = 0 AND x.name = 'ut' AND x.coll = 'BINARY'"))
               .toLongLong() > 0;
}

// The spellings of 'literal' that start stored paths, letter case compared
// as the catalog's like does: a seek on the path index per letter variant.
// Nothing once more than 'most' are found.
std::optional<QStringList> storedSpellings(const store::Database& db, const QString& literal,
                                           int most)
{
    store::Statement seek =
        db.prepare(QStringLiteral("SELECT ut FROM ut WHERE ut >= ?1 ORDER BY ut LIMIT 1"));
    const QList<uint> points = literal.toUcs4();
    QStringList found;
    std::function<bool(const QString&, qsizetype)> walk = [&](const QString& head, qsizetype i) {
        if (i == points.size()) {
            found << head;
            return found.size() <= most;
        }
        for (const char32_t v : store::likeCaseVariants(points.at(i))) {
            const QString next = head + QString::fromUcs4(&v, 1);
            seek.bindText(1, next);
            const bool present = seek.step() && seek.value(0).toString().startsWith(next);
            seek.reset();
            if (present && !walk(next, i + 1))
                return false;
        }
        return true;
    };
    if (!walk(QString(), 0))
        return std::nullopt;
    return found;
}

} // namespace

MediumQuery mediumQuery(const store::Database& db, const QString& label)
{
    const QString pattern = mediumPattern(label);
    const MediumQuery everyFolder{kMediumQuery, {pattern}};
    // "-LABEL- *" is a literal prefix unless the label brings wildcards.
    if (label.contains(QLatin1Char('*')) || label.contains(QLatin1Char('?')) ||
        !label.isValidUtf16() || !pathIndexed(db))
        return everyFolder;
    const QString prefix = pattern.chopped(1); // ends in a blank
    std::optional<QStringList> spellings = storedSpellings(db, prefix, 16);
    if (!spellings)
        return everyFolder;
    if (spellings->isEmpty())
        *spellings << prefix; // no folders: a range that holds none
    // A spelling's paths run from it up to the same with '!' for the blank.
    QStringList ranges;
    MediumQuery q{QString(), {pattern}};
    for (const QString& s : std::as_const(*spellings)) {
        ranges << QStringLiteral("(ut.ut >= ?%1 AND ut.ut < ?%2)")
                      .arg(q.params.size() + 1)
                      .arg(q.params.size() + 2);
        q.params << s << s.chopped(1) + QLatin1Char('!');
    }
    // Paths equal but for letter case in table order, as the sort leaves
    // them after a pass over every folder.
    q.sql = QStringLiteral("SELECT ut.ut FROM ut WHERE (%1) AND ut.ut LIKE ?1 "
                           "ORDER BY ut.ut COLLATE NOCASE ASC, ut.rowid")
                .arg(ranges.join(QStringLiteral(" OR ")));
    return q;
}

void faepit(TreeNodes& tree, store::DataSource& Datafa, const QString& label,
            const TreeProgress& progress)
{
    build(tree, Datafa, label, nullptr, QString(), progress);
}

int faepit_jelol(TreeNodes& tree, store::DataSource& Datafa, const QString& label,
                 const QString& markFolder, const QString& markName, const TreeProgress& progress)
{
    return build(tree, Datafa, label, &markFolder, markName, progress);
}

int loadFolderFiles(TreeNodes& tree, store::DataSource& Datafa, const QString& folderKey,
                    const QStringList& storedPaths, const QString* skipName)
{
    // Read in full before anything is added: a folder whose files cannot all
    // be read shows none of them rather than some.
    QStringList names;
    for (const QString& folder : storedPaths.isEmpty() ? QStringList{folderKey} : storedPaths) {
        Datafa.setRecordSource(kFolderFilesQuery, {folder});
        Datafa.refresh();
        Datafa.forEachRow(0, -1, [&](qint64, const store::Statement& row) {
            const QString name = row.value(0).toString();
            if (!skipName || name != *skipName)
                names << name;
            return true;
        });
    }
    int c = tree.count();
    int added = 0;
    for (const QString& name : names)
        if (tree.add(folderKey, fileKey(++c), name, QStringLiteral("elem")))
            ++added;
    return added;
}

} // namespace Module1
