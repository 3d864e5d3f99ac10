#pragma once

#include <QString>

// File-level work on catalogs: copying the template, copying a catalog,
// compacting one. Failures are thrown as platform::Error.
namespace store {

class Database;

inline const QString kTemplateName = QStringLiteral("init.plc");
inline const QString kDefaultCatalogName = QStringLiteral("nevtelen.mdb");

QString templatePath(const QString& programFolder);

// The template must never be opened or overwritten as a catalog: any name
// ending in "init.plc" (case-sensitive, so xinit.plc too) is refused.
bool isTemplateName(const QString& path);
// The same, and also the template itself reached under any other spelling:
// "./", "//", a link, a hard link. Files are compared by device and inode.
bool isTemplate(const QString& path, const QString& templateFile);

// Throws 3343 unless the database holds the six tables with their columns
// and the view alapfile: any other SQLite file is no catalog.
void checkCatalog(const Database& db);

// Both paths name the same file, links followed.
bool sameFile(const QString& a, const QString& b);

// A regular file exists at the path.
bool fileExists(const QString& path);
qint64 fileLength(const QString& path); // throws

// Paths the user names are looked at without opening them: opening a FIFO
// or a device would wait, or read something that is no file.
// Throws unless a regular file is at the path (75 for anything else).
void checkRegularFile(const QString& path);
// Nothing is at the path, or a regular file that may be replaced.
bool isReplaceableTarget(const QString& path);

// Copies 'from' into a new file of a unique name beside 'target' (its name +
// 'tag' + six characters) and returns that name. The name is made when the
// file is created, so it is never an existing file: not the source, not one
// left behind by a conversion that was stopped.
QString temporaryCopy(const QString& from, const QString& target, const QString& tag);

// Copies a file, replacing the target. The copy is written beside the target
// and renamed over it, so a failed copy never leaves half a file behind.
void copyFile(const QString& from, const QString& to);

// Replaces 'path' with a fresh copy of the template. A previous file of that
// name that differs from the template is first kept aside beside it under a
// dated name, so resetting the default catalog never loses a filled one.
// Returns the name it was kept under, or an empty text.
QString resetFromTemplate(const QString& templateFile, const QString& path);

struct CompactionResult
{
    qint64 before = 0;
    qint64 after = 0;
};

// Compacts the closed catalog at 'path' (the file a link names) into its path
// + "2", then renames that over the catalog, which keeps its mode. A catalog
// the user may not write is not compacted (70). On any failure the catalog is
// left as it was and the temporary file removed.
CompactionResult compactCatalog(const QString& path);

} // namespace store
