#pragma once

#include <QString>
#include <optional>

namespace jetimport {

// A Jet date value (days since 1899-12-30, the time of day as the fraction;
// before that day the whole part counts back while the fraction still counts
// forward, so -1.25 is 1899-12-29 06:00) as the catalog stores dates:
// "YYYY-MM-DD HH:MM:SS", rounded to the second. Nothing for values outside
// the years 100 to 9999 that Jet accepts.
std::optional<QString> dateText(double value);

// Writes the same text into 'out' (19 characters, no terminator); false when
// the value is out of range.
bool writeDateText(double value, char out[19]);

// A date written as text by the old program (the locale's form, e.g.
// "1999.03.04. 12:05:00"), as the catalog stores dates; nothing when the text
// is not a date in one of the forms known here.
std::optional<QString> dateFromText(const QString& text);

} // namespace jetimport
