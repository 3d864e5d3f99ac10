// polcozo_bench_browse [CATALOG]
// Times browsing a large catalog through the main window's own handlers, offscreen.
// Prints one figure a line on stdout as "NAME VALUE UNIT"; notes go to stderr.
// Without CATALOG it generates a 1 000 000-file catalog in a temporary folder;
// a CATALOG that does not exist yet is generated there and kept.
#include "BenchProgram.h"
#include "BenchReport.h"
#include "CatalogGenerator.h"

#include "mainwin/FokepControls.h"
#include "mainwin/PathTree.h"
#include "mainwin/PathTreeController.h"
#include "mainwin/fokep.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "shared/Module1.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Settings.h"
#include "widgets/DataGrid.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using platform::FileDialog;
using platform::MessageBox;

namespace {

using bench::check;
using bench::figure;
using bench::note;
using bench::peakMiB;

const bench::BrowseLayout kLayout;
constexpr qint64 kSelectRows = 5001;
constexpr qint64 kFollowRows = 1000;

template<class F>
double seconds(F&& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1.0e9;
}

void secondsFigure(const char* name, double value)
{
    figure(name, value, "s", 4);
}

// Lets the window handle what the step queued: layout, paint of the grid and the tree.
void settle()
{
    QApplication::processEvents();
}

// Counts the paints of a widget, to make sure the timed steps did draw.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* target) : QObject(target) { target->installEventFilter(this); }
    int take() { return std::exchange(m_paints, 0); }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

private:
    int m_paints = 0;
};

// The rows of the big medium in the base view: they come in one run.
struct Run
{
    qint64 first = -1;
    qint64 rows = 0;
};

Run findMedium(store::DataSource& view, const QString& label)
{
    const QString prefix = QLatin1Char('-') + label + QStringLiteral("- ");
    const int ut = view.columnIndex(QStringLiteral("ut"));
    Run run;
    view.forEachRow(0, -1, [&](qint64 row, const store::Statement& values) {
        if (!values.value(ut).toString().startsWith(prefix))
            return run.first < 0;
        if (run.first < 0)
            run.first = row;
        ++run.rows;
        return true;
    });
    return run;
}

QString shownTexts(const QList<MessageBox::Shown>& shown)
{
    QStringList texts;
    for (const auto& m : shown)
        texts << m.text;
    return texts.join(QStringLiteral(" | "));
}

qint64 countLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    qint64 lines = 0;
    while (!f.atEnd())
        lines += f.read(1 << 20).count('\n');
    return lines;
}

