// Copying back from media, timed against cp on the same files:
//   retrieve_files_to_cp_ratio  1 000 files of 1 MB through the copy run's single-file mode
//   athozo_tree_to_cp_ratio     the athozo program on 10 000 files in 500 folders, against cp -r
//   utszures_5001_s             removing repeated folders from 5 001 selected rows of 100 folders
// Each figure is the median of the runs, taken in turns; before each what the run
// before wrote goes to disk and out of the page cache (its own files only), and
// what the copy reads is read into it.

#include "platform/Drives.h"
#include "retrieval/CopyRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kRuns = 7;

// The copy window's side of a run: a selection, every answer the first button.
struct BenchHost : retrieval::RetrievalHost
{
    QList<retrieval::SelectedRow> selection;
    platform::DriveTable table;
    QString target;
    int asked = 0;

    qsizetype selectionCount() override { return selection.size(); }
    QStringList selectedPaths() override
    {
        QStringList out;
        out.reserve(selection.size());
        for (const auto& row : selection)
            out << row.path;
        return out;
    }
    retrieval::SelectedRow firstSelected() override { return selection.first(); }
    void removeSelected(const QList<qsizetype>& positions) override
    {
        // One pass, as a grid keeping its marks in a list would do it.
        QList<retrieval::SelectedRow> kept;
        kept.reserve(selection.size());
        qsizetype next = 0;
        for (qsizetype i = 0; i < selection.size(); ++i) {
            if (next < positions.size() && positions.at(next) == i)
                ++next;
            else
                kept.append(selection.at(i));
        }
        selection.swap(kept);
    }
    void showBar(int, int) override {}
    void hideBar() override {}
    Answer ask(const QString& text, Buttons buttons, Icon) override
    {
        ++asked;
        if (!text.startsWith(QStringLiteral("Helyezze be")) &&
            !text.startsWith(QStringLiteral("Ön ")))
            std::printf("message: %s\n", qPrintable(text));
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    bool startDetached(const QString&, const QStringList&) override { return true; }
    QChar sourceDrive() override { return u'D'; }
    QChar targetDrive() override { return u'C'; }
    QString targetFolder() override { return target; }
    QString programFolder() override { return {}; }
    platform::DriveTable drives() override { return table; }
    void unload() override {}
};

void writeFile(const QByteArray& path, qint64 size, quint32 seed)
{
    static QByteArray block;
    if (block.isEmpty()) {
        block.resize(1 << 20);
        QRandomGenerator random(7);
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const qint64 offset = seed % 4096;
    bool ok = fd >= 0;
    for (qint64 done = 0; ok && done < size;) {
        const qint64 n = std::min<qint64>(size - done, block.size() - offset);
        ok = ::write(fd, block.constData() + offset, size_t(n)) == n;
        done += n;
    }
    if (!ok)
        qFatal("cannot write %s", path.constData());
    ::close(fd);
}

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// What runs before each timing, so both sides start alike.
std::function<void()> g_prepare;

// The folders the timed runs wrote since the last settle.
QStringList g_written;

// The data of every file below 'folder' on disk; with 'drop' its pages also
// leave the page cache. Only this benchmark's own files: the rest of the
// machine keeps its cache. The data alone is written, file by file, without
// an fsync's journal commit each (10 000 of those took minutes); one fsync
// of the folder then commits the journal.
void writeOut(const QString& folder, bool drop)
{
    static bool dropping = false;
    dropping = drop;
    const auto each = [](const char* path, const struct stat*, int type, FTW*) {
        if (type != FTW_F)
            return 0;
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return 0;
        ::sync_file_range(fd, 0, 0,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                              SYNC_FILE_RANGE_WAIT_AFTER);
        if (dropping)
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
        return 0;
    };
    const QByteArray path = QFile::encodeName(folder);
    ::nftw(path.constData(), each, 32, FTW_PHYS);
    // One fsync commits the journal, and with it the new files' metadata.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes of the runs before go to disk and out of the cache: on a busy ext4
// the cost of every later write otherwise grows with what was written before.
// 'warm' is then read into the cache: what the timed copy reads.
double g_settleSeconds = 0;

void settle(const QString& warm)
{
    QElapsedTimer t;
    t.start();
    for (const QString& folder : std::as_const(g_written))
        writeOut(folder, true);
    g_written.clear();
    writeOut(warm, false);
    if (QProcess::execute(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("find '%1' -type f -exec cat {} + >/dev/null").arg(warm)}) != 0)
        qFatal("cannot read %s", qPrintable(warm));
    if (g_prepare)
        g_prepare();
    g_settleSeconds += double(t.nsecsElapsed()) / 1e9;
}

double cpuSeconds(int who)
{
    struct rusage r;
    ::getrusage(who, &r);
    const auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(r.ru_utime) + s(r.ru_stime);
}

// Wall-clock time, and the processor time of this process and the children it
// waited for: on a machine busy with other work the second is the steadier.
struct Timing
{
    QList<double> wall;
    QList<double> cpu;
};

template <typename F> void timed(Timing& timing, const QString& warm, F&& work)
{
    settle(warm);
    const double cpu = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    work();
    timing.wall << seconds(t);
    timing.cpu << cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN) - cpu;
}

void shell(const QString& command)
{
    if (QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}) != 0)
        qFatal("failed: %s", qPrintable(command));
}

