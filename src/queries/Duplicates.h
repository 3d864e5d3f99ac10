#pragma once

#include "SearchViews.h"

namespace queries {

// Files that may be copies of one another, for the main window's grid with the
// five columns every filtered view has (name, path, length, CRC, date).
//
// Two files match when they have the same length and their CRC-32 does not
// tell them apart: both CRCs are recorded and equal, or at least one of them
// is missing (NULL or empty), since a file read without a checksum may be a
// copy of any file of its length. A file is listed when it matches at least
// one other file of 'minimumLength' bytes or more (at least 1: empty files
// are all alike and never listed).
//
// Rows come grouped by length, largest first; within one length the files
// without a CRC first, then by CRC, so files with equal CRCs stand together;
// then by path, name and id. The count statement gives the same number
// without reading the rows in order.
SearchView duplicatesView(qint64 minimumLength = 1);

// The caption text of the view, after "Leválogatási nézet: ".
QString duplicatesCaption(qint64 minimumLength);

} // namespace queries