void browse(const QString& catalog, const QString& scratch)
{
    // Follow mode is switched on for its own step.
    const AppPaths paths = bench::programOn(catalog, scratch, false);

    fokep window(paths);
    check(window.start(), QStringLiteral("the window starts on the catalog"));
    // Found once, outside every timing.
    const FokepControls controls(window);
    DataGrid* const tabla1 = controls.tabla1();
    store::DataSource* const Data1 = controls.Data1();
    PathTreeController* const treeController = controls.tree();
    QToolButton* const vegere = controls.vegere();
    QAction* const mki = controls.action("mki");
    QAction* const osszm = controls.action("osszm");
    QAction* const minden = controls.action("minden");
    QAction* const lement = controls.action("lement");
    settle();
    check(window.state().recordCount == kLayout.files,
          QStringLiteral("base view of %1 rows, not %2")
              .arg(kLayout.files)
              .arg(window.state().recordCount));
    MessageBox::takeShown();
    PaintCounter gridPaints(tabla1->view()->viewport());
    PaintCounter treePaints(controls.Fa()->viewport());

    // Last row of the base view.
    const double lastRow = seconds([&] {
        vegere->click();
        settle();
    });
    check(Data1->absolutePosition() == kLayout.files - 1, QStringLiteral("on the last row"));
    check(gridPaints.take() > 0, QStringLiteral("the grid painted the last rows"));
    secondsFigure("browse_last_row_s", lastRow);

    // 40 rows at 20 depths spread over the base view, in no particular order:
    // right after the start, then once the idle passes have learnt where every
    // page starts.
    check(Data1->readsByKey(), QStringLiteral("the base view is read by key"));
    const auto slowestDeepPage = [&](qint64 shift) {
        double slowest = 0;
        for (int i = 0; i < 20; ++i) {
            const qint64 depth = (i * 7) % 20;
            const qint64 row = (depth * kLayout.files) / 20 + shift;
            slowest = std::max(slowest, seconds([&] {
                for (qint64 r = row; r < row + 40; ++r)
                    for (int c = 0; c < Data1->columnCount(); ++c)
                        check(Data1->cell(r, c).isValid() || c == 3,
                              QStringLiteral("row %1 is read").arg(r));
            }));
        }
        return slowest;
    };
    secondsFigure("browse_deep_page_at_start_s", slowestDeepPage(5000));
    const double keys = seconds([&] {
        while (!Data1->pageStartsKnown())
            QApplication::processEvents();
    });
    secondsFigure("browse_page_starts_idle_s", keys);
    secondsFigure("browse_deep_page_s", slowestDeepPage(10000));

    // Select all on a view of exactly 5001 rows, then their total size.
    Data1->setRecordSource(
        QStringLiteral("SELECT * FROM alapfile WHERE id <= %1").arg(kSelectRows));
    Data1->refresh();
    window.host().recordCounter();
    settle();
    check(window.state().recordCount == kSelectRows, QStringLiteral("a view of 5001 rows"));
    MessageBox::addAnswers({MessageBox::Answer::Yes});
    const double selectAll = seconds([&] {
        mki->trigger();
        settle();
    });
    check(tabla1->selCount() == kSelectRows, QStringLiteral("5001 rows marked"));
    check(MessageBox::takeShown().size() == 1, QStringLiteral("select all asked once"));
    secondsFigure("browse_select_all_5001_s", selectAll);

    const double total = seconds([&] {
        window.muvEnabling();
        osszm->trigger();
        settle();
    });
    {
        store::Database db = store::Database::open(catalog);
        const qint64 bytes =
            db.scalar(
                  QStringLiteral("SELECT sum(hossz) FROM prgnev WHERE id <= %1").arg(kSelectRows))
                .toLongLong();
        const auto shown = MessageBox::takeShown();
        const QString expected = QStringLiteral("( %1 db) teljes helyfoglalása: %2 !")
                                     .arg(kSelectRows)
                                     .arg(Module1::sizeText(bytes, QLocale()));
        check(shown.size() == 1 && shown.first().text.endsWith(expected),
              QStringLiteral("total size box \"%1\", not \"%2\"").arg(expected, shownTexts(shown)));
    }
    secondsFigure("browse_total_5001_s", total);

    // Back on the base view: the context view of a file of the big medium.
    minden->trigger();
    settle();
    check(window.state().recordCount == kLayout.files, QStringLiteral("back on the base view"));
    MessageBox::takeShown();
    const Run big = findMedium(*Data1, kLayout.bigLabel);
    check(big.rows == kLayout.bigFiles(), QStringLiteral("%1 rows of %2 in one run, not %3")
                                              .arg(kLayout.bigFiles())
                                              .arg(kLayout.bigLabel)
                                              .arg(big.rows));
    // A file in a sub-folder halfway down the medium, with room for the follow rows after it.
    const qint64 markedRow = big.first + big.rows / 2;
    note(QStringLiteral("%1: rows %2 .. %3 of the base view; marked row %4")
             .arg(kLayout.bigLabel)
             .arg(big.first)
             .arg(big.first + big.rows - 1)
             .arg(markedRow));
    check(markedRow + kFollowRows < big.first + big.rows, QStringLiteral("room to follow"));
    const double gotoRow = seconds([&] {
        Data1->setAbsolutePosition(markedRow);
        settle();
    });
    const QString markedName = Data1->cell(markedRow, 0).toString();
    gridPaints.take();
    treePaints.take();
    const double tree = seconds([&] {
        treeController->contextView();
        settle();
    });
    PathTree* fa = controls.Fa();
    check(fa->node(1) && fa->node(1)->text(0) == kLayout.bigLabel,
          QStringLiteral("the tree of NAGY"));
    check(fa->count() > kLayout.bigFolders(), QStringLiteral("every folder in the tree"));
    check(fa->currentItem() && fa->currentItem()->text(0) == markedName &&
              fa->image(fa->indexOf(fa->currentItem())) == QLatin1String("jelolt"),
          QStringLiteral("the file of the row marked in the tree"));
    check(treePaints.take() > 0, QStringLiteral("the tree painted"));
    secondsFigure("browse_goto_row_s", gotoRow);
    secondsFigure("browse_tree_20k_folders_s", tree);

    // Follow mode through 1000 consecutive rows of the medium the tree shows.
    controls.action("kfriss")->setChecked(true);
    const int nodes = fa->count();
    double slowest = 0;
    gridPaints.take();
    const double follow = seconds([&] {
        for (qint64 r = markedRow + 1; r <= markedRow + kFollowRows; ++r)
            slowest = std::max(slowest, seconds([&] {
                                   Data1->setAbsolutePosition(r);
                                   settle();
                               }));
    });
    check(tabla1->row() == markedRow + kFollowRows, QStringLiteral("the grid followed the rows"));
    check(fa->count() == nodes && fa->node(1)->text(0) == kLayout.bigLabel,
          QStringLiteral("follow mode kept the tree of the same medium"));
    check(treeController->marks().aktut == QStringLiteral("-%1- E:").arg(kLayout.bigLabel),
          QStringLiteral("follow mode read the rows' medium"));
    const int followPaints = gridPaints.take();
    check(followPaints > 0, QStringLiteral("the grid painted while following"));
    note(QStringLiteral("follow: %1 grid paints for %2 rows").arg(followPaints).arg(kFollowRows));
    secondsFigure("browse_follow_1000_rows_s", follow);
    secondsFigure("browse_follow_slowest_row_s", slowest);
    controls.action("kfriss")->setChecked(false);

    // The listing of the whole base view.
    const QString listing = scratch + QStringLiteral("/lista.txt");
    MessageBox::addAnswers({MessageBox::Answer::Yes});
    FileDialog::addAnswers({listing});
    const double list = seconds([&] {
        lement->trigger();
        settle();
    });
    const auto asked = MessageBox::takeShown();
    check(asked.size() == 1 && asked.first().buttons == MessageBox::Buttons::YesNo,
          QStringLiteral("only the row-count question, not \"%1\"").arg(shownTexts(asked)));
    check(FileDialog::takeShown().size() == 1, QStringLiteral("one file dialog"));
    const qint64 lines = countLines(listing);
    check(lines == kLayout.files + 4, QStringLiteral("listing of %1 lines").arg(lines));
    note(QStringLiteral("listing: %1 lines, %2 MiB in %3 s")
             .arg(lines)
             .arg(double(QFileInfo(listing).size()) / (1024.0 * 1024.0), 0, 'f', 1)
             .arg(list, 0, 'f', 2));
    figure("browse_listing_rows_per_s", double(kLayout.files) / list, "rows/s", 0);
    figure("browse_rss_mb", peakMiB(), "MB", 1);
}

// Generates in a child process so its page cache never counts in this one's peak memory.
bool generateApart(const QString& catalog)
{
    note(QStringLiteral("generating %1 files on %2 media into %3")
             .arg(kLayout.files)
             .arg(kLayout.media)
             .arg(catalog));
    return bench::runApart([&catalog] {
        const auto r = bench::generateBrowseCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog,
                                                    kLayout);
        std::fprintf(stderr, "generation: %lld ms, %lld files in %lld folders on %lld media, %.1f MiB\n",
                     r.milliseconds, r.files, r.folders, r.media, double(r.bytes) / (1024.0 * 1024.0));
    });
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    int exitCode = 0;
    const QString catalog = bench::catalogArgument(argc, argv, scratch, QStringLiteral("browse.mdb"), generateApart, exitCode);
    if (catalog.isEmpty())
        return exitCode;

    // Headless: no window ever reaches a screen. Dates as the program's users see them.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    MessageBox::startScript();
    FileDialog::startScript();
    return bench::measured([&] {
        browse(catalog, scratch.path());
    });
}
