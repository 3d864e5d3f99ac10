// polcozo_bench_catalog [CATALOG | --generate N_FILES]
// Times the store and the main window on a large catalog; prints one figure a line.
#include "BenchProgram.h"
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
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1.0e6;
}

template<class F>
double timed(F&& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return ms(t);
}

void figure(const char* label, double milliseconds)
{
    std::printf("%s: %.1f ms\n", label, milliseconds);
    std::fflush(stdout);
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
    std::printf("peak RSS after %s: %.1f MiB (resident now %.1f MiB)\n", phase,
                statusMiB("VmHWM"), statusMiB("VmRSS"));
    std::fflush(stdout);
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
    std::printf("-- store level (DataSource on \"%s\")\n", qPrintable(CatalogSession::kBaseView));
    if (evictFromCache(catalog)) {
        store::DataSource cold;
        cold.setDatabaseName(catalog);
        cold.setRecordSource(CatalogSession::kBaseView);
        figure("cold OS cache: open+refresh", timed([&] { cold.refresh(); }));
        figure("cold OS cache: recordCount", timed([&] { cold.recordCount(); }));
        evictFromCache(catalog);
        figure("cold OS cache: last 40 rows", timed([&] {
                   readRows(cold, std::max<qint64>(0, cold.recordCount() - 40), 40);
               }));
    }
    store::DataSource ds;
    ds.setDatabaseName(catalog);
    ds.setRecordSource(CatalogSession::kBaseView);
    figure("open+refresh (first page read)", timed([&] { ds.refresh(); }));
    qint64 count = 0;
    figure("recordCount (count(*) over the view)", timed([&] { count = ds.recordCount(); }));
    std::printf("rows: %lld\n", count);
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
    std::snprintf(label, sizeof label, "scroll 5000 rows from %lld, 30 at a time (%d steps)",
                  from, steps);
    figure(label, total);
    figure("  slowest step", worst);
    figure("  mean step", steps ? total / steps : 0);
    if (sink < 0)
        std::printf("%lld\n", sink);
    memory("store level");
}

void mainWindow(const QString& catalog, const QString& scratch)
{
    std::printf("-- main window (fokep::start on the catalog as the last one opened)\n");
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
        std::printf("start() failed; messages:\n");
        for (const auto& m : platform::MessageBox::takeShown())
            std::printf("  %s\n", qPrintable(m.text));
        delete window;
        return;
    }
    QPixmap shot;
    figure("first paint (processEvents + grid grab)", timed([&] {
               QApplication::processEvents();
               shot = tabla1->grab();
           }));
    std::printf("record count text: %s\n", qPrintable(window->state().recordCountText));
    std::printf("grid rows: %d, grab %dx%d\n", tabla1->model()->rowCount(), shot.width(),
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
            // The same marking on a bare selection model: what Qt costs without the grid's bookmarks.
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
        std::printf("marked: %lld\n", tabla1->selCount());
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
    std::printf("generating %lld files into %s\n", files, qPrintable(catalog));
    std::fflush(stdout);
    return bench::runApart([&catalog, files] {
        const auto r = bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog, files);
        std::printf("generation: %lld ms (%lld folders on %lld media)\n", r.milliseconds, r.folders,
                    r.media);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() > 2 || (args.size() == 2 && args.at(0) != QLatin1String("--generate"))) {
        std::fprintf(stderr, "usage: %s [CATALOG | --generate N_FILES]\n", argv[0]);
        return 2;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    QString catalog;
    if (args.size() == 1) {
        catalog = QFileInfo(args.at(0)).absoluteFilePath();
    } else {
        catalog = scratch.path() + QStringLiteral("/big.mdb");
        // Before the application exists: the child must not inherit its threads.
        if (!generateApart(catalog, args.size() == 2 ? args.at(1).toLongLong() : 1000000))
            return 1;
    }

    // Headless: no window ever reaches a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::MessageBox::startScript();
    try {
        memory("application start");
        std::printf("catalog: %s (%.1f MiB)\n", qPrintable(catalog),
                    double(QFileInfo(catalog).size()) / (1024.0 * 1024.0));
        storeLevel(catalog);
        mainWindow(catalog, scratch.path());
        for (const auto& m : platform::MessageBox::takeShown())
            std::printf("message box: %s\n", qPrintable(m.text));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
