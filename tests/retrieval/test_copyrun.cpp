#include "RetrievalFixture.h"
#include "retrieval/CopyRun.h"

#include <QRandomGenerator>

using retrieval::CopyRun;
using Answer = retrieval::RetrievalHost::Answer;
using Buttons = retrieval::RetrievalHost::Buttons;
using Icon = retrieval::RetrievalHost::Icon;

namespace {

const QString kPromptCd1 = QStringLiteral("Helyezze be a -CD_1-  cimkéjü lemezt a D: meghajtóba !");
const QString kPromptCd2 = QStringLiteral("Helyezze be a -CD_2-  cimkéjü lemezt a D: meghajtóba !");
const QString kSwitches = QStringLiteral("/S /C /F /H /R /Y");

QString folderTaken(const QString& proposal)
{
    return QStringLiteral("A kijelölt könyvtár már létezik, vagy létrehozása nem engedéjezett !\r\n"
                          "Létrehozhatok egy új könyvtárat (") +
           proposal + QStringLiteral(")");
}

// The removal of repeated folders exactly as the program always described
// it: passes over the selection, each starting again after one removal.
QStringList removedTheLongWay(QStringList rows)
{
    qsizetype start = 0;
    for (bool removed = true; removed;) {
        removed = false;
        for (qsizetype i = start; i < rows.size() && !removed; ++i)
            for (qsizetype j = i + 1; j < rows.size() && !removed; ++j)
                if (rows.at(j) == rows.at(i)) {
                    rows.removeAt(j);
                    start = i;
                    removed = true;
                }
    }
    return rows;
}

} // namespace

class TestCopyRun : public QObject
{
    Q_OBJECT

private slots:
    // Each medium is asked for when the rows change to it, and each file is
    // read from the disc then in the drive, whatever its folder is there.
    void singleFilesFromTwoMedia()
    {
        RetrievalFixture f;
        f.file(QStringLiteral("CD_1"), "GAMES/DOOM/doom.exe", "doom");
        f.file(QStringLiteral("CD_1"), "olvass el.txt", "root");
        f.file(QStringLiteral("CD_1"), "GAMES/caf\xE9 d'or.txt", "latin-2");
        f.file(QStringLiteral("CD_2"), "DOCS/level.txt", "cd2");
        f.file(QStringLiteral("CD_2"), "GAMES/DOOM/doom.exe", "wrong disc");
        TestSupport::writeFile(f.target + QStringLiteral("/doom.exe"), "older copy");
        f.select(QStringLiteral("doom.exe"), QStringLiteral("-CD_1- E:\\GAMES\\DOOM"));
        f.select(QStringLiteral("level.txt"), QStringLiteral("-CD_2- F:\\DOCS"));
        f.select(QStringLiteral("olvass el.txt"), QStringLiteral("-CD_1- E:\\"));
        f.select(QStringLiteral("caf/E9 d'or.txt"), QStringLiteral("-CD_1- E:\\GAMES"));

        CopyRun(f.host).masol(true);

        QCOMPARE(f.host.texts(), (QStringList{kPromptCd1, kPromptCd2, kPromptCd1}));
        QCOMPARE(f.host.asked.at(0).buttons, Buttons::OkCancel);
        QCOMPARE(f.host.asked.at(0).icon, Icon::Information);
        QCOMPARE(TestSupport::contents(f.target + QStringLiteral("/doom.exe")), QByteArray("doom"));
        QCOMPARE(TestSupport::contents(f.target + QStringLiteral("/level.txt")), QByteArray("cd2"));
        QCOMPARE(TestSupport::contents(f.target + QStringLiteral("/olvass el.txt")),
                 QByteArray("root"));
        FILE* raw =
            std::fopen((QFile::encodeName(f.target) + "/caf\xE9 d'or.txt").constData(), "rb");
        QVERIFY(raw);
        std::fclose(raw);
        QVERIFY(f.host.selection.isEmpty());
        QVERIFY(f.host.unloaded);
        QCOMPARE(f.host.barValue, 100);
    }

