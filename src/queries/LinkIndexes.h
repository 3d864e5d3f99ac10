#pragma once

namespace store {
class Database;
}

namespace queries {

// Catalogs made from an older template index the link tables one column at a
// time. The searches give the same rows there, but every link test reads the
// link row itself, and the keyword searches and bulk commands slow down with
// the catalog's size. These bring such a catalog up to the template's
// two-column indexes (record, keyword) and (keyword, record), and the
// (length, CRC) index of files that the search for copies seeks.

// Whether both link tables have both indexes, and the files theirs.
bool hasLinkIndexes(const store::Database& db);

// Adds what is missing in one transaction and drops the one-column indexes
// they make redundant. The (record, keyword) index of file links is made
// unique, as in new catalogs, unless the catalog already repeats a link. Throws platform::Error (a
// read-only catalog, a full disk); then the catalog is as it was. A few seconds for a million
// files.
void addLinkIndexes(store::Database& db);

} // namespace queries
