// Scans a folder tree into a fresh catalog through the builder's walk and
// compares the time with a plain `find` over the same tree; then updates the
// unchanged tree again, and scans 1 GiB of files with checksums against `cat`;
// then 1 000 ZIP archives of 100 members each with and without their contents,
// and lists a 700 MB ISO image (when xorriso is there).
//
//   polcozo_bench_scan            generate the trees and measure
//   polcozo_bench_scan DIR [--crc] [--archives] [--label LABEL] [--update CATALOG]
//                                 scan DIR (kept catalog), or update LABEL's
//                                 rows in CATALOG from DIR

#include "../tests/archives/ArchiveMaker.h"
#include "archives/ArchiveChild.h"
#include "builder/FolderWalk.h"
#include "builder/MediumUpdate.h"
#include "platform/Drives.h"
#include "store/CatalogFiles.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
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

// 1 GiB of incompressible files: 32 folders of 32 files of 1 MiB.
void generateBigTree(const QString& root)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int folder = 0; folder < 32; ++folder) {
        const QString f = root + QStringLiteral("/D%1").arg(folder);
        QDir().mkpath(f);
        for (int i = 0; i < 32; ++i) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                                  block.size() / 4);
            QFile out(f + QStringLiteral("/f%1.bin").arg(i));
            if (!out.open(QIODevice::WriteOnly) || out.write(block) != block.size())
                qFatal("cannot write %s", qPrintable(out.fileName()));
        }
    }
}

double catSeconds(const QString& dir)
{
    const QString cmd =
        QStringLiteral("find '%1' -type f -print0 | xargs -0 cat >/dev/null").arg(dir);
    QElapsedTimer t;
    t.start();
    QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), cmd});
    return t.nsecsElapsed() / 1e9;
}

// 1 000 ZIP archives of 100 deflated members (a few KiB each), 50 to a folder.
void generateZips(const QString& root)
{
    QByteArray text;
    for (int i = 0; text.size() < 8192; ++i)
        text += "line " + QByteArray::number(i * 7919 % 65521) + " of some member text\n";
    for (int a = 0; a < 1000; ++a) {
        const QString folder = root + QStringLiteral("/Z%1").arg(a / 50, 2, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        QList<ArchiveMaker::Entry> members;
        for (int m = 0; m < 100; ++m)
            members << ArchiveMaker::file("dir" + QByteArray::number(m % 5) + "/member" +
                                              QByteArray::number(m) + ".txt",
                                          text.left(1024 + (a * 31 + m * 97) % 7000));
        if (!ArchiveMaker::write(folder + QStringLiteral("/archive%1.zip").arg(a), "zip", "",
                                 members))
            qFatal("cannot write archive %d", a);
    }
}

// A 700 MB ISO image of 700 incompressible files; false without xorriso.
bool generateIso(const QString& root, const QString& image)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < 700; ++i) {
        const QString f = root + QStringLiteral("/D%1").arg(i / 50);
        QDir().mkpath(f);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                              block.size() / 4);
        QFile out(f + QStringLiteral("/f%1.bin").arg(i));
        if (!out.open(QIODevice::WriteOnly) || out.write(block) != block.size())
            qFatal("cannot write %s", qPrintable(out.fileName()));
    }
    return QProcess::execute(QStringLiteral("sh"),
                             {QStringLiteral("-c"),
                              QStringLiteral("xorriso -as mkisofs -quiet -R -J -o '%1' '%2' "
                                             ">/dev/null 2>&1")
                                  .arg(image, root)}) == 0;
}

