#include "RetrievalFixture.h"
#include "retrieval/CopyRun.h"

#include <QRandomGenerator>

using retrieval::CopyRun;
using Answer = retrieval::RetrievalHost::Answer;
using Buttons = retrieval::RetrievalHost::Buttons;
using Icon = retrieval::RetrievalHost::Icon;

namespace {

const QString kCd1 = "Helyezze be a -CD_1-  cimkéjü lemezt a D: meghajtóba !";
const QString kCd2 = "Helyezze be a -CD_2-  cimkéjü lemezt a D: meghajtóba !";
const QString kNotReady = "Nincs lemez a meghajtóban [ D: ], vagy a meghajtó nem működik !";

QString folderTaken(const QString& proposal)
{
    return "A kijelölt könyvtár már létezik, vagy létrehozása nem engedéjezett !\r\n"
           "Létrehozhatok egy új könyvtárat (" +
           proposal + u')';
}

// The removal of repeated folders the way the program always did it:
// passes over the selection, each starting again after one removal.
QStringList removedTheLongWay(QStringList rows)
{
    qsizetype start = 0;
    for (bool removed = true; removed;) {
        removed = false;
        for (qsizetype i = start; i < rows.size() && !removed; ++i)
            for (qsizetype j = i + 1; j < rows.size() && !removed; ++j)
                if (rows.at(j) == rows.at(i))
                    rows.removeAt(j), start = i, removed = true;
    }
    return rows;
}

} // namespace

class TestCopyRun : public QObject
{
    Q_OBJECT

private slots:
    // A prompt at each change of medium; each file is read from the disc
    // then in the drive, wherever it is mounted, and replaces an older copy.
    void singleFilesFromTwoMedia()
    {
        RetrievalFixture f;
        f.file("CD_1", "GAMES/DOOM/doom.exe", "doom");
        f.file("CD_1", "olvass el.txt", "root");
        f.file("CD_1", "GAMES/caf\xE9 d'or.txt", "latin-2");
        f.file("CD_2", "DOCS/level.txt", "cd2");
        TestSupport::writeFile(f.target + "/doom.exe", "older copy");
        f.select("doom.exe", "-CD_1- E:\\GAMES\\DOOM");
        f.select("level.txt", "-CD_2- F:\\DOCS");
        f.select("olvass el.txt", "-CD_1- E:\\");
        f.select("caf/E9 d'or.txt", "-CD_1- E:\\GAMES");

        CopyRun(f.host).masol(true);

        QCOMPARE(f.host.texts(), (QStringList{kCd1, kCd2, kCd1}));
        QVERIFY(f.host.asked.at(0).buttons == Buttons::OkCancel &&
                f.host.asked.at(0).icon == Icon::Information);
        for (const auto& [name, content] : {std::pair{"doom.exe", "doom"},
                                            {"level.txt", "cd2"},
                                            {"olvass el.txt", "root"},
                                            {"caf\xE9 d'or.txt", "latin-2"}})
            QCOMPARE(f.copied(name), QByteArray(content));
        QVERIFY(f.host.selection.isEmpty() && f.host.unloaded);
        QCOMPARE(f.host.barValue, 100);
    }

    // Cancel at the second medium: that row and the rows after it stay
    // selected; whole folders keep the bar up until the window closes.
    void cancelAtTheSecondMedium()
    {
        for (const bool singleFiles : {true, false}) {
            RetrievalFixture f;
            f.file("CD_1", "X/a.txt");
            f.select("a.txt", "-CD_1- E:\\X");
            f.select("b.txt", "-CD_2- E:\\Y");
            f.select("c.txt", "-CD_1- E:\\Z");
            f.host.answers = {Answer::Ok, Answer::Cancel};
            CopyRun(f.host).masol(singleFiles);
            QCOMPARE(f.host.texts(), (QStringList{kCd1, kCd2}));
            QCOMPARE(f.host.names(), (QStringList{"b.txt", "c.txt"}));
            QCOMPARE(f.targetNames(), QList<QByteArray>{singleFiles ? "a.txt" : "X"});
            QCOMPARE(f.host.barShown, !singleFiles);
            QVERIFY(!f.host.unloaded);
        }
    }

