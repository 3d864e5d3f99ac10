#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// How the grid, the listing and the clipboard show a stored cell.
namespace store {

// A stored date ("YYYY-MM-DD HH:MM:SS") in the user's short date format, the
// time left out at exactly midnight. Text that is not a stored date comes back as it is.
QString displayDate(const QString& stored);

// The column of a view that holds dates (-1: none).
int dateColumn(const QStringList& columns);
QString displayText(const QVariant& value, bool isDate);

} // namespace store
