#include "FakeHost.h"
#include "TestSupport.h"
#include "mainwin/Fixture.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"
#include "retrieval/muvform.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QDir>
#include <QGroupBox>
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

const QString kNotReady =
    QStringLiteral("A meghajtó nem áll készen !  Ellenőrizze, majd próbálja újra");

QString prompt(const QString& label)
{
    return QStringLiteral("Helyezze be a -") + label +
           QStringLiteral("-  cimkéjü lemezt a D: meghajtóba !");
}

// Two media, CD_1 with the folder A and CD_2 with B, catalogued; the disc in
// drive D: holds both folders. C: holds the target folder and the program.
struct Window
{
    QTemporaryDir dir;
    QString c = dir.filePath(QStringLiteral("c"));
    QString d = dir.filePath(QStringLiteral("d"));
    QString target = c + QStringLiteral("/MENTES");
    FakeHost host;
    store::DataSource source;
    std::unique_ptr<DataGrid> grid;
    std::unique_ptr<muvform> w;

    Window()
    {
        QDir().mkpath(target);
        QDir().mkpath(c + QStringLiteral("/prog"));
        host.shared.programFolder = c + QStringLiteral("/prog");
        host.catalog = dir.filePath(QStringLiteral("k.mdb"));
        QFile::copy(TestSupport::templateFile(), host.catalog);
        QFile::setPermissions(host.catalog, QFile::ReadOwner | QFile::WriteOwner);
        {
            auto db = store::Database::open(host.catalog);
            db.execScript(
                QStringLiteral("INSERT INTO ut (ut) VALUES ('-CD_1- E:\\A'), ('-CD_2- E:\\B');"
                               "INSERT INTO prgnev (nev, utid, hossz) VALUES ('a1.txt', 1, 2), "
                               "('a2.txt', 1, 2), ('b1.txt', 2, 2);"));
        }
        for (const char* file : {"A/a1.txt", "A/a2.txt", "B/b1.txt"}) {
            QDir().mkpath(d + QLatin1Char('/') + QFileInfo(QLatin1String(file)).path());
            TestSupport::writeFile(d + QLatin1Char('/') + QLatin1String(file), file);
        }
        source.setDatabaseName(host.catalog);
        source.setRecordSource(QStringLiteral("SELECT * FROM alapfile"));
        source.refresh();
        grid = std::make_unique<DataGrid>(source);
        grid->show();
        w = std::make_unique<muvform>(host, *grid,
                                      [this] { return platform::DriveTable::fromFolders(c, {d}); });
    }
    void load()
    {
        w->Form_Load();
        w->show();
    }
    void select(std::initializer_list<qint64> rows)
    {
        for (const qint64 row : rows)
            grid->selectRows(row, row);
    }
    QByteArray copied(const QString& name) const
    {
        return TestSupport::contents(target + QLatin1Char('/') + name);
    }
};

} // namespace

