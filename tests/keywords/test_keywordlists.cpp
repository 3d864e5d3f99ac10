#include "TestSupport.h"
#include "builder/BuilderFixture.h"
#include "keywords/KeywordLists.h"
#include "keywords/RecordKeys.h"
#include "shared/Module1.h"

#include <QtTest>
#include <sqlite3.h>

using keywords::KeywordList;
using keywords::KeywordLists;
using keywords::Message;
using keywords::RecordKeys;
using Answer = platform::MessageKinds::Answer;
using Buttons = platform::MessageKinds::Buttons;
using Icon = platform::MessageKinds::Icon;

namespace {

// A fresh catalog, and the core's boxes answered from a script (OK when it
// runs out) and kept.
struct Catalog : BuilderFixture
{
    QList<Message> shown;
    QList<Answer> answers;
    KeywordLists k{asker()};

    keywords::Asker asker()
    {
        return [this](const Message& m) {
            shown << m;
            return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
        };
    }
    Message take() { return shown.isEmpty() ? Message{"(none)"} : shown.takeFirst(); }
    QStringList list(KeywordList l) const
    {
        return column(l == KeywordList::Files ? "SELECT kulcs FROM kulcs ORDER BY id"
                                              : "SELECT nev FROM kulcsut ORDER BY id");
    }
    void exec(const QString& sql) const { store::Database::open(catalog).execScript(sql); }
};

} // namespace

