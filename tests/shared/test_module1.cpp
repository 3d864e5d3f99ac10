#include "shared/Module1.h"

#include <QLocale>
#include <QtTest>

class TestModule1 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary)); }

    void numbersCarryTheSignBlank()
    {
        QCOMPARE(Module1::Str(17), " 17");
        QCOMPARE(Module1::Str(0), " 0");
        QCOMPARE(Module1::Str(qint64(-3)), "-3");
        QCOMPARE(Module1::Str(qint64(3000000000LL)), " 3000000000");
    }

    void singlesShowSevenDigitsWithAPoint()
    {
        QCOMPARE(Module1::Str(25.0f), " 25");
        QCOMPARE(Module1::Str(float(100.0 - 2.0 / 3.0 * 100.0)), " 33.33333");
        QCOMPARE(Module1::Str(0.5f), " .5");
        QCOMPARE(Module1::Str(-0.25f), "-.25");
        // The decimal separator never follows the locale.
        QVERIFY(!Module1::Str(12.5f).contains(QLatin1Char(',')));
    }

    void pathSegmentsAndLabels()
    {
        const QString doom = "-CD_1- E:\\GAMES\\DOOM";
        QCOMPARE(Module1::perszam(doom), 2);
        QCOMPARE(Module1::utresz(doom, 0), "-CD_1- E:");
        QCOMPARE(Module1::utresz(doom, 1), "GAMES");
        QCOMPARE(Module1::utresz(doom, 2), "DOOM");
        QCOMPARE(Module1::utresz(doom, 3), QString());
        QCOMPARE(Module1::utresz("-CD_1- E:\\", 1), QString());
        QCOMPARE(Module1::mediumLabel(doom), "CD_1");
        QCOMPARE(Module1::mediumLabel("-A b- C:"), "A b");
        QCOMPARE(Module1::fileKey(17), " 17a ");
        QVERIFY(Module1::isFileKey(" 17a ") && !Module1::isFileKey("a"));
        QCOMPARE(Module1::pathPattern("CD_1\\GAMES\\DOOM"), "?CD_1? ?:\\GAMES\\DOOM");
        QCOMPARE(Module1::pathPattern("CD_1"), "?CD_1? ?:\\");
    }

    void sizesInTheUsersLocale()
    {
        const QLocale hu(QLocale::Hungarian, QLocale::Hungary);
        QCOMPARE(Module1::sizeText(1023, hu), "1023 Byte");
        QCOMPARE(Module1::sizeText(1024, hu), "1,00 KByte");
        QCOMPARE(Module1::sizeText(1000000, hu), "976,56 KByte");
        QCOMPARE(Module1::sizeText(1000001, hu), "0,95 MByte");
        QCOMPARE(Module1::sizeText(1415577, hu), "1,35 MByte");
        QCOMPARE(Module1::sizeText(Q_INT64_C(5000000000000), QLocale::c()), "4768371.50 MByte");
    }
};

QTEST_GUILESS_MAIN(TestModule1)
#include "test_module1.moc"
