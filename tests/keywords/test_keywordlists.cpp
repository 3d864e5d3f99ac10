#include "TestSupport.h"
#include "builder/BuilderFixture.h"
#include "builder/FolderWalk.h"
#include "keywords/KeywordLists.h"
#include "keywords/RecordKeys.h"
#include "shared/Module1.h"

#include <QtTest>

using keywords::KeywordList;
using keywords::KeywordLists;
using keywords::Message;
using keywords::RecordKeys;
using Answer = platform::MessageBox::Answer;
using Buttons = platform::MessageBox::Buttons;
using Icon = platform::MessageBox::Icon;

namespace {

// Answers the core's boxes from a script (OK when it runs out) and keeps them.
struct Boxes
{
    QList<Message> shown;
    QList<Answer> answers;
    keywords::Asker asker()
    {
        return [this](const Message& m) {
            shown << m;
            return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
        };
    }
    Message take()
    {
        return shown.isEmpty() ? Message{QStringLiteral("(none)")} : shown.takeFirst();
    }
};

struct Catalog : BuilderFixture
{
    QStringList list(KeywordList l) const
    {
        return column(l == KeywordList::Files
                          ? QStringLiteral("SELECT kulcs FROM kulcs ORDER BY id")
                          : QStringLiteral("SELECT nev FROM kulcsut ORDER BY id"));
    }
    void exec(const QString& sql) const { store::Database::open(catalog).execScript(sql); }
};

struct WalkSink : builder::WalkObserver
{
    void folderOpened(const QString&) override {}
    void yieldToUser() override {}
    void folderRecorded(qint64) override {}
    void fileVanished() override {}
    void recordingFailed(const QString&) override {}
};

const Message kDefaultNotDeleted{QStringLiteral("Az alapértelmezett kulcsot nem lehet törölni !"),
                                 Buttons::Ok, Icon::Critical};

Message renameDefault(const QString& text)
{
    return {QStringLiteral("Az alapértelmezett kulcsot akarja kicserélni ") + text +
                QStringLiteral("-ra/re !"),
            Buttons::OkCancel, Icon::Question};
}

} // namespace

Q_DECLARE_METATYPE(KeywordList)

