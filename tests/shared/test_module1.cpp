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
        QCOMPARE(Module1::Str(17), QStringLiteral(" 17"));
        QCOMPARE(Module1::Str(0), QStringLiteral(" 0"));
        QCOMPARE(Module1::Str(qint64(-3)), QStringLiteral("-3"));
        QCOMPARE(Module1::Str(qint64(3000000000LL)), QStringLiteral(" 3000000000"));
    }

    void singlesShowSevenDigitsWithAPoint()
    {
        QCOMPARE(Module1::Str(25.0f), QStringLiteral(" 25"));
        QCOMPARE(Module1::Str(float(100.0 - 2.0 / 3.0 * 100.0)), QStringLiteral(" 33.33333"));
        QCOMPARE(Module1::Str(0.5f), QStringLiteral(" .5"));
        QCOMPARE(Module1::Str(-0.25f), QStringLiteral("-.25"));
        // The decimal separator never follows the locale.
        QVERIFY(!Module1::Str(12.5f).contains(QLatin1Char(',')));
    }

    void datesInTheUsersFormat()
    {
        const QLocale hu;
        const QString day = hu.toString(QDate(2024, 3, 5), QLocale::ShortFormat);
        QCOMPARE(Module1::displayDate(QStringLiteral("2024-03-05 00:00:00")), day);
        const QString withTime = Module1::displayDate(QStringLiteral("2024-03-05 13:45:10"));
        QVERIFY(withTime.startsWith(day + QLatin1Char(' ')));
        QVERIFY(withTime.contains(QStringLiteral("13:45:10")));
        // Text that is not a stored date is shown as it is.
        QCOMPARE(Module1::displayDate(QStringLiteral("----")), QStringLiteral("----"));
        QCOMPARE(Module1::displayDate(QStringLiteral("2024-02-30 10:00:00")),
                 QStringLiteral("2024-02-30 10:00:00"));
        // A time the clocks skipped when they went forward is still shown.
        qputenv("TZ", "Europe/Budapest");
        QVERIFY(Module1::displayDate(QStringLiteral("1995-03-26 02:30:00")).endsWith(u"2:30:00"));
    }

    void pathSegmentsAndLabels()
    {
        const QString doom = QStringLiteral("-CD_1- E:\\GAMES\\DOOM");
        QCOMPARE(Module1::perszam(doom), 2);
        QCOMPARE(Module1::utresz(doom, 0), QStringLiteral("-CD_1- E:"));
        QCOMPARE(Module1::utresz(doom, 1), QStringLiteral("GAMES"));
        QCOMPARE(Module1::utresz(doom, 2), QStringLiteral("DOOM"));
        QCOMPARE(Module1::utresz(doom, 3), QString());
        QCOMPARE(Module1::utresz(QStringLiteral("-CD_1- E:\\"), 1), QString());
        QCOMPARE(Module1::mediumLabel(doom), QStringLiteral("CD_1"));
        QCOMPARE(Module1::mediumLabel(QStringLiteral("-A b- C:")), QStringLiteral("A b"));
        QCOMPARE(Module1::fileKey(17), QStringLiteral(" 17a "));
        QVERIFY(Module1::isFileKey(QStringLiteral(" 17a ")) &&
                !Module1::isFileKey(QStringLiteral("a")));
        QCOMPARE(Module1::pathPattern(QStringLiteral("CD_1\\GAMES\\DOOM")),
                 QStringLiteral("?CD_1? ?:\\GAMES\\DOOM"));
        QCOMPARE(Module1::pathPattern(QStringLiteral("CD_1")), QStringLiteral("?CD_1? ?:\\"));
    }

    void sizesInTheUsersLocale()
    {
        const QLocale hu(QLocale::Hungarian, QLocale::Hungary);
        QCOMPARE(Module1::sizeText(1023, hu), QStringLiteral("1023 Byte"));
        QCOMPARE(Module1::sizeText(1024, hu), QStringLiteral("1,00 KByte"));
        QCOMPARE(Module1::sizeText(1000000, hu), QStringLiteral("976,56 KByte"));
        QCOMPARE(Module1::sizeText(1000001, hu), QStringLiteral("0,95 MByte"));
        QCOMPARE(Module1::sizeText(1415577, hu), QStringLiteral("1,35 MByte"));
        QCOMPARE(Module1::sizeText(Q_INT64_C(5000000000000), QLocale::c()),
                 QStringLiteral("4768371.50 MByte"));
    }
};

QTEST_GUILESS_MAIN(TestModule1)
#include "test_module1.moc"
