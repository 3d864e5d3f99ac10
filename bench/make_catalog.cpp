// polcozo_make_catalog OUT.mdb N_FILES [FILES_PER_FOLDER=50] [--keywords | --dense]
// Builds a filled catalog from the template for timing the program on large data;
// --keywords adds 50 file and 20 folder keywords linked to about a third of the records;
// --dense adds the same and two file keywords on a quarter and a sixth of the files, a folder
// keyword on a third of the folders.
#include "CatalogGenerator.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool dense = args.removeAll(QStringLiteral("--dense")) > 0;
    const bool keywords = args.removeAll(QStringLiteral("--keywords")) > 0 || dense;
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: %s OUT.mdb N_FILES [FILES_PER_FOLDER=50] [--keywords | --dense]\n",
                     argv[0]);
        return 2;
    }
    bool ok = false;
    const qint64 files = args.at(1).toLongLong(&ok);
    int perFolder = 50;
    if (ok && args.size() == 3)
        perFolder = args.at(2).toInt(&ok);
    if (!ok || files < 0 || perFolder < 1) {
        std::fprintf(stderr, "N_FILES and FILES_PER_FOLDER must be positive numbers\n");
        return 2;
    }
    try {
        const auto r = bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), args.at(0),
                                              files, perFolder);
        std::printf("files: %lld\nfolders: %lld\nmedia: %lld\n", r.files, r.folders, r.media);
        std::printf("time: %lld ms\n", r.milliseconds);
        if (keywords) {
            const auto k = bench::generateKeywords(
                args.at(0), dense ? bench::denseKeywordLayout() : bench::KeywordLayout{});
            std::printf("keyword links: %lld files, %lld folders (%lld ms)\n", k.fileLinks,
                        k.folderLinks, k.milliseconds);
        }
        const qint64 bytes = QFileInfo(args.at(0)).size();
        std::printf("file size: %.1f MiB (%lld bytes)\n", double(bytes) / (1024.0 * 1024.0), bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
