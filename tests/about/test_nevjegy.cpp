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

    // The start-up window: shown without waiting, and without its button.
    void splash()
    {
        nevjegy box;
        box.showAsSplash();
        QVERIFY(box.isVisible() && !box.isModal());
        QVERIFY(box.kesz->isHidden());
    }
};

QTEST_MAIN(TestNevjegy)
#include "test_nevjegy.moc"
