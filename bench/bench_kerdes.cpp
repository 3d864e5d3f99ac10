// polcozo_bench_kerdes [CATALOG]
// Times the compound search through its window: kerdes opened from the main
// window's gyors button, the file-name pattern "*e*" with the default
// keywords, Lekérdezés; the main window's Data1 reads and counts the view it
// was handed. Offscreen. One figure a line on stdout, "NAME VALUE UNIT";
// notes on stderr. Without CATALOG it generates a 1 000 000-file catalog with
// keywords in a temporary folder; a CATALOG that does not exist yet is
// generated there and kept. The window works on a copy: CATALOG is left as it is.
#include "BenchProgram.h"
#include "BenchReport.h"
#include "CatalogGenerator.h"

#include "mainwin/FokepControls.h"
#include "mainwin/fokep.h"
#include "platform/MessageBox.h"
#include "queries/SearchViews.h"
#include "queries/kerdes.h"
#include "shared/Subject.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "widgets/DataGrid.h"
#include "widgets/PatternBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <vector>

namespace {

using bench::check;
using bench::figure;
using bench::note;
using bench::peakMiB;

constexpr int kRuns = 5;
const QString kNamePattern = QStringLiteral("*e*");

template <class F> double seconds(F&& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1.0e9;
}

// This thread's processor time: a machine shared with other work delays the
// wall clock, not this.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1.0e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void run(const QString& source, const QString& scratch)
{
    const QString catalog = scratch + QStringLiteral("/kerdes.mdb");
    store::copyFile(source, catalog);
    // What the search must find, counted by the core's own statement.
    qint64 expected = 0;
    {
        store::Database db = store::Database::open(catalog);
        const queries::CompoundSearch s{
            kNamePattern, QStringLiteral("*"),
            KeywordChoice::defaultOnly(keywordTexts(db, Subject::filesSubject())),
            KeywordChoice::defaultOnly(keywordTexts(db, Subject::foldersSubject())),
            false};
        const queries::RecordSource view = queries::compoundSearchView(s).source;
        check(!view.countSql.isEmpty(), QStringLiteral("the view comes with a count statement"));
        expected = db.scalar(view.countSql, view.params).toLongLong();
    }

    fokep window(bench::programOn(catalog, scratch, false));
    check(window.start(), QStringLiteral("the window starts on the catalog"));
    QApplication::processEvents();
    platform::MessageBox::takeShown();

    std::vector<double> search, first, count, countCpu;
    for (int r = 0; r < kRuns; ++r) {
        ui(window).action("minden")->trigger();
        QApplication::processEvents();
        ui(window).gyors()->click();
        kerdes* k = FokepControls::form<kerdes>("kerdes");
        check(k && k->isVisible(), QStringLiteral("the search window is open"));
        k->prgnev->setEditText(kNamePattern);
        // Lekérdezés until the grid has drawn the view: the view handed over,
        // Data1's first page, its count, the activation steps.
        search.push_back(seconds([&] {
            k->keres_Click();
            QApplication::processEvents();
        }));
        check(!k->isVisible(), QStringLiteral("the search window closed"));
        check(window.state().recordCount == expected,
              QStringLiteral("%1 rows, not %2").arg(window.state().recordCount).arg(expected));
        check(ui(window).tabla1()->view()->model()->rowCount() == expected,
              QStringLiteral("the grid shows every row"));

        // The same view read again by Data1 alone, its two parts apart.
        store::DataSource& data1 = *ui(window).Data1();
        data1.blockSignals(true);
        first.push_back(seconds([&] {
            data1.refresh();
            for (qint64 row = 0; row < 40; ++row)
                for (int c = 0; c < data1.columnCount(); ++c)
                    data1.cell(row, c);
        }));
        qint64 counted = -1;
        const double cpu0 = cpuSeconds();
        count.push_back(seconds([&] { counted = data1.recordCount(); }));
        countCpu.push_back(cpuSeconds() - cpu0);
        data1.blockSignals(false);
        check(counted == expected, QStringLiteral("Data1 counts %1").arg(counted));
    }
    note(QStringLiteral("%1 files match \"%2\" with the default keywords")
             .arg(expected)
             .arg(kNamePattern));
    note(QStringLiteral("count: %1 s of processor time (median)").arg(median(countCpu), 0, 'f', 4));
    figure("kerdes_name_search_s", median(search), "s", 4);
    figure("kerdes_name_first_s", median(first), "s", 4);
    figure("kerdes_name_count_s", median(count), "s", 4);
    figure("kerdes_name_rows", double(expected), "rows", 0);
}

bool generateApart(const QString& catalog)
{
    note(QStringLiteral("generating 1 000 000 files with keywords into %1").arg(catalog));
    return bench::runApart([&catalog] {
        const auto r =
            bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog, 1000000);
        const auto k = bench::generateKeywords(catalog);
        std::fprintf(stderr, "generation: %lld ms, %lld files; %lld file and %lld folder links\n",
                     r.milliseconds + k.milliseconds, r.files, k.fileLinks, k.folderLinks);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    int exitCode = 0;
    const QString catalog = bench::catalogArgument(argc, argv, scratch, QStringLiteral("generated.mdb"), generateApart, exitCode);
    if (catalog.isEmpty())
        return exitCode;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::MessageBox::startScript();
    return bench::measured([&] {
        run(catalog, scratch.path());
    });
}
