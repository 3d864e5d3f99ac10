#include "RawTree.h"
#include "TestSupport.h"
#include "archives/ArchiveMaker.h"
#include "athozo/CopierJob.h"
#include "athozo/CopierWindow.h"
#include "athozo/TreeCopy.h"

#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <csignal>
#include <sys/mount.h>

using namespace athozo;
using namespace RawTree;

namespace {

const QStringList kAll = {"/S", "/C", "/F", "/H", "/R", "/Y"};

// What media hold: hidden and read-only files and folders, empty folders,
// names with blanks, accents, apostrophes and bytes that are not UTF-8, a
// link; every time in the past. Gives the tree's root.
QByteArray tree(const Dir& dir)
{
    const QByteArray root = dir.path + "/forrás";
    folder(root + "/Régi játékok/üres/még üresebb");
    write(root + "/Régi játékok/Doom II's.exe", "doom");
    write(root + "/olvass el.txt", "blanks");
    write(root + "/.rejtett", "hidden");
    write(root + "/csak olvasható.txt", "read-only", 0444);
    write(root + "/caf\xE9 d'or.txt", "latin-2 bytes");
    write(root + "/nagy.bin", QByteArray(3 << 20, 'N'));
    folder(root + "/.rejtett mappa");
    write(root + "/.rejtett mappa/titok", "secret");
    folder(root + "/zárt");
    write(root + "/zárt/benne", "inside", 0400);
    ::chmod((root + "/zárt").constData(), 0555);
    folder(root + "/\xF5r\xFClt");
    ::symlink("olvass el.txt", (root + "/hivatkozás").constData());
    for (const QByteArray& line : snapshot(root)) {
        const timespec at{1000000000 + line.size(), 5000}, t[2] = {at, at};
        ::utimensat(AT_FDCWD, (root + '/' + line.left(line.indexOf(" @"))).constData(), t,
                    AT_SYMLINK_NOFOLLOW);
    }
    return root;
}

Job jobFor(const QByteArray& source, const QByteArray& target, const QStringList& switches = kAll)
{
    const QStringList paths{QFile::decodeName(source) + "/*.*", QFile::decodeName(target) + "/*.*"};
    return std::get<Job>(parseArguments(paths + switches, {}));
}

const QString kListingProblem = "A másolt file-ok listáját nem lehet kiírni.";

// 'count' small files in a few folders below 'root'.
void manyFiles(const QByteArray& root, int count)
{
    for (int i = 0; i < count; ++i) {
        const QByteArray sub = root + "/mappa" + QByteArray::number(i % 8);
        folder(sub);
        write(sub + "/adat" + QByteArray::number(i) + ".dat", "file " + QByteArray::number(i));
    }
}

// A file system mounted for the test; gone again at its end.
struct Mount
{
    QByteArray point;
    bool ok = false;
    explicit Mount(const QByteArray& at) : point(at)
    {
        folder(point);
        ok = ::mount("polcozo-test", point.constData(), "tmpfs", 0, "size=1m") == 0;
    }
    ~Mount()
    {
        if (ok)
            ::umount2(point.constData(), MNT_DETACH);
    }
};

// The copier run as the program, from 'source' into 'target'.
void startProgram(QProcess& athozo, const QByteArray& source, const QByteArray& target)
{
    athozo.setProgram(POLCOZO_ATHOZO);
    athozo.setArguments(
        QStringList{QFile::decodeName(source) + "/*.*", QFile::decodeName(target) + "/*.*"} + kAll);
    athozo.start();
    QVERIFY(athozo.waitForStarted());
}

} // namespace

