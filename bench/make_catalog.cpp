// polcozo_make_catalog OUT.mdb N_FILES [FILES_PER_FOLDER=50]
// Builds a filled catalog from the template for timing the program on large data.
#include "CatalogGenerator.h"

#include <QCoreApplication>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s OUT.mdb N_FILES [FILES_PER_FOLDER=50]\n", argv[0]);
        return 2;
    }
    bool ok = false;
    const qint64 files = QString::fromLocal8Bit(argv[2]).toLongLong(&ok);
    int perFolder = 50;
    if (ok && argc == 4)
        perFolder = QString::fromLocal8Bit(argv[3]).toInt(&ok);
    if (!ok || files < 0 || perFolder < 1) {
        std::fprintf(stderr, "N_FILES and FILES_PER_FOLDER must be positive numbers\n");
        return 2;
    }
    try {
        const auto r = bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE),
                                              QString::fromLocal8Bit(argv[1]), files, perFolder);
        std::printf("files: %lld\nfolders: %lld\nmedia: %lld\n", r.files, r.folders, r.media);
        std::printf("time: %lld ms\n", r.milliseconds);
        std::printf("file size: %.1f MiB (%lld bytes)\n", double(r.bytes) / (1024.0 * 1024.0),
                    r.bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
