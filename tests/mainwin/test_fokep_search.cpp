#include "Fixture.h"
#include "queries/QueriesFixture.h"
#include "queries/kerdes.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"

#include <QCheckBox>
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

    static QString cell(fokep& w, int row, int column)
    {
        const QAbstractItemModel* m = w.tabla1->view()->model();
        return m->data(m->index(row, column)).toString();
    }

private Q_SLOTS:
    void searchFromBothOpeners()
    {
        Fixture f;
        const QString catalog = QueriesFixture::makeCatalog(f.dir, QStringLiteral("k.mdb"));
        QueriesFixture::fillMixed(catalog, QueriesFixture::Schema::Template);
        auto w = f.startOn(catalog);
        QVERIFY(w && w->kossze->isEnabled() && w->gyors->isEnabled());

        // Ctrl+K: modal, the base-view flag cleared before it opens; Escape
        // closes it and gives the main window back.
        bool modalAndMainDisabled = false;
        QTimer::singleShot(0, [&] {
            kerdes* k = w->searchWindow();
            modalAndMainDisabled = k->isModal() && QApplication::activeModalWidget() == k &&
                                   !w->centralWidget()->isEnabled() && !w->menuBar()->isEnabled();
            QTest::keyClick(k->prgnev->lineEdit(), Qt::Key_Escape);
        });
        w->kossze->trigger();
        QVERIFY(modalAndMainDisabled);
        QVERIFY(!w->state().baseView);
        QVERIFY(w->centralWidget()->isEnabled() && w->menuBar()->isEnabled());
        QCOMPARE(w->Data1->recordSource(), QStringLiteral("SELECT * FROM alapfile"));

        // The picture button: without waiting, the main window still disabled.
        QTest::mouseClick(w->gyors, Qt::LeftButton);
        kerdes* k = w->searchWindow();
        QVERIFY(k->isVisible() && !k->isModal());
        QVERIFY(!w->centralWidget()->isEnabled());
        k->prgnev->lineEdit()->selectAll();
        QTest::keyClicks(k->prgnev->lineEdit(), QStringLiteral("doom*"));
        k->prgkulcs->selectOnly({1});
        QTest::mouseClick(k->keres, Qt::LeftButton);

        QVERIFY(!k->isVisible());
        QVERIFY(w->centralWidget()->isEnabled() && w->bar->isHidden());
        QCOMPARE(w->tabla1->toolTip(),
                 QStringLiteral("Leválogatási nézet: Programnév: doom* Út: *,Prg.kulcs: Játék. Út "
                                "kulcs: Általános."));
        QCOMPARE(w->elem->text(), QStringLiteral(" 4 DB rekord "));
        QCOMPARE(cell(*w, 3, 0), QStringLiteral("DOOM.EXE"));
        QVERIFY(!w->state().folderList);

        // Folders: one row each, "----" where files show length and date.
        QTest::mouseClick(w->gyors, Qt::LeftButton);
        k->utchk->setChecked(true);
        QTest::keyClick(k->utnev->lineEdit(), Qt::Key_Return);
        QVERIFY(w->state().folderList);
        QCOMPARE(w->elem->text(), QStringLiteral(" 7 DB rekord "));
        QCOMPARE(cell(*w, 0, 1), QStringLiteral("-CD_1- E:\\"));
        QCOMPARE(cell(*w, 0, 2), QStringLiteral("----"));
        QCOMPARE(cell(*w, 0, 4), QStringLiteral("----"));
        QVERIFY(platform::MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(TestFokepSearch)
#include "test_fokep_search.moc"
