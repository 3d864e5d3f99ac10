#include "FakeHost.h"
#include "keywords/Szerkeszto.h"
#include "keywords/kulcslap.h"
#include "mainwin/Fixture.h"
#include "mainwin/FokepRules.h"
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

// Files DOOM.EXE (carrying "Játék") and NC.EXE, each in a folder of its own.
struct Catalog
{
    QTemporaryDir dir;
    QString path = QueriesFixture::makeCatalog(dir, QStringLiteral("k.mdb"));

    Catalog()
    {
        QueriesFixture::Writer w(path);
        const qint64 jatek = w.fileKeyword("Játék");
        w.fileKeyword("DOS");
        w.folderKeyword("CD-ROM");
        w.file(w.folder("-CD_1- E:\\GAMES"), QStringLiteral("DOOM.EXE"), {1, jatek});
        w.file(w.folder("-CD_1- E:\\TOOLS"), QStringLiteral("NC.EXE"));
    }
    QStringList column(const QString& sql) const
    {
        store::Statement st = store::Database::open(path).prepare(sql);
        QStringList out;
        while (st.step())
            out << st.value(0).toString();
        return out;
    }
    QStringList linksOf(const QString& file) const
    {
        return column(u"SELECT l.kulcsid FROM prgnev p JOIN nev_kulcsid l ON l.id = p.id "
                      "WHERE p.nev = '%1' ORDER BY 1"_qs.arg(file));
    }
};

QPoint rowCenter(DataGrid* grid, int row)
{
    QTableView* v = grid->view();
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (!v->isColumnHidden(c))
            return v->visualRect(grid->model()->index(row, c)).center();
    return {};
}

