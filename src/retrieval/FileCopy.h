#pragma once

#include "platform/CopyErrors.h"

#include <QByteArray>
#include <functional>
#include <optional>

namespace retrieval {

struct CopyFailure
{
    platform::CopyStep step; // Source or Target
    int errnoValue;
};

struct FileCopyOptions
{
    // Replace an existing target the user may not write (as the copier's /R).
    bool overReadOnly = false;
    // Replace an existing target at all (as the copier's /Y).
    bool overwrite = true;
    // Told the bytes copied since the last call; returning false gives up.
    std::function<bool(qint64)> progress;
};

// Copies one file (native paths). The copy is written beside the target under
// a temporary name and renamed over it once complete, so a failure half-way
// (a bad disc, a full target) leaves an existing target as it was and no
// partial file behind. The copy keeps the source's modification time and its
// permissions, made writable for the user; an existing target the user may
// not write is refused like the system's own copy refuses it.
std::optional<CopyFailure> copyFile(const QByteArray& source, const QByteArray& target,
                                    const FileCopyOptions& options = {});

// The same with each path relative to an open folder (or AT_FDCWD).
std::optional<CopyFailure> copyFileAt(int sourceFolder, const QByteArray& source, int targetFolder,
                                      const QByteArray& target,
                                      const FileCopyOptions& options = {});

// The folder part of a native path ("." for a bare name).
QByteArray folderOf(const QByteArray& path);

// A name beside 'target' for writing its copy, hidden and unlikely to be taken.
QByteArray temporaryName(const QByteArray& target);

} // namespace retrieval
