#include "Fixture.h"

#include "builder/epito.h"
#include "mainwin/PathTree.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableView>
#include <QToolButton>
#include <sys/stat.h>

using platform::MessageBox;

class TestFokep : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartCreatesSettingsAndDefaultCatalog()
    {
        Fixture f;
        auto w = f.start();
        QVERIFY(w && MessageBox::shown().isEmpty() && QFile::exists(f.paths.settingsFile));
        QCOMPARE(w->state().settings.lastCatalog, f.paths.defaultCatalog);
        QVERIFY(store::fileExists(f.paths.defaultCatalog));
        QCOMPARE(ui(w).tabla1()->caption(), "Megnyitva: " + f.paths.defaultCatalog);

        // An empty view cannot be counted: the failure text, without a leading blank.
        QCOMPARE(w->state().recordCount, qint64(0));
        QCOMPARE(ui(w).elem()->text(), "0 DB rekord ");
        QCOMPARE(ui(w).Fa()->topLevelItem(0)->text(0), "----");
        QVERIFY(!ui(w).elore()->isEnabled() && !ui(w).action("uge")->isEnabled());
    }

    // A last catalog that is gone is replaced without a word; one that is
    // there but does not open is named with the reason and tried again at the
    // next start. Either way a filled default catalog is set aside, and the
    // message says where.
    void lastCatalogThatDoesNotOpen_data() { ProgramFolder::brokenCatalogKinds(); }

    void lastCatalogThatDoesNotOpen()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        Fixture f;
        QFile::copy(f.catalog("old.mdb", 5), f.paths.defaultCatalog);
        store::Database holder;
        const QString last = f.brokenCatalog(kind, holder);
        f.writeSettings(last);

        auto w = f.start();
        QVERIFY(w);
        QCOMPARE(w->state().settings.lastCatalog, f.paths.defaultCatalog);
        QCOMPARE(f.keptAside().size(), 1);
        QCOMPARE(Fixture::files(f.keptAside().first()), 5);
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.endsWith(f.keptAside().first()));
        QVERIFY(shown.first().text.startsWith(
            reason.isEmpty()
                ? QString()
                : "Nem lehet megnyitni a legutóbbi adatbázist:\r\n" + last + "\r\n" + reason));
        QCOMPARE(shown.first().icon,
                 reason.isEmpty() ? MessageBox::Icon::Information : MessageBox::Icon::Exclamation);
        w->close();
        QCOMPARE(f.savedLastCatalog(), reason.isEmpty() ? f.paths.defaultCatalog : last);
    }

    // The user's catalog may be the default catalog itself: when damaged it
    // is set aside and tried there next time; held by another program, it is
    // not moved from under it and the program does not start.
    void defaultCatalogThatDoesNotOpen()
    {
        Fixture f;
        f.writeSettings(f.paths.defaultCatalog);
        TestSupport::writeFile(f.paths.defaultCatalog, QByteArray(4096, 'x'));
        f.start()->close();
        QCOMPARE(f.keptAside().size(), 1);
        QVERIFY(MessageBox::takeShown().first().text.endsWith(f.keptAside().first()));
        QCOMPARE(f.savedLastCatalog(), f.keptAside().first());

        QFile::remove(f.paths.defaultCatalog);
        QFile::copy(f.catalog("held.mdb", 1), f.paths.defaultCatalog);
        f.writeSettings(f.paths.defaultCatalog);
        store::Database holder = store::Database::open(f.paths.defaultCatalog);
        holder.execScript("BEGIN EXCLUSIVE");
        QVERIFY(!f.start());
        QCOMPARE(MessageBox::takeShown().size(), 1);
        holder.close();
        QCOMPARE(Fixture::files(f.paths.defaultCatalog), 1);
    }

    // A settings file may name the template under another spelling: it is
    // never opened as a catalog.
    void templateUnderAnyNameIsNotOpened_data()
    {
        QTest::addColumn<QString>("last");
        QTest::newRow("dot") << "prog/./init.plc";
        QTest::newRow("link") << "link.mdb";
    }

    void templateUnderAnyNameIsNotOpened()
    {
        QFETCH(QString, last);
        Fixture f;
        QVERIFY(QFile::link(f.paths.templateFile(), f.path("link.mdb")));
        const QByteArray original = TestSupport::contents(f.paths.templateFile());
        f.writeSettings(f.path(last));
        auto w = f.start();
        QVERIFY(w);
        QCOMPARE(ui(w).Data1()->databaseName(), f.paths.defaultCatalog);
        QCOMPARE(TestSupport::contents(f.paths.templateFile()), original);
    }

    void missingTemplateEndsWithOneMessage()
    {
        Fixture f;
        QFile::remove(f.paths.templateFile());
        f.writeSettings(f.path("gone.mdb"));
        QVERIFY(!f.start());
        QCOMPARE(MessageBox::shown().size(), 1);
    }

    void windowStateRoundTrip()
    {
        Fixture f;
        f.writeSettings(f.catalog("a.mdb", 1), store::Settings::kWindowMaximized);
        auto w = f.start();
        QVERIFY(w->isMaximized());
        // Key assignment stands in for the window, which comes back maximised.
        w->showNormal();
        w->host().minimizeMain();
        QVERIFY(w->isMinimized());
        w->host().restoreMain();
        QVERIFY(w->isMaximized() && !w->isMinimized());
        ui(w).action("kfriss")->setChecked(false);
        w->close();
        store::Settings s = store::readSettings(f.paths.settingsFile, f.paths.programFolder);
        QCOMPARE(s.windowState, store::Settings::kWindowMaximized);
        QCOMPARE(s.contextRefresh, qint16(0));

        w = f.start();
        QVERIFY(!ui(w).action("kfriss")->isChecked());
        w->showMinimized();
        w->close();
        // A minimised window starts normal the next time.
        s = store::readSettings(f.paths.settingsFile, f.paths.programFolder);
        QCOMPARE(s.windowState, store::Settings::kWindowNormal);
        QCOMPARE(platform::Help::requests().count("quit"), 2);
    }

    void selectionCounterAndMuvEnabling()
    {
        Fixture f;
        auto w = f.startOn(f.catalog("big.mdb", 600));
        QCoreApplication::processEvents(); // the window becomes the active one
        QCOMPARE(ui(w).elem()->text(), " 600 DB rekord ");
        ui(w).tabla1()->selectRows(0, 2);
        QCOMPARE(ui(w).kij()->text(), " 3 DB kijelölve");
        ui(w).tabla1()->selectRows(10, 10);
        ui(w).tabla1()->selectRows(5, 5);
        w->muvEnabling();
        QVERIFY(ui(w).action("mv")->isEnabled() && ui(w).action("osszm")->isEnabled() &&
                ui(w).action("muvf")->isEnabled() && ui(w).gye()->isEnabled());

        // The clipboard copy: marking order, columns 0, 1, 2 and 4, a TAB after each.
        ui(w).action("mv")->trigger();
        const QString day = QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat);
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied.count("\r\n"), 5);
        QVERIFY(copied.startsWith("FILE0.EXE\t-CD_1- E:\\GAMES\t1000\t" + day));
        const QString row10 = copied.section("\r\n", 3, 3);
        QVERIFY(row10.startsWith("FILE10.EXE\t-CD_1- E:\\GAMES\t1010\t" + day) &&
                row10.endsWith('\t'));
        QCOMPARE(ui(w).Data1()->absolutePosition(), qint64(5));
        ui(w).tabla1()->clearSelection();

        // Ctrl+A is the menu's select all, with its question: the table does not do it on its own.
        MessageBox::addAnswers({MessageBox::Answer::No});
        QTest::keyClick(ui(w).tabla1()->view(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(ui(w).tabla1()->selCount(), 0);

        // A view that fails to bind leaves no stale rows or marks behind.
        ui(w).tabla1()->selectRows(0, 4);
        ui(w).Data1()->setRecordSource("SELECT * FROM nosuch");
        QVERIFY_THROWS_EXCEPTION(platform::Error, ui(w).Data1()->refresh());
        QCOMPARE(ui(w).tabla1()->view()->model()->rowCount(), 0);
        QCOMPARE(ui(w).tabla1()->selCount(), 0);
    }

    // Another window hands its view over in one call; "Minden adat" takes it back.
    void setViewThenShowAll()
    {
        Fixture f;
        auto w = f.startOn(f.catalog("d.mdb", 20));
        MainHost& host = w->host();
        host.setView(
            {"SELECT * FROM alapfile WHERE nev LIKE ?1", {"FILE1*"}, false, "FILE1*", true});
        QVERIFY(!w->state().baseView && w->state().folderList);
        host.activationSteps();
        QCOMPARE(ui(w).elem()->text(), " 11 DB rekord ");
        QCOMPARE(ui(w).tabla1()->toolTip(), "Leválogatási nézet: FILE1*");

        // A view that cannot be read: the caller hears it, and the window
        // does not go on counting the old rows.
        QVERIFY_THROWS_EXCEPTION(platform::Error,
                                 host.setView({"SELECT * FROM nosuch", {}, false, "x", false}));
        QCOMPARE(w->state().recordCount, qint64(0));

        ui(w).action("minden")->trigger();
        QCOMPARE(ui(w).Data1()->recordSource(), "SELECT * FROM alapfile");
        QVERIFY(w->state().baseView && !w->state().folderList);
        QCOMPARE(ui(w).elem()->text(), " 20 DB rekord ");
        QCOMPARE(ui(w).tabla1()->toolTip(), "Teljes nézet");
        QVERIFY(ui(w).bar()->isHidden());
    }

    // F1 on a highlighted menu item opens its topic; elsewhere the contents.
    void helpTopics()
    {
        Fixture f;
        auto w = f.start();
        ui(w).action("Sug1")->trigger();
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        ui(w).menu("Sug")->popup(QPoint(10, 10));
        ui(w).menu("Sug")->setActiveAction(ui(w).action("Sug1"));
        QApplication::sendEvent(ui(w).menu("Sug"), &f1);
        ui(w).menu("Sug")->hide();
        w->menuBar()->setActiveAction(ui(w).menu("muv")->menuAction());
        QApplication::sendEvent(w->menuBar(), &f1);
        ui(w).menu("muv")->hide();
        QCOMPARE(platform::Help::requests(), (QStringList{"contents", "topic 10", "topic 250"}));
    }

    // The builder records a medium; after Kész the main window, active
    // again, shows the new count and compacts silently.
    void builderRecordsAndCompactsOnReturn()
    {
        Fixture f;
        const QString catalog = f.catalog("k.mdb", 3);
        f.writeSettings(catalog);
        QDir().mkpath(f.path("c"));
        QDir().mkpath(f.path("d/DOOM"));
        TestSupport::writeFile(f.path("d/DOOM/doom.exe"), "12345");
        auto w = f.start();
        QVERIFY(w && ui(w).action("auttom")->isChecked());
        w->setDriveSource(
            [&f] { return platform::DriveTable::fromFolders(f.path("c"), {f.path("d")}); });
        bool mainWasDisabled = false, flagSetByKesz = false;
        QTimer::singleShot(0, [&] {
            epito* e = FokepControls::form<epito>("epito");
            mainWasDisabled = !w->centralWidget()->isEnabled() && !w->menuBar()->isEnabled();
            QTest::keyClicks(e->elotag, "CD_2");
            e->startgomb_Click();
            e->kesz_Click();
            flagSetByKesz = w->state().builderChanged;
        });
        const auto inode = [&] {
            struct stat st = {};
            ::stat(QFile::encodeName(catalog).constData(), &st);
            return st.st_ino;
        };
        const ino_t before = inode();
        ui(w).action("szauto")->trigger();

        QVERIFY(mainWasDisabled && flagSetByKesz && w->centralWidget()->isEnabled());
        QCOMPARE(ui(w).elem()->text(), " 4 DB rekord ");
        // Compacted into a new file, without a word.
        QVERIFY(!w->state().builderChanged && inode() != before);
        QVERIFY(MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(TestFokep)
#include "test_fokep.moc"
