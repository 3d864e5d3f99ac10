// polcozo_bench_catalog [CATALOG | --generate N_FILES | --files N_FILES [CATALOG]]
// Times the store and the main window on a large catalog; prints one figure a line.
// With --files the report of one run goes to stderr, and stdout gets the window
// start's figures, medians of three fresh processes, as "name value unit" lines
// named open_<size>_... (open_10m_count_s for 10 000 000 files). A CATALOG given
// with --files is generated there when missing and kept, for the next run.
#include "BenchProgram.h"
#include "BenchReport.h"
#include "CatalogGenerator.h"

#include "mainwin/CatalogSession.h"
#include "mainwin/FokepControls.h"
#include "mainwin/fokep.h"
#include "platform/MessageBox.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "store/Settings.h"
#include "widgets/DataGrid.h"
#include "widgets/ResultModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Where the human-readable report goes: stdout, or stderr when stdout carries the figures.
FILE* g_report = stdout;

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1.0e6;
}

template <class F> double timed(F&& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return ms(t);
}

void figure(const char* label, double milliseconds)
{
    std::fprintf(g_report, "%s: %.1f ms\n", label, milliseconds);
    std::fflush(g_report);
}

// VmHWM is the peak so far, VmRSS what is resident now; both in kB in /proc.
double statusMiB(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray wanted = QByteArray(key) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

void memory(const char* phase)
{
    std::fprintf(g_report, "peak RSS after %s: %.1f MiB (resident now %.1f MiB)\n", phase,
                 statusMiB("VmHWM"), statusMiB("VmRSS"));
    std::fflush(g_report);
}

// Reads every cell of rows [first, first + rows); the sum keeps the reads from being skipped.
qint64 readRows(store::DataSource& ds, qint64 first, qint64 rows)
{
    qint64 chars = 0;
    for (qint64 r = first; r < first + rows; ++r)
        for (int c = 0; c < ds.columnCount(); ++c)
            chars += ds.cell(r, c).toString().size();
    return chars;
}

// Drops the catalog's pages from the OS file cache, as after a reboot.
bool evictFromCache(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::fdatasync(fd);
    const bool ok = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return ok;
}

void storeLevel(const QString& catalog)
{
    std::fprintf(g_report, "-- store level (DataSource on \"%s\")\n",
                 qPrintable(CatalogSession::kBaseView));
    if (evictFromCache(catalog)) {
        store::DataSource cold;
        cold.setDatabaseName(catalog);
        cold.setRecordSource(CatalogSession::kBaseView);
        figure("cold OS cache: open+refresh", timed([&] { cold.refresh(); }));
        figure("cold OS cache: recordCount", timed([&] { cold.recordCount(); }));
        evictFromCache(catalog);
        figure("cold OS cache: last 40 rows",
               timed([&] { readRows(cold, std::max<qint64>(0, cold.recordCount() - 40), 40); }));
    }
    store::DataSource ds;
    ds.setDatabaseName(catalog);
    ds.setRecordSource(CatalogSession::kBaseView);
    figure("open+refresh (first page read)", timed([&] { ds.refresh(); }));
    qint64 count = 0;
    figure("recordCount (count(*) over the view)", timed([&] { count = ds.recordCount(); }));
    std::fprintf(g_report, "rows: %lld\n", count);
    figure("record counter (moveLast, absolutePosition, moveFirst)", timed([&] {
               ds.moveLast();
               count = ds.absolutePosition() + 1;
               ds.moveFirst();
           }));
    qint64 sink = 0;
    figure("first 40 rows, all cells", timed([&] { sink += readRows(ds, 0, 40); }));
    const qint64 middle = std::min<qint64>(500000, std::max<qint64>(0, count - 40));
    char label[96];
    std::snprintf(label, sizeof label, "40 rows at row %lld (deep page fetch)", middle);
    figure(label, timed([&] { sink += readRows(ds, middle, 40); }));
    figure("last 40 rows (deepest page fetch)",
           timed([&] { sink += readRows(ds, std::max<qint64>(0, count - 40), 40); }));

    // Scrolling down a screen of 30 rows at a time, as a grid asks.
    const qint64 from = std::min<qint64>(400000, std::max<qint64>(0, count - 5000));
    double worst = 0;
    int steps = 0;
    const double total = timed([&] {
        for (qint64 r = from; r < from + 5000 && r < count; r += 30, ++steps)
            worst = std::max(worst, timed([&] { sink += readRows(ds, r, 30); }));
    });
    std::snprintf(label, sizeof label, "scroll 5000 rows from %lld, 30 at a time (%d steps)", from,
                  steps);
    figure(label, total);
    figure("  slowest step", worst);
    figure("  mean step", steps ? total / steps : 0);
    if (sink < 0)
        std::fprintf(g_report, "%lld\n", sink);
    memory("store level");
}

void mainWindow(const QString& catalog, const QString& scratch)
{
    std::fprintf(g_report, "-- main window (fokep::start on the catalog as the last one opened)\n");
    const AppPaths paths = bench::programOn(catalog, scratch);

    QElapsedTimer clock;
    fokep* window = nullptr;
    figure("window construction", timed([&] { window = new fokep(paths); }));
    // Found once, outside every timing.
    DataGrid* const tabla1 = ui(*window).tabla1();
    QToolButton* const vegere = ui(*window).vegere();
    QAction* const minden = ui(*window).action("minden");
    double refreshedAt = -1;
    // Runs after the grid's model has taken the new view and its row count.
    QObject::connect(ui(*window).Data1(), &store::DataSource::refreshed, window,
                     [&] { refreshedAt = ms(clock); });
    clock.start();
    const bool started = window->start();
    const double startMs = ms(clock);
    figure("open+count (window start)", startMs);
    if (refreshedAt >= 0) {
        figure("  of which Data1 refresh + grid model reset", refreshedAt);
        figure("  of which the rest (record counter, show, activation)", startMs - refreshedAt);
    }
    if (!started) {
        std::fprintf(g_report, "start() failed; messages:\n");
        for (const auto& m : platform::MessageBox::takeShown())
            std::fprintf(g_report, "  %s\n", qPrintable(m.text));
        delete window;
        return;
    }
    QPixmap shot;
    figure("first paint (processEvents + grid grab)", timed([&] {
               QApplication::processEvents();
               shot = tabla1->grab();
           }));
    std::fprintf(g_report, "record count text: %s\n", qPrintable(window->state().recordCountText));
    std::fprintf(g_report, "grid rows: %d, grab %dx%d\n", tabla1->model()->rowCount(), shot.width(),
                 shot.height());
    memory("window start");

    QScrollBar* bar = tabla1->view()->verticalScrollBar();
    figure("scroll grid to the middle + paint", timed([&] {
               bar->setValue(bar->maximum() / 2);
               QApplication::processEvents();
               shot = tabla1->grab();
           }));
    figure("\"Ugrás a végére\" (vegere) + paint", timed([&] {
               vegere->click();
               QApplication::processEvents();
               shot = tabla1->grab();
           }));
    figure("\"Minden adat\" (minden: requery base view) + paint", timed([&] {
               minden->trigger();
               QApplication::processEvents();
               shot = tabla1->grab();
           }));
    memory("window browsing");

    // Marking rows: the grid keeps every marked row as a bookmark.
    const int rows = tabla1->model()->rowCount();
    if (rows > 1) {
        {
            // The same marking on a bare selection model: what Qt costs without the grid's
            // bookmarks.
            QItemSelectionModel bare(tabla1->model());
            const QItemSelection all(tabla1->model()->index(0, 0),
                                     tabla1->model()->index(rows - 1, 0));
            figure("mark all rows on a bare QItemSelectionModel", timed([&] {
                       bare.select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
                   }));
            figure("clear them on the bare model", timed([&] { bare.clearSelection(); }));
        }
        figure("mark all rows (selectRows 0..last)",
               timed([&] { tabla1->selectRows(0, rows - 1); }));
        std::fprintf(g_report, "marked: %lld\n", tabla1->selCount());
        memory("marking all rows");
        figure("clear the marks", timed([&] { tabla1->clearSelection(); }));
        tabla1->selectRows(0, rows / 2 - 1);
        figure("mark one more row with half the rows marked",
               timed([&] { tabla1->selectRows(rows - 1, rows - 1); }));
        tabla1->clearSelection();
        QApplication::processEvents();
        memory("marks cleared");
    }
    delete window;
    QApplication::processEvents();
    memory("window closed");
}

// Generates in a child process so its large page cache never counts in this one's peak memory.
bool generateApart(const QString& catalog, qint64 files)
{
    std::fprintf(g_report, "generating %lld files into %s\n", files, qPrintable(catalog));
    std::fflush(g_report);
    return bench::runApart([&catalog, files] {
        const auto r =
            bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog, files);
        std::fprintf(g_report, "generation: %lld ms (%lld folders on %lld media)\n", r.milliseconds,
                     r.folders, r.media);
    });
}

