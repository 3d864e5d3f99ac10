#pragma once

#include <QString>

class QWidget;

// What the catalog commands and the listing tell the user about the files
// they write.
namespace FileMessages {

// Asks "A File már létezik ! Felülírjam?" when 'path' exists; false when the
// user does not want it replaced.
bool mayReplace(QWidget* parent, const QString& path);

// The message of a file that could not be created or written, by the error's number.
void showCreateFailure(QWidget* parent, int number);

} // namespace FileMessages