QList<QByteArray> archiveChild()
{
    return {archives::childProgram(QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/.."))};
}

QString freshCatalog(const QString& path)
{
    QFile::remove(path);
    store::copyFile(QStringLiteral(POLCOZO_BENCH_TEMPLATE), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// Seconds of one scan (or update) of drive path 'start'; a failure ends the program.
double record(const platform::DriveTable& drives, const QString& catalog, const QString& start,
              const QString& label, bool crc, bool update, Observer& observer,
              bool archives = false)
{
    const builder::ArchiveScan scan{archives, archiveChild(), {}};
    QElapsedTimer t;
    t.start();
    if (update) {
        builder::MediumUpdate u(drives, observer);
        u.crc = crc;
        u.archives = scan;
        const auto outcome = u.run(catalog, start, label);
        if (outcome == builder::MediumUpdate::Outcome::Updated)
            std::printf("%s\n", qPrintable(u.resultText(outcome).replace(QStringLiteral("\r\n"),
                                                                         QStringLiteral("; "))));
    } else {
        builder::FolderWalk walk(drives, observer);
        walk.crc = crc;
        walk.archives = scan;
        walk.tablanyit(catalog);
        walk.setOpenFolder(start);
        walk.konyvbejar(start, label);
        walk.close();
        if (walk.unreadableFiles() > 0)
            std::printf("unreadable %lld\n", walk.unreadableFiles());
        if (walk.damagedArchives() + walk.limitedArchives() > 0)
            std::printf("archives damaged %lld, at a limit %lld\n", walk.damagedArchives(),
                        walk.limitedArchives());
    }
    const double s = t.nsecsElapsed() / 1e9;
    if (!observer.failure.isEmpty()) {
        std::printf("failure: %s\n", qPrintable(observer.failure));
        std::exit(1);
    }
    return s;
}

QString fileSystemOf(const QString& dir)
{
    QProcess p;
    p.start(QStringLiteral("df"), {QStringLiteral("--output=fstype"), dir});
    p.waitForFinished();
    const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.size() > 1 ? lines.last().trimmed() : QStringLiteral("?");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool crc = false;
    bool archives = false;
    QString label = QStringLiteral("BENCH");
    QString updateCatalog;
    QString dir;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--crc"))
            crc = true;
        else if (args[i] == QLatin1String("--archives"))
            archives = true;
        else if (args[i] == QLatin1String("--label") && i + 1 < args.size())
            label = args[++i];
        else if (args[i] == QLatin1String("--update") && i + 1 < args.size())
            updateCatalog = QFileInfo(args[++i]).absoluteFilePath();
        else if (dir.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            dir = QDir(args[i]).absolutePath();
        else {
            std::fprintf(stderr, "usage: %s [DIR [--crc] [--archives] [--label LABEL] [--update CATALOG]]\n",
                         argv[0]);
            return 2;
        }
    }
    const bool generated = dir.isEmpty();
    QTemporaryDir work;
    work.setAutoRemove(generated);
    const QString tree = generated ? work.path() + QStringLiteral("/tree") : dir;
    if (generated) {
        QElapsedTimer g;
        g.start();
        generateTree(tree);
        std::printf("tree %s (%s), generated in %.2f s\n", qPrintable(tree),
                    qPrintable(fileSystemOf(tree)), g.nsecsElapsed() / 1e9);
    } else {
        std::printf("tree %s (%s)\n", qPrintable(tree), qPrintable(fileSystemOf(tree)));
    }
    const QString catalog = updateCatalog.isEmpty()
                                ? freshCatalog(work.path() + QStringLiteral("/scan.mdb"))
                                : updateCatalog;

    findSeconds(tree); // warm the cache for both
    const platform::DriveTable drives = platform::DriveTable::system();
    const QString start = drives.toDrivePath(tree);
    Observer observer;
    const double scan =
        record(drives, catalog, start, label, crc, !updateCatalog.isEmpty(), observer, archives);
    const double find = findSeconds(tree);

    auto db = store::Database::open(catalog);
    const qint64 files = db.scalar(QStringLiteral("SELECT count(*) FROM prgnev")).toLongLong();
    db.close();
    std::printf("start %s\n", qPrintable(start));
    std::printf("folders %lld\n", observer.folders);
    std::printf("files %lld\n", files);
    std::printf("scan_files_per_s %.0f files/s\n", files / scan);
    std::printf("scan_s %.3f s\n", scan);
    std::printf("find_s %.3f s\n", find);
    std::printf("scan_to_find_ratio %.2f\n", scan / find);
    if (!generated) {
        std::printf("catalog %s\n", qPrintable(catalog));
        return 0;
    }

    // The same medium again, unchanged: every row is kept.
    const double update = record(drives, catalog, start, label, false, true, observer);
    std::printf("update_s %.3f s\n", update);
    std::printf("update_to_scan_ratio %.2f\n", update / scan);

    // Checksums from the page cache against reading the same files with cat.
    const QString big = work.path() + QStringLiteral("/big");
    generateBigTree(big);
    catSeconds(big); // into the cache
    const double cat = catSeconds(big);
    const double crcScan = record(drives, freshCatalog(work.path() + QStringLiteral("/crc.mdb")),
                                  drives.toDrivePath(big), label, true, false, observer);
    std::printf("cat_s %.3f s\n", cat);
    std::printf("scan_crc_s %.3f s\n", crcScan);
    std::printf("scan_crc_to_cat_ratio %.2f\n", cat / crcScan);

    // Archive contents: the same medium of ZIPs with the option off and on.
    const QString zips = work.path() + QStringLiteral("/zips");
    generateZips(zips);
    findSeconds(zips);
    const QString zipStart = drives.toDrivePath(zips);
    const QString offCatalog = freshCatalog(work.path() + QStringLiteral("/zoff.mdb"));
    const double off = record(drives, offCatalog, zipStart, label, false, false, observer);
    const QString onCatalog = freshCatalog(work.path() + QStringLiteral("/zon.mdb"));
    const double onScan =
        record(drives, onCatalog, zipStart, label, false, false, observer, true);
    auto zdb = store::Database::open(onCatalog);
    const qint64 members = zdb.scalar(QStringLiteral("SELECT count(*) FROM prgnev")).toLongLong();
    zdb.close();
    std::printf("scan_archives_off_s %.3f s\n", off);
    std::printf("scan_archives_s %.3f s (%lld rows)\n", onScan, members);
    std::printf("scan_archives_rows_per_s %.0f rows/s\n", members / onScan);
    std::printf("scan_archives_to_scan_ratio %.2f\n", onScan / off);

    // A 700 MB ISO image's contents, listed from the page cache.
    const QString iso = work.path() + QStringLiteral("/image.iso");
    if (generateIso(work.path() + QStringLiteral("/isotree"), iso)) {
        archives::ArchiveLister lister(archiveChild());
        const QByteArray native = QFile::encodeName(iso);
        lister.list(native); // into the cache, the child started
        QElapsedTimer t;
        t.start();
        const archives::Listing l = lister.list(native);
        std::printf("iso_bytes %lld\n", QFileInfo(iso).size());
        std::printf("iso_members %lld%s\n", qint64(l.members.size()),
                    l.damaged ? " (damaged)" : "");
        std::printf("iso_list_s %.3f s\n", t.nsecsElapsed() / 1e9);
    } else {
        std::printf("iso_list_s - (no xorriso)\n");
    }
    return 0;
}
