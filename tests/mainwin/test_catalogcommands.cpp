#include "Fixture.h"
#include "TestSupport.h"

#include "JetCatalogFixture.h"
#include "jetimport/JetImport.h"
#include "mainwin/CatalogCommands.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QProgressBar>

using platform::FileDialog;
using platform::MessageBox;
using Answer = MessageBox::Answer;

namespace {

QStringList texts(const QList<MessageBox::Shown>& shown)
{
    QStringList t;
    for (const auto& s : shown)
        t << s.text;
    return t;
}

const QString kNoGain = QStringLiteral("A tömörítés kész, de nem lehetett összébb nyomni!");
const QString kCannotCompact = QStringLiteral(
    "Most nem lehetséges a tömörítés, a rendszer újraindítása után ismételje meg a műveletet !");

} // namespace

class TestCatalogCommands : public QObject
{
    Q_OBJECT

    // A running window on a catalog of 'files' rows.
    std::unique_ptr<fokep> startOn(Fixture& f, int files, QString* catalog = nullptr)
    {
        const QString cat = f.catalog(QStringLiteral("start.mdb"), files);
        if (catalog)
            *catalog = cat;
        return f.startOn(cat);
    }

private Q_SLOTS:
    // "Minden file (*.*)" lists every file, also one without a dot.
    void everyFileFilterListsNamesWithoutADot()
    {
        Fixture f;
        auto w = startOn(f, 1);
        TestSupport::writeFile(f.paths.programFolder + QStringLiteral("/OLVASSEL"), "x");
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        FileDialog::setUp(dialog, w->catalogCommands().dialog1(FileDialog::Mode::Open, QString()));
        const QStringList filters = dialog.nameFilters();
        QCOMPARE(filters.size(), 2);
        dialog.selectNameFilter(filters.at(1));
        auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(list);
        const auto names = [list] {
            QStringList n;
            for (int i = 0; i < list->model()->rowCount(list->rootIndex()); ++i)
                n << list->model()->index(i, 0, list->rootIndex()).data().toString();
            return n;
        };
        QTRY_VERIFY(names().contains(QStringLiteral("OLVASSEL")));
        dialog.selectNameFilter(filters.at(0));
        QTRY_VERIFY(!names().contains(QStringLiteral("OLVASSEL")));
    }

    void openRefusesTheTemplateAndReportsFailures()
    {
        Fixture f;
        QString before;
        auto w = startOn(f, 3, &before);
        // The template is known by what file it is, however its path is spelt.
        const QString prog = f.paths.programFolder;
        const QString link = f.path(QStringLiteral("katalogus.mdb"));
        QVERIFY(QFile::link(f.paths.templateFile(), link));
        FileDialog::addAnswers(
            {f.path(QStringLiteral("xinit.plc")), prog + QStringLiteral("/./init.plc"),
             prog + QStringLiteral("//init.plc"), link, f.path(QStringLiteral("missing.mdb")),
             f.path(QStringLiteral("nofolder/a.mdb")), std::nullopt});
        w->Fnyit_Click();
        const auto shown = MessageBox::takeShown();
        const QString internal = QStringLiteral("Ez belső adatbázis ! Nyisson meg egy másikat !");
        const QString badPath =
            QStringLiteral("Rossz út vagy File név ! Ellenőrizze, majd próbálja újra.");
        QCOMPARE(texts(shown),
                 (QStringList{internal, internal, internal, internal, badPath, badPath}));
        QCOMPARE(shown.at(0).icon, MessageBox::Icon::Critical);
        QCOMPARE(shown.at(4).icon, MessageBox::Icon::Exclamation);
        QCOMPARE(FileDialog::takeShown().size(), 7);
        // Every failure leaves the catalog in force, bound again on cancel.
        QCOMPARE(w->state().settings.lastCatalog, before);
        QCOMPARE(w->tabla1->caption(), QStringLiteral("Megnyitva: ") + before);
        QCOMPARE(w->elem->text(), QStringLiteral(" 3 DB rekord "));
        QVERIFY(w->bar->isHidden());

        const QString other = f.catalog(QStringLiteral("other.mdb"), 8);
        FileDialog::addAnswers({other});
        w->Fnyit_Click();
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(w->state().settings.lastCatalog, other);
        QCOMPARE(w->tabla1->caption(), QStringLiteral("Megnyitva: ") + other);
        QCOMPARE(w->elem->text(), QStringLiteral(" 8 DB rekord "));
    }