class TestMuvform : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        MessageBox::startScript();
        platform::ProcessStarter::startScript();
    }
    void cleanup()
    {
        MessageBox::stopScript();
        platform::ProcessStarter::stopScript();
    }

    void loadAndTargetDrive()
    {
        Window win;
        muvform& w = *win.w;
        QCOMPARE(w.windowTitle(), QStringLiteral("File/mappák előhozása (másolása)"));
        QVERIFY(w.isModal());
        win.load();
        QVERIFY(w.O1->isChecked() && w.O1->isEnabled() && !w.O2->isChecked());
        QCOMPARE(w.forras->drive(), QLatin1Char('D')); // the last drive
        QCOMPARE(w.celdrv->drive(), QLatin1Char('C'));
        QCOMPARE(w.celdir->path(), QStringLiteral("C:\\"));

        w.celdrv->setDrive(QLatin1Char('D'));
        QCOMPARE(w.celdir->path(), QStringLiteral("D:\\"));
        QVERIFY(MessageBox::shown().isEmpty());
        // A drive without its medium: the message, then back to C:.
        QVERIFY(QDir(win.d).removeRecursively());
        w.celdrv->setDrive(QLatin1Char('D'));
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, kNotReady);
        QVERIFY(shown.first().buttons == MessageBox::Buttons::Ok);
        QVERIFY(shown.first().icon == MessageBox::Icon::None);
        QCOMPARE(w.celdrv->drive(), QLatin1Char('C'));
        QCOMPARE(w.celdir->path(), QStringLiteral("C:\\"));

        // Unload hides the bar and counts; the next load keeps the target
        // folder and follows the folders-only view.
        w.celdir->setPath(QStringLiteral("C:\\MENTES"));
        win.host.showProgress(40);
        QTest::mouseClick(w.nem, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(win.host.progress, -1);
        QCOMPARE(win.host.counts, 1);
        win.host.shared.folderList = true;
        win.load();
        QVERIFY(w.O2->isChecked() && !w.O1->isChecked() && !w.O1->isEnabled());
        QCOMPARE(w.celdir->path(), QStringLiteral("C:\\MENTES"));
        QCOMPARE(w.celdrv->drive(), QLatin1Char('C'));
    }

    // The rows leave the grid's selection as they are done; a run stopped at
    // a prompt keeps the window open with the rest marked, ready to go on.
    void singleFilesFollowTheGrid()
    {
        Window win;
        muvform& w = *win.w;
        win.load();
        w.celdir->setPath(QStringLiteral("C:\\MENTES"));
        win.select({2, 0, 1});
        MessageBox::addAnswers({MessageBox::Answer::Ok, MessageBox::Answer::Cancel});
        QTest::mouseClick(w.masol, Qt::LeftButton);

        QCOMPARE(MessageBox::takeShown().size(), 2);
        QVERIFY(w.isVisible());
        QCOMPARE(win.copied(QStringLiteral("b1.txt")), QByteArray("B/b1.txt"));
        QVERIFY(!QFile::exists(win.target + QStringLiteral("/a1.txt")));
        QCOMPARE(win.grid->SelBookmarks(), (QList<qint64>{0, 1}));
        QVERIFY(win.grid->view()->selectionModel()->isRowSelected(0, {}));
        QVERIFY(!win.grid->view()->selectionModel()->isRowSelected(2, {}));
        QCOMPARE(win.source.absolutePosition(), qint64(0)); // the row it stopped at
        QCOMPARE(win.host.progress, -1);
        QVERIFY(!win.host.busy);

        QTest::mouseClick(w.masol, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().first().text, prompt(QStringLiteral("CD_1")));
        QCOMPARE(win.copied(QStringLiteral("a1.txt")), QByteArray("A/a1.txt"));
        QCOMPARE(win.copied(QStringLiteral("a2.txt")), QByteArray("A/a2.txt"));
        QCOMPARE(win.grid->selCount(), qint64(0));
        QVERIFY(!w.isVisible());
        QCOMPARE(win.host.progress, -1);
        QCOMPARE(win.host.counts, 1);
    }

    // Whole folders: files of one folder give one copier, started from the
    // program folder.
    void wholeFoldersStartOneCopierPerFolder()
    {
        Window win;
        muvform& w = *win.w;
        win.host.shared.folderList = true;
        win.load();
        w.celdir->setPath(QStringLiteral("C:\\MENTES"));
        win.select({0, 2, 1});
        QTest::mouseClick(w.masol, Qt::LeftButton);

        const auto started = platform::ProcessStarter::takeStarted();
        QCOMPARE(started.size(), 2);
        QCOMPARE(started.first().program, win.c + QStringLiteral("/prog/athozo"));
        QCOMPARE(started.first().arguments.first(), QStringLiteral("D:\\A\\*.*"));
        QCOMPARE(started.last().arguments.first(), QStringLiteral("D:\\B\\*.*"));
        QVERIFY(QFileInfo(win.target + QStringLiteral("/A")).isDir());
        QVERIFY(QFileInfo(win.target + QStringLiteral("/B")).isDir());
        QCOMPARE(win.grid->selCount(), qint64(0));
        QVERIFY(!w.isVisible());
    }

    // The main window opens the window from muvf and gye, offered only with
    // a selection; the selection counter follows a run that stops midway.
    void openedFromTheMainWindow()
    {
        Fixture f;
        auto w = f.startOn(f.catalog(QStringLiteral("k.mdb"), 3));
        QVERIFY(w);
        const QString c = f.path(QStringLiteral("c")), d = f.path(QStringLiteral("d"));
        QDir().mkpath(c + QStringLiteral("/MENTES"));
        QDir().mkpath(d + QStringLiteral("/GAMES"));
        TestSupport::writeFile(d + QStringLiteral("/GAMES/FILE0.EXE"), "0");
        w->driveSource = [c, d] { return platform::DriveTable::fromFolders(c, {d}); };
        w->muvEnabling();
        QVERIFY(!w->muvf->isEnabled() && !w->gye->isEnabled());
        w->tabla1->selectRows(0, 2);
        QVERIFY(w->gye->isEnabled());
        w->muvEnabling();
        QVERIFY(w->muvf->isEnabled());

        bool modal = false;
        QTimer::singleShot(0, [&] {
            muvform* r = w->retrievalWindow();
            modal = r->isModal() && r->isVisible();
            r->celdir->setPath(QStringLiteral("C:\\MENTES"));
            r->masol_Click(); // FILE1.EXE is not on the disc
            r->nem_Click();
        });
        QTest::mouseClick(w->gye, Qt::LeftButton);
        QVERIFY(modal);
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.last().text,
                 QStringLiteral("A forrásmeghajtón [ D: ] nem található a megadott útvonal !"));
        QCOMPARE(TestSupport::contents(c + QStringLiteral("/MENTES/FILE0.EXE")), QByteArray("0"));
        QCOMPARE(w->tabla1->SelBookmarks(), (QList<qint64>{1, 2}));
        QCOMPARE(w->kij->text(), QStringLiteral(" 2 DB kijelölve"));
        QVERIFY(w->gye->isEnabled() && !w->bar->isVisible());

        w->tabla1->clearSelection();
        QVERIFY(!w->gye->isEnabled());
    }
};

QTEST_MAIN(TestMuvform)
#include "test_muvform.moc"
