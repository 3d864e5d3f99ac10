#include "about/nevjegy.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestNevjegy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void widthFollowsTheWiderOfPictureAndTitle()
    {
        const QSize pic(200, 100), label2(80, 20), button(60, 25);
        // A title wider than the picture: 3 % wider than the title.
        QCOMPARE(layoutNevjegy(pic, QSize(300, 20), label2, button, 7).window.width(), 309);
        // Narrower or equal: 10 % wider than the picture.
        QCOMPARE(layoutNevjegy(pic, QSize(150, 20), label2, button, 7).window.width(), 220);
        QCOMPARE(layoutNevjegy(pic, QSize(200, 20), label2, button, 7).window.width(), 220);
    }

    void controlsCentredAndStacked()
    {
        const NevjegyLayout l =
            layoutNevjegy(QSize(200, 90), QSize(150, 20), QSize(80, 18), QSize(60, 24), 7);
        QCOMPARE(l.window.height(), 2 * 90 + 20);
        QCOMPARE(l.Picture1.top(), qRound(200 / 3.0 - 90 / 1.8));
        for (const QRect& r : {l.Picture1, l.Label1, l.Label2, l.kesz})
            QVERIFY(qAbs(r.center().x() - l.window.width() / 2) <= 1);
        QCOMPARE(l.Label1.top(), l.Picture1.top() + 90 + 7);
        QCOMPARE(l.Label2.top(), l.Label1.top() + 20 + 7);
        QCOMPARE(l.kesz.top(), l.Label2.top() + 18 + 7);
    }

    void versionLineAndSplash()
    {
        nevjegy box;
        QCOMPARE(box.windowTitle(), QStringLiteral("Névjegy"));
        QCOMPARE(box.Label2->text(), QStringLiteral("Verzió: ") + QStringLiteral(" %1. %2. %3")
                                         .arg(POLCOZO_VERSION_MAJOR)
                                         .arg(POLCOZO_VERSION_MINOR)
                                         .arg(POLCOZO_VERSION_PATCH));
        QVERIFY(!box.Picture1->pixmap().isNull());
        QCOMPARE(box.kesz->text(), QStringLiteral("OK"));
        box.showAsSplash();
        QVERIFY(box.isVisible());
        QVERIFY(!box.isModal());
        QVERIFY(box.kesz->isHidden());
        // The button fits inside the window it closes.
        QVERIFY(box.rect().contains(box.kesz->geometry()));
    }
};

QTEST_MAIN(TestNevjegy)
#include "test_nevjegy.moc"
