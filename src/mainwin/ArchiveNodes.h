#pragma once

#include <QList>
#include <QStringList>
#include <QStringView>

namespace store {
class Database;
}

// Which folder rows of the tree stand for an archive: a folder "P\N" whose
// parent folder P holds a file named N. A file system cannot hold a file and
// a folder of one name side by side, so only an archive recorded with its
// members looks like that. Returns their positions in 'storedPaths'.
// Throws platform::Error.
QList<qsizetype> archiveFolders(const store::Database& db, const QStringList& storedPaths);

// A stored folder path split into its parent folder and its last name
// ("-CD_1- E:\A.ZIP" into "-CD_1- E:\" and "A.ZIP"); false for a root.
bool splitStoredFolder(QStringView stored, QStringView& parent, QStringView& name);
