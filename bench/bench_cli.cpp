// polcozo_bench_cli [CATALOG]
// Times polcozo-keres as a process on a 1 000 000-file catalog with keywords
// (generated as for the search benchmark when CATALOG is not given or does
// not exist yet): the name search "*e*" until its first line and until its
// end, its count, and beside them the window's count of the same view.
// One figure a line on stdout, "NAME VALUE UNIT"; notes on stderr.
#include "BenchProgram.h"
#include "BenchReport.h"
#include "CatalogGenerator.h"

#include "queries/SearchViews.h"
#include "shared/Subject.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace {

using bench::check;
using bench::figure;
using bench::note;

constexpr int kRuns = 5;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Processor time of the children waited for so far, and of this process.
double childrenCpu()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ownCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct ProcessTiming
{
    double first = 0;
    double total = 0;
    double cpu = 0; // the program's own processor time: what a busy machine hides
    qint64 lines = 0;
    QByteArray firstLine;
};

// Reads the program's output as a pipe reader would, timing its first line.
ProcessTiming timeProcess(const QStringList& arguments)
{
    QProcess p;
    p.setProgram(QStringLiteral(POLCOZO_KERES));
    p.setArguments(arguments);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ProcessTiming t;
    const double cpuBefore = childrenCpu();
    QElapsedTimer timer;
    timer.start();
    p.start();
    check(p.waitForStarted(), QStringLiteral("polcozo-keres starts"));
    QByteArray pending;
    while (true) {
        const bool more = p.waitForReadyRead(60000);
        pending += p.readAllStandardOutput();
        const qsizetype end = pending.indexOf('\n');
        if (t.firstLine.isEmpty() && end >= 0) {
            t.first = double(timer.nsecsElapsed()) / 1e9;
            t.firstLine = pending.left(end);
        }
        t.lines += pending.count('\n');
        pending = pending.mid(pending.lastIndexOf('\n') + 1);
        if (!more && p.state() == QProcess::NotRunning)
            break;
    }
    p.waitForFinished(60000);
    t.total = double(timer.nsecsElapsed()) / 1e9;
    t.cpu = childrenCpu() - cpuBefore;
    check(p.exitStatus() == QProcess::NormalExit && p.exitCode() <= 1,
          QStringLiteral("polcozo-keres ends normally"));
    return t;
}

void run(const QString& catalog)
{
    const QStringList name{QStringLiteral("*e*"), QStringLiteral("--katalogus"), catalog};

    // The window's count of the same view: its count statement.
    store::Database db = store::Database::openReadOnly(catalog);
    const QStringList files = keywordTexts(db, Subject::filesSubject());
    const QStringList folders = keywordTexts(db, Subject::foldersSubject());
    const queries::SearchView view = queries::compoundSearchView(
        {QStringLiteral("*e*"), QStringLiteral("*"), KeywordChoice::defaultOnly(files),
         KeywordChoice::defaultOnly(folders), false});
    std::vector<double> windowCount, windowCountCpu;
    qint64 rows = 0;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpu = ownCpu();
        rows = db.scalar(view.source.countSql, view.source.params).toLongLong();
        windowCountCpu.push_back(ownCpu() - cpu);
        windowCount.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    db.close();

    timeProcess(name); // warms the cache and the program's own pages
    std::vector<double> first, total, count, cpu, countCpu;
    qint64 lines = 0;
    for (int i = 0; i < kRuns; ++i) {
        const ProcessTiming t = timeProcess(name);
        first.push_back(t.first);
        total.push_back(t.total);
        cpu.push_back(t.cpu);
        lines = t.lines;
        check(t.firstLine.contains("\t-"), QStringLiteral("a listing row comes first"));
        const ProcessTiming c = timeProcess(name + QStringList{QStringLiteral("--darab")});
        count.push_back(c.total);
        countCpu.push_back(c.cpu);
    }
    check(lines == rows,
          QStringLiteral("the program prints the window's %1 rows, not %2").arg(rows).arg(lines));

    figure(QStringLiteral("cli_name_first_s"), median(first), "s", 4);
    figure(QStringLiteral("cli_name_s"), median(total), "s", 3);
    figure(QStringLiteral("cli_name_count_s"), median(count), "s", 3);
    figure(QStringLiteral("cli_window_count_s"), median(windowCount), "s", 3);
    figure(QStringLiteral("cli_name_cpu_s"), median(cpu), "s", 3);
    figure(QStringLiteral("cli_name_count_cpu_s"), median(countCpu), "s", 3);
    figure(QStringLiteral("cli_window_count_cpu_s"), median(windowCountCpu), "s", 3);
    figure(QStringLiteral("cli_name_rows"), double(lines), "rows", 0);
}

bool generateApart(const QString& catalog)
{
    note(QStringLiteral("generating 1 000 000 files with keywords into %1").arg(catalog));
    return bench::runApart([&catalog] {
        bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog, 1000000);
        bench::generateKeywords(catalog);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    int exitCode = 0;
    const QString catalog = bench::catalogArgument(
        argc, argv, scratch, QStringLiteral("generated.mdb"), generateApart, exitCode);
    if (catalog.isEmpty())
        return exitCode;
    QCoreApplication app(argc, argv);
    return bench::measured([&] { run(catalog); });
}
