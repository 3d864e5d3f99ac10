#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestChoosers : public QObject
{
    Q_OBJECT

    static void click(KeywordList& list, int row)
    {
        const QRect r = list.visualItemRect(list.item(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, r.center());
    }

private slots:
    void clicksToggleAndTheDefaultGoesAlone()
    {
        KeywordList list;
        list.setDefaultRule(true);
        list.setEntries({"Általános", "játék", "DOS"});
        list.selectOnly({0});
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy clicks(&list, &KeywordList::Click);

        click(list, 1);
        QCOMPARE(list.selectedRows(), QList<int>({1}));
        click(list, 2);
        QCOMPARE(list.selectedRows(), QList<int>({1, 2}));
        click(list, 1);
        QCOMPARE(list.selectedRows(), QList<int>({2}));
        click(list, 2);
        QCOMPARE(list.selectedRows(), QList<int>());
        click(list, 0);
        QCOMPARE(list.selectedRows(), QList<int>({0}));
        QCOMPARE(clicks.count(), 5);
    }

    void theProgramsSelectionIsTakenAsItIs()
    {
        KeywordList list;
        list.setEntries({"a", "b"});
        list.setDefaultRule(true);
        QSignalSpy clicks(&list, &KeywordList::Click);
        list.setSelectedFlags({true, true});
        QCOMPARE(list.selectedFlags(), QList<bool>({true, true}));
        QCOMPARE(clicks.count(), 0);
    }

    void patternBoxKeepsItsListAndReportsKeys()
    {
        PatternBox box;
        box.setEntries({"*.exe", QString(), QString()});
        box.setEditText("*doom*");
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy keys(&box, &PatternBox::KeyDown);
        QTest::keyClick(box.lineEdit(), Qt::Key_Return);
        QTest::keyClick(box.lineEdit(), Qt::Key_Escape);
        QCOMPARE(keys.count(), 2);
        QCOMPARE(keys.at(1).at(0).toInt(), int(Qt::Key_Escape));
        QCOMPARE(box.entries(), QStringList({"*.exe", QString(), QString()}));
        box.setEntries({"x"});
        QCOMPARE(box.currentText(), "*doom*");
    }
};

QTEST_MAIN(TestChoosers)
#include "test_choosers.moc"
