#include "mainwin/FokepRules.h"

#include <QtTest>

using namespace FokepRules;

class TestFokepRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layoutNeedsARoomyWindow()
    {
        QVERIFY(!layout(2800, 5000, 2700, 4000));
        QVERIFY(!layout(5000, 2000, 4900, 1900));
        QVERIFY(layout(2801, 2001, 2700, 1500));
    }

    void layoutTable()
    {
        const auto g = layout(12200, 9000, 12000, 8000);
        QVERIFY(g);
        QCOMPARE(g->value(QStringLiteral("tabla1")), QRect(100, 600, 9000, 7000));
        QCOMPARE(g->value(QStringLiteral("Fa")), QRect(9180, 600, 2640, 7000));
        QCOMPARE(g->value(QStringLiteral("kij")), QRect(7800, 7690, 2000, 240));
        QCOMPARE(g->value(QStringLiteral("elem")), QRect(9900, 7690, 2000, 240));
        QCOMPARE(g->value(QStringLiteral("vegere")), QRect(100, 0, 540, 510));
        QCOMPARE(g->value(QStringLiteral("elore")), QRect(740, 0, 540, 510));
        QCOMPARE(g->value(QStringLiteral("gye")), QRect(1380, 0, 540, 510));
        QCOMPARE(g->value(QStringLiteral("gyors")), QRect(11350, 0, 540, 510));
        QCOMPARE(g->value(QStringLiteral("bar")), QRect(200, 7700, 3000, 200));
    }

    void twipsFollowTheScreenDensity()
    {
        QCOMPARE(twipsToPixels(1440, 96), 96);
        QCOMPARE(twipsToPixels(4500, 96), 300);
        QCOMPARE(twipsToPixels(4500, 144), 450);
    }

    void muvEnablingRules()
    {
        // The clipboard takes at most 500 rows.
        QVERIFY(muvEnabling(500, 1000, QStringLiteral("12")).mv);
        QVERIFY(!muvEnabling(501, 1000, QStringLiteral("12")).mv);
        QVERIFY(!muvEnabling(0, 1000, QStringLiteral("12")).mv);

        const MuvState none = muvEnabling(0, 0, QString());
        QVERIFY(!none.muvf && !none.osszm && !none.mv && !none.browse);

        // A folder row of the folders-only result has no length to total.
        QVERIFY(!muvEnabling(3, 10, QStringLiteral("----")).osszm);
        QVERIFY(muvEnabling(3, 10, QStringLiteral("1024")).osszm);
        QVERIFY(muvEnabling(3, 10, QStringLiteral("----")).muvf);
        QVERIFY(muvEnabling(0, 1, QString()).browse);
    }
};

QTEST_GUILESS_MAIN(TestFokepRules)
#include "test_fokeprules.moc"
