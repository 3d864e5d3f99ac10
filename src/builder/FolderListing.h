#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Reading folders for the builder: its folder and file lists and its walk see
// the same entries in the same order.
namespace builder {

struct FolderEntry
{
    QByteArray raw; // the name as the file system holds it
    QString name;   // legible form for lists and the catalog; '\' shown as U+FF3C
};

struct FolderListing
{
    // Sub-folders on the folder's own file system (a mounted file system is a
    // drive of its own); symbolic links to folders are not sub-folders.
    QList<FolderEntry> folders;
    // Candidate files: regular files and symbolic links. Links are resolved
    // when the file is read; FIFOs, sockets and devices never appear.
    QList<FolderEntry> files;
    bool readable = true;
};

// Entries sorted as the lists show them: case-insensitively, then by bytes.
FolderListing listFolder(const QByteArray& native);

QString entryName(const QByteArray& raw);
QByteArray childPath(const QByteArray& folder, const QByteArray& name);

enum class FileState { Regular, NotAFile, Vanished };

struct FileFacts
{
    FileState state = FileState::NotAFile;
    qint64 length = 0;
    qint64 modified = 0; // seconds since the epoch
};

// Length and modification time of one entry of an open folder, links
// followed. A broken link is not a file; a name that is gone has vanished.
FileFacts fileFacts(int folderFd, const QByteArray& name);

// Local time as the catalog stores dates: "YYYY-MM-DD HH:MM:SS".
QString dateText(qint64 secondsSinceEpoch);

} // namespace builder
