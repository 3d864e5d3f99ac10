#include "TestSupport.h"
#include "mainwin/Fixture.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"
#include "retrieval/muvform.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using platform::MessageBox;

namespace {

// The main window on a catalog of FILE0.EXE, FILE1.EXE, ... in -CD_1- E:\GAMES;
// the test's folder acts as drive C: (with the program and the target MENTES),
// a folder in it as drive D: (the disc).
struct Main
{
    Fixture f;
    std::unique_ptr<fokep> w;
    QString c = f.dir.path(), d = f.path("d");
    QString disc = d; // what drive D: holds

    explicit Main(int files)
    {
        w = f.startOn(f.catalog("k.mdb", files));
        QDir().mkpath(c + "/MENTES");
        QDir().mkpath(d + "/GAMES");
        w->setDriveSource([this] { return platform::DriveTable::fromFolders(c, {disc}); });
    }
    void onDisc(const QString& name) const
    {
        TestSupport::writeFile(d + "/GAMES/" + name, name.toUtf8());
    }
    bool copied(const QString& name) const
    {
        return TestSupport::contents(c + "/MENTES/" + name) == name.toUtf8();
    }
    std::unique_ptr<muvform> window(bool toMentes = true) const
    {
        auto r = std::make_unique<muvform>(w->host(), *ui(w).tabla1(), w->driveSource());
        r->Form_Load();
        r->show();
        if (toMentes)
            r->celdir->setPath("C:\\MENTES");
        return r;
    }
};

} // namespace

class TestMuvform : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { platform::ProcessStarter::startScript(); }
    void cleanup() { platform::ProcessStarter::stopScript(); }

    void loadAndTargetDrive()
    {
        Main m(1);
        auto r = m.window(false);
        QVERIFY(r->O1->isChecked() && r->O1->isEnabled() && !r->O2->isChecked());
        QCOMPARE(r->forras->drive(), 'D'); // the last drive
        QCOMPARE(r->celdir->path(), "C:\\");

        // Another disc in D: keeps D: the source; the target, on the old
        // disc, goes back to C:.
        r->celdrv->setDrive('D');
        QCOMPARE(r->celdir->path(), "D:\\");
        m.disc = m.f.path("e");
        QDir().mkpath(m.disc);
        emit r->celdrv->aboutToPopup();
        QCOMPARE(r->forras->drive(), 'D');
        QCOMPARE(r->celdir->path(), "C:\\");

        // A drive without its medium: the message, then back to C:.
        QVERIFY(QDir(m.disc).removeRecursively());
        r->celdrv->setDrive('D');
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text,
                 "A meghajtó nem áll készen !  Ellenőrizze, majd próbálja újra");
        QVERIFY(r->celdrv->drive() == 'C' && r->celdir->path() == "C:\\");

        // Unload hides the bar; the next load keeps the target folder and
        // follows the folders-only view.
        r->celdir->setPath("C:\\MENTES");
        m.w->host().showProgress(40);
        QTest::mouseClick(r->nem, Qt::LeftButton);
        QVERIFY(!r->isVisible() && !ui(m.w).bar()->isVisible());
        m.w->host().setView({"SELECT * FROM alapfile", {}, false, {}, true});
        r->Form_Load();
        QVERIFY(r->O2->isChecked() && !r->O1->isChecked() && !r->O1->isEnabled());
        QCOMPARE(r->celdir->path(), "C:\\MENTES");
    }

    // Rows leave the grid's selection as they are done; a run that stops
    // keeps the window open with the rest marked, ready to go on.
    void runFollowsTheGrid()
    {
        Main m(3);
        m.onDisc("FILE0.EXE");
        m.onDisc("FILE2.EXE");
        ui(m.w).tabla1()->selectRows(2, 2);
        ui(m.w).tabla1()->selectRows(0, 1);
        auto r = m.window();
        QTest::mouseClick(r->masol, Qt::LeftButton);

        QVERIFY(MessageBox::takeShown().last().icon == MessageBox::Icon::Critical);
        QVERIFY(r->isVisible() && m.copied("FILE2.EXE") && m.copied("FILE0.EXE"));
        QCOMPARE(ui(m.w).tabla1()->SelBookmarks(), QList<qint64>{1});
        QVERIFY(!ui(m.w).tabla1()->view()->selectionModel()->isRowSelected(2, {}));
        QCOMPARE(ui(m.w).Data1()->absolutePosition(), qint64(1)); // the row it stopped at
        QCOMPARE(ui(m.w).kij()->text(), " 1 DB kijelölve");
        QVERIFY(ui(m.w).gye()->isEnabled() && ui(m.w).bar()->isVisible());

        m.onDisc("FILE1.EXE");
        QTest::mouseClick(r->masol, Qt::LeftButton);
        QVERIFY(m.copied("FILE1.EXE") && !r->isVisible());
        QCOMPARE(ui(m.w).tabla1()->selCount(), qint64(0));
        QVERIFY(!ui(m.w).gye()->isEnabled() && !ui(m.w).bar()->isVisible());
    }

    // muvf and gye open the window modally.
    void openedFromTheMainWindow()
    {
        Main m(2);
        ui(m.w).tabla1()->selectRows(0, 0);
        m.w->muvEnabling();

        int opened = 0;
        const auto look = [&] {
            muvform* r = FokepControls::form<muvform>("muvform");
            opened += r->isModal() && r->isVisible();
            r->nem_Click();
        };
        QTimer::singleShot(0, look);
        QTest::mouseClick(ui(m.w).gye(), Qt::LeftButton);
        QTimer::singleShot(0, look);
        ui(m.w).action("muvf")->trigger();
        QCOMPARE(opened, 2);
        QCOMPARE(ui(m.w).tabla1()->selCount(), qint64(1));
    }
};

QTEST_MAIN(TestMuvform)
#include "test_muvform.moc"