class TestKeywordLists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void enterWithoutTouchingAListAsksForTheDefaultFolderKeyword()
    {
        Catalog c;
        QVERIFY(c.k.activate(c.catalog));
        const Message rename{"Az alapértelmezett kulcsot akarja kicserélni Lemez-ra/re !",
                             Buttons::OkCancel, Icon::Question};
        for (const auto& [answer, folders] :
             {std::pair{Answer::Cancel, "Általános"}, {Answer::Ok, "Lemez"}}) {
            c.answers = {answer};
            QCOMPARE(c.k.felvesz("Lemez"), QString());
            QCOMPARE(c.take(), rename);
            QCOMPARE(c.list(KeywordList::Folders), QStringList{QString::fromUtf8(folders)});
        }
        QCOMPARE(c.list(KeywordList::Files), QStringList{"Általános"});

        QCOMPARE(c.k.felvesz(QString()), QString());
        QCOMPARE(c.take(), (Message{"Nem adott meg kulcsot!", Buttons::Ok, Icon::Exclamation}));
        QVERIFY(c.shown.isEmpty());
    }

    // Renamed, the defaults keep id 1, the one new records are linked to,
    // and a record shows exactly its default under the new text.
    void renamedDefaultsKeepTheirId()
    {
        Catalog c;
        c.exec("INSERT INTO ut (ut) VALUES ('-A- C:\\'); INSERT INTO ut_kulcsid VALUES (1, 1);"
               "INSERT INTO prgnev (nev, utid) VALUES ('a', 1); INSERT INTO nev_kulcsid VALUES (1, "
               "1);");
        QVERIFY(c.k.activate(c.catalog));
        QCOMPARE(c.k.szerkeszt(KeywordList::Files, 0), "Általános");
        c.k.felvesz("Program");
        c.k.click(KeywordList::Folders, 0);
        c.k.felvesz("Mappa");
        c.k.close();
        QCOMPARE(c.column("SELECT id || kulcs FROM kulcs UNION ALL SELECT id || nev FROM kulcsut"),
                 (QStringList{"1Program", "1Mappa"}));
        for (bool files : {true, false}) {
            RecordKeys r(files, c.asker());
            QVERIFY(r.load(c.catalog));
            QCOMPARE(r.activate().value(0), files ? "Program" : "Mappa");
            QCOMPARE(r.kulcsmutat(), QList<int>{0});
        }
    }

    void emptyRowAddsChosenRowRenamesEachListItsOwnRow()
    {
        Catalog c;
        QVERIFY(c.k.activate(c.catalog));
        c.k.click(KeywordList::Files, 1); // the empty row
        QCOMPARE(c.k.felvesz("DOS"), QString());
        c.k.click(KeywordList::Folders, 1);
        c.k.felvesz("DOS"); // the other list may hold the same text
        c.k.click(KeywordList::Folders, 2);
        c.k.felvesz("Játék");
        c.exec("INSERT INTO nev_kulcsid VALUES (7, 2)");

        // A text the list holds is refused, added or renamed onto; the editor keeps it.
        const Message duplicate{"\"Játék\"  már létezik ezért nem lehet felvenni!", Buttons::Ok,
                                Icon::Exclamation};
        c.k.click(KeywordList::Folders, 3);
        QCOMPARE(c.k.felvesz("Játék"), "Játék");
        QCOMPARE(c.take(), duplicate);
        c.k.click(KeywordList::Folders, 1);
        c.k.felvesz("Játék");
        QCOMPARE(c.take(), duplicate);

        // Rename the file keyword: same id, its link kept.
        QCOMPARE(c.k.szerkeszt(KeywordList::Files, 1), "DOS");
        c.k.felvesz("MS-DOS");
        QCOMPARE(c.column("SELECT id || kulcs FROM kulcs"), (QStringList{"1Általános", "2MS-DOS"}));
        QCOMPARE(c.column("SELECT kulcsid FROM nev_kulcsid"), QStringList{"2"});

        // Each list acts on the row last chosen in it, whichever list was clicked last.
        c.k.click(KeywordList::Folders, 0);
        c.k.click(KeywordList::Files, 1);
        c.k.torles(KeywordList::Folders);
        QCOMPARE(c.take(), (Message{"Az alapértelmezett kulcsot nem lehet törölni !", Buttons::Ok,
                                    Icon::Critical}));
        QCOMPARE(c.list(KeywordList::Folders), (QStringList{"Általános", "DOS", "Játék"}));
        QVERIFY(c.shown.isEmpty());
    }

    // A keyword that differs from another of its list only in letter case is
    // the same keyword; folding takes in accented letters.
    void caseOnlyDifferencesAreRefused_data()
    {
        QTest::addColumn<bool>("files");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("after"); // empty: refused, the list unchanged
        QTest::newRow("the default in capitals") << true << 3 << "ÁLTALÁNOS" << QStringList{};
        QTest::newRow("added beside") << true << 3 << "cd-rom" << QStringList{};
        QTest::newRow("renamed onto another") << true << 2 << "Cd-Rom" << QStringList{};
        QTest::newRow("accented folder keyword") << false << 2 << "őrzött" << QStringList{};
        QTest::newRow("a keyword to another case of itself")
            << true << 1 << "Cd-Rom" << QStringList{"Általános", "Cd-Rom", "DOS"};
        QTest::newRow("the default to another case of itself")
            << true << 0 << "ÁLTALÁNOS" << QStringList{"ÁLTALÁNOS", "CD-ROM", "DOS"};
        QTest::newRow("the other list holds it")
            << false << 2 << "cd-rom" << QStringList{"Általános", "Őrzött", "cd-rom"};
        QTest::newRow("another letter")
            << true << 3 << "CD-ROM2" << QStringList{"Általános", "CD-ROM", "DOS", "CD-ROM2"};
    }

    void caseOnlyDifferencesAreRefused()
    {
        QFETCH(bool, files);
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QStringList, after);
        const KeywordList list = files ? KeywordList::Files : KeywordList::Folders;
        Catalog c;
        c.exec("INSERT INTO kulcs (kulcs) VALUES ('CD-ROM'), ('DOS');"
               "INSERT INTO kulcsut (nev) VALUES ('Őrzött');");
        const QStringList before = c.list(list);
        QVERIFY(c.k.activate(c.catalog));
        c.k.click(list, row);
        const bool refused = after.isEmpty();
        QCOMPARE(c.k.felvesz(text), refused ? text : QString());
        QCOMPARE(c.list(list), refused ? before : after);
        if (row == 0)
            QCOMPARE(c.take().buttons, Buttons::OkCancel);
        if (refused)
            QCOMPARE(c.take(), (Message{'"' + text + "\"  már létezik ezért nem lehet felvenni!",
                                        Buttons::Ok, Icon::Exclamation}));
        QVERIFY(c.shown.isEmpty());
        QVERIFY(!c.k.source(list).database().inTransaction());
    }

    void linkedKeywordRefusedUntilItsLinksAreGone()
    {
        for (const auto& [list, refusal] :
             {std::pair{KeywordList::Files,
                        "Erre a kulcsra egy vagy több PROGRAM NÉV hivatkozik ezért nem lehet "
                        "törölni !\r\nA hivatkozó programoknál törölje ezt a kulcsot és próbálja "
                        "újra!"},
              {KeywordList::Folders,
               "Erre a kulcsra egy vagy több ÚT hivatkozik ezért nem lehet törölni !\r\nA "
               "hivatkozó utaknál törölje ezt a kulcsot és próbálja újra!"}}) {
            Catalog c;
            c.exec("INSERT INTO ut (ut) VALUES ('-A- C:\\');"
                   "INSERT INTO prgnev (nev, utid) VALUES ('a', 1);"
                   "INSERT INTO kulcs (kulcs) VALUES ('x'), ('y');"
                   "INSERT INTO kulcsut (nev) VALUES ('x'), ('y');");
            RecordKeys r(list == KeywordList::Files, c.asker());
            QVERIFY(r.load(c.catalog));
            r.activate();
            QVERIFY(r.kulcstarol({2}));
            QVERIFY(c.k.activate(c.catalog));

            c.k.click(list, 3); // the empty row: nothing to delete
            c.k.torles(list);
            c.k.click(list, 2);
            c.k.torles(list);
            QCOMPARE(c.take(),
                     (Message{QString::fromUtf8(refusal), Buttons::Ok, Icon::Information}));
            QCOMPARE(c.list(list), (QStringList{"Általános", "x", "y"}));
            QCOMPARE(c.k.currentRow(list), 2);

            QVERIFY(r.kulcstarol({}));
            c.k.torles(list);
            QCOMPARE(c.list(list), (QStringList{"Általános", "x"}));
            QCOMPARE(c.k.currentRow(list), 0);
            QCOMPARE(c.k.source(list).absolutePosition(), 0);
            QVERIFY(c.shown.isEmpty());
        }
    }

    // Every write of the keyword windows names the reason in Hungarian.
    void catalogRefusalsAreReported()
    {
        const QString readOnly =
            "A megnyitott adatbázisba nem lehet írni!\r\nAz adatbázis csak olvasható.";
        const QString inUse = "A megnyitott adatbázisba nem lehet írni!\r\nEgy másik program "
                              "éppen használja az adatbázist.";
        for (bool locked : {false, true}) {
            Catalog c;
            c.exec("INSERT INTO kulcs (kulcs) VALUES ('x'); INSERT INTO ut (ut) VALUES ('\\A');"
                   "INSERT INTO prgnev (nev, utid) VALUES ('a', 1);");
            QVERIFY(c.k.activate(c.catalog));
            RecordKeys r(true, c.asker());
            QVERIFY(r.load(c.catalog));
            r.activate();
            store::Database& lists = c.k.fkadat.database();
            sqlite3_busy_timeout(lists.handle(), 10);
            store::Database other;
            if (locked) {
                other = store::Database::open(c.catalog);
                other.execScript("BEGIN EXCLUSIVE");
            } else {
                lists.execScript("PRAGMA query_only=1");
            }
            const Message expected{locked ? inUse : readOnly, Buttons::Ok, Icon::Critical};

            c.k.click(KeywordList::Files, 2);
            QCOMPARE(c.k.felvesz("DOS"), "DOS");
            QCOMPARE(c.take(), expected);
            QVERIFY(!c.k.fkadat.isEditing());
            c.k.click(KeywordList::Files, 1);
            c.k.torles(KeywordList::Files);
            QCOMPARE(c.take(), expected);
            // The record's keywords, stored through a connection of their own.
            if (locked) {
                QVERIFY(!r.kulcstarol({0, 1}));
                QCOMPARE(c.take(), expected);
            }
            QVERIFY(c.shown.isEmpty());
        }
        Catalog c;

        // An unreadable catalog is reported once, not at every activation.
        KeywordLists gone(c.asker());
        QVERIFY(!gone.activate(c.dir.filePath("nincs.mdb")));
        QVERIFY(!gone.activate(c.dir.filePath("nincs.mdb")));
        QCOMPARE(c.take().text, "# 53. File megnyitási hiba! Ellenőrizze az adatokat!");
        QVERIFY(c.shown.isEmpty());
    }

    void storeOfAStaleListIsReportedAndKeepsTheLinks()
    {
        Catalog c;
        c.exec("INSERT INTO ut (ut) VALUES ('-A- C:\\');"
               "INSERT INTO ut_kulcsid VALUES (1, 1);"
               "INSERT INTO kulcsut (nev) VALUES ('régi'), ('Don''t');");
        RecordKeys r(false, c.asker());
        QVERIFY(r.load(c.catalog));
        QCOMPARE(r.activate(), (QStringList{"Általános", "régi", "Don't"}));
        QVERIFY(r.kulcstarol({0, 2}));
        QCOMPARE(r.kulcsmutat(), (QList<int>{0, 2}));

        c.exec("DELETE FROM kulcsut WHERE nev = 'régi'");
        QVERIFY(!r.kulcstarol({1}));
        QCOMPARE(c.take().icon, Icon::Critical);
        QCOMPARE(r.kulcsmutat(), (QList<int>{0, 2}));

        // An empty grid has no record to store for, and nothing to say.
        c.exec("DELETE FROM ut_kulcsid; DELETE FROM ut;");
        r.D1.refresh();
        QVERIFY(!r.kulcstarol({2}));
        QCOMPARE(r.kulcsmutat(), QList<int>{});
        QVERIFY(c.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKeywordLists)
#include "test_keywordlists.moc"
