// Scans a folder tree into a fresh catalog through the builder's walk and
// compares the time with a plain `find` over the same tree.
//
//   polcozo_bench_scan            generate 100 000 files in 5 000 folders
//   polcozo_bench_scan DIR        scan an existing folder (kept catalog)

#include "builder/FolderWalk.h"
#include "platform/Drives.h"
#include "store/CatalogFiles.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Observer : builder::WalkObserver
{
    qint64 folders = 0;
    QString failure;
    void folderOpened(const QString&) override {}
    void yieldToUser() override { QCoreApplication::processEvents(); }
    void folderRecorded(qint64) override { ++folders; }
    void fileVanished() override {}
    void recordingFailed(const QString& text) override { failure = text; }
};

// 100 top folders with 49 sub-folders each, 20 files in every folder.
void generateTree(const QString& root)
{
    int file = 0;
    for (int top = 0; top < 100; ++top) {
        const QString t = root + QStringLiteral("/DIR%1").arg(top, 3, 10, QLatin1Char('0'));
        for (int sub = -1; sub < 49; ++sub) {
            const QString folder = sub < 0 ? t : t + QStringLiteral("/Sub folder %1").arg(sub);
            QDir().mkpath(folder);
            for (int i = 0; i < 20; ++i, ++file) {
                const QByteArray path =
                    QFile::encodeName(folder + QStringLiteral("/file_%1.dat").arg(file));
                const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
                if (fd < 0 || ::ftruncate(fd, (file * 7919) % 2000000) != 0)
                    qFatal("cannot write %s", path.constData());
                ::close(fd);
            }
        }
    }
}

double findSeconds(const QString& dir)
{
    const QString cmd = QStringLiteral("find '%1' -printf '%s %T@ %p\\n' >/dev/null").arg(dir);
    QElapsedTimer t;
    t.start();
    QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), cmd});
    return t.nsecsElapsed() / 1e9;
}

QString fileSystemOf(const QString& dir)
{
    QProcess p;
    p.start(QStringLiteral("df"), {QStringLiteral("--output=fstype"), dir});
    p.waitForFinished();
    const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(
        QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.size() > 1 ? lines.last().trimmed() : QStringLiteral("?");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    work.setAutoRemove(argc < 2);
    QString tree = argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).absolutePath()
                            : work.path() + QStringLiteral("/tree");
    if (argc < 2) {
        QElapsedTimer g;
        g.start();
        generateTree(tree);
        std::printf("tree %s (%s), generated in %.2f s\n", qPrintable(tree),
                    qPrintable(fileSystemOf(tree)), g.nsecsElapsed() / 1e9);
    } else {
        std::printf("tree %s (%s)\n", qPrintable(tree), qPrintable(fileSystemOf(tree)));
    }
    const QString catalog = work.path() + QStringLiteral("/scan.mdb");
    store::copyFile(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog);
    QFile::setPermissions(catalog, QFile::ReadOwner | QFile::WriteOwner);

    findSeconds(tree); // warm the cache for both
    const platform::DriveTable drives = platform::DriveTable::system();
    const QString start = drives.toDrivePath(tree);
    Observer observer;
    builder::FolderWalk walk(drives, observer);
    QElapsedTimer t;
    t.start();
    walk.tablanyit(catalog);
    walk.setOpenFolder(start);
    walk.konyvbejar(start, QStringLiteral("BENCH"));
    walk.close();
    const double scan = t.nsecsElapsed() / 1e9;
    const double find = findSeconds(tree);
    if (!observer.failure.isEmpty())
        std::printf("failure: %s\n", qPrintable(observer.failure));

    auto db = store::Database::open(catalog);
    const qint64 files = db.scalar(QStringLiteral("SELECT count(*) FROM prgnev")).toLongLong();
    std::printf("start %s\n", qPrintable(start));
    std::printf("folders %lld\n", observer.folders);
    std::printf("files %lld\n", files);
    std::printf("scan_files_per_s %.0f files/s\n", files / scan);
    std::printf("scan_s %.3f s\n", scan);
    std::printf("find_s %.3f s\n", find);
    std::printf("scan_to_find_ratio %.2f\n", scan / find);
    if (argc > 1)
        std::printf("catalog %s\n", qPrintable(catalog));
    return observer.failure.isEmpty() ? 0 : 1;
}
