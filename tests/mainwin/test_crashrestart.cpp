#include "Fixture.h"

#include "widgets/DataGrid.h"

#include <QProcess>
#include <cstdio>

// A program that is killed (or crashes, or loses power) after the catalog in
// force changed starts again on that catalog, not on an empty one.

namespace {

// The layout of Fixture, for a child that works in the parent's folder.
AppPaths pathsIn(const QString& dir)
{
    AppPaths paths;
    paths.programFolder = dir + "/prog";
    paths.settingsFile = dir + "/config/polcozo/Polcozo.ini";
    paths.defaultCatalog = paths.programFolder + "/nevtelen.mdb";
    return paths;
}

// What a scan leaves in the catalog: one folder with its files.
void record(const QString& catalog, int files)
{
    auto db = store::Database::open(catalog);
    store::Transaction t(db);
    db.exec("INSERT INTO ut (ut) VALUES ('-CD_1- E:\\GAMES')");
    const qint64 folder = db.lastInsertId();
    for (int i = 0; i < files; ++i)
        db.exec("INSERT INTO prgnev (nev, utid, hossz, datum) "
                "VALUES (?1, ?2, 1, '2024-03-05 13:45:10')",
                {QString("FILE%1.EXE").arg(i), folder});
    t.commit();
}

// The child: starts the window in 'dir', does 'what', says so on its output
// and runs until it is killed.
int child(const QString& dir, const QString& what, const QString& argument)
{
    platform::MessageBox::startScript();
    platform::FileDialog::startScript();
    platform::Help::startRecording();
    fokep w(pathsIn(dir));
    if (!w.start())
        return 3;
    if (what == "scan") {
        record(w.state().settings.lastCatalog, 7);
        ui(w).action("minden")->trigger();
    } else if (what == "open") {
        platform::FileDialog::addAnswers({argument});
        ui(w).action("Fnyit")->trigger();
    } else if (what == "new") {
        platform::FileDialog::addAnswers({argument});
        ui(w).action("Fuj")->trigger();
    }
    std::printf("ready %s\n", qPrintable(w.state().settings.lastCatalog));
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace

class TestCrashRestart : public QObject
{
    Q_OBJECT

    // Runs the child in the fixture's folder and kills it once it is ready.
    static void runAndKill(const Fixture& f, const QString& what, const QString& argument = {})
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QCoreApplication::applicationFilePath(), {"--child", f.dir.path(), what, argument});
        QByteArray out;
        while (!out.contains('\n') && p.waitForReadyRead(60000))
            out += p.readAllStandardOutput();
        QVERIFY2(out.startsWith("ready "), out.constData());
        p.kill();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    }

private Q_SLOTS:
    // The first start, a scan into the default catalog, a kill: the next
    // start opens the filled default catalog and sets nothing aside.
    void scanThenKill()
    {
        Fixture f;
        runAndKill(f, "scan");
        auto w = f.start();
        QVERIFY(w);
        QVERIFY(platform::MessageBox::shown().isEmpty());
        QCOMPARE(w->state().settings.lastCatalog, f.paths.defaultCatalog);
        QCOMPARE(w->state().recordCount, qint64(7));
        QVERIFY(f.keptAside().isEmpty());
    }

    // A catalog opened or made during the run is the one of the next start.
    void openedOrNewThenKill_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("files");
        QTest::newRow("open") << "open" << 4;
        QTest::newRow("new") << "new" << 0;
    }
    void openedOrNewThenKill()
    {
        QFETCH(QString, what);
        QFETCH(int, files);
        Fixture f;
        const QString catalog = what == "open" ? f.catalog("gyujtes.mdb", 4) : f.path("uj.mdb");
        runAndKill(f, what, catalog);
        QCOMPARE(f.savedLastCatalog(), catalog);
        auto w = f.start();
        QVERIFY(w);
        QCOMPARE(ui(w).tabla1()->caption(), "Megnyitva: " + catalog);
        QCOMPARE(w->state().recordCount, qint64(files));
    }

    // A last catalog that did not open at start stays the one to try again,
    // in the record written at start as in the one written at exit; once the
    // user has opened another, that one is.
    void catalogThatDidNotOpenIsKeptForRetry()
    {
        Fixture f;
        const QString damaged = f.path("serult.mdb");
        TestSupport::writeFile(damaged, QByteArray(4096, 'x'));
        auto w = f.startOn(damaged);
        QVERIFY(w);
        QCOMPARE(w->state().settings.lastCatalog, f.paths.defaultCatalog);
        QCOMPARE(f.savedLastCatalog(), damaged);

        const QString other = f.catalog("masik.mdb", 2);
        platform::FileDialog::addAnswers({other});
        ui(w).action("Fnyit")->trigger();
        QCOMPARE(f.savedLastCatalog(), other);
        w->close();
        QCOMPARE(f.savedLastCatalog(), other);
    }

    // The window's other settings stay as the record in memory holds them:
    // the check marks go into it only at exit.
    void catalogChangeKeepsTheOtherFields()
    {
        Fixture f;
        store::Settings s = store::defaultSettings(f.paths.programFolder);
        s.lastCatalog = f.catalog("elso.mdb", 1);
        s.windowState = store::Settings::kWindowMaximized;
        s.autoCompact = 0;
        s.namePatterns[0] = "*.EXE";
        QVERIFY(store::writeSettings(f.paths.settingsFile, s));
        auto w = f.start();
        QVERIFY(w);
        ui(w).action("kfriss")->setChecked(false);
        const QString other = f.catalog("masodik.mdb", 3);
        platform::FileDialog::addAnswers({other});
        ui(w).action("Fnyit")->trigger();
        store::Settings expected = s;
        expected.lastCatalog = other;
        QCOMPARE(store::readSettings(f.paths.settingsFile, f.paths.programFolder), expected);
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--child") == 0)
        return child(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                     QString::fromLocal8Bit(argv[4]));
    TestCrashRestart test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_crashrestart.moc"
