#pragma once

#include <QString>

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

} // namespace bench
