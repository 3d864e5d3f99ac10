// polcozo_bench_keywords [CATALOG]
// Times opening the key-assignment window, showing and storing a record's
// keywords through the code that window calls, on a 1 000 000-file catalog
// with the shared generator's keywords (50 file and 20 folder keywords, a
// third of the files and folders carrying one to three of them besides the
// default), and opening the keyword list editor on lists of 10 000 keywords.
// The windows run offscreen.
// Prints one figure a line on stdout as "NAME VALUE UNIT"; notes go to stderr.
// Without CATALOG the catalog is generated in a temporary folder; a CATALOG
// that does not exist yet is generated there and kept. A catalog holding only
// the default keywords gets the keywords and links above first. Every link the
// timed stores change is put back afterwards.
#include "BenchProgram.h"
#include "BenchReport.h"
#include "CatalogGenerator.h"

#include "FakeHost.h"
#include "keywords/RecordKeys.h"
#include "keywords/Szerkeszto.h"
#include "keywords/kulcslap.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "widgets/DataGrid.h"
#include "widgets/KeywordList.h"
#include "widgets/ResultModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

using bench::check;
using bench::figure;
using bench::note;
using bench::peakMiB;

constexpr qint64 kFiles = 1000000;
constexpr int kFileKeywords = 50; // at least, the default's included
constexpr int kStretches = 50;    // places over the view
constexpr int kStretchRows = 20;  // rows moved through at each, as with the arrow key
constexpr int kStores = 100;
constexpr int kOpens = 7;            // openings of each window timed
constexpr int kListKeywords = 10000; // in each list of the keyword list editor

// CPU time of this thread: tells a slow step from one the machine held up.
double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

QString list(const std::vector<double>& v)
{
    QStringList texts;
    for (double x : v)
        texts << QString::number(x, 'f', 4);
    return texts.join(QLatin1Char(' '));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A catalog holding only the default keywords gets the shared generator's.
void addKeywords(const QString& catalog)
{
    {
        store::Database db = store::Database::open(catalog);
        if (db.scalar(QStringLiteral("SELECT count(*) FROM kulcs")).toInt() > 1 ||
            db.scalar(QStringLiteral("SELECT count(*) FROM kulcsut")).toInt() > 1)
            return;
    }
    const auto k = bench::generateKeywords(catalog);
    note(QStringLiteral("keywords added in %1 ms: %2 file and %3 folder links")
             .arg(k.milliseconds)
             .arg(k.fileLinks)
             .arg(k.folderLinks));
}

bool generateApart(const QString& catalog)
{
    note(QStringLiteral("generating %1 files into %2").arg(kFiles).arg(catalog));
    return bench::runApart([&catalog] {
        const auto r =
            bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog, kFiles);
        std::fprintf(stderr, "generation: %lld ms, %lld files in %lld folders, %.1f MiB\n",
                     r.milliseconds, r.files, r.folders, double(r.bytes) / (1024.0 * 1024.0));
        addKeywords(catalog);
    });
}

// Opening the key-assignment window for files, as the main window's command
// does: loading (the records of the whole catalog), showing, reading the
// keyword list and showing the first record's keywords, until it is drawn.
void timeKeyAssignmentOpening(const QString& catalog)
{
    std::vector<double> opens;
    for (int i = 0; i < kOpens; ++i) {
        FakeHost host;
        host.catalog = catalog;
        QElapsedTimer t;
        t.start();
        Szerkeszto w(host, true);
        check(w.run(), QStringLiteral("the key-assignment window opens"));
        QCoreApplication::processEvents();
        w.grab();
        opens.push_back(double(t.nsecsElapsed()) / 1e9);
        check(w.Fotabla->model()->rowCount() == int(kFiles) && !w.kulcsok->selectedRows().isEmpty(),
              QStringLiteral("the window shows the files and the first one's keywords"));
        w.close();
    }
    note(QStringLiteral("key-assignment window openings: %1 s").arg(list(opens)));
    figure("keywords_open_1m_s", median(opens), "s", 4);
}

// A catalog of 'keywords' file keywords and as many folder keywords, the defaults included.
QString listsCatalog(const QString& folder, int keywords)
{
    const QString path = folder + QStringLiteral("/lists.mdb");
    store::copyFile(QStringLiteral(POLCOZO_BENCH_TEMPLATE), path);
    store::Database db = store::Database::open(path);
    store::Transaction tx(db);
    for (int i = 2; i <= keywords; ++i) {
        db.exec(QStringLiteral("INSERT INTO kulcs (kulcs) VALUES (?1)"),
                {QStringLiteral("Fájlkulcs %1").arg(i, 5, 10, QLatin1Char('0'))});
        db.exec(QStringLiteral("INSERT INTO kulcsut (nev) VALUES (?1)"),
                {QStringLiteral("Útkulcs %1").arg(i, 5, 10, QLatin1Char('0'))});
    }
    tx.commit();
    return path;
}

// Opening the keyword list editor: loading, activation (both lists read) and drawing.
void timeKeywordListsOpening(const QString& folder)
{
    const QString catalog = listsCatalog(folder, kListKeywords);
    std::vector<double> opens;
    for (int i = 0; i < kOpens; ++i) {
        FakeHost host;
        host.catalog = catalog;
        kulcslap w(host);
        QElapsedTimer t;
        t.start();
        w.Form_Load();
        w.show();
        QCoreApplication::processEvents();
        w.grab();
        opens.push_back(double(t.nsecsElapsed()) / 1e9);
        check(w.prgkul->model()->rowCount() == kListKeywords + 1 &&
                  w.utkul->model()->rowCount() == kListKeywords + 1,
              QStringLiteral("both lists with their empty rows"));
        w.close();
    }
    note(QStringLiteral("keyword list editor openings: %1 s").arg(list(opens)));
    figure("keywords_lists_10k_open_s", median(opens), "s", 4);
}

