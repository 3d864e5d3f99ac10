#include "BuilderFixture.h"
#include "FakeHost.h"
#include "builder/epito.h"
#include "platform/MessageBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::MessageBox;

namespace {

struct Window
{
    BuilderFixture& f;
    FakeHost host;
    epito w;

    explicit Window(BuilderFixture& fixture)
        : f(fixture), w(host, [&fixture] { return fixture.drives; })
    {
        host.catalog = f.catalog;
        w.Form_Load();
        w.show();
    }
    void type(const QString& label) { QTest::keyClicks(w.elotag, label); }
    void key(Qt::Key k) { QTest::keyClick(w.elotag, k); }
};

QStringList items(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class TestEpito : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::startScript(); }
    void cleanup() { MessageBox::stopScript(); }

    void scanThenKeszCleansUp()
    {
        BuilderFixture f;
        f.file("A/prog.exe", "12345");
        f.file(".rejtett");
        f.folder("A/B");
        Window win(f);
        epito& w = win.w;

        QVERIFY(!win.host.mainEnabled);
        QVERIFY(!w.startgomb->isEnabled() && !w.stopgomb->isEnabled() && w.kesz->isEnabled());
        // The last drive is chosen at load.
        QCOMPARE(w.Dir1->path(), "E:\\");
        QCOMPARE(items(w.Dir1), (QStringList{"e:\\", "A"}));
        QCOMPARE(items(w.File1), QStringList{".rejtett"});

        win.type("CD_1");
        QVERIFY(w.startgomb->isEnabled());
        QTest::mouseClick(w.startgomb, Qt::LeftButton);
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(f.column("SELECT ut FROM ut ORDER BY id"),
                 (QStringList{"-CD_1- E:\\A\\B", "-CD_1- E:\\A", "-CD_1- E:\\"}));
        QCOMPARE(w.cimke1->text(), "Rögzitve:  2");
        QCOMPARE(win.host.refreshes, 1);
        // Ready for the next medium.
        QVERIFY(w.elotag->text().isEmpty() && !w.startgomb->isEnabled() && w.kesz->isEnabled());
        QVERIFY(w.isVisible());

        QTest::mouseClick(w.kesz, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(f.column("SELECT ut FROM ut ORDER BY id"),
                 (QStringList{"-CD_1- E:\\A", "-CD_1- E:\\"}));
        QCOMPARE(f.count("ut_kulcsid"), qint64(2));
        QVERIFY(win.host.shared.builderChanged);
        QVERIFY(win.host.mainEnabled);
        QCOMPARE(win.host.progress, -1);
        QCOMPARE(win.host.counts, 1);
    }

    void sameFolderTwiceIsRefusedAndCloses()
    {
        BuilderFixture f;
        f.file("A/a.txt");
        f.folder("ures");
        Window win(f);
        win.type("CD_1");
        win.key(Qt::Key_Return);
        win.type("CD_1");
        win.key(Qt::Key_Return);

        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().buttons == MessageBox::Buttons::Ok);
        QVERIFY(!win.w.isVisible());
        QVERIFY(!win.host.shared.builderChanged);
        QVERIFY(win.host.mainEnabled);
        // No clean-up: the empty folders of the first scan are still there.
        QCOMPARE(f.count("ut"), qint64(3));
        QCOMPARE(f.count("prgnev"), qint64(1));
    }

    void labelKeys()
    {
        BuilderFixture f;
        f.file("a.txt");
        Window win(f);
        win.key(Qt::Key_Return);
        QCOMPARE(MessageBox::takeShown().first().text,
                 "Nem adta meg az út előtagot! Pl: CD_1...\r\nÍgy nem lehet "
                 "megkülömböztetni a külömböző lemezeken szereplő, de azonos "
                 "elérési utakat!");
        QVERIFY(!win.w.startgomb->isEnabled() && !win.w.stopgomb->isEnabled());
        QVERIFY(win.w.kesz->isEnabled());
        QCOMPARE(f.count("ut"), qint64(0));

        // Escape elsewhere does nothing; in the label box it runs Kész.
        for (QWidget* control :
             std::initializer_list<QWidget*>{win.w.Drive1, win.w.Dir1, win.w.File1, win.w.kesz}) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_Escape);
            QVERIFY(win.w.isVisible());
        }
        QVERIFY(!win.host.shared.builderChanged);
        win.key(Qt::Key_Escape);
        QVERIFY(!win.w.isVisible());
        QVERIFY(win.host.shared.builderChanged);
    }

    void driveNotReadyFallsBackToC()
    {
        BuilderFixture f;
        Window win(f);
        QVERIFY(QDir(f.d).removeRecursively());
        win.w.Drive1->setDrive(QLatin1Char('D'));
        QCOMPARE(MessageBox::takeShown().first().text,
                 "Nem áll készen a meghajto!\r\nEllenőrizze, majd próbálja újra!");
        QCOMPARE(win.w.Drive1->drive(), QLatin1Char('C'));
        QCOMPARE(win.w.Dir1->path(), "C:\\");

        // A medium taken out after it was chosen: Start reports it and scans nothing.
        win.w.Drive1->setDrive(QLatin1Char('E'));
        QVERIFY(QDir(f.e).removeRecursively());
        win.type("CD_1");
        win.key(Qt::Key_Return);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(win.w.Drive1->drive(), QLatin1Char('C'));
        QCOMPARE(f.count("ut"), qint64(0));
        QVERIFY(win.w.kesz->isEnabled() && win.w.elotag->text().isEmpty());
    }

    void catalogThatCannotTakeRowsIsReported()
    {
        BuilderFixture f;
        f.file("a.txt");
        store::Database::open(f.catalog).execScript("DROP TABLE nev_kulcsid");
        Window win(f);
        win.type("CD_1");
        win.key(Qt::Key_Return);
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.startsWith("A megnyitott adatbázisba nem lehet írni!\r\n"));
        QCOMPARE(f.count("ut"), qint64(0));
        QVERIFY(win.w.isVisible() && win.w.kesz->isEnabled());
    }

    // Media come and go: a letter that now names another medium does not
    // keep the old medium's folder.
    void driveListFollowsTheMounts()
    {
        BuilderFixture f;
        Window win(f);
        QCOMPARE(win.w.Drive1->drive(), QLatin1Char('E'));
        f.drives = platform::DriveTable::fromFolders(f.c, {f.e});
        emit win.w.Drive1->aboutToPopup();
        QCOMPARE(win.w.Drive1->count(), 2);
        QCOMPARE(win.w.Drive1->drive(), QLatin1Char('C'));
        QCOMPARE(win.w.Dir1->path(), "C:\\");
        emit win.w.Drive1->aboutToPopup();
        QCOMPARE(win.w.Drive1->drive(), QLatin1Char('C'));
    }
};

QTEST_MAIN(TestEpito)
#include "test_epito.moc"
