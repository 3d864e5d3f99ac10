#include "TreeSupport.h"
#include "athozo/CopierJob.h"
#include "athozo/CopierWindow.h"
#include "athozo/TreeCopy.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

using namespace athozo;
using TreeSupport::folder;
using TreeSupport::setTime;
using TreeSupport::snapshot;
using TreeSupport::write;

namespace {

const QStringList kAll = {"/S", "/C", "/F", "/H", "/R", "/Y"};

// A medium's folder with what media hold: hidden and read-only files and
// folders, empty folders, names with blanks, accents, apostrophes and bytes
// that are not UTF-8, a link; every time set in the past.
void makeTree(const QByteArray& root)
{
    folder(root);
    write(root + "/olvass el.txt", "blanks");
    write(root + "/.rejtett", "hidden");
    write(root + "/csak olvasható.txt", "read-only", 0444);
    write(root + "/caf\xE9 d'or.txt", "latin-2 bytes");
    write(root + "/nagy.bin", QByteArray(3 << 20, 'N'));
    folder(root + "/Régi játékok");
    write(root + "/Régi játékok/Doom II's.exe", "doom");
    folder(root + "/Régi játékok/üres");
    folder(root + "/Régi játékok/üres/még üresebb");
    folder(root + "/.rejtett mappa");
    write(root + "/.rejtett mappa/titok", "secret");
    folder(root + "/zárt", 0555);
    ::chmod((root + "/zárt").constData(), 0755);
    write(root + "/zárt/benne", "inside", 0400);
    ::chmod((root + "/zárt").constData(), 0555);
    folder(root + "/\xF5r\xFClt");
    ::symlink("olvass el.txt", (root + "/hivatkozás").constData());
    for (const QByteArray& line : snapshot(root)) {
        const QByteArray rel = line.left(line.indexOf(" @"));
        setTime(root + '/' + rel, 1000000000 + line.size());
    }
    setTime(root + "/\xF5r\xFClt", 999999999); // after its content was touched
}

Job jobFor(const QByteArray& source, const QByteArray& target, const QStringList& switches = kAll)
{
    const auto parsed =
        parseArguments(QStringList{QFile::decodeName(source) + QStringLiteral("/*.*"),
                                   QFile::decodeName(target) + QStringLiteral("/*.*")} +
                           switches,
                       {});
    if (!std::holds_alternative<Job>(parsed))
        qFatal("no job: %s", qPrintable(std::get<QString>(parsed)));
    return std::get<Job>(parsed);
}

QStringList failureNames(const Progress& p)
{
    QStringList out;
    for (const Failure& f : p.state().failures)
        out << f.name;
    return out;
}

} // namespace

class TestAthozo : public QObject
{
    Q_OBJECT

private slots:
    void arguments()
    {
        QTemporaryDir tmp;
        const auto drives = platform::DriveTable::fromFolders(tmp.filePath(QStringLiteral("c")),
                                                              {tmp.filePath(QStringLiteral("d"))});
        const QByteArray c = QFile::encodeName(tmp.filePath(QStringLiteral("c")));
        const QByteArray d = QFile::encodeName(tmp.filePath(QStringLiteral("d")));

        auto parsed = parseArguments(QStringList{QStringLiteral("D:\\GAMES\\DOOM\\*.*"),
                                                 QStringLiteral("C:\\MENTES\\DOOM 1\\*.*")} +
                                         kAll,
                                     drives);
        QVERIFY(std::holds_alternative<Job>(parsed));
        Job job = std::get<Job>(parsed);
        QCOMPARE(job.source, d + "/GAMES/DOOM");
        QCOMPARE(job.target, c + "/MENTES/DOOM 1");
        QCOMPARE(job.sourceText, QStringLiteral("D:\\GAMES\\DOOM"));
        const Switches& s = job.switches;
        QVERIFY(s.subFolders && s.continueOnError && s.fullNames && s.hidden && s.overReadOnly &&
                s.overwrite);

        // A medium's root, and stored names given back as their bytes.
        parsed = parseArguments({QStringLiteral("d:\\*.*"),
                                 QStringLiteral("C:\\caf/E9 a/22b/5C\\*.*"), QStringLiteral("/s")},
                                drives);
        job = std::get<Job>(parsed);
        QCOMPARE(job.source, d);
        QCOMPARE(job.target, c + "/caf\xE9 a\"b\\");
        QVERIFY(job.switches.subFolders && !job.switches.hidden && !job.switches.overwrite);

        for (const QStringList& wrong : {QStringList{QStringLiteral("D:\\*.*")},
                                         {"D:\\*.*", "C:\\*.*", "/X"},
                                         {"D:\\a\\*.txt", "C:\\*.*"},
                                         {"Q:\\*.*", "C:\\*.*"},
                                         {"D:\\..\\*.*", "C:\\*.*"}})
            QVERIFY2(std::holds_alternative<QString>(parseArguments(wrong, drives)),
                     qPrintable(wrong.join(u' ')));
    }

    // Everything arrives as it was, times included, over older copies and
    // read-only ones; and no temporary file is left anywhere.
    void copiesTheWholeTree()
    {
        TreeSupport::Dir dir;
        const QByteArray source = dir.path + "/forrás", target = dir.path + "/cél/DOOM";
        makeTree(source);
        folder(dir.path + "/cél");
        folder(target);
        write(target + "/csak olvasható.txt", "an older read-only copy", 0444);
        write(target + "/olvass el.txt", "an older copy");

        Progress progress;
        QVERIFY(TreeCopy(jobFor(source, target), progress).run());
        QCOMPARE(snapshot(target), snapshot(source));
        const Progress::State s = progress.state();
        QVERIFY(s.finished && s.failures.isEmpty());
        QCOMPARE(s.files, 8);
        QCOMPARE(s.copiedFiles, 8);
        QCOMPARE(s.doneBytes, s.totalBytes);
    }

