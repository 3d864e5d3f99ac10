#include "BuilderFixture.h"
#include "FakeHost.h"
#include "builder/epito.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
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
        f.tree({"A/prog.exe", ".rejtett", "A/B/"});
        Window win(f);
        epito& w = win.w;
        QVERIFY(!win.host.mainEnabled && !w.startgomb->isEnabled());
        // The last drive is chosen at load.
        QCOMPARE(items(w.Dir1), (QStringList{"e:\\", "A"}));
        QCOMPARE(items(w.File1), QStringList{".rejtett"});

        win.type("CD_1");
        QTest::mouseClick(w.startgomb, Qt::LeftButton);
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(f.count("ut"), qint64(3));
        QCOMPARE(w.cimke1->text(), "Rögzitve:  2");
        QCOMPARE(win.host.refreshes, 1);
        // Ready for the next medium.
        QVERIFY(w.elotag->text().isEmpty() && !w.startgomb->isEnabled() && w.isVisible());

        QTest::mouseClick(w.kesz, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        // Kész drops the empty folders.
        QCOMPARE(f.column("SELECT ut FROM ut ORDER BY id"),
                 (QStringList{"-CD_1- E:\\A", "-CD_1- E:\\"}));
        QCOMPARE(f.count("ut_kulcsid"), qint64(2));
        QVERIFY(win.host.shared.builderChanged && win.host.mainEnabled);
        QCOMPARE(win.host.progress, -1);
        QCOMPARE(win.host.counts, 1);
    }

    // What Start refuses: the window stays for another try, except after a
    // refused folder, when it closes without its clean-up.
    void startFailures_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<QString>("message"); // how it starts
        QTest::newRow("no label") << QString() << QString() << false
                                  << "Nem adta meg az út előtagot! Pl: CD_1...\r\nÍgy nem lehet "
                                     "megkülömböztetni a külömböző lemezeken szereplő, de azonos "
                                     "elérési utakat!";
        QTest::newRow("catalog takes no rows")
            << "CD_1"
            << "DROP TABLE nev_kulcsid" << false << "A megnyitott adatbázisba nem lehet írni!\r\n";
        QTest::newRow("same folder twice") << "CD_1" << QString() << true << "UNIQUE";
    }

    void startFailures()
    {
        QFETCH(QString, label);
        QFETCH(QString, sql);
        QFETCH(bool, twice);
        QFETCH(QString, message);
        BuilderFixture f;
        f.tree({"A/a.txt", "ures/"});
        if (!sql.isEmpty())
            store::Database::open(f.catalog).execScript(sql);
        Window win(f);
        for (int i = twice ? 2 : 1; i > 0; --i) {
            win.type(label);
            win.key(Qt::Key_Return);
        }
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().text.startsWith(message), qPrintable(shown.first().text));
        QVERIFY(shown.first().buttons == MessageBox::Buttons::Ok);
        QCOMPARE(win.w.isVisible(), !twice);
        QCOMPARE(win.host.mainEnabled, twice);
        QVERIFY(!win.host.shared.builderChanged);
        QCOMPARE(f.count("ut"), twice ? 3 : 0); // the first scan's empty folders too
        QVERIFY(twice || (win.w.kesz->isEnabled() && !win.w.stopgomb->isEnabled()));
    }

    // With "Frissítés" a label already recorded is updated, keeping the
    // keywords; the options start as the settings left them and are kept there.
    void updateFromTheWindow()
    {
        BuilderFixture f;
        f.tree({"A/a.txt", "A/b.txt"});
        Window win(f);
        epito& w = win.w;
        QVERIFY(!w.frissites->isChecked() && !w.crc32->isChecked() && !w.archivum->isChecked());
        win.type("CD_1");
        win.key(Qt::Key_Return);
        store::Database::open(f.catalog).execScript(
            "INSERT INTO kulcs (kulcs) VALUES ('K'); INSERT INTO nev_kulcsid SELECT id, 2 FROM "
            "prgnev");
        f.tree({"A/c.txt"});
        QFile::remove(f.e + "/A/b.txt");

        w.frissites->setChecked(true);
        w.crc32->setChecked(true);
        QVERIFY(win.host.shared.settings.updateMedium && win.host.shared.settings.crcScan);
        w.Dir1->setPath("E:\\");
        win.type("CD_1");
        win.key(Qt::Key_Return);
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(
            shown.first().text,
            "A frissítés kész.\r\nÚj file:  1\r\nMódosult file:  0\r\nTörölt file:  1\r\n"
            "Változatlan file:  1\r\nÚj mappa:  0\r\nTörölt mappa:  0\r\nVáltozatlan mappa:  2");
        QCOMPARE(f.column("SELECT nev || '|' || crc || '|' || (SELECT group_concat(kulcsid) FROM "
                          "nev_kulcsid k WHERE k.id = prgnev.id) FROM prgnev ORDER BY nev"),
                 (QStringList{"a.txt|8CDC1683|1,2", "c.txt|8CDC1683|1"}));
        QVERIFY(w.isVisible() && w.elotag->text().isEmpty() && w.kesz->isEnabled());

        // A new window starts with the options as they were left.
        w.archivum->setChecked(true);
        QVERIFY(win.host.shared.settings.archiveScan);
        Window again(f);
        again.host.shared.settings = win.host.shared.settings;
        again.w.Form_Load();
        QVERIFY(again.w.frissites->isChecked() && again.w.crc32->isChecked() &&
                again.w.archivum->isChecked());
    }

    // A catalog another program holds is not taken for one that holds the medium.
    void catalogHeldByAnotherProgram()
    {
        BuilderFixture f;
        f.tree({"A/a.txt"});
        Window win(f);
        store::Database other = store::Database::open(f.catalog);
        other.execScript("BEGIN EXCLUSIVE");
        win.type("CD_1");
        win.key(Qt::Key_Return);
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, "A megnyitott adatbázisba nem lehet írni!\r\nEgy másik "
                                     "program éppen használja az adatbázist.");
        QVERIFY(win.w.isVisible() && win.w.kesz->isEnabled());

        other.rollback();
        win.type("CD_1");
        win.key(Qt::Key_Return);
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(f.column("SELECT ut FROM ut ORDER BY id"),
                 (QStringList{"-CD_1- E:\\A", "-CD_1- E:\\"}));
    }

    // Escape elsewhere does nothing; in the label box it runs Kész.
    void escapeOnlyInTheLabelBox()
    {
        BuilderFixture f;
        Window win(f);
        for (QWidget* control :
             std::initializer_list<QWidget*>{win.w.Drive1, win.w.Dir1, win.w.File1, win.w.kesz}) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_Escape);
            QVERIFY(win.w.isVisible());
        }
        win.key(Qt::Key_Escape);
        QVERIFY(!win.w.isVisible());
        QVERIFY(win.host.shared.builderChanged);
    }

    // A letter that now names another medium does not keep the old medium's
    // folder; a drive that is not ready falls back to C:.
    void drivesThatGoAway()
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

        QVERIFY(QDir(f.e).removeRecursively()); // the medium now behind D:
        win.w.Drive1->setDrive(QLatin1Char('D'));
        QCOMPARE(MessageBox::takeShown().first().text,
                 "Nem áll készen a meghajto!\r\nEllenőrizze, majd próbálja újra!");
        QCOMPARE(win.w.Drive1->drive(), QLatin1Char('C'));
    }
};

QTEST_MAIN(TestEpito)
#include "test_epito.moc"