void report(const char* ours, const char* theirs, const char* ratio, const Timing& a,
            const Timing& b)
{
    std::printf("%s %.3f s\n", ours, median(a.wall));
    std::printf("%s %.3f s\n", theirs, median(b.wall));
    std::printf("%s %.2f\n", ratio, median(a.wall) / median(b.wall));
    std::printf("%s_cpu %.2f\n", ratio, median(a.cpu) / median(b.cpu));
}

void removeTree(const QString& path)
{
    QDir(path).removeRecursively();
}

// Runs both kRuns times, turn about, so neither always runs while the
// other's writes go to disk.
template <typename Ours, typename Cp> void takeTurns(int& round, const Ours& ours, const Cp& cp)
{
    for (; round < kRuns; ++round) {
        if (round % 2 == 0) {
            ours();
            cp();
        } else {
            cp();
            ours();
        }
    }
}

void singleFiles(const QString& root)
{
    const QString c = root + QStringLiteral("/c"), medium = root + QStringLiteral("/CD_1");
    QDir().mkpath(medium + QStringLiteral("/FILES"));
    for (int i = 0; i < 1000; ++i)
        writeFile(QFile::encodeName(
                      medium + QStringLiteral("/FILES/file%1.bin").arg(i, 4, 10, QLatin1Char('0'))),
                  1 << 20, quint32(i));
    BenchHost host;
    host.table = platform::DriveTable::fromFolders(c, {medium});
    host.target = QStringLiteral("C:\\MENTES");

    Timing ours, cp;
    // Fresh folders each run: on ext4, files made right after others were
    // deleted cost the inode allocator far more than the copy itself.
    int round = 0;
    const auto runOurs = [&] {
        const QString folder = QStringLiteral("MENTES%1").arg(round);
        QDir().mkpath(c + u'/' + folder);
        host.target = QStringLiteral("C:\\") + folder;
        host.selection.clear();
        for (int i = 0; i < 1000; ++i)
            host.selection.append({QStringLiteral("file%1.bin").arg(i, 4, 10, QLatin1Char('0')),
                                   QStringLiteral("-CD_1- E:\\FILES")});
        timed(ours, medium, [&] { retrieval::CopyRun(host).masol(true); });
        g_written << c + u'/' + folder;
        if (!host.selection.isEmpty() ||
            QDir(c + u'/' + folder).entryList(QDir::Files).size() != 1000)
            qFatal("the run did not copy every file");
    };
    const auto runCp = [&] {
        QDir().mkpath(c + QStringLiteral("/CP%1").arg(round));
        timed(cp, medium, [&] {
            shell(QStringLiteral("cp '%1'/FILES/* '%2'/CP%3/").arg(medium, c).arg(round));
        });
        g_written << c + QStringLiteral("/CP%1").arg(round);
    };
    takeTurns(round, runOurs, runCp);
    report("retrieve_files_s", "retrieve_cp_s", "retrieve_files_to_cp_ratio", ours, cp);
    removeTree(medium);
    removeTree(c);
}

