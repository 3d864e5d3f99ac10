#include "ProgramFolder.h"

#include "mainwin/CatalogBinding.h"
#include "mainwin/CatalogSession.h"
#include "shared/MainHost.h"
#include "shared/SharedState.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"

#include <QtTest>
#include <exception>

using Icon = platform::MessageKinds::Icon;

namespace {

// The main window without its widgets: real data sources, the view put in
// force as the window does it, and a record of what the session told it.
struct Window : MainHost, CatalogBinding
{
    SharedState shared;
    store::DataSource Data1, Datafa;
    QString caption;
    QStringList bound; // path, and "fresh" or "kept"

    const SharedState& state() const override { return shared; }
    void setBuilderChanged() override {}
    void setBaseView() override {}
    void setBuilderOptions(bool, bool, bool) override {}
    void setPatternHistories(const PatternSlots&, const PatternSlots&) override {}
    QString catalogPath() override { return Data1.databaseName(); }
    void setView(const View& view) override
    {
        Data1.setRecordSource(view.recordSource, view.params, view.countSql);
        Data1.refresh();
        shared.baseView = view.baseView;
        shared.recordCount = Data1.recordCount();
    }
    void refreshView() override {}
    void recordCounter() override {}
    void activationSteps() override {}
    using MainHost::showProgress;
    void showProgress(int, int) override {}
    void hideProgress() override {}
    void setBusy(bool) override {}
    void setMainEnabled(bool) override {}
    void minimizeMain() override {}
    void restoreMain() override {}
    bool contextRefresh() override { return false; }
    void rebuildTree() override {}

    store::DataSource& data1() override { return Data1; }
    store::DataSource& datafa() override { return Datafa; }
    QWidget* dialogParent() override { return nullptr; }
    void setGridCaption(const QString& text) override { caption = text; }
    void catalogBound(const QString& path, bool fresh) override
    {
        bound << path + (fresh ? " fresh" : " kept");
    }
};

struct Session : ProgramFolder
{
    Window w;
    CatalogSession session{w.shared, paths, w, w};

    CatalogSession::Start start()
    {
        session.loadSettings();
        return session.openLast();
    }
};

const QString kCannotOpen = "Nem lehet megnyitni a legutóbbi adatbázist:\r\n";
const QString kInstead = "\r\n\r\nHelyette egy üres adatbázis nyílt meg:\r\n";

} // namespace

