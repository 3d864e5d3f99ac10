#pragma once

#include <QString>
#include <QVariantList>
#include <functional>

namespace store {
class DataSource;
class Database;
}

// The path tree as its builders see it: nodes with unique keys, numbered
// from 1 in the order they were added.
class TreeNodes
{
public:
    virtual ~TreeNodes() = default;
    virtual int count() const = 0;
    // Adds a node under the node keyed 'parentKey' (a top node when empty).
    // 0, and nothing added, when the key is already in the tree or the parent is not.
    virtual int add(const QString& parentKey, const QString& key, const QString& text,
                    const QString& image) = 0;
    // A folder row stored under this node. All folders of a medium hang under
    // the first row's root, so a medium read again from another drive letter
    // or with its label in other letter case has nodes whose key is not the
    // stored path; its files are found by the stored path.
    virtual void addStoredPath(const QString& key, const QString& storedPath) = 0;
};

namespace Module1 {

// The folder rows of one medium, for Datafa; the parameter is mediumPattern(label).
inline const QString kMediumQuery =
    QStringLiteral("SELECT ut.ut FROM ut WHERE ut.ut LIKE ?1 ORDER BY ut.ut COLLATE NOCASE ASC");
// kMediumQuery for 'label' as Datafa should run it: the same rows, read
// from ranges of the path index where the label allows (the spellings of
// its prefix found in the catalog), else by matching every folder.
struct MediumQuery
{
    QString sql;
    QVariantList params;
};
MediumQuery mediumQuery(const store::Database& db, const QString& label);

// The files of one folder; the parameter is the folder's stored path.
inline const QString kFolderFilesQuery =
    QStringLiteral("SELECT prgnev.nev FROM prgnev, ut WHERE prgnev.utid=ut.id AND ut.ut=?1");

struct TreeProgress
{
    std::function<void(int maximum)> start;
    std::function<void(int value)> step;
};

// Builds the tree of the medium whose folder rows Datafa holds (sorted by
// path), under a root labelled 'label'. Every row adds its missing
// ancestors; keys already in the tree are skipped. Throws platform::Error.
void faepit(TreeNodes& tree, store::DataSource& Datafa, const QString& label,
            const TreeProgress& progress = {});

// The same, and the file 'markName' added with the image "jelolt" under the
// folder stored as 'markFolder'. Returns the marked node, 0 when that folder
// was not in the tree.
int faepit_jelol(TreeNodes& tree, store::DataSource& Datafa, const QString& label,
                 const QString& markFolder, const QString& markName,
                 const TreeProgress& progress = {});

// Adds the files recorded in the folders 'storedPaths' under the node keyed
// 'folderKey' (its own key when no path is given), leaving out 'skipName'
// when given. Returns how many were added.
int loadFolderFiles(TreeNodes& tree, store::DataSource& Datafa, const QString& folderKey,
                    const QStringList& storedPaths, const QString* skipName);

} // namespace Module1
