#include "TreeBuilder.h"

#include "Module1.h"
#include "platform/ErrorNumbers.h"
#include "store/DataSource.h"

#include <QStringList>

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

} // namespace

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
