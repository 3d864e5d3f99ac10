#include "FakeHost.h"
#include "QueriesFixture.h"
#include "platform/MessageBox.h"
#include "queries/szuro.h"
#include "shared/Subject.h"
#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <sqlite3.h>

using platform::MessageBox;
using Answer = MessageBox::Answer;

namespace {

// The key-assignment window as the dialog sees it.
struct Owner : ConditionOwner
{
    const Subject& s;
    store::DataSource D1;
    QProgressBar bar;
    bool enabled = true;
    QList<int> barValues;

    Owner(const QString& catalog, bool files) : s(Subject::of(files))
    {
        D1.setDatabaseName(catalog);
        D1.setRecordSource(s.recordSql);
        D1.refresh();
        QObject::connect(&bar, &QProgressBar::valueChanged, [this](int v) { barValues << v; });
    }
    const Subject& subject() const override { return s; }
    store::DataSource& records() override { return D1; }
    QProgressBar* progressBar() override { return &bar; }
    void setOwnerEnabled(bool on) override { enabled = on; }
};

using Catalog = QueriesFixture::SmallCatalog;

struct Dialog
{
    FakeHost host;
    Owner owner;
    szuro w;

    Dialog(const Catalog& c, int mode, bool files = true, bool opened = true)
        : owner(c.path, files), w(host, owner, mode)
    {
        host.catalog = c.path;
        if (opened)
            open();
    }
    void open()
    {
        w.Form_Load();
        w.show();
    }
    void choose(int entry) { w.kul->item(entry)->setSelected(true); }
    QStringList gridNames()
    {
        QStringList names;
        for (qint64 r = 0; r < owner.D1.recordCount(); ++r)
            names << owner.D1.cell(r, 0).toString();
        return names;
    }
};

} // namespace

