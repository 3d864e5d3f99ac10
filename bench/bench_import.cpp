// Converts Jet catalogs as the program does: in its child process
// (polcozo --jet-atalakitas), the report read and the progress shown by the
// main window's own code (JetConversion::run).
//
//   polcozo_bench_import                 a generated Jet 4 catalog of 200 000 files, three runs
//   polcozo_bench_import --rows N        a generated Jet 4 catalog of about N rows in all tables,
//                                        three runs, as import_<N>_s (import_1m_s for 1 000 000)
//   polcozo_bench_import FILE.mdb        an existing Jet file, into a kept temporary catalog
//   polcozo_bench_import --make OUT.mdb [N_FILES] [--jet3]
//                                        only writes a generated Jet catalog (for trying the
//                                        program's open command on one)
// Each generated run is followed by one in this process (convertJetCatalog
// itself), so what the child costs shows beside it.

#include "FakeHost.h"
#include "JetCatalogFixture.h"
#include "JetWriter.h"
#include "jetimport/JetChild.h"
#include "jetimport/JetImport.h"
#include "mainwin/CatalogBinding.h"
#include "mainwin/JetConversion.h"
#include "platform/ErrorNumbers.h"
#include "store/DataSource.h"

#include <QApplication>
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

// Rows of all six tables of makeCatalog(folders, 20): the keyword lists; per
// folder its row and its link, and a second link on one folder in three; per
// file its row and its link, and a second link on one file in five.
qint64 generatedRows(int folders)
{
    return 8 + qint64(folders) * (2 + 2 * kFilesPerFolder + kFilesPerFolder / 5) +
           (folders + 2) / 3;
}

// The fewest folders whose catalog has at least 'rows' rows.
int foldersForRows(qint64 rows)
{
    int folders = 1;
    while (generatedRows(folders) < rows)
        folders = std::max(folders + 1,
                           int(double(folders) * double(rows) / double(generatedRows(folders))));
    while (folders > 1 && generatedRows(folders - 1) >= rows)
        --folders;
    return folders;
}

// "1m" for 1 000 000, "200k", else the number itself.
QString sizeName(qint64 n)
{
    if (n >= 1000000 && n % 1000000 == 0)
        return QString::number(n / 1000000) + QLatin1Char('m');
    if (n >= 1000 && n % 1000 == 0)
        return QString::number(n / 1000) + QLatin1Char('k');
    return QString::number(n);
}

// The main window as the conversion sees it: its progress bar and the parent
// of its small window.
struct Host : FakeHost
{
    int progressShown = 0;
    void showProgress(int value, int maximum) override
    {
        FakeHost::showProgress(value, maximum);
        ++progressShown;
    }
    using MainHost::showProgress;
};

struct Binding : CatalogBinding
{
    store::DataSource one, two;
    store::DataSource& data1() override { return one; }
    store::DataSource& datafa() override { return two; }
    QWidget* dialogParent() override { return nullptr; }
    void setGridCaption(const QString&) override {}
    void catalogBound(const QString&, bool) override {}
};

struct Converted
{
    jetimport::ImportResult result;
    double seconds = 0;
    int progressShown = 0; // times the bar moved
    int lastProgress = -1;
};

// Through the child process, as the open command runs it.
Converted throughChild(const QString& jet, const QString& catalog)
{
    Host host;
    Binding binding;
    Converted c;
    QElapsedTimer t;
    t.start();
    const std::optional<jetimport::ImportResult> r =
        JetConversion::run(host, binding, jet, QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog);
    c.seconds = t.nsecsElapsed() / 1e9;
    if (!r)
        throw std::runtime_error("the conversion was stopped");
    c.result = *r;
    c.progressShown = host.progressShown;
    c.lastProgress = host.progress;
    return c;
}

Converted inProcess(const QString& jet, const QString& catalog)
{
    Converted c;
    QElapsedTimer t;
    t.start();
    c.result = jetimport::convertJetCatalog(jet, QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog);
    c.seconds = t.nsecsElapsed() / 1e9;
    return c;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    const Converted c = throughChild(jet, catalog);
    const jetimport::ImportResult& r = c.result;
    const double seconds = c.seconds;
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

int generatedRuns(int folders, const QString& name)
{
    QTemporaryDir work;
    const QString jet = work.filePath(QStringLiteral("regi.mdb"));
    QElapsedTimer g;
    g.start();
    qint64 inTables = 0;
    {
        const jetfixture::Catalog c = jetfixture::makeCatalog(folders, kFilesPerFolder);
        jetwriter::write(jet, c.tables);
        for (const jetwriter::Table& t : c.tables)
            inTables += qint64(t.rows.size());
        std::fprintf(stderr, "jet %s (Jet 4, %.1f MiB, %zu files, %lld rows), written in %.2f s\n",
                     qPrintable(jet), QFileInfo(jet).size() / (1024.0 * 1024.0),
                     c.table("prgnev").rows.size(), inTables, g.nsecsElapsed() / 1e9);
    }

    std::vector<double> child, here;
    qint64 rows = 0;
    for (int run = 0; run < 3; ++run) {
        const QString catalog = work.filePath(QStringLiteral("uj%1.mdb").arg(run));
        const Converted c = throughChild(jet, catalog);
        const jetimport::ImportResult& r = c.result;
        child.push_back(c.seconds);
        rows = r.rowsRead;
        if (!r.leftOut.empty() || r.rowsWritten != r.rowsRead || r.rowsRead != inTables) {
            std::printf("failure: rows were left out\n");
            return 1;
        }
        std::fprintf(stderr,
                     "run %d: %.3f s through the child (bar moved %d times, last at %d), "
                     "catalog %.1f MiB\n",
                     run + 1, c.seconds, c.progressShown, c.lastProgress,
                     QFileInfo(catalog).size() / (1024.0 * 1024.0));
        QFile::remove(catalog);
        here.push_back(inProcess(jet, catalog).seconds);
        std::fprintf(stderr, "run %d: %.3f s in this process\n", run + 1, here.back());
        QFile::remove(catalog);
    }
    std::printf("import_rows %lld rows\n", rows);
    std::printf("%s %.3f s\n", qPrintable(name), median(child));
    std::printf("%s_in_process_s %.3f s\n", qPrintable(name.chopped(2)), median(here));
    std::printf("import_rows_per_s %.0f rows/s\n", rows / median(child));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Headless: the conversion's small window never reaches a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    JetConversion::setProgram(QStringLiteral(POLCOZO_PROGRAM),
                              {QLatin1String(jetimport::child::kOption)});
    QStringList args = app.arguments().mid(1);
    try {
        if (!args.isEmpty() && args.front() == QStringLiteral("--make"))
            return make(args.mid(1));
        if (args.size() == 2 && args.front() == QStringLiteral("--rows")) {
            const qint64 rows = args[1].toLongLong();
            if (rows < 1) {
                std::fprintf(stderr, "--rows needs a positive number\n");
                return 2;
            }
            return generatedRuns(foldersForRows(rows),
                                 QStringLiteral("import_%1_s").arg(sizeName(rows)));
        }
        if (!args.isEmpty())
            return existing(QFileInfo(args.front()).absoluteFilePath());
        return generatedRuns(200000 / kFilesPerFolder, QStringLiteral("import_200k_s"));
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "failure #%d: %s\n", e.number(), qPrintable(e.detail()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failure: %s\n", e.what());
    }
    return 1;
}
