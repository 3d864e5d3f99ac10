#include "store/CellFormat.h"

#include <QLocale>
#include <QtTest>
#include <ctime>

class TestCellFormat : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary)); }

    void datesInTheUsersFormat()
    {
        const QLocale hu;
        const QString day = hu.toString(QDate(2024, 3, 5), QLocale::ShortFormat);
        QCOMPARE(store::displayDate("2024-03-05 00:00:00"), day);
        const QString withTime = store::displayDate("2024-03-05 13:45:10");
        QVERIFY(withTime.startsWith(day + QLatin1Char(' ')));
        QVERIFY(withTime.contains("13:45:10"));
        // Text that is not a stored date is shown as it is.
        QCOMPARE(store::displayDate("----"), "----");
        QCOMPARE(store::displayDate("2024-02-30 10:00:00"), "2024-02-30 10:00:00");
    }

    void aSkippedLocalTimeIsStillShown()
    {
        // The time the clocks skipped when they went forward, in a zone that
        // has the change; the zone goes back as it was for the other tests.
        const QByteArray before = qgetenv("TZ");
        const bool had = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "Europe/Budapest");
        tzset();
        const QString shown = store::displayDate("1995-03-26 02:30:00");
        if (had)
            qputenv("TZ", before);
        else
            qunsetenv("TZ");
        tzset();
        QVERIFY(shown.endsWith(u"2:30:00"));
    }

    void cellsAndTheDateColumn()
    {
        QCOMPARE(store::dateColumn({"nev", "ut", "hossz", "crc", "datum"}), 4);
        QCOMPARE(store::dateColumn({"datum", "nev"}), 0);
        QCOMPARE(store::dateColumn({"a", "b", "c", "d", "e"}), 4);
        QCOMPARE(store::dateColumn({"ut"}), -1);
        QCOMPARE(store::displayText(QVariant(), true), QString());
        QCOMPARE(store::displayText(QVariant(QStringLiteral("----")), true), "----");
        QCOMPARE(store::displayText(QVariant(qint64(17)), false), "17");
    }
};

QTEST_GUILESS_MAIN(TestCellFormat)
#include "test_cellformat.moc"
