#include "Fixture.h"

#include "JetCatalogFixture.h"
#include "athozo/CopierJob.h"
#include "athozo/CopierWindow.h"
#include "checker/eltero.h"
#include "mainwin/JetConversion.h"
#include "widgets/DataGrid.h"
#include "widgets/Menus.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <functional>

using platform::FileDialog;
using platform::Help;
using platform::MessageBox;

namespace {

QWidget* shownWindow(const QString& name)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == name && top->isVisible())
            return top;
    return nullptr;
}

// F1 as the user presses it: in the active window, on whatever has the focus.
void pressF1(QWidget* window)
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window ? focus : window, Qt::Key_F1);
}

// F1 on the first entry of the window's first menu, highlighted.
void pressF1OnMenu(QWidget* window)
{
    QMenu* menu = window->findChild<QMenuBar*>()->findChildren<QMenu*>().first();
    menu->popup(window->mapToGlobal(QPoint(10, 10)));
    menu->setActiveAction(menu->actions().first());
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(menu, &f1);
    menu->hide();
}

void closeWindow(QWidget* window)
{
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        if (auto* cancel = dialog->findChild<QPushButton*>(JetConversion::kCancelName))
            cancel->click();
        else
            dialog->reject();
    } else {
        window->close();
    }
}

// While 'open' runs (a modal window runs inside it), the window of that name,
// once shown, gets 'press' and is closed.
void whileShown(const QString& name, const std::function<void(QWidget*)>& press,
                const std::function<void()>& open, bool& pressed)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [=, &pressed] {
        if (QWidget* window = shownWindow(name)) {
            poll->stop();
            press(window);
            pressed = true;
            closeWindow(window);
            poll->deleteLater();
        }
    });
    poll->start(10);
    open();
    QTRY_VERIFY_WITH_TIMEOUT(pressed, 10000);
}

using Opener = std::function<void(Fixture&, fokep&)>;

// The anchors of the help file the program installs.
QStringList helpAnchors()
{
    const QString text = QString::fromUtf8(TestSupport::contents(POLCOZO_HELP_SOURCE));
    QStringList names;
    for (const auto& m : QRegularExpression("<a name=\"([^\"]+)\">").globalMatch(text))
        names << m.captured(1);
    return names;
}

} // namespace

Q_DECLARE_METATYPE(Opener)

