#include "FakeHost.h"
#include "QueriesFixture.h"
#include "platform/MessageBox.h"
#include "queries/kerdes.h"
#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace QueriesFixture;
using platform::MessageBox;

namespace {

// Records every value the bar takes; can refuse the view as a damaged catalog would.
struct Host : FakeHost
{
    QList<int> steps;
    bool refuseView = false;

    void showProgress(int value, int maximum) override
    {
        FakeHost::showProgress(value, maximum);
        steps << value;
    }
    using FakeHost::showProgress;
    void setView(const View& view) override
    {
        FakeHost::setView(view);
        if (refuseView)
            throw platform::Error(platform::err::EngineFailure, QStringLiteral("disk I/O error"));
    }
};

struct Window
{
    QTemporaryDir dir;
    QString catalog = makeCatalog(dir, QStringLiteral("k.mdb"));
    Host host;
    kerdes w{host};

    Window()
    {
        fillMixed(catalog, Schema::Template);
        host.catalog = catalog;
        host.shared.settings = store::defaultSettings(QStringLiteral("/prog"));
    }
    bool load()
    {
        const bool loaded = w.Form_Load();
        if (loaded)
            w.show();
        return loaded;
    }
    void type(PatternBox* box, const QString& text)
    {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
    }
    void click(KeywordList* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    // The rows of the view handed over, and its count by the count statement.
    Rows rows() const
    {
        return rowsOf(catalog, {host.views.last().recordSource, host.views.last().params});
    }
    qint64 counted() const
    {
        const MainHost::View& v = host.views.last();
        return store::Database::open(catalog).scalar(v.countSql, v.params).toLongLong();
    }
    // Unloaded the way every close must leave things.
    bool unloaded() const
    {
        return !w.isVisible() && host.mainEnabled && host.progress == -1 && !host.busy &&
               !w.prg->isOpen() && !w.ut->isOpen();
    }
};

QStringList column(const Rows& rows, int c)
{
    QStringList values;
    for (const QStringList& r : rows)
        values << r.value(c);
    return values;
}

} // namespace

class TestKerdes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::startScript(); }
    void cleanup() { MessageBox::stopScript(); }

    void loadingFillsTheControls()
    {
        Window win;
        auto& s = win.host.shared.settings;
        s.namePatterns[0] = QStringLiteral("  *.exe ");
        s.pathPatterns[2] = QStringLiteral(" -CD_1- * ");
        QVERIFY(win.load());
        kerdes& w = win.w;

        QVERIFY(!win.host.mainEnabled);
        QCOMPARE(w.prgnev->entries().size(), 10);
        QCOMPARE(w.prgnev->entries().first(), QStringLiteral("*.exe"));
        QCOMPARE(w.utnev->entries().at(2), QStringLiteral("-CD_1- *"));
        QCOMPARE(s.namePatterns[0], QStringLiteral("*.exe"));
        QCOMPARE(w.prgnev->currentText(), QStringLiteral("*"));
        QCOMPARE(w.utnev->currentText(), QStringLiteral("*"));
        // Table order, the default keyword first; it alone is selected.
        QCOMPARE(w.prgkulcs->entries(),
                 (QStringList{QStringLiteral("Általános"), kJatek, kRock, kJatekLower, kZene}));
        QCOMPARE(w.utkulcs->entries(),
                 (QStringList{QStringLiteral("Általános"), kCdRom, kGyerek, kRegi}));
        QCOMPARE(w.prgkulcs->selectedRows(), QList<int>{0});
        QCOMPARE(w.utkulcs->selectedRows(), QList<int>{0});
        QVERIFY(!w.utchk->isChecked());
    }

    // Patterns typed, keywords clicked (the default one giving way), the view
    // and its caption handed to the main window, the bar's steps, the history
    // written back; the same window opened again starts afresh with it.
    void searchInBothOrientations()
    {
        Window win;
        QVERIFY(win.load());
        kerdes& w = win.w;
        win.type(w.prgnev, QStringLiteral("doom*"));
        win.click(w.prgkulcs, 1);
        QCOMPARE(w.prgkulcs->selectedRows(), QList<int>{1});
        QTest::mouseClick(w.keres, Qt::LeftButton);

        QVERIFY(win.unloaded());
        QCOMPARE(win.host.steps, (QList<int>{10, 80, 100}));
        QCOMPARE(win.host.views.size(), 1);
        const MainHost::View& files = win.host.views.last();
        QVERIFY(!files.baseView && !files.folderList);
        QCOMPARE(files.captionText,
                 QStringLiteral("Programnév: doom* Út: *,Prg.kulcs: Játék. Út kulcs: Általános."));
        const Rows found = win.rows();
        QCOMPARE(column(found, 0),
                 (QStringList{QStringLiteral("DOOM.WAD"), QStringLiteral("doom.exe"),
                              QStringLiteral("DOOM 2.WAD"), QStringLiteral("DOOM.EXE")}));
        QCOMPARE(win.counted(), qint64(found.size()));
        QCOMPARE(win.host.shared.settings.namePatterns[0], QStringLiteral("doom*"));
        QCOMPARE(win.host.shared.settings.pathPatterns[0], QString());

        QVERIFY(win.load());
        QCOMPARE(w.prgnev->entries().first(), QStringLiteral("doom*"));
        QCOMPARE(w.prgnev->currentText(), QStringLiteral("*"));
        QCOMPARE(w.prgkulcs->selectedRows(), QList<int>{0});
        win.type(w.utnev, QStringLiteral("*games*"));
        win.click(w.utkulcs, 1);
        w.utchk->setChecked(true);
        w.utchk->setFocus();
        QTest::keyClick(w.utchk, Qt::Key_Return);

        QVERIFY(win.unloaded());
        const MainHost::View& folders = win.host.views.last();
        QVERIFY(!folders.baseView && folders.folderList);
        QCOMPARE(
            folders.captionText,
            QStringLiteral("Programnév: * Út: *games*,Prg.kulcs: Általános. Út kulcs: CD-ROM."));
        QCOMPARE(
            win.rows(),
            (Rows{{u"*"_qs, u"-CD_1- E:\\GAMES"_qs, u"----"_qs, u"----"_qs, u"----"_qs},
                  {u"*"_qs, u"-CD_1- E:\\GAMES\\DOOM"_qs, u"----"_qs, u"----"_qs, u"----"_qs}}));
        QCOMPARE(win.host.shared.settings.pathPatterns[0], QStringLiteral("*games*"));
        QCOMPARE(win.host.shared.settings.namePatterns[0], QStringLiteral("doom*"));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        for (const char* c : {"prgnev", "utnev", "prgkulcs", "utkulcs", "utchk"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 Enter").arg(QLatin1String(c))))
                << QString::fromLatin1(c) << int(Qt::Key_Return);
            QTest::newRow(qPrintable(QStringLiteral("%1 Escape").arg(QLatin1String(c))))
                << QString::fromLatin1(c) << int(Qt::Key_Escape);
        }
        // The window's own Escape also goes through the unloading.
        QTest::newRow("keres Escape") << u"keres"_qs << int(Qt::Key_Escape);
    }
    void keys()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        Window win;
        win.host.shared.settings.namePatterns[3] = QStringLiteral(" a* ");
        QVERIFY(win.load());
        QWidget* target = win.w.findChild<QWidget*>(control);
        QVERIFY(target);
        if (auto* box = qobject_cast<PatternBox*>(target))
            target = box->lineEdit();
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));

        QVERIFY(win.unloaded());
        QCOMPARE(win.host.views.size(), key == Qt::Key_Escape ? 0 : 1);
        // Written back whichever way the window closed.
        QCOMPARE(win.host.shared.settings.namePatterns[3], QStringLiteral("a*"));
    }

    // Neither a catalog that cannot be read nor a view the main window
    // cannot show leaves the main window disabled or its bar shown.
    void failuresAreReported()
    {
        Window unreadable;
        unreadable.host.catalog = unreadable.dir.filePath(QStringLiteral("nincs.mdb"));
        QVERIFY(!unreadable.load());
        QVERIFY(unreadable.unloaded());
        QVERIFY(MessageBox::takeShown().first().text.startsWith(
            QStringLiteral("A kulcsszavak nem olvashatók, a keresés nem indítható!\r\n")));

        Window refused;
        refused.host.refuseView = true;
        QVERIFY(refused.load());
        refused.type(refused.w.prgnev, QStringLiteral("x*"));
        QTest::mouseClick(refused.w.keres, Qt::LeftButton);
        QVERIFY(refused.unloaded());
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text,
                 QStringLiteral("A lekérdezés nem sikerült!\r\ndisk I/O error"));
        QCOMPARE(refused.host.shared.settings.namePatterns[0], QStringLiteral("x*"));
    }
};

QTEST_MAIN(TestKerdes)
#include "test_kerdes.moc"