class TestSzuro : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::startScript(); }
    void cleanup() { MessageBox::stopScript(); }

    void controlsFollowModeAndSubject()
    {
        Catalog c;
        {
            Dialog d(c, szuro::Deletion);
            QCOMPARE(d.w.windowTitle(), "Szűrő meghatározás");
            QCOMPARE(d.w.Label4->text(), "! Rekordok TŐRLÉSE !");
            QCOMPARE(d.w.kesz->text(), "Módosítás");
            QVERIFY(!d.w.kul->isEnabled() && !d.w.Label5->isEnabled() && !d.w.Label6->isEnabled() &&
                    d.w.filenev->isEnabled() && !d.owner.enabled);
            // Entry 0, the default keyword, starts selected on its own.
            QCOMPARE(d.w.kul->entries(), (QStringList{"Általános", "Játék", "DOS"}));
            QCOMPARE(d.w.kul->selectedRows(), QList<int>{0});
        }
        Dialog d(c, szuro::FolderKeywords, false);
        QCOMPARE(d.w.Label4->text(), "Utak <--> kulcsok összerendelése");
        QVERIFY(!d.w.filenev->isEnabled() && !d.w.Label1->isEnabled() && !d.w.Label3->isEnabled());
        QCOMPARE(d.w.filenev->currentText(), "*");
        QCOMPARE(d.w.kul->entries(), (QStringList{"Általános", "CD-ROM"}));
        QVERIFY(d.w.kul->isEnabled());
        // The keyword rule: a second entry takes the default's place.
        QTest::mouseClick(d.w.kul->viewport(), Qt::LeftButton, {},
                          d.w.kul->visualItemRect(d.w.kul->item(1)).center());
        QCOMPARE(d.w.kul->selectedRows(), QList<int>{1});
    }

    // A search lands in the owner's grid; the histories take the new
    // patterns on top and go back into the settings when the dialog closes.
    void searchFillsTheOwnersGridAndTheHistory()
    {
        Catalog c;
        Dialog d(c, szuro::Search, true, false);
        d.host.shared.settings.namePatterns[0] = "  *.TXT  ";
        d.open();
        QCOMPARE(d.w.filenev->entries().first(), "*.TXT");
        QCOMPARE(d.w.filenev->currentText(), "*");

        d.w.filenev->setEditText("DOOM*");
        d.choose(1);
        QTest::keyClick(d.w.filenev->lineEdit(), Qt::Key_Return);
        QVERIFY(!d.w.isVisible());
        QCOMPARE(d.gridNames(), QStringList{"DOOM.EXE"});
        QCOMPARE(d.owner.barValues, (QList<int>{10, 90, 100}));
        QVERIFY(d.owner.enabled && !d.owner.bar.isVisible() && MessageBox::shown().isEmpty());
        const auto& names = d.host.shared.settings.namePatterns;
        QCOMPARE(QStringList(names.begin(), names.begin() + 2), (QStringList{"DOOM*", "*.TXT"}));
    }

    // Assignment asks first. A refusal of the catalog is told, changes
    // nothing, and leaves the dialog open to try again.
    void assignmentAsksFirstAndSurvivesARefusal()
    {
        Catalog c;
        store::Database::open(c.path).execScript("CREATE TRIGGER tilt BEFORE INSERT ON "
                                                 "nev_kulcsid BEGIN SELECT RAISE(ABORT, 'tiltva'); "
                                                 "END;");
        Dialog d(c, szuro::FileKeywords);
        d.w.filenev->setEditText("*.EXE");
        d.choose(2);
        MessageBox::addAnswers({Answer::Yes});
        d.w.kesz_Click();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.first().text, "Ön arra készűl, hogy a feltételeknek megfelelő Progran "
                                     "neveket\r\n és kulcsokat össze rendelje! Folytatja a "
                                     "műveletet ?");
        QVERIFY(shown.first().buttons == MessageBox::Buttons::YesNo);
        QVERIFY(shown.last().text.startsWith(
            "A művelet nem hajtható végre, az adatbázis nem változott!\r\n"));
        QVERIFY(shown.last().icon == MessageBox::Icon::Critical);
        QCOMPARE(c.filesWith(c.jatek), QStringList{"DOOM.EXE"});
        QVERIFY(d.w.isVisible() && !d.owner.bar.isVisible());

        store::Database::open(c.path).execScript("DROP TRIGGER tilt");
        MessageBox::addAnswers({Answer::Yes});
        d.w.kesz_Click();
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(!d.w.isVisible() && d.owner.enabled && !d.owner.bar.isVisible());
        QCOMPARE(c.filesWith(c.dos), (QStringList{"DOOM.EXE", "NC.EXE"}));
        QCOMPARE(d.gridNames(), (QStringList{"DOOM.EXE", "NC.EXE"}));
    }

    // A catalog that cannot be written, or that another program holds, is
    // told in the user's words and changes nothing.
    void bulkCommandsNameTheEnginesReason()
    {
        const QString prefix = "A művelet nem hajtható végre, az adatbázis nem változott!\r\n";
        for (const int mode : {int(szuro::FileKeywords), int(szuro::Deletion)}) {
            for (const bool locked : {false, true}) {
                Catalog c;
                Dialog d(c, mode);
                store::Database& db = d.owner.D1.database();
                sqlite3_busy_timeout(db.handle(), 10);
                store::Database other;
                if (locked) {
                    other = store::Database::open(c.path);
                    other.execScript("BEGIN IMMEDIATE");
                } else {
                    db.execScript("PRAGMA query_only=1");
                }
                d.w.filenev->setEditText("*.EXE");
                d.choose(2);
                MessageBox::addAnswers(mode == szuro::Deletion
                                           ? QList<Answer>{Answer::Yes, Answer::Ok}
                                           : QList<Answer>{Answer::Yes});
                d.w.kesz_Click();
                QCOMPARE(MessageBox::takeShown().last().text,
                         prefix + (locked ? "Egy másik program éppen használja az adatbázist."
                                          : "Az adatbázis csak olvasható."));
                other.close();
                QCOMPARE(c.filesWith(c.jatek), QStringList{"DOOM.EXE"});
                QCOMPARE(c.filesWith(1).size(), 3);
                QVERIFY(d.w.isVisible());
            }
        }
    }

    // Cancel at the second question deletes nothing, yet searches and closes.
    void deletionAsksAgainThenRefreshesTheMainWindow()
    {
        Catalog c;
        for (const Answer last : {Answer::Cancel, Answer::Ok}) {
            Dialog d(c, szuro::Deletion);
            d.host.kfriss = true;
            d.host.shared.recordCount = 1;
            d.w.ut->setEditText("*TOOLS");
            MessageBox::addAnswers({Answer::Yes, last});
            d.w.kesz_Click();
            QCOMPARE(MessageBox::takeShown().last().text,
                     "Törli a következő feltételek alapján:\r\nProgramnevek: *   Utak: *TOOLS az "
                     "adatbázist ?");
            QVERIFY(!d.w.isVisible() && d.owner.enabled && !d.owner.bar.isVisible());
            const bool deleted = last == Answer::Ok;
            QCOMPARE(c.column("SELECT count(*) FROM prgnev WHERE nev = 'NC.EXE'"),
                     QStringList{deleted ? "0" : "1"});
            QCOMPARE(d.gridNames(), deleted ? QStringList{} : QStringList{"NC.EXE"});
            QCOMPARE(std::pair(d.host.refreshes, d.host.treeRebuilds),
                     std::pair(+deleted, +deleted));
        }
    }
};

QTEST_MAIN(TestSzuro)
#include "test_szuro.moc"