class TestHelp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { JetConversion::resetProgram(); }

    // F1 in every window, and on the entries of a window's menu, opens the
    // help at that window's topic.
    void f1InEveryWindow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("onMenu");
        QTest::addColumn<Opener>("open");
        QTest::addColumn<QString>("topic");
        auto command = [](const char* name) {
            return Opener([name](Fixture&, fokep& w) { ui(w).action(name)->trigger(); });
        };
        const Opener keyWindow = [](Fixture&, fokep& w) { ui(w).action("f_kmeg")->trigger(); };
        QTest::newRow("about box") << "nevjegy" << false << command("nev") << "nevjegy";
        QTest::newRow("builder") << "epito" << false << command("szauto") << "280";
        QTest::newRow("keyword lists") << "kulcslap" << false << command("kulcs") << "290";
        QTest::newRow("key assignment") << "Szerkeszto" << false << keyWindow << "300";
        QTest::newRow("key assignment menu") << "Szerkeszto" << true << keyWindow << "szuro";
        QTest::newRow("condition dialog") << "szuro" << false << Opener([](Fixture&, fokep& w) {
            ui(w).action("f_kmeg")->trigger();
            auto* keys = FokepControls::form<QWidget>("Szerkeszto");
            keys->findChild<QAction*>("osz")->trigger();
            keys->close();
        }) << "szuro";
        QTest::newRow("compound search") << "kerdes" << false << command("kossze") << "530";
        QTest::newRow("retrieval") << "muvform" << false << Opener([](Fixture&, fokep& w) {
            ui(w).tabla1()->selectRows(0, 1);
            ui(w).gye()->click();
        }) << "elohozas";
        QTest::newRow("medium check") << "ellenor" << false << command("ellen") << "260";
        QTest::newRow("check results") << "eltero" << false << Opener([](Fixture& f, fokep& w) {
            (new eltero(w.host().catalogPath(), f.paths.programFolder, "CD_1", "1 eltérés", {}, &w))
                ->show();
        }) << "eltero";
        QTest::newRow("duplicates") << "masolat" << false << command("masol") << "540";
        QTest::newRow("Jet conversion")
            << JetConversion::kWindowName << false << Opener([](Fixture& f, fokep& w) {
                   const QString jet = f.path("regi.mdb");
                   jetfixture::Catalog c = jetfixture::makeCatalog(2, 2);
                   jetwriter::write(jet, c.tables, {jetwriter::Version::Jet4});
                   JetConversion::setProgram("/bin/sh", {"-c", "sleep 20", "sh"});
                   MessageBox::addAnswers({MessageBox::Answer::Yes});
                   FileDialog::addAnswers({jet, f.path("regi_uj.mdb")});
                   ui(w).action("Fnyit")->trigger();
                   MessageBox::takeShown();
               })
            << "jet";
        QTest::newRow("copier") << "athozo" << false << Opener([](Fixture& f, fokep&) {
            QDir().mkpath(f.path("forras"));
            const QStringList args{f.path("forras") + "/*.*", f.path("cel") + "/*.*", "/s"};
            auto* copier =
                new athozo::CopierWindow(std::get<athozo::Job>(athozo::parseArguments(args, {})));
            copier->setObjectName("athozo");
            copier->setAttribute(Qt::WA_DeleteOnClose);
            copier->show();
        }) << "athozo";
    }

    void f1InEveryWindow()
    {
        QFETCH(QString, window);
        QFETCH(bool, onMenu);
        QFETCH(Opener, open);
        QFETCH(QString, topic);
        Fixture f;
        auto w = f.startOn(f.catalog("start.mdb", 3));
        bool pressed = false;
        whileShown(
            window, onMenu ? pressF1OnMenu : pressF1, [&] { open(f, *w); }, pressed);
        QCOMPARE(Help::requests().filter("topic").value(0), "topic " + topic);
        QVERIFY2(helpAnchors().contains(topic), qPrintable(topic));
    }

    // F1 in the main window keeps showing the contents; its menu entries have
    // topics, each one a place in the help file.
    void mainWindowMenus()
    {
        Fixture f;
        auto w = f.start();
        pressF1(w.get());
        QCOMPARE(Help::requests(), QStringList{"contents"});
        for (const char* entry : {"Fnyit", "kfriss", "nev", "famas"})
            QVERIFY2(!widgets::helpTopic(ui(w).action(entry)).isEmpty(), entry);
        const QStringList anchors = helpAnchors();
        for (const QAction* a : w->findChildren<QAction*>()) {
            const QString topic = widgets::helpTopic(a);
            QVERIFY2(topic.isEmpty() || anchors.contains(topic), qPrintable(topic));
        }
    }

    // The viewer opens at the topic, goes back and forward, finds in the page.
    void viewerBackForwardFind()
    {
        ProgramFolder folder;
        const QString file = folder.path("sugo.html");
        TestSupport::writeFile(file, "<html><body><a name='tartalom'></a><h1>Tartalom</h1>"
                                     "<p>Első alma.</p>" +
                                         QByteArray(2000, '\n').replace('\n', "<p>.</p>") +
                                         "<a name='280'></a><h2>Feltöltés</h2><p>Második alma "
                                         "és a körte.</p></body></html>");
        Help help;
        help.setHelpFile(file);
        help.showTopic(280);
        platform::HelpWindow* v = help.viewer();
        QVERIFY(v && v->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(v));
        QCOMPARE(v->browser->source().fragment(), "280");
        QVERIFY(!v->vissza->isEnabled());
        help.showContents();
        QVERIFY(v->vissza->isEnabled() && !v->elore->isEnabled());
        QTest::keyClick(v->browser, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(v->browser->source().fragment(), "280");
        QVERIFY(v->elore->isEnabled());
        v->elore->click();
        QCOMPARE(v->browser->source().fragment(), "");

        // Ctrl+F into the field; Enter and F3 go on, wrapping round, Shift+F3 back.
        QTest::keyClick(v->browser, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(v->keres->hasFocus());
        QTest::keyClicks(v->keres, "ALMA");
        QTest::keyClick(v->keres, Qt::Key_Return);
        const int first = v->browser->textCursor().position();
        QCOMPARE(v->browser->textCursor().selectedText(), "alma");
        QTest::keyClick(v->keres, Qt::Key_F3);
        const int second = v->browser->textCursor().position();
        QVERIFY(second > first);
        QTest::keyClick(v->keres, Qt::Key_F3);
        QCOMPARE(v->browser->textCursor().position(), first);
        QTest::keyClick(v->keres, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(v->browser->textCursor().position(), second);
        QVERIFY(v->nincs->isHidden());
        v->keres->setText("szilva");
        QVERIFY(!v->findNext());
        QVERIFY(!v->nincs->isHidden());
        help.quit();
    }

    // The empty catalog says how to begin, whatever the window shows; with
    // files in the catalog, even on a search that found nothing, the grid is
    // as it always was.
    void emptyCatalogHint()
    {
        Fixture f;
        auto w = f.startOn(f.catalog("ures.mdb", 0));
        DataGrid* grid = ui(w).tabla1();
        QVERIFY(grid->isPlaceholderShown());
        auto* hint = grid->view()->viewport()->findChild<QLabel*>("placeholder");
        QVERIFY(hint->text().contains("Automatikus feltőltés"));
        QVERIFY(hint->text().contains("címké"));
        QCOMPARE(w->state().recordCount, qint64(0));
        // Back from the key assignment window, which stands in for the main window.
        ui(w).action("f_kmeg")->trigger();
        FokepControls::form<QWidget>("Szerkeszto")->close();
        QApplication::processEvents();
        QVERIFY(grid->isPlaceholderShown());
        bool pressed = false;
        whileShown(
            "kerdes", [](QWidget*) {}, [&] { ui(w).action("kossze")->trigger(); }, pressed);
        QVERIFY(grid->isPlaceholderShown());

        // A search in it finds nothing either: the catalog is still empty.
        w->host().setView({"SELECT * FROM alapfile WHERE nev = ?1", {"X"}, false, "X"});
        QVERIFY(grid->isPlaceholderShown());

        w.reset();
        auto full = f.startOn(f.catalog("tele.mdb", 2));
        QVERIFY(!ui(full).tabla1()->isPlaceholderShown());
        QCOMPARE(ui(full).elem()->text(), " 2 DB rekord ");
        full->host().setView({"SELECT * FROM alapfile WHERE nev = ?1", {"X"}, false, "X"});
        QVERIFY(!ui(full).tabla1()->isPlaceholderShown());
        full->host().setView({"SELECT * FROM alapfile", {}, true, {}});
        QVERIFY(!ui(full).tabla1()->isPlaceholderShown());
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
