#include "Fixture.h"

#include "JetCatalogFixture.h"
#include "jetimport/JetChild.h"
#include "jetimport/JetImport.h"
#include "mainwin/CatalogCommands.h"
#include "mainwin/JetConversion.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

using platform::FileDialog;
using platform::MessageBox;
using Answer = MessageBox::Answer;
using TestSupport::contents;

namespace {

QStringList texts(const QList<MessageBox::Shown>& shown)
{
    QStringList t;
    for (const auto& s : shown)
        t << s.text;
    return t;
}

const QString kCannotCompact =
    "Most nem lehetséges a tömörítés, a rendszer újraindítása után ismételje meg a műveletet !";
const QString kReserved = "Ez foglalt név, adjon más nevet az új adatbázisnak !";

// A running window on a fresh catalog of 'files' rows, and that catalog.
std::pair<std::unique_ptr<fokep>, QString> startOn(Fixture& f, int files)
{
    const QString catalog = f.catalog("start.mdb", files);
    return {f.startOn(catalog), catalog};
}

// The conversion's small window while it is shown.
QDialog* stopWindow()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == JetConversion::kWindowName && top->isVisible())
            return qobject_cast<QDialog*>(top);
    return nullptr;
}

// The child as a shell script: $3 is the target.
void childScript(const QString& script)
{
    JetConversion::setProgram("/bin/sh", {"-c", script, "sh"});
}

// A temporary file as the conversion names it, and the report that names it.
const QString kStaged = "t=$(mktemp \"$3.atalakitas-XXXXXX\") && echo \"temp $t\" && ";

} // namespace

class TestCatalogCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { JetConversion::resetProgram(); }

    // Catalogs copied from other systems may be *.MDB; "*.*" would want a dot in the name.
    void dialogFilters()
    {
        QCOMPARE(FileDialog::nameFilters(CatalogCommands::kDialogFilter),
                 (QStringList{"Adatbázis (.mdb) (*.mdb *.MDB)", "Minden file (*.*) (*)"}));
    }

    // The dialogs start beside the open catalog; an installed (read-only)
    // program folder is never where they start.
    void dialogsStartBesideTheCatalog()
    {
        Fixture f;
        const QString prog = f.paths.programFolder;
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString user = QFileInfo(documents).isDir() ? documents : QDir::homePath();
        const QString other = f.catalog("mas.mdb", 1);
        const struct
        {
            bool writable;
            QString catalog;
            QString folder;
        } cases[] = {
            {false, other, f.dir.path()},
            {true, other, f.dir.path()},
            {false, f.paths.templateFile(), user},
            {false, prog + "//./init.plc", user},
            {false, f.path("gone/x.mdb"), user},
            {false, QString(), user},
            {true, f.paths.templateFile(), prog},
            {true, QString(), prog},
        };
        for (const auto& c : cases)
            QCOMPARE(AppPaths::dialogFolder(prog, c.writable, c.catalog), c.folder);

        auto [w, catalog] = startOn(f, 2);
        FileDialog::takeShown();
        FileDialog::addAnswers({std::nullopt, std::nullopt});
        ui(w).action("Fnyit")->trigger();
        ui(w).action("Fuj")->trigger();
        const auto shown = FileDialog::takeShown();
        QCOMPARE(shown.size(), 2);
        for (const auto& dialog : shown)
            QCOMPARE(dialog.initialFolder, QFileInfo(catalog).absolutePath());
    }

    void openRefusesTheTemplateAndReportsFailures()
    {
        Fixture f;
        auto [w, before] = startOn(f, 3);
        // The template is known by what file it is, however its path is spelt.
        const QString link = f.path("katalogus.mdb");
        QVERIFY(QFile::link(f.paths.templateFile(), link));
        FileDialog::addAnswers(
            {f.paths.programFolder + "//init.plc", link, f.path("missing.mdb"), std::nullopt});
        ui(w).action("Fnyit")->trigger();
        const auto shown = MessageBox::takeShown();
        const QString internal = "Ez belső adatbázis ! Nyisson meg egy másikat !";
        QCOMPARE(texts(shown),
                 (QStringList{internal, internal,
                              "Rossz út vagy File név ! Ellenőrizze, majd próbálja újra."}));
        QCOMPARE(shown.at(0).icon, MessageBox::Icon::Critical);
        QCOMPARE(shown.at(2).icon, MessageBox::Icon::Exclamation);
        // Every failure leaves the catalog in force, bound again on cancel.
        QCOMPARE(w->state().settings.lastCatalog, before);
        QCOMPARE(ui(w).elem()->text(), " 3 DB rekord ");
        QVERIFY(ui(w).bar()->isHidden());
    }

    // A Jet catalog opens as a converted copy beside it, the original untouched;
    // No at the question leaves the catalog in force.
    void openJetCatalogByConversion_data()
    {
        QTest::addColumn<bool>("convert");
        QTest::newRow("converted") << true;
        QTest::newRow("no at the question") << false;
    }

    void openJetCatalogByConversion()
    {
        QFETCH(bool, convert);
        Fixture f;
        auto [w, before] = startOn(f, 3);
        const QString jet = f.path("regi.mdb");
        jetfixture::Catalog c = jetfixture::makeCatalog(5, 4);
        jetwriter::write(jet, c.tables, {jetwriter::Version::Jet4});
        const QByteArray original = contents(jet);
        const QString target = f.path("regi_uj.mdb");
        MessageBox::addAnswers({convert ? Answer::Yes : Answer::No});
        FileDialog::addAnswers({jet, target});
        ui(w).action("Fnyit")->trigger();

        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.first().text, jetimport::convertQuestion(jet));
        QCOMPARE(shown.first().buttons, MessageBox::Buttons::YesNo);
        QCOMPARE(contents(jet), original);
        const auto dialogs = FileDialog::takeShown();
        QCOMPARE(w->state().settings.lastCatalog, convert ? target : before);
        if (!convert) {
            QVERIFY(!QFile::exists(target));
            QCOMPARE(ui(w).elem()->text(), " 3 DB rekord ");
            return;
        }
        QCOMPARE(dialogs.at(1).fileName, "regi_uj.mdb");
        QCOMPARE(dialogs.at(1).title, jetimport::targetDialogTitle());
        QCOMPARE(ui(w).tabla1()->caption(), "Megnyitva: " + target);
        QCOMPARE(w->state().recordCount, qint64(c.table("prgnev").rows.size()));
    }

    // However the conversion fails, in the child or as the child, the user
    // sees the damaged catalog's message, no temporary file is left, and the
    // window goes on with the catalog it had.
    void failedConversionKeepsTheCatalog_data()
    {
        QTest::addColumn<QString>("script"); // empty: this program's own child
        QTest::addColumn<qint64>("counted");
        QTest::newRow("a declared count of 0xFFFFFFFF") << QString() << qint64(0xFFFFFFFF);
        QTest::newRow("killed by a signal") << "kill -KILL $$" << qint64(-1);
        QTest::newRow("crashed with its file made") << kStaged + "kill -SEGV $$" << qint64(-1);
        QTest::newRow("garbage") << "echo progress 10; echo Hello" << qint64(-1);
        QTest::newRow("endless nonsense") << "exec yes Hello" << qint64(-1);
        QTest::newRow("no report") << "exit 0" << qint64(-1);
    }

    void failedConversionKeepsTheCatalog()
    {
        QFETCH(QString, script);
        QFETCH(qint64, counted);
        Fixture f;
        auto [w, before] = startOn(f, 3);
        const QString jet = f.path("regi.mdb");
        jetfixture::Catalog c = jetfixture::makeCatalog(5, 4);
        c.table("prgnev").countedRows = counted;
        jetwriter::write(jet, c.tables);
        const QByteArray original = contents(jet);
        if (!script.isEmpty())
            childScript(script);
        MessageBox::addAnswers({Answer::Yes});
        FileDialog::addAnswers({jet, f.path("regi_uj.mdb")});
        ::alarm(60); // a child never stopped ends the test instead of the run
        ui(w).action("Fnyit")->trigger();
        ::alarm(0);

        QCOMPARE(texts(MessageBox::takeShown()),
                 (QStringList{jetimport::convertQuestion(jet), jetimport::damagedMessage()}));
        QCOMPARE(contents(jet), original);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"regi.mdb", "start.mdb"}));
        QCOMPARE(w->state().settings.lastCatalog, before);
        QCOMPARE(ui(w).Data1()->databaseName(), before);
        QCOMPARE(ui(w).elem()->text(), " 3 DB rekord ");
        QVERIFY(ui(w).bar()->isHidden() && !stopWindow());
    }

    // "Mégse" ends the child at once and removes its file; the catalog in
    // force is bound again.
    void cancelStopsTheConversion()
    {
        Fixture f;
        // Not a structured binding: the lambda below reaches the window.
        auto started = startOn(f, 3);
        auto& w = started.first;
        const QString& before = started.second;
        const QString jet = f.path("regi.mdb");
        jetwriter::write(jet, jetfixture::makeCatalog(2, 2).tables);
        childScript(kStaged + "echo progress 30 && exec sleep 60");
        MessageBox::addAnswers({Answer::Yes});
        FileDialog::addAnswers({jet, f.path("regi_uj.mdb")});
        bool clicked = false;
        QTimer poll;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QDialog* window = stopWindow();
            if (window && ui(w).bar()->isVisible() && ui(w).bar()->value() == 27 &&
                QDir(f.dir.path()).entryList({"regi_uj.mdb.atalakitas-*"}).size() == 1) {
                window->findChild<QPushButton*>(JetConversion::kCancelName)->click();
                clicked = true;
                poll.stop();
            } else if (clock.elapsed() > 20000) {
                if (window)
                    window->reject();
                poll.stop();
            }
        });
        poll.start(20);
        ui(w).action("Fnyit")->trigger();

        QVERIFY(clicked);
        QVERIFY(clock.elapsed() < 20000);
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{jetimport::convertQuestion(jet)});
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"regi.mdb", "start.mdb"}));
        QCOMPARE(w->state().settings.lastCatalog, before);
        QCOMPARE(ui(w).Data1()->databaseName(), before);
        QCOMPARE(ui(w).elem()->text(), " 3 DB rekord ");
        QVERIFY(ui(w).bar()->isHidden() && !stopWindow());
    }

    // A FIFO named like a catalog never freezes the window: it is no file to
    // open, and no target to write.
    void fifoIsRefusedEverywhere()
    {
        Fixture f;
        auto [w, before] = startOn(f, 3);
        const QString fifo = f.path("cso.mdb");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString jet = f.path("regi.mdb");
        jetwriter::write(jet, jetfixture::makeCatalog(2, 2).tables);
        const QString cannotReach = "Nem tudok hozzáférni az meghajtóhoz vagy úthoz !";
        ::alarm(60); // a hang ends the test instead of the run

        FileDialog::addAnswers({fifo, std::nullopt});
        ui(w).action("Fnyit")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()),
                 QStringList{"Rossz út vagy File név ! Ellenőrizze, majd próbálja újra."});

        FileDialog::addAnswers({fifo, std::nullopt});
        ui(w).action("Fuj")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{cannotReach});
        FileDialog::addAnswers({fifo, std::nullopt});
        ui(w).action("mas")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{cannotReach});
        FileDialog::addAnswers({fifo});
        ui(w).action("lement")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{cannotReach});

        MessageBox::addAnswers({Answer::Yes});
        FileDialog::addAnswers({jet, fifo, std::nullopt});
        ui(w).action("Fnyit")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()),
                 (QStringList{jetimport::convertQuestion(jet), cannotReach}));
        ::alarm(0);

        struct stat st
        {
        };
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QCOMPARE(w->state().settings.lastCatalog, before);
        QCOMPARE(ui(w).elem()->text(), " 3 DB rekord ");
    }

    // A damaged file: the default catalog is made afresh and bound, a filled
    // one set aside first and the user told where.
    void openDamagedFile()
    {
        Fixture f;
        auto [w, before] = startOn(f, 3);
        const QString file = f.path("idegen.mdb");
        TestSupport::writeFile(file, QByteArray(2048, '\x7f'));
        QFile::copy(f.catalog("regi.mdb", 2), f.paths.defaultCatalog);
        FileDialog::addAnswers({file, std::nullopt});
        ui(w).action("Fnyit")->trigger();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(f.keptAside().size(), 1);
        QCOMPARE(
            texts(shown),
            (QStringList{"Sérült vagy ismeretlen adatbázis! Nyisson meg másikat.",
                         "A korábbi adatbázist félretettem ide:\r\n" + f.keptAside().first()}));
        QCOMPARE(shown.first().icon, MessageBox::Icon::Critical);
        QCOMPARE(w->state().settings.lastCatalog, f.paths.defaultCatalog);
        QCOMPARE(ui(w).Data1()->databaseName(), f.paths.defaultCatalog);
        QCOMPARE(ui(w).elem()->text(), "0 DB rekord ");
    }

    void newCatalog()
    {
        Fixture f;
        auto [w, before] = startOn(f, 4);
        const QString existing = f.catalog("existing.mdb", 6);
        const QByteArray original = contents(existing);

        // Cancel on the question leaves everything as it was; OK replaces it with the template.
        FileDialog::addAnswers({existing, existing});
        MessageBox::addAnswers({Answer::Cancel, Answer::Ok});
        ui(w).action("Fuj")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{"A File már létezik ! Felülírjam?"});
        QCOMPARE(contents(existing), original);
        QCOMPARE(w->state().settings.lastCatalog, before);
        ui(w).action("Fuj")->trigger();
        QCOMPARE(contents(existing), contents(f.paths.templateFile()));
        QCOMPARE(w->state().settings.lastCatalog, existing);
        QCOMPARE(ui(w).elem()->text(), "0 DB rekord ");

        // A reserved name, a folder that is not there, then a good name.
        const QString fresh = f.path("fresh.mdb");
        MessageBox::takeShown();
        FileDialog::addAnswers({f.path("init.plc"), f.path("nofolder/x.mdb"), fresh});
        ui(w).action("Fuj")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()),
                 (QStringList{kReserved, "# 76. File létrehizási hiba! Ellenőrizze az adatokat!"}));
        QVERIFY(!QFile::exists(f.path("init.plc")));
        QCOMPARE(w->state().settings.lastCatalog, fresh);
        QCOMPARE(contents(fresh), contents(f.paths.templateFile()));
    }

    void saveAsBindsTheCopy()
    {
        Fixture f;
        auto [w, before] = startOn(f, 9);
        const QString copy = f.path("copy.mdb");
        FileDialog::addAnswers({copy});
        ui(w).action("mas")->trigger();
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(contents(copy), contents(before));
        QCOMPARE(ui(w).Data1()->databaseName(), copy);

        // A folder cannot be written over; cancel then binds the catalog in force.
        QDir().mkpath(f.path("afolder.mdb"));
        FileDialog::addAnswers({f.path("afolder.mdb"), std::nullopt});
        ui(w).action("mas")->trigger();
        QCOMPARE(MessageBox::takeShown().last().text,
                 "Nem tudok hozzáférni az meghajtóhoz vagy úthoz !");
        QCOMPARE(w->state().settings.lastCatalog, copy);
        QCOMPARE(ui(w).elem()->text(), " 9 DB rekord ");

        // Saving over the open catalog itself keeps it whole.
        FileDialog::addAnswers({copy});
        MessageBox::addAnswers({Answer::Ok});
        ui(w).action("mas")->trigger();
        QCOMPARE(ui(w).elem()->text(), " 9 DB rekord ");

        // Neither saving nor compacting writes into the template through a link.
        const QByteArray tpl = contents(f.paths.templateFile());
        QVERIFY(QFile::link(f.paths.templateFile(), f.path("katalogus.mdb")));
        FileDialog::addAnswers({f.path("katalogus.mdb"), std::nullopt});
        MessageBox::addAnswers({Answer::Ok});
        ui(w).action("mas")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()).last(), kReserved);
        // The catalog in force turned into the template under its feet.
        QVERIFY(QFile::remove(copy) && QFile::link(f.paths.templateFile(), copy));
        ui(w).action("Ftomor")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{kCannotCompact});
        QCOMPARE(contents(f.paths.templateFile()), tpl);
    }

    void compactionReportText()
    {
        QCOMPARE(CatalogCommands::compactionReport(200000, 150000),
                 "              A tömörítés kész!\r\n"
                 "Eredeti hossz:  200000 byte\r\n"
                 "Új méret:  150000 byte\r\n"
                 "Nyereség:  50000 byte   25 %.");
        QVERIFY(CatalogCommands::compactionReport(3, 2).endsWith("  33.33333 %."));
    }

    void compaction()
    {
        Fixture f;
        auto [w, cat] = startOn(f, 3000);
        ui(w).Data1()->database().exec("DELETE FROM prgnev WHERE id > 10");
        const qint64 before = QFileInfo(cat).size();
        ui(w).action("Ftomor")->trigger();
        const qint64 after = QFileInfo(cat).size();
        QVERIFY(after < before);
        QCOMPARE(texts(MessageBox::takeShown()),
                 QStringList{CatalogCommands::compactionReport(before, after)});
        QVERIFY(!QFile::exists(cat + '2'));
        QCOMPARE(ui(w).elem()->text(), " 10 DB rekord ");

        // Nothing left to gain.
        ui(w).action("Ftomor")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()),
                 QStringList{"A tömörítés kész, de nem lehetett összébb nyomni!"});

        // A read-only catalog is left as it was, and bound again.
        ui(w).Data1()->database().exec("DELETE FROM prgnev WHERE id > 5");
        QVERIFY(QFile::setPermissions(cat, QFile::ReadOwner | QFile::ReadGroup));
        const QByteArray original = contents(cat);
        const QFile::Permissions mode = QFile::permissions(cat);
        ui(w).action("Ftomor")->trigger();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{kCannotCompact});
        QCOMPARE(contents(cat), original);
        QCOMPARE(QFile::permissions(cat), mode);
        QCOMPARE(ui(w).elem()->text(), " 5 DB rekord ");
        QVERIFY(ui(w).Data1()->isOpen() && ui(w).bar()->isHidden());
    }

    // The automatic compaction fails silently, the catalog bound again (a
    // successful one is tested with the builder); without the option it does
    // not run.
    void automaticCompactionFailsSilently()
    {
        Fixture f;
        auto [w, cat] = startOn(f, 7);
        QVERIFY(QDir().mkdir(cat + '2')); // the temporary file cannot be made
        ui(w).action("auttom")->setChecked(true);
        w->host().setBuilderChanged();
        w->host().activationSteps();
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!w->state().builderChanged && !w->state().autoCompacting);
        QVERIFY(ui(w).Data1()->isOpen());
        QCOMPARE(ui(w).elem()->text(), " 7 DB rekord ");

        ui(w).action("auttom")->setChecked(false);
        w->host().setBuilderChanged();
        w->host().activationSteps();
        QVERIFY(w->state().builderChanged);
    }
};

// This executable is also the conversion's child, as the program is.
int main(int argc, char** argv)
{
    if (const int code = jetimport::child::mainFor(argc, argv); code >= 0)
        return code;
    QApplication app(argc, argv);
    TestCatalogCommands test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_catalogcommands.moc"