    void switchesLeaveOut()
    {
        TreeSupport::Dir dir;
        const QByteArray source = dir.path + "/forrás";
        makeTree(source);
        Progress progress;
        QVERIFY(TreeCopy(jobFor(source, dir.path + "/a", {"/S", "/Y"}), progress).run());
        QList<QByteArray> visible;
        for (const QByteArray& line : snapshot(source))
            if (!line.startsWith('.'))
                visible << line;
        QCOMPARE(snapshot(dir.path + "/a"), visible);

        QVERIFY(TreeCopy(jobFor(source, dir.path + "/b", {"/H"}), progress).run());
        QList<QByteArray> topFiles;
        for (const QByteArray& line : snapshot(source))
            if (!line.left(line.indexOf(" @")).contains('/') && !line.endsWith(" folder"))
                topFiles << line;
        QCOMPARE(snapshot(dir.path + "/b"), topFiles);

        // Without /Y an existing file stays, and counts as not copied.
        write(dir.path + "/b/olvass el.txt", "kept");
        QVERIFY(!TreeCopy(jobFor(source, dir.path + "/b", {"/H"}), progress).run());
        QCOMPARE(TreeSupport::read(dir.path + "/b/olvass el.txt"), QByteArray("kept"));
    }

    // /C goes on after a file that failed; without it the copy stops there.
    void failedFiles()
    {
        TreeSupport::Dir dir;
        const QByteArray source = dir.path + "/forrás";
        folder(source);
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            write(source + '/' + name, name);
        for (const char* to : {"/go-on", "/stop"}) {
            folder(dir.path + to);
            folder(dir.path + to + "/b.txt"); // a folder where a file should go
        }

        Progress goOn;
        QVERIFY(!TreeCopy(jobFor(source, dir.path + "/go-on", kAll), goOn).run());
        QCOMPARE(failureNames(goOn),
                 QStringList{QFile::decodeName(source) + QStringLiteral("/b.txt")});
        QCOMPARE(TreeSupport::read(dir.path + "/go-on/c.txt"), QByteArray("c.txt"));

        Progress stop;
        QVERIFY(!TreeCopy(jobFor(source, dir.path + "/stop", {"/S", "/Y"}), stop).run());
        QCOMPARE(failureNames(stop).size(), 1);
        QCOMPARE(TreeSupport::read(dir.path + "/stop/a.txt"), QByteArray("a.txt"));
        QVERIFY(::access((dir.path + "/stop/c.txt").constData(), F_OK) != 0);
        QVERIFY(stop.state().finished);
    }

    // The window closes itself after a full copy and stays open, listing the
    // failures, otherwise.
    void window()
    {
        TreeSupport::Dir dir;
        const QByteArray source = dir.path + "/forrás";
        makeTree(source);
        {
            CopierWindow w(jobFor(source, dir.path + "/jó"));
            w.show();
            w.start();
            QTRY_VERIFY_WITH_TIMEOUT(w.isFinished(), 30000);
            QVERIFY(!w.isVisible());
            QCOMPARE(w.exitCode(), 0);
            QCOMPARE(w.bar->value(), w.bar->maximum());
        }
        folder(dir.path + "/rossz");
        folder(dir.path + "/rossz/nagy.bin");
        CopierWindow w(jobFor(source, dir.path + "/rossz"));
        w.show();
        w.start();
        QTRY_VERIFY_WITH_TIMEOUT(w.isFinished(), 30000);
        QVERIFY(w.isVisible());
        QCOMPARE(w.exitCode(), 1);
        QCOMPARE(w.hibak->count(), 1);
        QVERIFY(w.hibak->item(0)->text().startsWith(QFile::decodeName(source) +
                                                    QStringLiteral("/nagy.bin: ")));
        QCOMPARE(w.gomb->text(), QStringLiteral("Bezárás"));
        QCOMPARE(w.forras->text(), QFile::decodeName(source));
    }

    // The program as the catalog starts it: drive paths through the system's
    // drive table, every file listed with /F.
    void program()
    {
        TreeSupport::Dir dir;
        const QByteArray source = dir.path + "/forrás";
        makeTree(source);
        const auto drives = platform::DriveTable::system();
        const QString from = drives.toDrivePath(QFile::decodeName(source));
        const QString to =
            drives.toDrivePath(QFile::decodeName(dir.path)) + QStringLiteral("\\cél");
        QVERIFY(!from.isEmpty());
        QProcess athozo;
        athozo.setProgram(QStringLiteral(POLCOZO_ATHOZO));
        athozo.setArguments(
            QStringList{from + QStringLiteral("\\*.*"), to + QStringLiteral("\\*.*")} + kAll);
        athozo.start();
        QVERIFY(athozo.waitForFinished(60000));
        QCOMPARE(athozo.exitStatus(), QProcess::NormalExit);
        QCOMPARE(athozo.exitCode(), 0);
        QCOMPARE(snapshot(dir.path + "/cél"), snapshot(source));
        const QString listed = QString::fromUtf8(athozo.readAllStandardOutput());
        QVERIFY2(listed.contains(from + QStringLiteral("\\Régi játékok\\Doom II's.exe -> ") + to +
                                 QStringLiteral("\\Régi játékok\\Doom II's.exe\n")),
                 qPrintable(listed));
        QVERIFY(listed.contains(QStringLiteral("\\caf/E9 d'or.txt ->")));
    }
};

QTEST_MAIN(TestAthozo)
#include "test_athozo.moc"