    void refusals()
    {
        RetrievalFixture f; // the same drive twice: after the repeated folders went
        f.host.target = u'd';
        f.select("a.txt", "-CD_1- E:\\X");
        f.select("b.txt", "-CD_1- E:\\X");
        CopyRun(f.host).masol(false);
        QCOMPARE(f.host.texts(), QStringList{"Egyazon meghajtóra nem lehet előhozni !"});
        QCOMPARE(f.host.asked.at(0).icon, Icon::None);
        QCOMPARE(f.host.names(), QStringList{"a.txt"});
        QVERIFY(f.host.started.isEmpty() && !f.host.unloaded);

        RetrievalFixture g;
        CopyRun(g.host).masol(true);
        QCOMPARE(g.host.texts(), QStringList{"Nem jelölt ki eggyetlen elemet sem !\r\nJelöljön ki "
                                             "rekordokat, majd próbálja újra a műveletet !"});
        QVERIFY(g.host.unloaded);
    }

    // One copier per folder however many of its files are selected; a
    // medium's root goes straight into the target folder.
    void wholeFolders()
    {
        RetrievalFixture f;
        f.file("CD_1", "GAMES/DOOM/doom.exe");
        for (const char* name : {"doom.exe", "doom.wad", "readme.txt"})
            f.select(QString::fromLatin1(name), "-CD_1- E:\\GAMES\\DOOM");
        f.select("x.txt", "-CD_1- E:\\");
        CopyRun(f.host).masol(false);
        QCOMPARE(f.host.texts(), QStringList{kCd1}); // no question up to 40 rows
        QCOMPARE(f.host.started.size(), 2);
        QCOMPARE(f.host.started.at(0).mid(0, 3),
                 (QStringList{f.host.program + "/athozo", "D:\\GAMES\\DOOM\\*.*",
                              "C:\\MENTES\\DOOM\\*.*"}));
        QCOMPARE(f.host.started.at(1).mid(1, 2), (QStringList{"D:\\*.*", "C:\\MENTES\\*.*"}));
        QCOMPARE(f.targetNames(), QList<QByteArray>{"DOOM"});
        QVERIFY(f.host.selection.isEmpty() && f.host.unloaded);

        RetrievalFixture g; // a copier that cannot be started
        g.file("CD_1", "GAMES/a.txt");
        g.select("a.txt", "-CD_1- E:\\GAMES");
        g.host.startWorks = false;
        CopyRun(g.host).masol(false);
        QCOMPARE(g.host.texts().last(), "Ismeretlen hiba lépet fel ! # 53");
        QCOMPARE(g.host.selection.size(), 1);
    }

    // A target folder of the same name is offered a number; the numbers add
    // up within a run and start again with the next; No closes the window.
    void numberedTargetFolders()
    {
        RetrievalFixture f;
        f.file("CD_1", "GAMES/DOOM/doom.exe");
        RawTree::folder(QFile::encodeName(f.target) + "/DOOM");
        RawTree::folder(QFile::encodeName(f.target) + "/DOOM 1");
        f.select("doom.exe", "-CD_1- E:\\GAMES\\DOOM");
        CopyRun run(f.host);
        run.masol(false);
        QCOMPARE(f.host.texts(),
                 (QStringList{kCd1, folderTaken("DOOM 1"), folderTaken("DOOM 1 2")}));
        QVERIFY(f.host.asked.at(1).buttons == Buttons::YesNo &&
                f.host.asked.at(1).icon == Icon::Question);
        QCOMPARE(f.targetNames(), (QList<QByteArray>{"DOOM", "DOOM 1", "DOOM 1 2"}));
        QCOMPARE(f.host.started.at(0).at(2), "C:\\MENTES\\DOOM 1 2\\*.*");

        f.host.started.clear();
        f.select("doom.exe", "-CD_1- E:\\GAMES\\DOOM");
        f.host.answers = {Answer::Ok, Answer::No};
        run.masol(false);
        QCOMPARE(f.host.texts().last(), folderTaken("DOOM 1"));
        QVERIFY(f.host.unloaded && f.host.started.isEmpty() && f.host.selection.size() == 1);
    }