class TestKeywordLists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void enterWithoutTouchingAListAsksForTheDefaultFolderKeyword()
    {
        Catalog c;
        Boxes boxes;
        KeywordLists k(boxes.asker());
        QVERIFY(k.activate(c.catalog));

        boxes.answers = {Answer::Cancel};
        QCOMPARE(k.felvesz("Lemez"), QString());
        QCOMPARE(boxes.take(), renameDefault("Lemez"));
        QCOMPARE(c.list(KeywordList::Folders), QStringList{"Általános"});

        QCOMPARE(k.felvesz("Lemez"), QString());
        QCOMPARE(boxes.take(), renameDefault("Lemez"));
        QCOMPARE(c.list(KeywordList::Folders), QStringList{"Lemez"});
        QCOMPARE(c.list(KeywordList::Files), QStringList{"Általános"});

        QCOMPARE(k.felvesz(QString()), QString());
        QCOMPARE(boxes.take(), (Message{QStringLiteral("Nem adott meg kulcsot!"), Buttons::Ok,
                                        Icon::Exclamation}));
        QVERIFY(boxes.shown.isEmpty());
    }

    void renamedDefaultsStillLinkNewRecords()
    {
        Catalog c;
        Boxes boxes;
        KeywordLists k(boxes.asker());
        QVERIFY(k.activate(c.catalog));
        QCOMPARE(k.szerkeszt(KeywordList::Files, 0), QStringLiteral("Általános"));
        k.felvesz("Program");
        k.click(KeywordList::Folders, 0);
        k.felvesz("Mappa");
        k.close();

        c.file(QStringLiteral("GAMES/doom.exe"));
        WalkSink sink;
        builder::FolderWalk walk(c.drives, sink);
        walk.tablanyit(c.catalog);
        QVERIFY(walk.setOpenFolder("E:\\"));
        walk.konyvbejar("E:\\", QStringLiteral("CD_1"));
        walk.close();

        // A fresh record shows exactly its default keyword, under the new text.
        for (bool files : {true, false}) {
            RecordKeys r(files, boxes.asker());
            QVERIFY(r.load(c.catalog));
            QCOMPARE(r.activate().value(0), files ? "Program" : "Mappa");
            QCOMPARE(r.kulcsmutat(), QList<int>{0});
        }
        QCOMPARE(c.column("SELECT DISTINCT kulcsid FROM nev_kulcsid UNION ALL "
                          "SELECT DISTINCT kulcsid FROM ut_kulcsid"),
                 (QStringList{"1", "1"}));
    }

    void emptyRowAddsChosenRowRenamesEachListItsOwnRow()
    {
        Catalog c;
        Boxes boxes;
        KeywordLists k(boxes.asker());
        QVERIFY(k.activate(c.catalog));
        k.click(KeywordList::Files, 1); // the empty row
        QCOMPARE(k.felvesz("DOS"), QString());
        k.click(KeywordList::Folders, 1);
        k.felvesz("DOS"); // the other list may hold the same text
        k.click(KeywordList::Folders, 2);
        k.felvesz("Játék");
        c.exec("INSERT INTO nev_kulcsid VALUES (7, 2)");

        // A text the list holds is refused, added or renamed onto; the editor keeps it.
        const Message duplicate{QStringLiteral("\"Játék\"  már létezik ezért nem lehet felvenni!"),
                                Buttons::Ok, Icon::Exclamation};
        k.click(KeywordList::Folders, 3);
        QCOMPARE(k.felvesz("Játék"), QStringLiteral("Játék"));
        QCOMPARE(boxes.take(), duplicate);
        k.click(KeywordList::Folders, 1);
        k.felvesz("Játék");
        QCOMPARE(boxes.take(), duplicate);

        // Rename the file keyword: same id, its link kept.
        QCOMPARE(k.szerkeszt(KeywordList::Files, 1), QStringLiteral("DOS"));
        k.felvesz("MS-DOS");
        QCOMPARE(c.column("SELECT id || kulcs FROM kulcs"), (QStringList{"1Általános", "2MS-DOS"}));
        QCOMPARE(c.column("SELECT kulcsid FROM nev_kulcsid"), QStringList{"2"});

        // Each list acts on the row last chosen in it, whichever list was clicked last.
        k.click(KeywordList::Folders, 0);
        k.click(KeywordList::Files, 1);
        k.torles(KeywordList::Folders);
        QCOMPARE(boxes.take(), kDefaultNotDeleted);
        QCOMPARE(c.list(KeywordList::Folders), (QStringList{"Általános", "DOS", "Játék"}));
        QVERIFY(boxes.shown.isEmpty());
    }

    void linkedKeywordRefusedUntilItsLinksAreGone_data()
    {
        QTest::addColumn<KeywordList>("list");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("files") << KeywordList::Files
                               << QStringLiteral(
                                      "Erre a kulcsra egy vagy több PROGRAM NÉV hivatkozik ezért "
                                      "nem lehet törölni !\r\nA hivatkozó programoknál törölje "
                                      "ezt a kulcsot és próbálja újra!");
        QTest::newRow("folders") << KeywordList::Folders
                                 << QStringLiteral(
                                        "Erre a kulcsra egy vagy több ÚT hivatkozik ezért nem "
                                        "lehet törölni !\r\nA hivatkozó utaknál törölje ezt a "
                                        "kulcsot és próbálja újra!");
    }

    void linkedKeywordRefusedUntilItsLinksAreGone()
    {
        QFETCH(KeywordList, list);
        QFETCH(QString, refusal);
        const bool files = list == KeywordList::Files;
        Catalog c;
        c.exec("INSERT INTO ut (ut) VALUES ('-A- C:\\');"
               "INSERT INTO prgnev (nev, utid) VALUES ('a', 1);"
               "INSERT INTO kulcs (kulcs) VALUES ('x'), ('y');"
               "INSERT INTO kulcsut (nev) VALUES ('x'), ('y');");
        Boxes boxes;
        RecordKeys r(files, boxes.asker());
        QVERIFY(r.load(c.catalog));
        r.activate();
        QVERIFY(r.kulcstarol({2}));
        KeywordLists k(boxes.asker());
        QVERIFY(k.activate(c.catalog));

        k.click(list, 0);
        k.torles(list);
        QCOMPARE(boxes.take(), kDefaultNotDeleted);
        k.click(list, 3); // the empty row: nothing to delete
        k.torles(list);
        k.click(list, 2);
        k.torles(list);
        QCOMPARE(boxes.take(), (Message{refusal, Buttons::Ok, Icon::Information}));
        QCOMPARE(c.list(list), (QStringList{"Általános", "x", "y"}));
        QCOMPARE(k.currentRow(list), 2);

        QVERIFY(r.kulcstarol({}));
        k.torles(list);
        QCOMPARE(c.list(list), (QStringList{"Általános", "x"}));
        QCOMPARE(k.currentRow(list), 0);
        QCOMPARE(k.source(list).absolutePosition(), 0);
        QVERIFY(boxes.shown.isEmpty());
    }

    void catalogRefusalsAreReported()
    {
        Catalog c;
        Boxes boxes;
        KeywordLists k(boxes.asker());
        QVERIFY(k.activate(c.catalog));
        k.fkadat.database().execScript("PRAGMA query_only=1");
        k.click(KeywordList::Files, 1);
        QCOMPARE(k.felvesz("DOS"), QStringLiteral("DOS"));
        Message m = boxes.take();
        QVERIFY2(m.text.startsWith(QStringLiteral("A megnyitott adatbázisba nem lehet írni!\r\n")),
                 qPrintable(m.text));
        QCOMPARE(m.icon, Icon::Critical);
        QVERIFY(!k.fkadat.isEditing());

        // An unreadable catalog is reported once, not at every activation.
        KeywordLists gone(boxes.asker());
        QVERIFY(!gone.activate(c.dir.filePath("nincs.mdb")));
        QVERIFY(!gone.activate(c.dir.filePath("nincs.mdb")));
        QCOMPARE(boxes.take().text,
                 QStringLiteral("# 53. File megnyitási hiba! Ellenőrizze az adatokat!"));
        QVERIFY(boxes.shown.isEmpty());
    }

    void storeOfAStaleListIsReportedAndKeepsTheLinks()
    {
        Catalog c;
        c.exec("INSERT INTO ut (ut) VALUES ('-A- C:\\');"
               "INSERT INTO ut_kulcsid VALUES (1, 1);"
               "INSERT INTO kulcsut (nev) VALUES ('régi'), ('Don''t');");
        Boxes boxes;
        RecordKeys r(false, boxes.asker());
        QVERIFY(r.load(c.catalog));
        QCOMPARE(r.activate(), (QStringList{"Általános", "régi", "Don't"}));
        QVERIFY(r.kulcstarol({0, 2}));
        QCOMPARE(r.kulcsmutat(), (QList<int>{0, 2}));

        c.exec("DELETE FROM kulcsut WHERE nev = 'régi'");
        QVERIFY(!r.kulcstarol({1}));
        QCOMPARE(boxes.take().icon, Icon::Critical);
        QCOMPARE(r.kulcsmutat(), (QList<int>{0, 2}));

        // An empty grid has no record to store for, and nothing to say.
        c.exec("DELETE FROM ut_kulcsid; DELETE FROM ut;");
        r.D1.refresh();
        QVERIFY(!r.kulcstarol({2}));
        QCOMPARE(r.kulcsmutat(), QList<int>{});
        QVERIFY(boxes.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKeywordLists)
#include "test_keywordlists.moc"
