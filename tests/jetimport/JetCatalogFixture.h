#pragma once

#include "JetWriter.h"

#include <QString>
#include <optional>
#include <vector>

// A catalog of the old program as Jet tables: folders on several media,
// files with accented names, NULL lengths, dates and checksums, dates before
// 1900 and with times, both keyword lists and their links. Ids have gaps, as
// deleted rows leave them.
namespace jetfixture {

struct Flaws
{
    int linksToMissingKeyword = 0;       // nev_kulcsid rows naming no kulcs row
    int folderLinksToMissingKeyword = 0; // ut_kulcsid rows naming no kulcsut row
    int duplicatePaths = 0;              // ut rows repeating an earlier path, each with one link
    int filesWithoutFolder = 0;          // prgnev rows naming no ut row, each with one link
};

struct Catalog
{
    // prgnev, ut, kulcs, kulcsut, nev_kulcsid, ut_kulcsid
    std::vector<jetwriter::Table> tables;
    // The stored text each prgnev row's date must become, row by row.
    std::vector<std::optional<QString>> expectedDates;

    jetwriter::Table& table(const std::string& name);
    const jetwriter::Table& table(const std::string& name) const;
};

Catalog makeCatalog(int folders, int filesPerFolder, const Flaws& flaws = {});

// Tables of some other database, not a catalog.
std::vector<jetwriter::Table> otherSchema();

} // namespace jetfixture