    // A path not on the medium, or a target that cannot be written: the run
    // ends there, the window open and the row selected. A single file whose
    // folder is gone is "path not found", one missing from its folder "file
    // not found"; the folder check always says "file not found".
    void pathFailures()
    {
        const QString fileNotFound = "A forrásmeghajtón [ D: ] nem található a megadott útvonal !";
        const QString pathNotFound =
            "Nem lehet írni a célmeghajtót, vagy a forrásmeghajtón a "
            "kilyelőlt út nem létezik ! Ellenőrizze, majd próbálja meg újra.";
        const struct
        {
            bool singleFiles;
            const char *name, *path, *target;
            QString text;
        } cases[] = {{true, "nincs.txt", "-CD_1- E:\\GAMES\\NINCS", "C:\\MENTES", pathNotFound},
                     {true, "nincs.txt", "-CD_1- E:\\GAMES", "C:\\MENTES", fileNotFound},
                     {false, "nincs.txt", "-CD_1- E:\\GAMES\\NINCS", "C:\\MENTES", fileNotFound},
                     {true, "a.txt", "-CD_1- E:\\GAMES", "C:\\NINCS", pathNotFound}};
        for (const auto& c : cases) {
            RetrievalFixture f;
            f.file("CD_1", "GAMES/a.txt");
            f.host.folder = c.target;
            f.select(c.name, c.path);
            CopyRun(f.host).masol(c.singleFiles);
            QCOMPARE(f.host.texts().last(), c.text);
            QCOMPARE(f.host.asked.last().icon, Icon::Critical);
            QVERIFY(f.host.barShown && !f.host.unloaded && f.host.selection.size() == 1);
            QVERIFY(f.targetNames().isEmpty() && f.host.started.isEmpty());
        }
    }

    // No medium in the drive: Retry tries the row again on the drive as it is
    // mounted by then.
    void driveNotReady()
    {
        for (const bool singleFiles : {true, false}) {
            RetrievalFixture f;
            f.file("CD_1", "GAMES/a.txt", "a");
            f.select("a.txt", "-CD_1- E:\\GAMES");
            f.host.onAsk = [&f](const QString&) {
                if (f.host.asked.size() == 3)
                    f.insert("CD_1"); // in at the second try
            };
            CopyRun(f.host).masol(singleFiles);
            QCOMPARE(f.host.texts(), (QStringList{kCd1, kNotReady, kNotReady}));
            QVERIFY(f.host.asked.at(1).buttons == Buttons::RetryCancel &&
                    f.host.asked.at(1).icon == Icon::Critical);
            QVERIFY(f.host.selection.isEmpty() && f.host.unloaded);
            if (singleFiles)
                QCOMPARE(f.copied("a.txt"), QByteArray("a"));
            else
                QCOMPARE(f.host.started.at(0).at(1), "D:\\GAMES\\*.*");
        }
    }

    // Above 40 rows the user is asked first; the rows left are those of the
    // old way, however the selection is made up.
    void repeatedFolders()
    {
        RetrievalFixture f;
        for (int i = 0; i < 41; ++i)
            f.select(QString::number(i), u"-CD_1- E:\\F%1"_qs.arg(i % 3));
        f.host.answers = {Answer::No};
        CopyRun(f.host).utszures(false);
        QCOMPARE(f.host.texts(),
                 QStringList{"Ön  41 db utat jelölt ki, amellyekben lehetnek azonosak is!\r\n"
                             "Kéri az esetleges azonosságok kiszűrését (ez hosszú időt is "
                             "igénybevehet)? \r\n(Ha nem kéri, hibaüzenetet fog kapni azonos "
                             "könyvtárak másolásakor!)"});
        QCOMPARE(f.host.asked.at(0).buttons, Buttons::YesNo);
        CopyRun(f.host).utszures(true); // single files keep every row
        QCOMPARE(f.host.selection.size(), 41);

        QRandomGenerator random(11);
        for (int round = 0; round < 200; ++round) {
            FakeHost host;
            const int rows = int(random.bounded(60)), folders = 1 + int(random.bounded(12));
            for (int i = 0; i < rows; ++i)
                host.selection.append(
                    {QString::number(i),
                     u"-CD_%1- E:\\D%2"_qs.arg(random.bounded(2)).arg(random.bounded(folders))});
            const QStringList paths = host.selectedPaths();
            CopyRun(host).utszures(false);
            QCOMPARE(host.selectedPaths(), removedTheLongWay(paths));
        }
    }
};

QTEST_GUILESS_MAIN(TestCopyRun)
#include "test_copyrun.moc"
