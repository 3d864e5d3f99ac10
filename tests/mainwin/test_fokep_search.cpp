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
private Q_SLOTS:
    void searchFromBothOpeners()
    {
        Fixture f;
        const QString catalog = QueriesFixture::makeCatalog(f.dir, QStringLiteral("k.mdb"));
        QueriesFixture::fillMixed(catalog, QueriesFixture::Schema::Template);
        auto w = f.startOn(catalog);
        QVERIFY(w);
        const auto cell = [&w](int row, int column) {
            const QAbstractItemModel* m = w->tabla1->view()->model();
            return m->data(m->index(row, column)).toString();
        };

        // Ctrl+K: modal, the base-view flag cleared before it opens.
        bool modalOverDisabledMain = false;
        QTimer::singleShot(0, [&] {
            kerdes* k = w->searchWindow();
            modalOverDisabledMain = QApplication::activeModalWidget() == k &&
                                    !w->centralWidget()->isEnabled() && !w->menuBar()->isEnabled();
            QTest::keyClick(k->prgnev->lineEdit(), Qt::Key_Escape);
        });
        w->kossze->trigger();
        QVERIFY(modalOverDisabledMain);
        QVERIFY(!w->state().baseView && w->centralWidget()->isEnabled());

        // gyors: without waiting, the main window disabled all the same.
        QTest::mouseClick(w->gyors, Qt::LeftButton);
        kerdes* k = w->searchWindow();
        QVERIFY(k->isVisible() && !k->isModal() && !w->centralWidget()->isEnabled());
        k->prgnev->setEditText(QStringLiteral("*doom*"));
        k->prgkulcs->selectOnly({1});
        QTest::mouseClick(k->keres, Qt::LeftButton);
        QVERIFY(!k->isVisible() && w->centralWidget()->isEnabled() && w->bar->isHidden());
        QCOMPARE(w->tabla1->toolTip(),
                 QStringLiteral("Leválogatási nézet: Programnév: *doom* Út: *,Prg.kulcs: Játék. "
                                "Út kulcs: Általános."));
        QCOMPARE(w->elem->text(), QStringLiteral(" 4 DB rekord "));
        QCOMPARE(cell(3, 0), QStringLiteral("DOOM.EXE"));
        QCOMPARE(w->state().settings.namePatterns[0], QStringLiteral("*doom*"));

        // Folders: one row each, "----" where files show length and date.
        QTest::mouseClick(w->gyors, Qt::LeftButton);
        QCOMPARE(k->prgnev->entries().first(), QStringLiteral("*doom*"));
        k->utchk->setChecked(true);
        QTest::keyClick(k->utnev->lineEdit(), Qt::Key_Return);
        QVERIFY(w->state().folderList);
        QCOMPARE(w->elem->text(), QStringLiteral(" 7 DB rekord "));
        QCOMPARE((QStringList{cell(0, 1), cell(0, 2), cell(0, 4)}),
                 (QStringList{u"-CD_1- E:\\"_qs, u"----"_qs, u"----"_qs}));
        QVERIFY(platform::MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(TestFokepSearch)
#include "test_fokep_search.moc"