    // A Jet catalog opens as a converted copy beside it, the original untouched;
    // No at the question, or a cancelled dialog, leaves the catalog in force.
    void openJetCatalogByConversion_data()
    {
        QTest::addColumn<int>("cancelAt"); // 0: never, 1: question, 2: dialog
        QTest::newRow("converted") << 0;
        QTest::newRow("no at the question") << 1;
        QTest::newRow("dialog cancelled") << 2;
    }

    void openJetCatalogByConversion()
    {
        QFETCH(int, cancelAt);
        Fixture f;
        QString before;
        auto w = startOn(f, 3, &before);
        const QString jet = f.path(QStringLiteral("regi.mdb"));
        jetfixture::Catalog c = jetfixture::makeCatalog(5, 4);
        jetwriter::write(jet, c.tables, {jetwriter::Version::Jet4});
        const QByteArray original = TestSupport::contents(jet);
        const QString target = f.path(QStringLiteral("regi_uj.mdb"));

        MessageBox::addAnswers({cancelAt == 1 ? Answer::No : Answer::Yes});
        FileDialog::addAnswers({jet});
        FileDialog::addAnswers({cancelAt == 2 ? std::optional<QString>() : target});
        w->Fnyit_Click();

        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.first().text, jetimport::convertQuestion(jet));
        QCOMPARE(shown.first().buttons, MessageBox::Buttons::YesNo);
        QCOMPARE(TestSupport::contents(jet), original);
        const auto dialogs = FileDialog::takeShown();
        if (cancelAt != 0) {
            QVERIFY(!QFile::exists(target));
            QCOMPARE(w->state().settings.lastCatalog, before);
            QCOMPARE(w->elem->text(), QStringLiteral(" 3 DB rekord "));
            return;
        }
        QCOMPARE(dialogs.size(), 2);
        QCOMPARE(dialogs.at(1).fileName, QStringLiteral("regi_uj.mdb"));
        QCOMPARE(dialogs.at(1).title, jetimport::targetDialogTitle());
        QCOMPARE(w->state().settings.lastCatalog, target);
        QCOMPARE(w->tabla1->caption(), QStringLiteral("Megnyitva: ") + target);
        QCOMPARE(w->state().recordCount, qint64(c.table("prgnev").rows.size()));
        QVERIFY(w->bar->isHidden());
    }

    // A damaged file, or an SQLite file that is no catalog although it has a
    // table called alapfile: the default catalog is made afresh and bound.
    void openDamagedOrForeignFile_data()
    {
        QTest::addColumn<bool>("foreign");
        QTest::newRow("damaged") << false;
        QTest::newRow("foreign") << true;
    }

    void openDamagedOrForeignFile()
    {
        QFETCH(bool, foreign);
        Fixture f;
        auto w = startOn(f, 3);
        const QString file = f.path(QStringLiteral("idegen.mdb"));
        if (foreign)
            store::Database::create(file).execScript(
                QStringLiteral("CREATE TABLE alapfile(nev, ut, hossz, crc, datum)"));
        else
            TestSupport::writeFile(file, QByteArray(2048, '\x7f'));

        // A filled default catalog is set aside first, and the user hears where.
        QFile::copy(f.catalog(QStringLiteral("regi.mdb"), 2), f.paths.defaultCatalog);

        FileDialog::addAnswers({file, f.path(QStringLiteral("missing.mdb")), std::nullopt});
        w->Fnyit_Click();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(texts(shown).first(),
                 QStringLiteral("Sérült vagy ismeretlen adatbázis! Nyisson meg másikat."));
        QCOMPARE(shown.first().icon, MessageBox::Icon::Critical);
        QCOMPARE(f.keptAside().size(), 1);
        QCOMPARE(shown.at(1).text, CatalogCommands::keptAsideText(f.keptAside().first()));
        // After it the fresh default catalog is the one in force.
        QCOMPARE(shown.size(), 3);
        QCOMPARE(w->state().settings.lastCatalog, f.paths.defaultCatalog);
        QCOMPARE(w->Data1->databaseName(), f.paths.defaultCatalog);
        QCOMPARE(w->elem->text(), QStringLiteral("0 DB rekord "));
    }

    void newCatalog()
    {
        Fixture f;
        QString before;
        auto w = startOn(f, 4, &before);
        const QString existing = f.catalog(QStringLiteral("existing.mdb"), 6);
        const QByteArray original = TestSupport::contents(existing);

        // Cancel on the question leaves everything as it was.
        FileDialog::addAnswers({existing});
        MessageBox::addAnswers({Answer::Cancel});
        w->Fuj_Click();
        QCOMPARE(texts(MessageBox::takeShown()),
                 QStringList{QStringLiteral("A File már létezik ! Felülírjam?")});
        QCOMPARE(TestSupport::contents(existing), original);
        QCOMPARE(w->state().settings.lastCatalog, before);
        QCOMPARE(w->elem->text(), QStringLiteral(" 4 DB rekord "));

        // OK replaces it with the empty template.
        FileDialog::addAnswers({existing});
        MessageBox::addAnswers({Answer::Ok});
        w->Fuj_Click();
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(TestSupport::contents(existing), TestSupport::contents(f.paths.templateFile()));
        QCOMPARE(w->state().settings.lastCatalog, existing);
        QCOMPARE(w->elem->text(), QStringLiteral("0 DB rekord "));
        QCOMPARE(w->tabla1->caption(), QStringLiteral("Megnyitva: ") + existing);

        // A reserved name, a folder that is not there, then a good name.
        const QString fresh = f.path(QStringLiteral("fresh.mdb"));
        FileDialog::addAnswers(
            {f.path(QStringLiteral("init.plc")), f.path(QStringLiteral("nofolder/x.mdb")), fresh});
        w->Fuj_Click();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(
            texts(shown),
            (QStringList{QStringLiteral("Ez foglalt név, adjon más nevet az új adatbázisnak !"),
                         QStringLiteral("# 76. File létrehizási hiba! Ellenőrizze az adatokat!")}));
        QCOMPARE(shown.first().icon, MessageBox::Icon::Critical);
        QVERIFY(!QFile::exists(f.path(QStringLiteral("init.plc"))));
        QCOMPARE(w->state().settings.lastCatalog, fresh);
        QCOMPARE(TestSupport::contents(fresh), TestSupport::contents(f.paths.templateFile()));
    }

    void saveAsBindsTheCopy()
    {
        Fixture f;
        QString before;
        auto w = startOn(f, 9, &before);
        const QString copy = f.path(QStringLiteral("copy.mdb"));
        FileDialog::addAnswers({copy});
        w->mas_Click();
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(TestSupport::contents(copy), TestSupport::contents(before));
        QCOMPARE(w->state().settings.lastCatalog, copy);
        QCOMPARE(w->Data1->databaseName(), copy);
        QCOMPARE(w->elem->text(), QStringLiteral(" 9 DB rekord "));

        // A folder cannot be written over; cancel then binds the catalog in force.
        QDir().mkpath(f.path(QStringLiteral("afolder.mdb")));
        FileDialog::addAnswers({f.path(QStringLiteral("afolder.mdb")), std::nullopt});
        w->mas_Click();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(texts(shown).last(),
                 QStringLiteral("Nem tudok hozzáférni az meghajtóhoz vagy úthoz !"));
        QCOMPARE(shown.last().icon, MessageBox::Icon::Critical);
        QCOMPARE(w->state().settings.lastCatalog, copy);
        QVERIFY(w->Data1->isOpen());
        QCOMPARE(w->elem->text(), QStringLiteral(" 9 DB rekord "));

        // Saving over the open catalog itself keeps it whole.
        FileDialog::addAnswers({copy});
        MessageBox::addAnswers({Answer::Ok});
        w->mas_Click();
        QCOMPARE(w->elem->text(), QStringLiteral(" 9 DB rekord "));
    }

    void compactionReportText()
    {
        QCOMPARE(CatalogCommands::compactionReport(200000, 150000),
                 QStringLiteral("              A tömörítés kész!\r\n"
                                "Eredeti hossz:  200000 byte\r\n"
                                "Új méret:  150000 byte\r\n"
                                "Nyereség:  50000 byte   25 %."));
        QVERIFY(CatalogCommands::compactionReport(3, 2).endsWith(QStringLiteral("  33.33333 %.")));
    }

    void compactShrinksAndReports()
    {
        Fixture f;
        QString cat;
        auto w = startOn(f, 3000, &cat);
        w->Data1->database().exec(QStringLiteral("DELETE FROM prgnev WHERE id > 10"));
        const qint64 before = QFileInfo(cat).size();
        w->Ftomor_Click();
        const qint64 after = QFileInfo(cat).size();
        QVERIFY(after < before);
        QCOMPARE(texts(MessageBox::takeShown()),
                 QStringList{CatalogCommands::compactionReport(before, after)});
        QVERIFY(!QFile::exists(cat + QLatin1Char('2')));
        QCOMPARE(w->elem->text(), QStringLiteral(" 10 DB rekord "));
        QVERIFY(w->Data1->isOpen());

        // Nothing left to gain.
        w->Ftomor_Click();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{kNoGain});
    }

    void failedCompactionKeepsTheCatalog_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("temporary file blocked") << false;
        QTest::newRow("read-only catalog") << true;
    }

    void failedCompactionKeepsTheCatalog()
    {
        QFETCH(bool, readOnly);
        Fixture f;
        QString cat;
        auto w = startOn(f, 3000, &cat);
        w->Data1->database().exec(QStringLiteral("DELETE FROM prgnev WHERE id > 5"));
        if (readOnly)
            QVERIFY(
                QFile::setPermissions(cat, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        else
            QVERIFY(QDir().mkdir(cat + QLatin1Char('2'))); // the temporary file cannot be made
        const QByteArray original = TestSupport::contents(cat);
        const QFile::Permissions mode = QFile::permissions(cat);
        w->Ftomor_Click();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{kCannotCompact});
        QCOMPARE(TestSupport::contents(cat), original);
        QCOMPARE(QFile::permissions(cat), mode);
        QCOMPARE(w->elem->text(), QStringLiteral(" 5 DB rekord "));
        QVERIFY(w->Data1->isOpen());
        QVERIFY(w->bar->isHidden());
    }

    // Neither saving over the template through a link nor compacting it writes into it.
    void templateIsNeverWritten()
    {
        Fixture f;
        auto w = startOn(f, 3);
        const QString tpl = f.paths.templateFile();
        const QByteArray original = TestSupport::contents(tpl);
        const QString link = f.path(QStringLiteral("katalogus.mdb"));
        QVERIFY(QFile::link(tpl, link));
        FileDialog::addAnswers({link, std::nullopt});
        MessageBox::addAnswers({Answer::Ok});
        w->mas_Click();
        QCOMPARE(texts(MessageBox::takeShown()).last(),
                 QStringLiteral("Ez foglalt név, adjon más nevet az új adatbázisnak !"));

        w->state().settings.lastCatalog = link;
        w->Ftomor_Click();
        QCOMPARE(texts(MessageBox::takeShown()), QStringList{kCannotCompact});
        QCOMPARE(TestSupport::contents(tpl), original);
        QVERIFY(QFileInfo(link).isSymLink());
    }

    // The automatic compaction fails silently, the catalog bound again (a
    // successful one is tested with the builder); without the option it does
    // not run.
    void automaticCompactionFailsSilently()
    {
        Fixture f;
        QString cat;
        auto w = startOn(f, 7, &cat);
        QVERIFY(QDir().mkdir(cat + QLatin1Char('2')));
        w->auttom->setChecked(true);
        w->state().builderChanged = true;
        w->Form_Activate();
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!w->state().builderChanged && !w->state().autoCompacting);
        QVERIFY(w->Data1->isOpen());
        QCOMPARE(w->elem->text(), QStringLiteral(" 7 DB rekord "));

        w->auttom->setChecked(false);
        w->state().builderChanged = true;
        w->Form_Activate();
        QVERIFY(w->state().builderChanged);
    }
};

QTEST_MAIN(TestCatalogCommands)
#include "test_catalogcommands.moc"