class TestAthozo : public QObject
{
    Q_OBJECT

private slots:
    void arguments()
    {
        Dir dir;
        const auto drives =
            platform::DriveTable::fromFolders(dir.text() + "/c", {dir.text() + "/d"});
        Job job = std::get<Job>(parseArguments(
            QStringList{"D:\\GAMES\\DOOM\\*.*", "C:\\MENTES\\DOOM 1\\*.*"} + kAll, drives));
        QCOMPARE(job.source, dir.path + "/d/GAMES/DOOM");
        QCOMPARE(job.target, dir.path + "/c/MENTES/DOOM 1");
        QCOMPARE(job.sourceText, "D:\\GAMES\\DOOM");
        const Switches& s = job.switches;
        QVERIFY(s.subFolders && s.continueOnError && s.fullNames && s.hidden && s.overReadOnly &&
                s.overwrite);

        // A medium's root, and stored names given back as their bytes.
        job = std::get<Job>(parseArguments({"d:\\*.*", "C:\\caf/E9 a/22b/5C\\*.*", "/s"}, drives));
        QCOMPARE(job.source, dir.path + "/d");
        QCOMPARE(job.target, dir.path + "/c/caf\xE9 a\"b\\");
        QVERIFY(job.switches.subFolders && !job.switches.hidden && !job.switches.overwrite);

        for (const QStringList& wrong : {QStringList{"D:\\*.*"},
                                         {"D:\\*.*", "C:\\*.*", "/X"},
                                         {"D:\\a\\*.txt", "C:\\*.*"},
                                         {"Q:\\*.*", "C:\\*.*"},
                                         {"D:\\..\\*.*", "C:\\*.*"}})
            QVERIFY2(std::holds_alternative<QString>(parseArguments(wrong, drives)),
                     qPrintable(wrong.join(u' ')));
    }

    // Everything arrives as it was, times included, over older and read-only
    // copies, and no temporary file is left anywhere. Without /H and /S the
    // hidden names and the folders stay behind; without /Y existing files.
    void copiesTheTree()
    {
        Dir dir;
        const QByteArray source = tree(dir), target = dir.path + "/cél/DOOM";
        folder(target);
        write(target + "/csak olvasható.txt", "an older read-only copy", 0444);
        write(target + "/olvass el.txt", "an older copy");
        Progress progress;
        QVERIFY(TreeCopy(jobFor(source, target), progress).run());
        QCOMPARE(snapshot(target), snapshot(source));
        const Progress::State s = progress.state();
        QVERIFY(s.finished && s.failures.isEmpty() && s.doneBytes == s.totalBytes);
        QCOMPARE(s.copiedFiles, 8);

        QVERIFY(TreeCopy(jobFor(source, dir.path + "/top", {"/Y"}), progress).run());
        QList<QByteArray> visibleTop;
        for (const QByteArray& line : snapshot(source))
            if (!line.startsWith('.') && !line.left(line.indexOf(" @")).contains('/') &&
                !line.endsWith(" folder"))
                visibleTop << line;
        QCOMPARE(snapshot(dir.path + "/top"), visibleTop);
        write(dir.path + "/top/olvass el.txt", "kept");
        QVERIFY(!TreeCopy(jobFor(source, dir.path + "/top", {}), progress).run());
        QCOMPARE(read(dir.path + "/top/olvass el.txt"), QByteArray("kept"));
    }

    // /C goes on after a failed file, the window listing it; without /C the copy stops.
    void failedFiles()
    {
        Dir dir;
        const QByteArray source = dir.path + "/forrás";
        folder(source);
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            write(source + '/' + name, name);
        folder(dir.path + "/on/b.txt"); // a folder where a file should go
        folder(dir.path + "/stop/b.txt");
        CopierWindow w(jobFor(source, dir.path + "/on"));
        w.show();
        w.start();
        QTRY_VERIFY_WITH_TIMEOUT(w.isFinished(), 30000);
        QVERIFY(w.isVisible() && w.exitCode() == 1);
        QCOMPARE(w.bar->value(), w.bar->maximum());
        QCOMPARE(w.hibak->count(), 1);
        QCOMPARE(w.hibak->item(0)->text(),
                 QFile::decodeName(source) + "/b.txt: a célban egy azonos nevű mappa van");
        QCOMPARE(w.gomb->text(), "Bezárás");
        QCOMPARE(names(dir.path + "/on"), (QList<QByteArray>{"a.txt", "b.txt", "c.txt"}));
        Progress stop;
        QVERIFY(!TreeCopy(jobFor(source, dir.path + "/stop", {"/S", "/Y"}), stop).run());
        QCOMPARE(stop.state().failures.size(), 1);
        QCOMPARE(names(dir.path + "/stop"), (QList<QByteArray>{"a.txt", "b.txt"}));
    }