    // Cancel at the second medium ends the run there: that row and the rows
    // after it stay selected for the next try.
    void cancelAtTheSecondMedium()
    {
        for (const bool singleFiles : {true, false}) {
            RetrievalFixture f;
            f.file(QStringLiteral("CD_1"), "X/a.txt");
            f.file(QStringLiteral("CD_2"), "Y/b.txt");
            f.select(QStringLiteral("a.txt"), QStringLiteral("-CD_1- E:\\X"));
            f.select(QStringLiteral("b.txt"), QStringLiteral("-CD_2- E:\\Y"));
            f.select(QStringLiteral("c.txt"), QStringLiteral("-CD_1- E:\\Z"));
            f.host.answers = {Answer::Ok, Answer::Cancel};

            CopyRun(f.host).masol(singleFiles);

            QCOMPARE(f.host.texts(), (QStringList{kPromptCd1, kPromptCd2}));
            QCOMPARE(f.host.names(),
                     (QStringList{QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
            QCOMPARE(f.targetEntries(),
                     QStringList{singleFiles ? QStringLiteral("a.txt") : QStringLiteral("X")});
            QCOMPARE(f.host.started.size(), singleFiles ? 0 : 1);
            QVERIFY(!f.host.unloaded);
            // Whole folders leave the bar up until the window closes.
            QCOMPARE(f.host.barShown, !singleFiles);
        }
    }

    void refusals()
    {
        {
            // The same drive on both sides: refused before anything is copied,
            // after the repeated folders are gone.
            RetrievalFixture f;
            f.file(QStringLiteral("CD_1"), "X/a.txt");
            f.host.target = u'd';
            f.select(QStringLiteral("a.txt"), QStringLiteral("-CD_1- E:\\X"));
            f.select(QStringLiteral("b.txt"), QStringLiteral("-CD_1- E:\\X"));
            f.select(QStringLiteral("c.txt"), QStringLiteral("-CD_1- E:\\Y"));
            CopyRun(f.host).masol(false);
            QCOMPARE(f.host.texts(),
                     QStringList{QStringLiteral("Egyazon meghajtóra nem lehet előhozni !")});
            QCOMPARE(f.host.asked.at(0).buttons, Buttons::Ok);
            QCOMPARE(f.host.asked.at(0).icon, Icon::None);
            QCOMPARE(f.host.names(),
                     (QStringList{QStringLiteral("a.txt"), QStringLiteral("c.txt")}));
            QVERIFY(f.host.started.isEmpty() && f.targetEntries().isEmpty() && !f.host.unloaded);
        }
        {
            RetrievalFixture f;
            CopyRun(f.host).masol(true);
            QCOMPARE(f.host.texts(),
                     QStringList{QStringLiteral(
                         "Nem jelölt ki eggyetlen elemet sem !\r\n"
                         "Jelöljön ki rekordokat, majd próbálja újra a műveletet !")});
            QVERIFY(f.host.unloaded);
        }
    }

    // One copier per folder, however many of its files are selected; a
    // medium's root goes straight into the target folder.
    void wholeFolders()
    {
        RetrievalFixture f;
        f.file(QStringLiteral("CD_1"), "GAMES/DOOM/doom.exe");
        for (const char* name : {"doom.exe", "doom.wad", "readme.txt"})
            f.select(QString::fromLatin1(name), QStringLiteral("-CD_1- E:\\GAMES\\DOOM"));
        f.select(QStringLiteral("x.txt"), QStringLiteral("-CD_1- E:\\"));

        CopyRun(f.host).masol(false);

        QCOMPARE(f.host.texts(), QStringList{kPromptCd1}); // no question up to 40 rows
        const QString program = f.host.program + QStringLiteral("/athozo");
        QCOMPARE(f.host.started.size(), 2);
        QCOMPARE(f.host.started.at(0).program, program);
        QCOMPARE(f.host.started.at(0).arguments.join(u' '),
                 QStringLiteral("D:\\GAMES\\DOOM\\*.* C:\\MENTES\\DOOM\\*.* ") + kSwitches);
        QCOMPARE(f.host.started.at(1).program, program);
        QCOMPARE(f.host.started.at(1).arguments.join(u' '),
                 QStringLiteral("D:\\*.* C:\\MENTES\\*.* ") + kSwitches);
        QCOMPARE(f.targetEntries(), QStringList{QStringLiteral("DOOM")});
        QVERIFY(f.host.selection.isEmpty() && f.host.unloaded);

        // A copier that cannot be started ends the run.
        RetrievalFixture g;
        g.file(QStringLiteral("CD_1"), "GAMES/a.txt");
        g.select(QStringLiteral("a.txt"), QStringLiteral("-CD_1- E:\\GAMES"));
        g.host.startWorks = false;
        CopyRun(g.host).masol(false);
        QCOMPARE(g.host.texts().last(), QStringLiteral("Ismeretlen hiba lépet fel ! # 53"));
        QCOMPARE(g.host.selection.size(), 1);
    }

    // A target folder of the same name is offered a number; the numbers add
    // up within a run and start again with the next.
    void numberedTargetFolders()
    {
        RetrievalFixture f;
        f.file(QStringLiteral("CD_1"), "GAMES/DOOM/doom.exe");
        QDir().mkpath(f.target + QStringLiteral("/DOOM 1"));
        QDir().mkpath(f.target + QStringLiteral("/DOOM"));
        f.select(QStringLiteral("doom.exe"), QStringLiteral("-CD_1- E:\\GAMES\\DOOM"));

        CopyRun run(f.host);
        run.masol(false);
        QCOMPARE(f.host.texts(), (QStringList{kPromptCd1, folderTaken(QStringLiteral("DOOM 1")),
                                              folderTaken(QStringLiteral("DOOM 1 2"))}));
        QCOMPARE(f.host.asked.at(1).buttons, Buttons::YesNo);
        QCOMPARE(f.host.asked.at(1).icon, Icon::Question);
        QVERIFY(QFileInfo(f.target + QStringLiteral("/DOOM 1 2")).isDir());
        QCOMPARE(f.host.started.at(0).arguments.at(1), QStringLiteral("C:\\MENTES\\DOOM 1 2\\*.*"));

        // No closes the window and leaves the row selected.
        f.host.asked.clear();
        f.host.started.clear();
        f.select(QStringLiteral("doom.exe"), QStringLiteral("-CD_1- E:\\GAMES\\DOOM"));
        f.host.answers = {Answer::Ok, Answer::No};
        run.masol(false);
        QCOMPARE(f.host.texts().last(), folderTaken(QStringLiteral("DOOM 1")));
        QVERIFY(f.host.unloaded);
        QCOMPARE(f.host.selection.size(), 1);
        QVERIFY(f.host.started.isEmpty());
    }

    // A folder or file that is not on the medium ends the run with the row
    // still selected; nothing is made on the target.
    void sourceNotThere()
    {
        for (const bool singleFiles : {true, false}) {
            RetrievalFixture f;
            f.file(QStringLiteral("CD_1"), "GAMES/a.txt");
            f.select(QStringLiteral("nincs.txt"), QStringLiteral("-CD_1- E:\\GAMES\\NINCS"));
            CopyRun(f.host).masol(singleFiles);
            QCOMPARE(
                f.host.texts(),
                (QStringList{kPromptCd1,
                             QStringLiteral(
                                 "A forrásmeghajtón [ D: ] nem található a megadott útvonal !")}));
            QCOMPARE(f.host.asked.at(1).buttons, Buttons::Ok);
            QCOMPARE(f.host.asked.at(1).icon, Icon::Critical);
            QCOMPARE(f.host.selection.size(), 1);
            QVERIFY(f.host.barShown && !f.host.unloaded);
            QVERIFY(f.targetEntries().isEmpty() && f.host.started.isEmpty());
        }
    }

    // No medium in the drive: Retry tries the same row again, on the drive
    // as it is mounted by then.
    void driveNotReady()
    {
        const QString notReady =
            QStringLiteral("Nincs lemez a meghajtóban [ D: ], vagy a meghajtó nem működik !");
        for (const bool singleFiles : {true, false}) {
            RetrievalFixture f;
            f.file(QStringLiteral("CD_1"), "GAMES/a.txt", "a");
            f.select(QStringLiteral("a.txt"), QStringLiteral("-CD_1- E:\\GAMES"));
            f.host.onAsk = [&f, notReady](const QString& text) {
                if (text == notReady && f.host.asked.size() == 3)
                    f.insert(QStringLiteral("CD_1")); // in at the second try
            };
            CopyRun(f.host).masol(singleFiles);
            QCOMPARE(f.host.texts(), (QStringList{kPromptCd1, notReady, notReady}));
            QCOMPARE(f.host.asked.at(1).buttons, Buttons::RetryCancel);
            QCOMPARE(f.host.asked.at(1).icon, Icon::Critical);
            QVERIFY(f.host.selection.isEmpty() && f.host.unloaded);
            if (singleFiles)
                QCOMPARE(TestSupport::contents(f.target + QStringLiteral("/a.txt")),
                         QByteArray("a"));
            else
                QCOMPARE(f.host.started.size(), 1);
        }
        RetrievalFixture f;
        f.host.onAsk = {};
        f.select(QStringLiteral("a.txt"), QStringLiteral("-CD_1- E:\\GAMES"));
        f.host.answers = {Answer::Ok, Answer::Cancel};
        CopyRun(f.host).masol(true);
        QCOMPARE(f.host.texts(), (QStringList{kPromptCd1, notReady}));
        QCOMPARE(f.host.selection.size(), 1);
    }

    void targetNotWritable()
    {
        RetrievalFixture f;
        f.file(QStringLiteral("CD_1"), "GAMES/a.txt");
        f.host.folder = QStringLiteral("C:\\NINCS");
        f.select(QStringLiteral("a.txt"), QStringLiteral("-CD_1- E:\\GAMES"));
        CopyRun(f.host).masol(true);
        QCOMPARE(f.host.texts().last(),
                 QStringLiteral("Nem lehet írni a célmeghajtót, vagy a forrásmeghajtón a kilyelőlt "
                                "út nem létezik ! Ellenőrizze, majd próbálja meg újra."));
        QCOMPARE(f.host.asked.last().icon, Icon::Critical);
        QCOMPARE(f.host.selection.size(), 1);
    }

    // Above 40 rows the user is asked first; the rows left are those of the
    // long-standing procedure, however the selection is made up.
    void repeatedFolders()
    {
        RetrievalFixture f;
        for (int i = 0; i < 41; ++i)
            f.select(QString::number(i), QStringLiteral("-CD_1- E:\\F%1").arg(i % 3));
        f.host.answers = {Answer::No};
        CopyRun(f.host).utszures(false);
        QCOMPARE(
            f.host.texts(),
            QStringList{QStringLiteral(
                "Ön  41 db utat jelölt ki, amellyekben lehetnek azonosak is!\r\n"
                "Kéri az esetleges azonosságok kiszűrését (ez hosszú időt is igénybevehet)? \r\n"
                "(Ha nem kéri, hibaüzenetet fog kapni azonos könyvtárak másolásakor!)")});
        QCOMPARE(f.host.asked.at(0).buttons, Buttons::YesNo);
        QCOMPARE(f.host.selection.size(), 41);
        CopyRun(f.host).utszures(true); // single files: nothing to remove
        QCOMPARE(f.host.selection.size(), 41);
        CopyRun(f.host).utszures(false);
        QCOMPARE(f.host.names(),
                 (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}));
        QVERIFY(!f.host.barShown);

        QRandomGenerator random(11);
        for (int round = 0; round < 200; ++round) {
            FakeHost host;
            QStringList paths;
            const int rows = int(random.bounded(60));
            const int folders = 1 + int(random.bounded(12));
            for (int i = 0; i < rows; ++i) {
                paths << QStringLiteral("-CD_%1- E:\\D%2")
                             .arg(random.bounded(2))
                             .arg(random.bounded(folders));
                host.selection.append({QString::number(i), paths.last()});
            }
            CopyRun(host).utszures(false);
            QCOMPARE(host.selectedPaths(), removedTheLongWay(paths));
        }
    }
};

QTEST_GUILESS_MAIN(TestCopyRun)
#include "test_copyrun.moc"
