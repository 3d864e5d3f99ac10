#include "CheckFixture.h"
#include "FakeHost.h"
#include "checker/DuplicatesPrompt.h"
#include "checker/ellenor.h"
#include "checker/eltero.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "queries/Duplicates.h"
#include "widgets/DriveLists.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>

using platform::FileDialog;
using platform::MessageBox;
using namespace CheckFixture;

class TestCheckWindows : public QObject
{
    Q_OBJECT

    struct Setup
    {
        Medium f;
        FakeHost host;
        QString currentPath; // the grid's current row, as the main window hands it over
        Setup(const QString& label)
        {
            currentPath = u"-"_qs + label + u"- E:\\GAMES"_qs;
            fillMedium(f);
            record(f, u"E:\\"_qs, label);
            host.catalog = f.catalog;
            host.shared.programFolder = f.dir.path();
        }
    };

private Q_SLOTS:
    void init()
    {
        MessageBox::startScript();
        FileDialog::startScript();
    }
    void cleanup()
    {
        MessageBox::stopScript();
        FileDialog::stopScript();
    }

    // The grid's medium by default; the check runs on its thread; its
    // findings are listed and saved.
    void checkAndSave()
    {
        Setup s(u"O'Brien\\1 2"_qs);
        const QString wad = s.f.e + u"/GAMES/DOOM.WAD"_qs;
        keepingDate(wad, [&] { TestSupport::writeFile(wad, QByteArray(70000, 'W')); });
        ellenor w(s.host, [&] { return s.f.drives; }, s.currentPath);
        w.Form_Load();
        QCOMPARE(w.elotag->text(), u"O'Brien\\1 2"_qs);
        QCOMPARE(w.Drive1->drive(), QChar(u'E'));
        w.startgomb_Click();
        QVERIFY(w.running());
        QVERIFY(!w.startgomb->isEnabled());
        QVERIFY(w.stopgomb->isEnabled());
        QTRY_VERIFY(!w.running());
        QCOMPARE(MessageBox::shown().size(), 0);
        QVERIFY(w.results());
        QStandardItemModel* m = w.results()->model();
        QCOMPARE(m->rowCount(), 1);
        QStringList row;
        for (int c = 0; c < 3; ++c)
            row << m->item(0, c)->text();
        QCOMPARE(row, (QStringList{u"Eltérő CRC"_qs, u"E:\\GAMES"_qs, u"DOOM.WAD"_qs}));
        QVERIFY(w.results()->osszeg->text().contains(u"6 / 6 file"_qs));

        const QString listing = s.f.dir.filePath(u"elteres.txt"_qs);
        FileDialog::addAnswers({listing});
        w.results()->mentes_Click();
        QCOMPARE(FileDialog::shown().value(0).title, u"Eltérések mentése"_qs);
        const QByteArray text = TestSupport::contents(listing);
        QVERIFY(text.startsWith(s.f.catalog.toUtf8() + "\r\nO'Brien\\1 2 (E:\\)\r\n"));
        QVERIFY(text.contains("\tE:\\GAMES\tDOOM.WAD\t"));
        // Saving over it asks first; Cancel leaves it.
        FileDialog::addAnswers({listing});
        MessageBox::addAnswers({MessageBox::Answer::Cancel});
        TestSupport::writeFile(listing, "keep");
        w.results()->mentes_Click();
        QCOMPARE(MessageBox::takeShown().value(0).text, u"A File már létezik ! Felülírjam?"_qs);
        QCOMPARE(TestSupport::contents(listing), QByteArray("keep"));
        w.results()->close();
    }

    void stopAndRefusals()
    {
        Setup s(u"CD_1"_qs);
        ellenor w(s.host, [&] { return s.f.drives; }, s.currentPath);
        w.Form_Load();
        int reads = 0;
        w.setReadFile([&](int fd, const QByteArray& name, const std::atomic<bool>* stop,
                          std::atomic<qint64>* bytes) {
            if (++reads == 1)
                w.stopgomb_Click();
            return platform::fileCrc(fd, name, stop, bytes);
        });
        w.startgomb_Click();
        QTRY_VERIFY(!w.running());
        QVERIFY(w.results());
        QVERIFY(w.results()->osszeg->text().startsWith(u"Az ellenőrzés félbemaradt"_qs));
        w.results()->close();

        w.elotag->setText(u"CD_9"_qs);
        w.startgomb_Click();
        QTRY_VERIFY(!w.running());
        QCOMPARE(MessageBox::takeShown().value(0).text,
                 u"Ilyen út előtagú lemez nincs az adatbázisban: CD_9 !"_qs);
        w.elotag->clear();
        w.startgomb_Click();
        QVERIFY(!w.running());
        QCOMPARE(MessageBox::takeShown().size(), 1);
    }

    void duplicatesPrompt()
    {
        FakeHost host;
        masolat w(host);
        QCOMPARE(w.hossz->text(), u"1"_qs);
        w.hossz->setText(u"4096"_qs);
        w.keres_Click();
        QCOMPARE(host.views.size(), 1);
        const MainHost::View& v = host.views.first();
        const queries::SearchView expected = queries::duplicatesView(4096);
        QCOMPARE(v.recordSource, expected.source.sql);
        QCOMPARE(v.params, expected.source.params);
        QCOMPARE(v.countSql, expected.source.countSql);
        QCOMPARE(v.captionText, u"azonos hosszú és CRC-jű file-ok, legalább 4096 byte"_qs);
        QVERIFY(!v.baseView);
        QVERIFY(!v.folderList);
        QVERIFY(!host.busy);
        QCOMPARE(host.progress, -1);
    }
};

QTEST_MAIN(TestCheckWindows)
#include "test_checkwindows.moc"
