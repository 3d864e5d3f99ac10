#pragma once

#include <QString>

class QWidget;

// What the catalog commands and the listing tell the user about the files
// they write.
namespace FileMessages {

// A target that is neither absent nor a regular file (a folder, a FIFO, a
// device) is refused with the message of a file that cannot be made: true
// when it was.
bool refusedTarget(QWidget* parent, const QString& path);

// Asks "A File már létezik ! Felülírjam?" when 'path' exists; false when the
// user does not want it replaced, or the target is refused as above.
bool mayReplace(QWidget* parent, const QString& path);

// The message of a file that could not be created or written, by the error's number.
void showCreateFailure(QWidget* parent, int number);

} // namespace FileMessages
