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