class TestCatalogSession : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartMakesTheDefaultCatalog()
    {
        Session s;
        const auto start = s.start();
        QVERIFY(start.opened && start.notice.isEmpty());
        QCOMPARE(s.w.shared.programFolder, s.paths.programFolder);
        QCOMPARE(s.w.caption, "Megnyitva: " + s.paths.defaultCatalog);
        QCOMPARE(s.w.bound, QStringList{s.paths.defaultCatalog + " fresh"});
        QCOMPARE(s.w.Datafa.databaseName(), s.paths.defaultCatalog);
        QVERIFY(store::fileExists(s.paths.defaultCatalog));
        // Written at once, not only at exit.
        QCOMPARE(s.savedLastCatalog(), s.paths.defaultCatalog);
    }

    // A last catalog that is gone is replaced without a word; one that is
    // there but does not open is named with the reason and tried again at the
    // next start. Either way a filled default catalog is set aside, and the
    // notice ends with where.
    void lastCatalogThatDoesNotOpen_data() { ProgramFolder::brokenCatalogKinds(); }
    void lastCatalogThatDoesNotOpen()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        Session s;
        QFile::copy(s.catalog("old.mdb", 5), s.paths.defaultCatalog);
        store::Database holder;
        const QString last = s.brokenCatalog(kind, holder);
        s.writeSettings(last);

        const auto start = s.start();
        QVERIFY(start.opened);
        QCOMPARE(s.keptAside().size(), 1);
        const QString kept = s.keptAside().first();
        QCOMPARE(ProgramFolder::files(kept), 5);
        QCOMPARE(s.w.shared.settings.lastCatalog, s.paths.defaultCatalog);
        QCOMPARE(s.w.bound.last(), s.paths.defaultCatalog + " fresh");
        const QString keptText = "A korábbi adatbázist félretettem ide:\r\n" + kept;
        if (reason.isEmpty()) {
            QCOMPARE(start.notice, keptText);
            QCOMPARE(start.icon, Icon::Information);
            QVERIFY(s.session.retryCatalog().isEmpty());
        } else {
            QCOMPARE(start.notice,
                     kCannotOpen + last + "\r\n" + reason + kInstead + s.paths.defaultCatalog +
                         "\r\nA következő indításkor újra megpróbálom.\r\n\r\n" + keptText);
            QCOMPARE(start.icon, Icon::Exclamation);
            QCOMPARE(s.session.retryCatalog(), last);
        }
        QCOMPARE(s.savedLastCatalog(), reason.isEmpty() ? s.paths.defaultCatalog : last);
    }

    // The user's catalog may be the default catalog itself: when damaged it
    // is set aside and tried where it went; held by another program, it is
    // not moved from under it and the program does not start.
    void defaultCatalogThatDoesNotOpen()
    {
        Session damaged;
        damaged.writeSettings(damaged.paths.defaultCatalog);
        TestSupport::writeFile(damaged.paths.defaultCatalog, QByteArray(4096, 'x'));
        QVERIFY(damaged.start().opened);
        QCOMPARE(damaged.keptAside().size(), 1);
        QCOMPARE(damaged.session.retryCatalog(), damaged.keptAside().first());
        QCOMPARE(damaged.savedLastCatalog(), damaged.keptAside().first());

        Session held;
        QFile::copy(held.catalog("held.mdb", 1), held.paths.defaultCatalog);
        held.writeSettings(held.paths.defaultCatalog);
        store::Database holder = store::Database::open(held.paths.defaultCatalog);
        holder.execScript("BEGIN EXCLUSIVE");
        const auto start = held.start();
        QVERIFY(!start.opened);
        QCOMPARE(start.icon, Icon::Critical);
        QCOMPARE(start.notice, kCannotOpen + held.paths.defaultCatalog +
                                   "\r\nEgy másik program éppen használja !\r\n\r\nZárja be a "
                                   "másik programot, majd indítsa újra ezt !");
        holder.close();
        QVERIFY(held.keptAside().isEmpty());
        QCOMPARE(ProgramFolder::files(held.paths.defaultCatalog), 1);
    }

    // The template under any spelling is never opened as a catalog; without
    // a template nothing can open.
    void templateIsNeverOpened_data()
    {
        QTest::addColumn<QString>("last");
        QTest::addColumn<bool>("removed");
        QTest::newRow("dot") << "prog/./init.plc" << false;
        QTest::newRow("link") << "link.mdb" << false;
        QTest::newRow("missing") << "gone.mdb" << true;
    }
    void templateIsNeverOpened()
    {
        QFETCH(QString, last);
        QFETCH(bool, removed);
        Session s;
        QVERIFY(QFile::link(s.paths.templateFile(), s.path("link.mdb")));
        const QByteArray original = TestSupport::contents(s.paths.templateFile());
        if (removed)
            QFile::remove(s.paths.templateFile());
        s.writeSettings(s.path(last));
        const auto start = s.start();
        QCOMPARE(start.opened, !removed);
        if (removed) {
            QCOMPARE(start.icon, Icon::Critical);
            QVERIFY(
                start.notice.startsWith("A program nem indítható: az üres adatbázis sablonja (" +
                                        s.paths.templateFile() + ") hiányzik vagy sérült.\n"));
            return;
        }
        QVERIFY(start.notice.isEmpty());
        QCOMPARE(s.w.Data1.databaseName(), s.paths.defaultCatalog);
        QCOMPARE(TestSupport::contents(s.paths.templateFile()), original);
    }

    // The catalog that did not open stays the one to try, in every record
    // written, until the user binds another; the window's state and options
    // go in at shut-down, the other fields as read.
    void retryUntilAnotherIsBound()
    {
        Session s;
        store::Settings first = store::defaultSettings(s.paths.programFolder);
        const QString damaged = s.path("serult.mdb");
        TestSupport::writeFile(damaged, QByteArray(4096, 'x'));
        first.lastCatalog = damaged;
        first.namePatterns[0] = "*.EXE";
        QVERIFY(store::writeSettings(s.paths.settingsFile, first));
        QVERIFY(s.start().opened);
        s.session.bindFreshDefault();
        QCOMPARE(s.savedLastCatalog(), damaged);
        s.session.shutDown(store::Settings::kWindowMaximized, false, true);
        QCOMPARE(s.savedLastCatalog(), damaged);

        const QString other = s.catalog("masik.mdb", 2);
        s.session.bindWithCaption(other, true);
        QCOMPARE(s.w.caption, "Megnyitva: " + other);
        QCOMPARE(s.w.shared.recordCount, qint64(2));
        QCOMPARE(s.savedLastCatalog(), other);
        s.session.shutDown(store::Settings::kWindowNormal, true, false);
        store::Settings expected = first;
        expected.lastCatalog = other;
        expected.windowState = store::Settings::kWindowNormal;
        expected.contextRefresh = -1;
        expected.autoCompact = 0;
        QCOMPARE(s.savedSettings(), expected);
    }

    // Only a catalog is bound; a failed bind leaves the record as it was.
    void bindRefusesAnotherFile()
    {
        Session s;
        QVERIFY(s.start().opened);
        const QString foreign = s.path("idegen.db");
        store::Database::create(foreign).execScript("CREATE TABLE t(x)");
        QCOMPARE(TestSupport::errorOf([&] { s.session.bindBaseView(foreign); }),
                 platform::err::NotADatabase);
        QCOMPARE(s.savedLastCatalog(), s.paths.defaultCatalog);
        QCOMPARE(s.w.bound.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCatalogSession)
#include "test_catalogsession.moc"
