#include "Fixture.h"
#include "queries/QueriesFixture.h"
#include "queries/kerdes.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

// The compound search opened from the main window, its result in the grid.
class TestFokepSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void searchFromBothOpeners()
    {
        Fixture f;
        const QString catalog = QueriesFixture::makeCatalog(f.dir, "k.mdb");
        QueriesFixture::fillMixed(catalog, QueriesFixture::Schema::Template);
        auto w = f.startOn(catalog);
        QVERIFY(w);

        // Ctrl+K: modal, the base-view flag cleared before it opens.
        bool modalOverDisabledMain = false;
        QTimer::singleShot(0, [&] {
            kerdes* k = FokepControls::form<kerdes>("kerdes");
            modalOverDisabledMain = QApplication::activeModalWidget() == k &&
                                    !w->centralWidget()->isEnabled() && !w->menuBar()->isEnabled();
            QTest::keyClick(k->prgnev->lineEdit(), Qt::Key_Escape);
        });
        ui(w).action("kossze")->trigger();
        QVERIFY(modalOverDisabledMain);
        QVERIFY(!w->state().baseView && w->centralWidget()->isEnabled());

        // gyors: without waiting, the main window disabled all the same.
        QTest::mouseClick(ui(w).gyors(), Qt::LeftButton);
        kerdes* k = FokepControls::form<kerdes>("kerdes");
        QVERIFY(k->isVisible() && !k->isModal() && !w->centralWidget()->isEnabled());
        k->prgnev->setEditText("*doom*");
        k->prgkulcs->selectOnly({1});
        QTest::mouseClick(k->keres, Qt::LeftButton);
        QVERIFY(!k->isVisible() && w->centralWidget()->isEnabled() && ui(w).bar()->isHidden());
        QCOMPARE(ui(w).tabla1()->toolTip(),
                 QStringLiteral("Leválogatási nézet: Programnév: *doom* Út: *,Prg.kulcs: Játék. "
                                "Út kulcs: Általános."));
        QCOMPARE(ui(w).elem()->text(), " 4 DB rekord ");
        QCOMPARE(ui(w).tabla1()->view()->model()->index(3, 0).data().toString(), "DOOM.EXE");
        QCOMPARE(w->state().settings.namePatterns[0], "*doom*");

        QVERIFY(platform::MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(TestFokepSearch)
#include "test_fokep_search.moc"
