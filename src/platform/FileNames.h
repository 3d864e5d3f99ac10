#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes on Linux; the catalog stores text. A name that is valid
// UTF-8 and holds no '\' (the separator of stored paths) is stored as it is.
// In any other name each '\', '/' and each byte that is not part of a valid
// UTF-8 sequence is written as '/' and two upper-case hex digits ("/5C",
// "/FF"). No Linux name holds '/', so the escape never stands for itself: every
// byte string has exactly one stored text, and the text gives the bytes back.
namespace platform::FileName {

// The stored text of a name as the file system holds it.
QString fromBytes(const QByteArray& raw);
// The bytes of a stored name, to hand back to the file system.
QByteArray toBytes(const QString& stored);
// The name is stored unchanged.
bool isPlain(const QByteArray& raw);

} // namespace platform::FileName
