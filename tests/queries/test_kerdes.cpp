#include "FakeHost.h"
#include "QueriesFixture.h"
#include "platform/MessageBox.h"
#include "queries/kerdes.h"
#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"

#include <QLineEdit>
#include <QPushButton>

using platform::MessageBox;

namespace {

// Records the bar's values; can refuse the view as a damaged catalog would.
struct Host : FakeHost
{
    QList<int> steps;
    bool refuseView = false;
    using FakeHost::showProgress;
    void showProgress(int value, int maximum) override
    {
        FakeHost::showProgress(value, maximum);
        steps << value;
    }
    void setView(const View& view) override
    {
        FakeHost::setView(view);
        if (refuseView)
            throw platform::Error(platform::err::EngineFailure, "disk I/O error");
    }
};

struct Window
{
    QTemporaryDir dir;
    Host host;
    kerdes w{host};

    Window()
    {
        host.catalog = QueriesFixture::makeCatalog(dir, "k.mdb");
        QueriesFixture::fillMixed(host.catalog, QueriesFixture::Schema::Template);
        host.shared.settings = store::defaultSettings("/prog");
        host.shared.settings.namePatterns[3] = " a* ";
    }
    bool load() { return w.Form_Load() && (w.show(), true); }
    // Closed the way every close must leave things, the history written back.
    bool unloaded() const
    {
        const auto& names = host.shared.settings.namePatterns;
        return !w.isVisible() && host.mainEnabled && host.progress == -1 && !host.busy &&
               !w.prg->isOpen() && !w.ut->isOpen() &&
               std::find(names.begin(), names.end(), "a*") != names.end();
    }
};

} // namespace

class TestKerdes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::startScript(); }
    void cleanup() { MessageBox::stopScript(); }

    void keys_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        for (const char* c : {"prgnev", "utnev", "prgkulcs", "utkulcs", "utchk"}) {
            QTest::addRow("%s Enter", c) << QString::fromLatin1(c) << int(Qt::Key_Return);
            QTest::addRow("%s Escape", c) << QString::fromLatin1(c) << int(Qt::Key_Escape);
        }
        QTest::newRow("keres Escape") << u"keres"_qs << int(Qt::Key_Escape);
    }
    void keys()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        Window win;
        QVERIFY(win.load());
        QVERIFY(!win.host.mainEnabled);
        QCOMPARE(win.w.utkulcs->entries().at(1), QueriesFixture::kCdRom);
        QWidget* target = win.w.findChild<QWidget*>(control);
        if (auto* box = qobject_cast<PatternBox*>(target))
            target = box->lineEdit();
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));

        QVERIFY(win.unloaded());
        QCOMPARE(win.host.views.size(), key == Qt::Key_Escape ? 0 : 1);
        if (key != Qt::Key_Escape)
            QCOMPARE(win.host.steps, (QList<int>{10, 80, 100}));
    }

    // Neither a catalog that cannot be read nor a view the main window
    // cannot show leaves the main window disabled or its bar shown.
    void failuresAreReported()
    {
        Window unreadable;
        unreadable.host.catalog = unreadable.dir.filePath("nincs.mdb");
        QVERIFY(!unreadable.load());
        QVERIFY(unreadable.unloaded());
        QVERIFY(MessageBox::takeShown().first().text.startsWith(
            "A kulcsszavak nem olvashatók, a keresés nem indítható!\r\n"));

        Window refused;
        refused.host.refuseView = true;
        QVERIFY(refused.load());
        refused.w.prgnev->setEditText("x*");
        QTest::mouseClick(refused.w.keres, Qt::LeftButton);
        QVERIFY(refused.unloaded());
        QCOMPARE(MessageBox::takeShown().first().text,
                 "A lekérdezés nem sikerült!\r\ndisk I/O error");
        QCOMPARE(refused.host.shared.settings.namePatterns[0], "x*");
    }
};

QTEST_MAIN(TestKerdes)
#include "test_kerdes.moc"
