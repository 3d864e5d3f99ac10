#pragma once

#include <QString>
#include <optional>

namespace retrieval {

// A selected row's stored folder path ("-CD_1- E:\GAMES\DOOM") in the parts
// retrieval works with.
struct RowPath
{
    QString medium;     // "-CD_1- ": the label between its hyphens, and the blank
    QString folderPath; // "\GAMES\DOOM"; "\" for the medium's root
    QString folderName; // "DOOM"; empty for the medium's root
};

// The recorded drive letter is dropped: the medium is read from whatever
// drive the user puts it in. The label ends where the drive path begins, so a
// label holding blanks stays whole. Nothing when the text is no stored path.
std::optional<RowPath> parseRowPath(const QString& stored);

} // namespace retrieval