void tree(const QString& root)
{
    const QString source = root + QStringLiteral("/CD_2/GAMES");
    QRandomGenerator random(3);
    int file = 0;
    for (int top = 0; top < 25; ++top) {
        for (int sub = 0; sub < 20; ++sub) {
            const QString folder =
                sub == 0 ? source + QStringLiteral("/Játék %1").arg(top)
                         : source + QStringLiteral("/Játék %1/rész %2").arg(top).arg(sub);
            QDir().mkpath(folder);
            for (int i = 0; i < 20; ++i, ++file)
                writeFile(QFile::encodeName(folder + QStringLiteral("/adat_%1.dat").arg(file)),
                          qint64(random.bounded(1, 32 * 1024)), quint32(file));
        }
    }
    const auto drives = platform::DriveTable::system();
    const QString from = drives.toDrivePath(source), to = drives.toDrivePath(root);
    if (from.isEmpty() || to.isEmpty())
        qFatal("no drive path for %s", qPrintable(root));

    // Both programs come from the page cache, as the files do.
    QDir().mkpath(root + QStringLiteral("/empty"));
    g_prepare = [&] {
        QProcess warm;
        warm.setStandardOutputFile(QProcess::nullDevice());
        warm.setStandardErrorFile(QProcess::nullDevice());
        warm.start(QStringLiteral(POLCOZO_ATHOZO),
                   {to + QStringLiteral("\\empty\\*.*"), to + QStringLiteral("\\empty2\\*.*")});
        warm.waitForFinished();
        shell(QStringLiteral("cp --version >/dev/null"));
    };
    Timing ours, cp;
    int round = 0;
    const auto runOurs = [&] {
        QProcess athozo;
        athozo.setProgram(QStringLiteral(POLCOZO_ATHOZO));
        athozo.setArguments({from + QStringLiteral("\\*.*"),
                             to + QStringLiteral("\\cel%1\\GAMES\\*.*").arg(round),
                             QStringLiteral("/S"), QStringLiteral("/C"), QStringLiteral("/F"),
                             QStringLiteral("/H"), QStringLiteral("/R"), QStringLiteral("/Y")});
        athozo.setStandardOutputFile(QProcess::nullDevice());
        timed(ours, source, [&] {
            athozo.start();
            if (!athozo.waitForFinished(600000) || athozo.exitCode() != 0)
                qFatal("athozo failed: %s", athozo.readAllStandardError().constData());
        });
        g_written << root + QStringLiteral("/cel%1").arg(round);
    };
    const auto runCp = [&] {
        timed(cp, source,
              [&] { shell(QStringLiteral("cp -r '%1' '%2'/cp%3").arg(source, root).arg(round)); });
        g_written << root + QStringLiteral("/cp%1").arg(round);
    };
    takeTurns(round, runOurs, runCp);
    report("athozo_tree_s", "cp_tree_s", "athozo_tree_to_cp_ratio", ours, cp);
    g_prepare = {};
}

void repeatedFolders()
{
    QList<double> times;
    for (int run = 0; run < 5; ++run) {
        BenchHost host;
        for (int i = 0; i < 5001; ++i) {
            const int folder = (i * 37 + run) % 100; // 4 media of 25 folders, interleaved
            host.selection.append(retrieval::SelectedRow{
                QStringLiteral("f%1.exe").arg(i), QStringLiteral("-CD_%1- E:\\GAMES\\Játék %2")
                                                      .arg(1 + folder / 25)
                                                      .arg(folder % 25)});
        }
        QElapsedTimer t;
        t.start();
        retrieval::CopyRun(host).utszures(false);
        times << seconds(t);
        if (host.selection.size() != 100)
            qFatal("%lld folders left, not 100", qint64(host.selection.size()));
    }
    std::printf("utszures_5001_s %.4f s\n", median(times));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // bench/run.sh retrieve [DIR]: the files go below DIR (default: the temporary folder).
    const QString parent = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir dir(parent + QStringLiteral("/polcozo_bench_retrieve-XXXXXX"));
    std::printf("folder %s\n", qPrintable(dir.path()));
    repeatedFolders();
    singleFiles(dir.path());
    tree(dir.path());
    std::printf("settling_s %.1f s\n", g_settleSeconds);
    return 0;
}