// The window start alone, on a window of its own: what the user waits for.
struct WindowStart
{
    double countS = -1;     // fokep::start(): open, first page, count, record counter, show
    double firstRowsS = -1; // then the first paint of the grid with its rows
    double rssMb = -1;      // peak resident memory once the rows are shown
};

WindowStart windowStart(const QString& catalog, const QString& scratch)
{
    const AppPaths paths = bench::programOn(catalog, scratch);
    fokep window(paths);
    DataGrid* const tabla1 = ui(window).tabla1();
    WindowStart w;
    QElapsedTimer clock;
    clock.start();
    if (!window.start())
        throw std::runtime_error("start() failed");
    w.countS = double(clock.nsecsElapsed()) / 1e9;
    clock.restart();
    QApplication::processEvents();
    const QPixmap shot = tabla1->grab();
    w.firstRowsS = double(clock.nsecsElapsed()) / 1e9;
    w.rssMb = bench::peakMiB();
    bench::check(!shot.isNull() && tabla1->model()->rowCount() > 0, "the grid shows rows");
    return w;
}

// "10m" for 10 000 000 files, "200k", else the number itself.
QString sizeName(qint64 files)
{
    if (files >= 1000000 && files % 1000000 == 0)
        return QString::number(files / 1000000) + QLatin1Char('m');
    if (files >= 1000 && files % 1000 == 0)
        return QString::number(files / 1000) + QLatin1Char('k');
    return QString::number(files);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Each run in a fresh process, so the peak memory is that run's own; the
// parent never makes an application, so every child starts without threads.
int windowStartRuns(const QString& catalog, const QString& scratch, qint64 files, int argc,
                    char** argv)
{
    bool reported = bench::runApart([&] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        platform::MessageBox::startScript();
        storeLevel(catalog);
        mainWindow(catalog, scratch);
    });
    if (!reported)
        bench::note(QStringLiteral("the full report failed; the window start is timed anyway"));
    std::vector<double> count, first, rss;
    for (int run = 0; run < 3; ++run) {
        const QString result = scratch + QStringLiteral("/run%1.txt").arg(run);
        const bool ran = bench::runApart([&] {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            QApplication app(argc, argv);
            platform::MessageBox::startScript();
            const WindowStart w = windowStart(catalog, scratch + QStringLiteral("/w%1").arg(run));
            QFile out(result);
            if (!out.open(QIODevice::WriteOnly))
                throw std::runtime_error("cannot write the run's result");
            out.write(QByteArray::number(w.countS, 'g', 9) + ' ' +
                      QByteArray::number(w.firstRowsS, 'g', 9) + ' ' +
                      QByteArray::number(w.rssMb, 'g', 9));
        });
        QFile in(result);
        if (!ran || !in.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "run %d failed\n", run + 1);
            return 1;
        }
        const QList<QByteArray> v = in.readAll().split(' ');
        count.push_back(v.value(0).toDouble());
        first.push_back(v.value(1).toDouble());
        rss.push_back(v.value(2).toDouble());
        bench::note(QStringLiteral("run %1: window start %2 s, first rows %3 s, peak RSS %4 MB")
                        .arg(run + 1)
                        .arg(count.back(), 0, 'f', 3)
                        .arg(first.back(), 0, 'f', 4)
                        .arg(rss.back(), 0, 'f', 1));
    }
    const QString name = QStringLiteral("open_") + sizeName(files);
    bench::figure(name + QStringLiteral("_count_s"), median(count), "s", 3);
    bench::figure(name + QStringLiteral("_first_rows_s"), median(first), "s", 4);
    bench::figure(name + QStringLiteral("_rss_mb"), median(rss), "MB", 1);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const bool figures = !args.isEmpty() && args.front() == QLatin1String("--files");
    const qint64 files = args.size() >= 2 ? args.at(1).toLongLong() : 1000000;
    if ((figures && (args.size() < 2 || args.size() > 3 || files < 1)) ||
        (!figures &&
         (args.size() > 2 || (args.size() == 2 && args.at(0) != QLatin1String("--generate"))))) {
        std::fprintf(stderr,
                     "usage: %s [CATALOG | --generate N_FILES | --files N_FILES [CATALOG]]\n",
                     argv[0]);
        return 2;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    if (figures) {
        g_report = stderr;
        const QString catalog = args.size() == 3 ? QFileInfo(args.at(2)).absoluteFilePath()
                                                 : scratch.path() + QStringLiteral("/big.mdb");
        if (!QFileInfo::exists(catalog) && !generateApart(catalog, files))
            return 1;
        return windowStartRuns(catalog, scratch.path(), files, argc, argv);
    }
    QString catalog;
    if (args.size() == 1) {
        catalog = QFileInfo(args.at(0)).absoluteFilePath();
    } else {
        catalog = scratch.path() + QStringLiteral("/big.mdb");
        // Before the application exists: the child must not inherit its threads.
        if (!generateApart(catalog, files))
            return 1;
    }

    // Headless: no window ever reaches a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::MessageBox::startScript();
    try {
        memory("application start");
        std::fprintf(g_report, "catalog: %s (%.1f MiB)\n", qPrintable(catalog),
                     double(QFileInfo(catalog).size()) / (1024.0 * 1024.0));
        storeLevel(catalog);
        mainWindow(catalog, scratch.path());
        for (const auto& m : platform::MessageBox::takeShown())
            std::fprintf(g_report, "message box: %s\n", qPrintable(m.text));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