QStringList shownColumnCaptions(DataGrid* grid)
{
    QStringList captions;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (!grid->isColumnHidden(c))
            captions << grid->model()->headerData(c, Qt::Horizontal).toString();
    return captions;
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
        QCOMPARE(w.windowTitle(), QStringLiteral("Kulcsok"));
        QCOMPARE(shownColumnCaptions(w.prgkul), QStringList{"FILE kulcs"});
        QCOMPARE(shownColumnCaptions(w.utkul), QStringList{"ÚT kulcs"});
        // After the keywords, the marked empty row that adds one.
        QCOMPARE(w.prgkul->model()->rowCount(), 4);
        QCOMPARE(w.prgkul->model()->headerData(3, Qt::Vertical).toString(), QStringLiteral("*"));
        QCOMPARE(w.prgkul->model()->headerData(2, Qt::Vertical).toString(), QString());
        QCOMPARE(w.utkul->model()->rowCount(), 3);

        // Enter in the editor before any list was touched asks about the
        // folder list's default; Cancel leaves it.
        MessageBox::addAnswers({Answer::Cancel});
        QTest::keyClicks(w.sor, QStringLiteral("Lemez"));
        QTest::keyClick(w.sor, Qt::Key_Return);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(w.sor->text().isEmpty());
        QCOMPARE(c.column("SELECT nev FROM kulcsut WHERE id = 1"), QStringList{"Általános"});

        // The file list's empty row, then Enter in the editor: a new keyword, in sight.
        QTest::mouseClick(w.prgkul->view()->viewport(), Qt::LeftButton, {}, rowCenter(w.prgkul, 3));
        w.sor->setText("Segédprogram");
        QTest::keyClick(w.sor, Qt::Key_Return);
        QCOMPARE(c.column("SELECT kulcs FROM kulcs ORDER BY id"),
                 (QStringList{"Általános", "Játék", "DOS", "Segédprogram"}));
        QCOMPARE(w.prgkul->model()->rowCount(), 5);
        QCOMPARE(w.prgkul->row(), 3);

        // A double click takes a keyword into the editor; the button renames it.
        QTest::mouseClick(w.prgkul->view()->viewport(), Qt::LeftButton, {}, rowCenter(w.prgkul, 2));
        QTest::mouseDClick(w.prgkul->view()->viewport(), Qt::LeftButton, {},
                           rowCenter(w.prgkul, 2));
        QCOMPARE(w.sor->text(), QStringLiteral("DOS"));
        w.sor->setText("MS-DOS");
        QTest::mouseClick(w.felf, Qt::LeftButton);
        QCOMPARE(c.column("SELECT kulcs FROM kulcs WHERE id = 3"), QStringList{"MS-DOS"});

        // Enter in a list takes its row; the list's own Törlés deletes it.
        QTest::mouseClick(w.prgkul->view()->viewport(), Qt::LeftButton, {}, rowCenter(w.prgkul, 3));
        QTest::keyClick(w.prgkul->view(), Qt::Key_Return);
        QCOMPARE(w.sor->text(), QStringLiteral("Segédprogram"));
        QTest::mouseClick(w.torolf, Qt::LeftButton);
        QCOMPARE(c.column("SELECT count(*) FROM kulcs"), QStringList{"3"});
        QVERIFY(MessageBox::shown().isEmpty());

        // Escape in a list is Kész.
        QTest::keyClick(w.utkul->view(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QVERIFY(host.mainEnabled);
        QVERIFY(!w.lists().fkadat.isOpen() && !w.lists().ukadat.isOpen());
    }

    void keyAssignmentWindowFollowsItsSubject_data()
    {
        QTest::addColumn<bool>("files");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("pathColumn");
        QTest::newRow("files") << true << QStringLiteral("Programok <--> kulcsok összerendelő")
                               << QStringList{"Program név", "Út", "Hossz", "Dátum", "Száma"} << 1;
        QTest::newRow("folders") << false << QStringLiteral("Utak <--> kulcsok összerendelő")
                                 << QStringList{"Út", "Száma"} << 0;
    }

    void keyAssignmentWindowFollowsItsSubject()
    {
        QFETCH(bool, files);
        QFETCH(QString, title);
        QFETCH(QStringList, captions);
        QFETCH(int, pathColumn);
        Catalog c;
        FakeHost host;
        host.catalog = c.path;
        Szerkeszto w(host, files);
        QVERIFY(w.run());
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(w.Fotabla->caption(), c.path);
        QCOMPARE(shownColumnCaptions(w.Fotabla), captions);
        QCOMPARE(w.Fotabla->columnWidth(pathColumn),
                 FokepRules::twipsToPixels(4000, w.logicalDpiX()));
        QCOMPARE(w.prgg->isEnabled(), files);
        QCOMPARE(w.rekt->isEnabled(), files);
        QCOMPARE(w.utg->isEnabled(), !files);
        QVERIFY(w.osz->isEnabled() && w.mkesz->isEnabled());
        QVERIFY(host.minimized && !host.mainEnabled);
        QVERIFY(!w.bar->isVisible());
        // Laid out: everything inside the window, the grid and the list side by side.
        const QRect client = w.centralWidget()->rect();
        for (QWidget* control :
             std::initializer_list<QWidget*>{w.Fotabla, w.kulcsok, w.fel, w.le, w.Ok, w.kesz})
            QVERIFY(client.contains(control->geometry()));
        QVERIFY(w.Fotabla->geometry().right() < w.kulcsok->geometry().left());
        QVERIFY(!w.Ok->geometry().intersects(w.kesz->geometry()));

        host.shared.baseView = false;
        w.mkesz->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(!host.minimized && host.mainEnabled);
        QCOMPARE(host.refreshes, 1);
        QCOMPARE(host.counts, 1);
        QCOMPARE(host.activations, 1);
        QVERIFY(host.shared.baseView);
    }

    void rowChangesShowTheKeywordsAndTarolasStoresThem()
    {
        Catalog c;
        FakeHost host;
        host.catalog = c.path;
        Szerkeszto w(host, true);
        QVERIFY(w.run());
        QCOMPARE(w.kulcsok->entries(), (QStringList{"Általános", "Játék", "DOS"}));
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
        QCOMPARE(c.linksOf("NC.EXE"), (QStringList{"1", "3"}));
        QCOMPARE(w.focusWidget(), w.Fotabla->view());

        // Another column of the same row keeps an unstored choice.
        w.kulcsok->selectOnly({1});
        w.Fotabla->view()->setCurrentIndex(w.Fotabla->model()->index(1, 2));
        QCOMPARE(w.kulcsok->selectedRows(), QList<int>{1});
        QTest::mouseClick(w.Ok, Qt::LeftButton);
        QCOMPARE(c.linksOf("NC.EXE"), (QStringList{"1", "2"}));
        QTest::mouseClick(w.fel, Qt::LeftButton);
        QCOMPARE(w.kulcsok->selectedRows(), (QList<int>{0, 1}));

        QTest::keyClick(w.Ok, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QVERIFY(host.mainEnabled);
    }

    // Each dialog item opens the condition dialog in its mode over a disabled window.
    void menuOpensTheConditionDialog()
    {
        Catalog c;
        FakeHost host;
        host.catalog = c.path;
        Szerkeszto w(host, true);
        QVERIFY(w.run());
        int mode = -1;
        bool ownerDisabled = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<szuro*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            mode = dialog->mode();
            ownerDisabled = !w.centralWidget()->isEnabled() && !w.menuBar()->isEnabled();
            dialog->megsem_Click();
        });
        w.rekt->trigger();
        QCOMPARE(mode, 3);
        QVERIFY(ownerDisabled);
        QCOMPARE(w.dialogMode(), 3);
        QVERIFY(w.centralWidget()->isEnabled() && w.menuBar()->isEnabled());
        w.close();
    }

    // The main window's openers, and what the windows leave it in.
    void mainWindowOpensTheKeywordWindows()
    {
        Fixture f;
        auto w = f.startOn(f.catalog("k.mdb", 3));
        QVERIFY(w);
        // Kept between openings, and read afresh each time.
        for (int opening = 0; opening < 2; ++opening) {
            QStringList shown;
            QTimer::singleShot(0, [&] {
                kulcslap* k = w->keywordListWindow();
                if (!k)
                    return;
                if (k->isVisible() && !w->menuBar()->isEnabled())
                    shown = shownColumnCaptions(k->prgkul);
                k->kesz_Click();
            });
            w->kulcs->trigger();
            QCOMPARE(shown, QStringList{"FILE kulcs"});
            QCOMPARE(w->keywordListWindow()->prgkul->model()->rowCount(), 0);
            QVERIFY(w->menuBar()->isEnabled());
        }

        for (QAction* opener : {w->f_kmeg, w->u_kmeg}) {
            opener->trigger();
            QPointer<Szerkeszto> s = w->keyAssignmentWindow();
            QVERIFY(s && s->isVisible());
            QVERIFY(w->isMinimized() && !w->menuBar()->isEnabled());
            QCOMPARE(s->keys().subject().files, opener == w->f_kmeg);
            s->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!s && !w->keyAssignmentWindow());
            QVERIFY(!w->isMinimized() && w->menuBar()->isEnabled());
            QCOMPARE(w->elem->text(), QStringLiteral(" 3 DB rekord "));
        }
    }
};

QTEST_MAIN(TestKeywordWindows)
#include "test_keywordwindows.moc"
