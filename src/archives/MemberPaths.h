#pragma once

#include "ArchiveTypes.h"

#include <QHash>
#include <QStringList>

// Member names as the catalog stores them. A member path is split at '/';
// each segment goes through the program's name encoding (platform::FileName),
// so '\' and bytes that are not UTF-8 are escaped. Empty and "." segments are
// dropped (a leading '/' with them) and ".." is kept as the escaped name
// "/2E/2E", never as a step up: no member can name anything outside its
// archive, and the stored text still gives back the bytes.
namespace archives {

QStringList storedSegments(const QByteArray& memberPath);
// The segments joined by '\', as they follow the archive's path in a folder row.
QString storedPath(const QByteArray& memberPath);

// A name for one stored segment on the disk: its bytes, unless they cannot be
// a name ("", ".", "..", a '/' or a NUL inside); then the stored text with its
// escapes spelled with '%' ("%2E%2E").
QByteArray diskName(const QString& segment);

// Members by stored path, for resolving links the way the file system would
// if the archive were unpacked: a link is followed segment by segment, links
// on the way included, with ".." stepping up inside the archive.
class MemberIndex
{
public:
    explicit MemberIndex(const QList<Member>& members);
    // The member a link ends at, at most 'hops' links deep; nullopt when it
    // leaves the archive (an absolute target, too many steps up), or loops.
    // An implicit folder (one that only holds members) resolves to -1.
    std::optional<qsizetype> resolve(qsizetype link, QStringList* resolvedPath = nullptr,
                                     int hops = 40) const;
    std::optional<qsizetype> find(const QString& stored) const;
    bool isFolder(const QString& stored) const;

private:
    const QList<Member>& m_members;
    QHash<QString, qsizetype> m_byPath; // first member of each stored path
    QHash<QString, bool> m_folders;     // every folder, listed or implicit
};

struct ArchiveFile
{
    QString name;
    qint64 length = 0;
    QString date; // as the catalog stores it
    QString crc;  // eight upper-case hex digits, or empty
};

// One folder row with its files.
struct ArchiveFolder
{
    QString path; // drive path
    QList<ArchiveFile> files;
};

// The rows an archive's members become: the archive's own path as a folder,
// one folder per member folder (also those only implied by a member's path),
// each with its files. Folders come in post-order like the walk's (every
// sub-folder before its parent, the archive's folder last), folders and files
// sorted as the lists show them. A link is a file with the length of the file
// it ends at; links to folders, out of the archive or nowhere are left out.
// Members without a date take 'archiveModified'.
QList<ArchiveFolder> memberFolders(const QString& archiveDrivePath, const Listing& listing,
                                   qint64 archiveModified);

} // namespace archives