void run(const QString& catalog, const QString& scratch)
{
    timeKeyAssignmentOpening(catalog);
    timeKeywordListsOpening(scratch);

    QStringList failures;
    keywords::RecordKeys keys(true, [&failures](const keywords::Message& m) {
        failures << m.text;
        return platform::MessageKinds::Answer::Ok;
    });
    check(keys.load(catalog), QStringLiteral("the catalog opens"));
    const QStringList items = keys.activate();
    check(items.size() >= kFileKeywords, QStringLiteral("%1 file keywords").arg(items.size()));
    store::DataSource& D1 = keys.D1;
    const qint64 rows = D1.recordCount();
    check(rows > kStretches * kStretchRows, QStringLiteral("a view of %1 rows").arg(rows));

    // The grid reads the rows it shows before any of them becomes current;
    // that read is the grid's scrolling, timed by the browsing benchmark.
    auto scrollTo = [&D1](qint64 first, qint64 count) {
        for (qint64 row = first; row < first + count; ++row)
            D1.cell(row, 0);
    };

    std::vector<double> shows;
    std::vector<double> showsCpu;
    int withKeywords = 0;
    QElapsedTimer t;
    for (int s = 0; s < kStretches; ++s) {
        const qint64 first = (rows - kStretchRows) * s / (kStretches - 1);
        scrollTo(first, kStretchRows);
        for (qint64 row = first; row < first + kStretchRows; ++row) {
            const double cpu = threadSeconds();
            t.start();
            D1.setAbsolutePosition(row);
            const QList<int> selected = keys.kulcsmutat();
            shows.push_back(double(t.nsecsElapsed()) / 1e9);
            showsCpu.push_back(threadSeconds() - cpu);
            check(selected.value(0, -1) == 0, QStringLiteral("row %1 shows its default").arg(row));
            if (selected.size() > 1)
                ++withKeywords;
        }
    }
    note(QStringLiteral("%1 of %2 rows shown carry keywords besides the default")
             .arg(withKeywords)
             .arg(shows.size()));
    check(withKeywords > 0, QStringLiteral("some rows carry keywords"));
    {
        std::vector<size_t> order(shows.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return shows[a] > shows[b]; });
        QStringList slowest;
        for (size_t i = 0; i < 5; ++i)
            slowest << QStringLiteral("#%1 %2 ms (CPU %3 ms)")
                           .arg(order[i])
                           .arg(shows[order[i]] * 1e3, 0, 'f', 2)
                           .arg(showsCpu[order[i]] * 1e3, 0, 'f', 2);
        note(QStringLiteral("slowest shows: ") + slowest.join(QStringLiteral(", ")));
        note(QStringLiteral("slowest show in CPU time: %1 ms")
                 .arg(*std::max_element(showsCpu.begin(), showsCpu.end()) * 1e3, 0, 'f', 2));
    }
    figure("keywords_show_median_s", median(shows), "s", 6);
    figure("keywords_show_slowest_s", *std::max_element(shows.begin(), shows.end()), "s", 6);

    std::vector<double> stores;
    std::vector<double> storesCpu;
    for (int i = 0; i < kStores; ++i) {
        const qint64 row = (rows - 1) * i / (kStores - 1);
        scrollTo(row, 1);
        D1.setAbsolutePosition(row);
        const QList<int> before = keys.kulcsmutat();
        const QList<int> chosen{1 + i % (kFileKeywords - 1), 1 + (i * 7 + 3) % (kFileKeywords - 1)};
        const double cpu = threadSeconds();
        t.start();
        const bool stored = keys.kulcstarol(chosen);
        stores.push_back(double(t.nsecsElapsed()) / 1e9);
        storesCpu.push_back(threadSeconds() - cpu);
        check(stored, QStringLiteral("stored at row %1: %2").arg(row).arg(failures.join(' ')));
        QList<int> expected = QList<int>{0} + chosen;
        std::sort(expected.begin(), expected.end());
        expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
        check(keys.kulcsmutat() == expected,
              QStringLiteral("row %1 shows what was stored").arg(row));
        check(keys.kulcstarol(before), QStringLiteral("row %1 put back").arg(row));
    }
    note(QStringLiteral("store in CPU time: median %1 ms").arg(median(storesCpu) * 1e3, 0, 'f', 2));
    figure("keywords_store_median_s", median(stores), "s", 6);

    // What any durable write to the catalog costs here: one changed page committed.
    std::vector<double> commits;
    {
        store::Database db = store::Database::open(catalog);
        for (int i = 0; i < 20; ++i) {
            t.start();
            store::Transaction tx(db);
            db.exec(QStringLiteral("UPDATE kulcs SET kulcs = kulcs WHERE id = 1"));
            tx.commit();
            commits.push_back(double(t.nsecsElapsed()) / 1e9);
        }
    }
    figure("keywords_commit_floor_s", median(commits), "s", 6);
    figure("keywords_rss_mb", peakMiB(), "MiB", 1);
    keys.close();
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    int exitCode = 0;
    const QString catalog = bench::catalogArgument(argc, argv, scratch, QStringLiteral("keywords.mdb"), generateApart, exitCode);
    if (catalog.isEmpty())
        return exitCode;

    // The offscreen platform says at every window that it cannot size it to its contents.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::MessageBox::startScript(); // a message would stop the run; the checks catch it
    return bench::measured([&] {
        addKeywords(catalog);
        run(catalog, scratch.path());
    });
}
