#include "FakeHost.h"
#include "keywords/Szerkeszto.h"
#include "keywords/kulcslap.h"
#include "mainwin/Fixture.h"
#include "queries/QueriesFixture.h"
#include "widgets/DataGrid.h"
#include "widgets/KeywordList.h"
#include "widgets/ResultModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

using platform::MessageBox;
using Answer = MessageBox::Answer;

namespace {

using Catalog = QueriesFixture::SmallCatalog;

QStringList linksOf(const Catalog& c, const QString& file)
{
    return c.column(u"SELECT l.kulcsid FROM prgnev p JOIN nev_kulcsid l ON l.id = p.id "
                    "WHERE p.nev = '%1' ORDER BY 1"_qs.arg(file));
}

void clickRow(DataGrid* grid, int row, bool twice = false)
{
    QTableView* v = grid->view();
    int c = 0;
    while (v->isColumnHidden(c))
        ++c;
    const QPoint at = v->visualRect(grid->model()->index(row, c)).center();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestKeywordWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::startScript(); }
    void cleanup() { MessageBox::stopScript(); }

    void keywordListsShowTheirEmptyRowAndTakeTheUsersKeys()
    {
        Catalog c;
        FakeHost host;
        host.catalog = c.path;
        kulcslap w(host);
        w.Form_Load();
        w.show();
        QVERIFY(!host.mainEnabled);
        QCOMPARE(w.windowTitle(), "Kulcsok");
        // After the keywords, the marked empty row that adds one.
        QCOMPARE(w.prgkul->model()->rowCount(), 4);
        QCOMPARE(w.prgkul->model()->headerData(3, Qt::Vertical).toString(), "*");

        // The file list's empty row, then Enter in the editor: a new keyword, in sight.
        clickRow(w.prgkul, 3);
        w.sor->setText("Segédprogram");
        QTest::keyClick(w.sor, Qt::Key_Return);
        QVERIFY(w.sor->text().isEmpty());
        QCOMPARE(c.column("SELECT kulcs FROM kulcs ORDER BY id"),
                 (QStringList{"Általános", "Játék", "DOS", "Segédprogram"}));
        QCOMPARE(w.prgkul->model()->rowCount(), 5);
        QCOMPARE(w.prgkul->row(), 3);

        // A double click takes a keyword into the editor; the button renames it.
        clickRow(w.prgkul, 2, true);
        QCOMPARE(w.sor->text(), "DOS");
        w.sor->setText("MS-DOS");
        QTest::mouseClick(w.felf, Qt::LeftButton);
        QCOMPARE(c.column("SELECT kulcs FROM kulcs WHERE id = 3"), QStringList{"MS-DOS"});

        // Enter in a list takes its row; the list's own Törlés deletes it.
        clickRow(w.prgkul, 3);
        QTest::keyClick(w.prgkul->view(), Qt::Key_Return);
        QCOMPARE(w.sor->text(), "Segédprogram");
        QTest::mouseClick(w.torolf, Qt::LeftButton);
        QCOMPARE(c.column("SELECT count(*) FROM kulcs"), QStringList{"3"});
        QVERIFY(MessageBox::shown().isEmpty());

        // Escape in a list is Kész.
        QTest::keyClick(w.utkul->view(), Qt::Key_Escape);
        QVERIFY(!w.isVisible() && host.mainEnabled);
    }

