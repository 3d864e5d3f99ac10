#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace bench {

struct GeneratedCatalog
{
    qint64 files = 0;
    qint64 folders = 0;
    qint64 media = 0;
    qint64 milliseconds = 0;
    qint64 bytes = 0;
};

// Copies the template to 'target' and fills it with 'files' file rows spread
// over folders of about 'filesPerFolder' files on several media, as the
// program records a scanned medium. The same arguments give the same catalog.
// Throws platform::Error.
GeneratedCatalog generateCatalog(const QString& templateFile, const QString& target,
                                 qint64 files, int filesPerFolder = 50);

// The shape of a catalog for browsing timings: 'files' files on 'media' media.
// Medium number 'bigMedium' (1 .. media) is labelled 'bigLabel' and holds its
// root, 'bigTops' top folders and under each 'bigSubs' sub-folders,
// 'bigFilesPerFolder' files in every one of them. The other media share the
// remaining files evenly, in folders of about 'filesPerFolder' files.
struct BrowseLayout
{
    qint64 files = 1000000;
    int media = 1000;
    int bigMedium = 500;
    QString bigLabel = QStringLiteral("NAGY");
    int bigTops = 40;
    int bigSubs = 499;
    int bigFilesPerFolder = 3;
    int filesPerFolder = 20;

    // Folders below the big medium's root.
    qint64 bigFolders() const { return qint64(bigTops) * (bigSubs + 1); }
    // Files on the big medium, its root's included.
    qint64 bigFiles() const { return (bigFolders() + 1) * bigFilesPerFolder; }
};

// Copies the template to 'target' and fills it as 'layout' says, in one
// transaction; every folder holds at least one file. Deterministic. Throws
// platform::Error.
GeneratedCatalog generateBrowseCatalog(const QString& templateFile, const QString& target,
                                       const BrowseLayout& layout = {});

// Keywords as a catalog in use carries them: 'fileKeywords' file keywords and
// 'folderKeywords' folder keywords after the two defaults, and about one file
// and one folder in 'shareOf' linked to one to 'maxPerRecord' of them, besides
// their default link. Texts mix accents and an apostrophe.
struct KeywordLayout
{
    int fileKeywords = 50;
    int folderKeywords = 20;
    int shareOf = 3;
    int maxPerRecord = 3;
    // Dense links on top, as a collector who tags seriously has them: the
    // first non-default file keyword on one file in each of
    // 'denseFileOf[0]', the second on one in 'denseFileOf[1]', and so on;
    // likewise the folder keywords. Empty: none.
    std::vector<int> denseFileOf = {};
    std::vector<int> denseFolderOf = {};
};

// A quarter and a sixth of the files, a third of the folders.
inline KeywordLayout denseKeywordLayout()
{
    KeywordLayout layout;
    layout.denseFileOf = {4, 6};
    layout.denseFolderOf = {3};
    return layout;
}

struct GeneratedKeywords
{
    qint64 fileLinks = 0;   // links added, default ones not counted
    qint64 folderLinks = 0;
    qint64 milliseconds = 0;
};

// Adds the keywords of 'layout' to a filled catalog, in one transaction.
// Deterministic. Throws platform::Error.
GeneratedKeywords generateKeywords(const QString& catalog, const KeywordLayout& layout = {});

// Copies among the files, as a collection grown over years holds them: every
// file gets a CRC-32 (derived from its id, as eight hexadecimal digits; that
// of an empty file for the empty ones), and about one file in 'originalsOf'
// is copied to 1 .. 'maxCopies' other files picked at random, which take its
// length and CRC. Names, folders and dates stay. Deterministic; in one
// transaction. Throws platform::Error.
struct DuplicateLayout
{
    int originalsOf = 40;
    int maxCopies = 3;
};

struct GeneratedDuplicates
{
    qint64 originals = 0;
    qint64 copies = 0;
    qint64 milliseconds = 0;
};

GeneratedDuplicates generateDuplicates(const QString& catalog, const DuplicateLayout& layout = {});

// Runs 'work' in a child process, so what it touches never counts in this
// process's peak memory. True when it ran to its end; a failure it throws is
// printed on stderr.
bool runApart(const std::function<void()>& work);

} // namespace bench
