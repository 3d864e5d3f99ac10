#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Reading folders: the builder's folder and file lists and its walk see the
// same entries, by the same names, in the same order.
namespace platform {

class DriveTable;

struct FolderEntry
{
    QByteArray raw; // the name as the file system holds it
    QString name;   // as the catalog stores it and the lists show it (platform::FileName)
};

struct FolderListing
{
    // Sub-folders on the folder's own file system (a mounted file system is a
    // drive of its own); symbolic links to folders are not sub-folders.
    QList<FolderEntry> folders;
    // Candidate files: regular files and symbolic links. Links are resolved
    // when the file is read; FIFOs, sockets and devices never appear.
    QList<FolderEntry> files;
    bool readable = true; // the folder could be opened
    bool complete = true; // and read to its end
};

// Entries sorted as the lists show them: case-insensitively, then by bytes.
FolderListing listFolder(int folderFd);
FolderListing listFolder(const QByteArray& native);

// Opens a folder for reading; a sub-folder only when it is (still) a real
// folder, not a link to one. -1 on failure.
int openFolder(const QByteArray& native);
int openSubFolder(int parentFd, const QByteArray& name);

QByteArray childPath(const QByteArray& folder, const QByteArray& name);

// Where a drive path is on this machine. Empty when the drive or a folder on
// the way is not there.
QByteArray nativePath(const DriveTable& drives, const QString& drivePath);

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

} // namespace platform
