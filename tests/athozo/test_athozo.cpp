#include "RawTree.h"
#include "athozo/CopierJob.h"
#include "athozo/CopierWindow.h"
#include "athozo/TreeCopy.h"

#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

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
};

QTEST_MAIN(TestAthozo)
#include "test_athozo.moc"
