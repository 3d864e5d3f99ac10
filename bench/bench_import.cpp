// Converts Jet catalogs through the program's own conversion.
//
//   polcozo_bench_import                 a generated Jet 4 catalog of 200 000 files, three runs
//   polcozo_bench_import FILE.mdb        an existing Jet file, into a kept temporary catalog
//   polcozo_bench_import --make OUT.mdb [N_FILES] [--jet3]
//                                        only writes a generated Jet catalog (for trying the
//                                        program's open command on one)

#include "JetCatalogFixture.h"
#include "JetWriter.h"
#include "jetimport/JetImport.h"
#include "platform/ErrorNumbers.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFilesPerFolder = 20;

jetfixture::Catalog generated(int files)
{
    return jetfixture::makeCatalog(std::max(1, files / kFilesPerFolder), kFilesPerFolder);
}

int make(const QStringList& args)
{
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: polcozo_bench_import --make OUT.mdb [N_FILES] [--jet3]\n");
        return 2;
    }
    const bool jet3 = args.contains(QStringLiteral("--jet3"));
    const int files =
        args.size() > 1 && args[1] != QStringLiteral("--jet3") ? args[1].toInt() : 2000;
    const jetfixture::Catalog c = generated(files);
    jetwriter::write(args[0], c.tables,
                     {jet3 ? jetwriter::Version::Jet3 : jetwriter::Version::Jet4});
    std::printf("jet %s (%s, %lld bytes, %zu files)\n", qPrintable(args[0]),
                jet3 ? "Jet 3" : "Jet 4", QFileInfo(args[0]).size(), c.table("prgnev").rows.size());
    return 0;
}

int existing(const QString& jet)
{
    QTemporaryDir work;
    work.setAutoRemove(false);
    const QString catalog =
        work.filePath(QFileInfo(jet).completeBaseName() + QStringLiteral("_uj.mdb"));
    QElapsedTimer t;
    t.start();
    const jetimport::ImportResult r =
        jetimport::convertJetCatalog(jet, QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog);
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("jet %s (%s)\n", qPrintable(jet),
                r.version == jetimport::JetVersion::Jet3 ? "Jet 3" : "Jet 4");
    std::printf("rows_read %lld\n", r.rowsRead);
    std::printf("rows_written %lld\n", r.rowsWritten);
    std::printf("import_s %.3f s\n", seconds);
    std::printf("import_rows_per_s %.0f rows/s\n", r.rowsRead / seconds);
    const QString leftOut = jetimport::leftOutMessage(r);
    if (!leftOut.isEmpty())
        std::printf("%s\n", qPrintable(QString(leftOut).replace(QStringLiteral("\r\n"),
                                                                QStringLiteral("\n"))));
    std::printf("catalog %s\n", qPrintable(catalog));
    return 0;
}

int generatedRuns()
{
    QTemporaryDir work;
    const QString jet = work.filePath(QStringLiteral("regi.mdb"));
    QElapsedTimer g;
    g.start();
    const jetfixture::Catalog c = generated(200000);
    jetwriter::write(jet, c.tables);
    std::printf("jet %s (Jet 4, %.1f MiB, %zu files), written in %.2f s\n", qPrintable(jet),
                QFileInfo(jet).size() / (1024.0 * 1024.0), c.table("prgnev").rows.size(),
                g.nsecsElapsed() / 1e9);

    std::vector<double> seconds;
    qint64 rows = 0;
    for (int run = 0; run < 3; ++run) {
        const QString catalog = work.filePath(QStringLiteral("uj%1.mdb").arg(run));
        QElapsedTimer t;
        t.start();
        const jetimport::ImportResult r =
            jetimport::convertJetCatalog(jet, QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog);
        seconds.push_back(t.nsecsElapsed() / 1e9);
        rows = r.rowsRead;
        if (!r.leftOut.empty() || r.rowsWritten != r.rowsRead) {
            std::printf("failure: rows were left out\n");
            return 1;
        }
        std::printf("run %d: %.3f s, catalog %.1f MiB\n", run + 1, seconds.back(),
                    QFileInfo(catalog).size() / (1024.0 * 1024.0));
        QFile::remove(catalog);
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[1];
    std::printf("rows %lld\n", rows);
    std::printf("import_200k_s %.3f s\n", median);
    std::printf("import_rows_per_s %.0f rows/s\n", rows / median);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    try {
        if (!args.isEmpty() && args.front() == QStringLiteral("--make"))
            return make(args.mid(1));
        if (!args.isEmpty())
            return existing(QFileInfo(args.front()).absoluteFilePath());
        return generatedRuns();
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "failure #%d: %s\n", e.number(), qPrintable(e.detail()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failure: %s\n", e.what());
    }
    return 1;
}