    // The window is kept between openings; each opening starts on the folder
    // list's first row, whatever was chosen when it closed.
    void eachOpeningStartsOnTheFolderList()
    {
        Catalog c;
        FakeHost host;
        host.catalog = c.path;
        kulcslap w(host);
        w.Form_Load();
        w.show();
        clickRow(w.prgkul, 2);
        QTest::keyClick(w.prgkul->view(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());

        w.Form_Load();
        w.show();
        QCOMPARE(w.lists().currentList(), keywords::KeywordList::Folders);
        QCOMPARE(w.prgkul->row(), 0);
        QTest::keyClicks(w.sor, "Uj");
        QTest::keyClick(w.sor, Qt::Key_Return);
        QCOMPARE(MessageBox::takeShown().value(0).text,
                 "Az alapértelmezett kulcsot akarja kicserélni Uj-ra/re !");
        QCOMPARE(c.column("SELECT nev FROM kulcsut WHERE id = 1"), QStringList{"Uj"});
        QCOMPARE(c.column("SELECT kulcs FROM kulcs ORDER BY id"),
                 (QStringList{"Általános", "Játék", "DOS"}));
        w.kesz_Click();
    }

    // Kész gives the main window back refreshed; a dialog item opens the
    // condition dialog in its mode over a disabled window.
    void keyAssignmentWindowClosesAndOpensTheDialog()
    {
        Catalog c;
        FakeHost host;
        host.catalog = c.path;
        Szerkeszto w(host, true);
        QVERIFY(w.run());
        QCOMPARE(w.Fotabla->caption(), c.path);
        QVERIFY(host.minimized && !host.mainEnabled && !w.bar->isVisible());
        int mode = -1;
        bool ownerDisabled = false;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<szuro*>(QApplication::activeModalWidget())) {
                mode = dialog->mode();
                ownerDisabled = !w.centralWidget()->isEnabled() && !w.menuBar()->isEnabled();
                dialog->megsem_Click();
            }
        });
        w.rekt->trigger();
        QVERIFY(mode == 3 && ownerDisabled && w.dialogMode() == 3);
        QVERIFY(w.centralWidget()->isEnabled() && w.menuBar()->isEnabled());

        host.shared.baseView = false;
        w.mkesz->trigger();
        QVERIFY(!w.isVisible() && !host.minimized && host.mainEnabled && host.shared.baseView);
        QCOMPARE((QList<int>{host.refreshes, host.counts, host.activations}),
                 (QList<int>{1, 1, 1}));
    }

    void rowChangesShowTheKeywordsAndTarolasStoresThem()
    {
        Catalog c;
        FakeHost host;
        host.catalog = c.path;
        Szerkeszto w(host, true);
        QVERIFY(w.run());
        // The first row is current and marked: DOOM.EXE with its two keywords.
        QCOMPARE(w.Fotabla->row(), 0);
        QVERIFY(w.Fotabla->view()->selectionModel()->isRowSelected(0, {}));
        QCOMPARE(w.kulcsok->selectedRows(), (QList<int>{0, 1}));
        QTest::mouseClick(w.le, Qt::LeftButton);
        QCOMPARE(w.kulcsok->selectedRows(), QList<int>{0});

        // Enter in the grid goes to the list; Enter there stores and comes back.
        QTest::keyClick(w.Fotabla->view(), Qt::Key_Return);
        QCOMPARE(w.focusWidget(), w.kulcsok);
        w.kulcsok->selectOnly({2});
        QTest::keyClick(w.kulcsok, Qt::Key_Return);
        QCOMPARE(linksOf(c, "NC.EXE"), (QStringList{"1", "3"}));
        QCOMPARE(w.focusWidget(), w.Fotabla->view());

        // Another column of the same row keeps an unstored choice.
        w.kulcsok->selectOnly({1});
        w.Fotabla->view()->setCurrentIndex(w.Fotabla->model()->index(2, 2));
        QCOMPARE(w.kulcsok->selectedRows(), QList<int>{1});
        QTest::mouseClick(w.Ok, Qt::LeftButton);
        QCOMPARE(linksOf(c, "NC.EXE"), (QStringList{"1", "2"}));
        QTest::mouseClick(w.fel, Qt::LeftButton);
        QCOMPARE(w.kulcsok->selectedRows(), (QList<int>{0, 1}));

        QTest::keyClick(w.Ok, Qt::Key_Escape);
        QVERIFY(!w.isVisible() && host.mainEnabled);
    }

    // The main window's openers, and what the windows leave it in.
    void mainWindowOpensTheKeywordWindows()
    {
        Fixture f;
        auto w = f.startOn(f.catalog("k.mdb", 3));
        QVERIFY(w);
        // Kept between openings, and read afresh each time.
        for (int opening = 0; opening < 2; ++opening) {
            int shownRows = -1;
            QTimer::singleShot(0, [&] {
                kulcslap* k = FokepControls::form<kulcslap>("kulcslap");
                if (k && k->isVisible() && !w->menuBar()->isEnabled())
                    shownRows = k->prgkul->model()->rowCount();
                if (k)
                    k->kesz_Click();
            });
            ui(w).action("kulcs")->trigger();
            QCOMPARE(shownRows, 2); // the default keyword and the empty row
            QCOMPARE(FokepControls::form<kulcslap>("kulcslap")->prgkul->model()->rowCount(), 0);
            QVERIFY(w->menuBar()->isEnabled());
        }

        for (QAction* opener : {ui(w).action("f_kmeg"), ui(w).action("u_kmeg")}) {
            opener->trigger();
            QPointer<Szerkeszto> s = FokepControls::form<Szerkeszto>("Szerkeszto");
            QVERIFY(s && s->isVisible());
            QVERIFY(w->isMinimized() && !w->menuBar()->isEnabled());
            const bool files = opener == ui(w).action("f_kmeg");
            QCOMPARE(s->keys().subject().files, files);
            QCOMPARE(s->windowTitle(), files ? "Programok <--> kulcsok összerendelő"
                                             : "Utak <--> kulcsok összerendelő");
            QVERIFY(s->prgg->isEnabled() == files && s->rekt->isEnabled() == files &&
                    s->utg->isEnabled() == !files);
            s->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!s && !FokepControls::form<Szerkeszto>("Szerkeszto"));
            QVERIFY(!w->isMinimized() && w->menuBar()->isEnabled());
            QCOMPARE(ui(w).elem()->text(), " 3 DB rekord ");
        }
    }
};

QTEST_MAIN(TestKeywordWindows)
#include "test_keywordwindows.moc"