    // The program as the catalog starts it: drive paths through the system's
    // drive table, each file listed with /F; its window closes after a full copy.
    void program()
    {
        Dir dir;
        const QByteArray source = tree(dir);
        const auto drives = platform::DriveTable::system();
        const QString from = drives.toDrivePath(QFile::decodeName(source));
        const QString to = drives.toDrivePath(dir.text()) + "\\cél";
        QProcess athozo;
        athozo.start(POLCOZO_ATHOZO, QStringList{from + "\\*.*", to + "\\*.*"} + kAll);
        QVERIFY(athozo.waitForFinished(60000));
        QCOMPARE(athozo.exitCode(), 0);
        QCOMPARE(snapshot(dir.path + "/cél"), snapshot(source));
        const QString listed = QString::fromUtf8(athozo.readAllStandardOutput());
        QVERIFY2(listed.contains(from + "\\Régi játékok\\Doom II's.exe -> " + to +
                                 "\\Régi játékok\\Doom II's.exe\n"),
                 qPrintable(listed));
        QVERIFY(listed.contains("\\caf/E9 d'or.txt ->"));
    }

    // Started as the program starts it, on a member folder inside an archive:
    // the copier finds the archive child beside itself before its window exists.
    void memberFolderOfAnArchive()
    {
        Dir dir;
        TestSupport::writeFile(dir.text() + "/csomag.zip",
                               ArchiveMaker::storedZip({{"INSTALL/BIN/SETUP.EXE", "setup"},
                                                        {"INSTALL/BIN/SUB/A.TXT", "a"},
                                                        {"INSTALL/DOC/README.TXT", "readme"}}));
        const auto drives = platform::DriveTable::system();
        const QString from = drives.toDrivePath(dir.text()) + "\\csomag.zip\\INSTALL\\BIN";
        const QString to = drives.toDrivePath(dir.text()) + "\\cel\\BIN";
        QProcess athozo;
        athozo.start(POLCOZO_ATHOZO, QStringList{from + "\\*.*", to + "\\*.*"} + kAll);
        QVERIFY(athozo.waitForFinished(60000));
        QCOMPARE(athozo.exitCode(), 0);
        QFile setup(dir.text() + "/cel/BIN/SETUP.EXE"), a(dir.text() + "/cel/BIN/SUB/A.TXT");
        QVERIFY(setup.open(QIODevice::ReadOnly) && a.open(QIODevice::ReadOnly));
        QCOMPARE(setup.readAll(), QByteArray("setup"));
        QCOMPARE(a.readAll(), QByteArray("a"));
        QVERIFY(!QFileInfo::exists(dir.text() + "/cel/BIN/README.TXT"));
    }

