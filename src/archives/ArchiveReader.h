#pragma once

#include "ArchiveTypes.h"

#include <functional>

// Reading archives through libarchive, in this process. The program itself
// runs this only in its child (ArchiveChild.h); tests and the fuzzer call it
// directly.
namespace archives {

// The content is an archive of a format the library reads and holds at least
// one member. Only the headers up to the first member are read; the name is
// never looked at. Plain files, empty files and format-less data are not.
bool looksLikeArchive(int fd);

// Told each member as it is read; returning false stops the listing.
using MemberSink = std::function<bool(const Member&)>;
// Told now and then, with the bytes read so far, while content is passed over.
using Heartbeat = std::function<void(qint64)>;

// All members of the archive open at 'fd', one level deep (an archive inside
// is a member like any other). Headers only where the format allows; formats
// that must be unpacked to be listed are read once, to memory only. With a
// sink, members go to it and not into the result. Symbolic links are kept as
// links; devices, FIFOs and sockets are left out. A path seen again is kept
// once, as first seen.
Listing listArchive(int fd, const ListOptions& options = {}, const MemberSink& sink = {},
                    const Heartbeat& heartbeat = {});
Listing listArchive(const QByteArray& nativePath, const ListOptions& options = {});

// Brings one file member back, named as the catalog stores it below the
// archive ("SUB\\FILE.TXT"). A link member brings back the file it ends at.
// The file is written beside 'targetFile' under a temporary name and renamed
// over it once complete, with the member's modification time; a failure
// leaves nothing behind. No member: Source/ENOENT; damaged or encrypted
// content: Source/EIO.
std::optional<ExtractFailure> extractMember(const QByteArray& archive, const QString& member,
                                            const QByteArray& targetFile);

// Brings back every member below 'prefix' (stored form, empty for the whole
// archive) into 'targetFolder', which must exist. Every path written is made
// of stored segments (diskName), never of the member's raw name, and no link
// on the disk is followed, so nothing is written outside the target. Links
// are made last, and only those that end inside what was brought back.
// 'extracted' is told each file written (path below the prefix).
ExtractResult extractTree(const QByteArray& archive, const QString& prefix,
                          const QByteArray& targetFolder,
                          const std::function<void(const QString&)>& extracted = {});

} // namespace archives