    // Whatever becomes of the listing on its standard output, every file is
    // copied, and a listing that could not be written is said once, never as
    // a file that failed.
    void listingThatCannotBeWritten()
    {
        Dir dir;
        const QByteArray source = dir.path + "/forrás", target = dir.path + "/cél";
        manyFiles(source, 400);
        // Standard output is a pipe nobody reads: its read end is closed.
        int pipe[2];
        QVERIFY(::pipe(pipe) == 0);
        ::close(pipe[0]);
        const int writeEnd = pipe[1];
        QProcess athozo;
        athozo.setStandardOutputFile(QProcess::nullDevice());
        athozo.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, 1); });
        startProgram(athozo, source, target);
        ::close(writeEnd);
        QByteArray said;
        QElapsedTimer t;
        t.start();
        while (!said.contains(kListingProblem.toUtf8()) && athozo.state() == QProcess::Running &&
               t.elapsed() < 60000) {
            athozo.waitForReadyRead(200);
            said += athozo.readAllStandardError();
        }
        said += athozo.readAllStandardError();
        // Not ended by the broken pipe: it either finished well or is still
        // showing the problem in its window.
        QVERIFY2(athozo.state() == QProcess::Running ||
                     (athozo.exitStatus() == QProcess::NormalExit && athozo.exitCode() == 0),
                 said.constData());
        QCOMPARE(snapshot(target), snapshot(source));
        if (athozo.state() == QProcess::Running) {
            QCOMPARE(said.count(kListingProblem.toUtf8()), 1);
            athozo.kill();
            athozo.waitForFinished();
        }

        // In the window: one line among the failures, every file counted as copied.
        const QByteArray again = dir.path + "/újra";
        std::FILE* full = std::fopen("/dev/full", "w");
        QVERIFY(full);
        {
            CopierWindow w(jobFor(source, again), full);
            w.show();
            w.start();
            QTRY_VERIFY_WITH_TIMEOUT(w.isFinished(), 30000);
            QVERIFY(w.isVisible());
            QCOMPARE(w.exitCode(), 1);
            QCOMPARE(w.hibak->count(), 1);
            QCOMPARE(w.hibak->item(0)->text(), kListingProblem);
        }
        std::fclose(full);
        QCOMPARE(snapshot(again), snapshot(source));
    }

    // Started without standard descriptors, the copier neither hangs nor
    // writes its listing or messages into what it opens.
    void closedDescriptors_data()
    {
        QTest::addColumn<QList<int>>("closed");
        QTest::newRow("output") << QList<int>{1};
        QTest::newRow("all three") << QList<int>{0, 1, 2};
    }
    void closedDescriptors()
    {
        QFETCH(QList<int>, closed);
        Dir dir;
        const QByteArray source = dir.path + "/forrás", target = dir.path + "/cél";
        manyFiles(source, 400);
        QProcess athozo;
        athozo.setChildProcessModifier([closed] {
            for (int fd : closed)
                ::close(fd);
        });
        athozo.setEnvironment(QProcessEnvironment::systemEnvironment().toStringList()
                              << "QT_LOGGING_RULES=*.debug=true");
        startProgram(athozo, source, target);
        const bool ended = athozo.waitForFinished(60000);
        if (!ended)
            athozo.kill();
        QVERIFY(ended);
        QCOMPARE(athozo.exitStatus(), QProcess::NormalExit);
        QCOMPARE(athozo.exitCode(), 0);
        QCOMPARE(snapshot(target), snapshot(source));
    }

    // A file system mounted below the source is another drive: it is not
    // entered, and it is named as a folder that was not copied.
    void mountPointBelowTheSource()
    {
        Dir dir;
        const QByteArray source = dir.path + "/forrás";
        folder(source + "/sima");
        write(source + "/a.txt", "a");
        write(source + "/sima/b.txt", "b");

        // Through the copy's own device check: a folder of another device.
        Progress progress;
        const Job job = jobFor(source, dir.path + "/cél");
        TreeCopy copy(job, progress);
        copy.setDeviceOf([](const QByteArray& relative, const struct stat& st) {
            return relative == "sima" ? st.st_dev + 1 : st.st_dev;
        });
        QVERIFY(!copy.run());
        QCOMPARE(progress.state().failures,
                 (QList<Failure>{{QFile::decodeName(source) + "/sima",
                                  "másik fájlrendszer csatolási pontja, kimarad"}}));
        QCOMPARE(names(dir.path + "/cél"), QList<QByteArray>{"a.txt"});

        // And a real mount, where the machine allows one.
        Mount mount(source + "/csatolt");
        if (!mount.ok)
            QSKIP("no file system can be mounted here");
        write(source + "/csatolt/c.txt", "c");
        QProcess athozo;
        startProgram(athozo, source, dir.path + "/cél2");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.text() + "/cél2/sima/b.txt"), 30000);
        QVERIFY(athozo.state() == QProcess::Running); // the window shows the failure
        athozo.kill();
        athozo.waitForFinished();
        QCOMPARE(names(dir.path + "/cél2"), (QList<QByteArray>{"a.txt", "sima"}));
        Progress real;
        QVERIFY(!TreeCopy(jobFor(source, dir.path + "/cél3"), real).run());
        QCOMPARE(real.state().failures,
                 (QList<Failure>{{QFile::decodeName(source) + "/csatolt",
                                  "másik fájlrendszer csatolási pontja, kimarad"}}));
    }
};

QTEST_MAIN(TestAthozo)
#include "test_athozo.moc"
