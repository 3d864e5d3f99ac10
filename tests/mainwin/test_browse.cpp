#include "Fixture.h"

#include "mainwin/PathTree.h"
#include "mainwin/PathTreeController.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QClipboard>
#include <QFileDialog>
#include <QProgressBar>
#include <QTableView>

using platform::FileDialog;
using platform::MessageBox;
using TestSupport::contents;

namespace {

// Two media: CD_1 with GAMES\DOOM (two files) and APPS, CD_2 with one folder.
QString twoMedia(Fixture& f)
{
    const QString file = f.catalog("media.mdb", 0);
    auto db = store::Database::open(file);
    db.exec("DELETE FROM ut");
    for (const auto& [name, folder] : {std::pair{"DOOM.EXE", "-CD_1- E:\\GAMES\\DOOM"},
                                       {"DOOM.WAD", "-CD_1- E:\\GAMES\\DOOM"},
                                       {"WORD.EXE", "-CD_1- E:\\APPS"},
                                       {"DAL.MP3", "-CD_2- F:\\ZENE"}}) {
        db.exec("INSERT OR IGNORE INTO ut (ut) VALUES (?1)", {folder});
        db.exec("INSERT INTO prgnev (nev, utid, hossz, datum) SELECT ?1, id, 10, "
                "'2024-03-05 10:00:00' FROM ut WHERE ut = ?2",
                {name, folder});
    }
    return file;
}

} // namespace

class TestBrowse : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary)); }

    void selectAllLimits_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("text"); // of the one box, if any
        const QString ask =
            "Ön  %1 db rekordot készűl kijelölni !\r\nfolytatja mégis a kijelöléseket ?";
        QTest::newRow("500") << 500 << QString();
        QTest::newRow("501") << 501 << ask.arg(501);
        QTest::newRow("5001") << 5001 << ask.arg(5001);
        QTest::newRow("5002") << 5002
                              << QString("Ön túl sok elemet akar kijelölni (5000<) ! Csökkentse a "
                                         "rekordok számát szűréssel");
    }

    void selectAllLimits()
    {
        QFETCH(int, rows);
        QFETCH(QString, text);
        Fixture f;
        auto w = f.startOn(f.catalog("k.mdb", rows));
        ui(w).tabla1()->selectRows(3, 3); // already marked rows keep their place
        MessageBox::addAnswers({MessageBox::Answer::Yes});
        ui(w).action("mki")->trigger();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), text.isEmpty() ? 0 : 1);
        QCOMPARE(shown.value(0).text, text);
        const int selected = rows > 5001 ? 1 : rows;
        const QList<qint64> marks = ui(w).tabla1()->SelBookmarks();
        QCOMPARE(ui(w).tabla1()->selCount(), qint64(selected));
        QCOMPARE(marks.first(), qint64(3));
        QCOMPARE(QSet<qint64>(marks.cbegin(), marks.cend()).size(), selected);
        QVERIFY(ui(w).bar()->isHidden());
    }

    void totalSize()
    {
        Fixture f;
        const QString file = f.catalog("k.mdb", 4);
        store::Database::open(file).exec("UPDATE prgnev SET hossz = CASE id WHEN 1 THEN 1415000 "
                                         "WHEN 2 THEN 500 WHEN 3 THEN 77 ELSE 9 END");
        auto w = f.startOn(file);
        ui(w).tabla1()->selectRows(2, 2);
        ui(w).tabla1()->selectRows(0, 1);
        w->muvEnabling();
        ui(w).action("osszm")->trigger();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text,
                 "A kijelölt File-ok ( 3 db) teljes helyfoglalása: 1,35 MByte !");
        QVERIFY(shown.first().icon == MessageBox::Icon::Information);
        QCOMPARE(ui(w).Data1()->absolutePosition(), qint64(2)); // the first marked row
        QCOMPARE(ui(w).tabla1()->col(), 2);
    }

    void contextViewMarksTheFile()
    {
        Fixture f;
        auto w = f.startOn(twoMedia(f));
        PathTree* fa = ui(w).Fa();
        ui(w).Data1()->setAbsolutePosition(1); // DOOM.WAD
        ui(w).action("korny")->trigger();
        QCOMPARE(fa->node(1)->text(0), "CD_1");
        QTreeWidgetItem* marked = fa->currentItem();
        QCOMPARE(marked->text(0), "DOOM.WAD");

        // Clicking a folder not opened yet loads all its files and opens it.
        const int apps = fa->indexOfKey("-CD_1- E:\\APPS");
        ui(w).tree()->Fa_NodeClick(fa->node(apps));
        QCOMPARE(fa->node(apps)->child(0)->text(0), "WORD.EXE");
        QVERIFY(fa->node(apps)->isExpanded());
        QCOMPARE(ui(w).tree()->marks().aktnode, apps);

        // The tree's pop-up copies a file by name, a folder and the medium as patterns.
        const auto copied = [&](QTreeWidgetItem* node) {
            ui(w).tree()->Fa_NodeClick(node);
            ui(w).action("famas")->trigger();
            return QGuiApplication::clipboard()->text();
        };
        QCOMPARE(copied(fa->node(apps)->child(0)), "WORD.EXE");
        QCOMPARE(copied(marked->parent()), "?CD_1? ?:\\GAMES\\DOOM");

        // On a folder row of a folders-only view the folder's first file is marked.
        ui(w).Data1()->setRecordSource(
            "SELECT '*' AS nev, ut AS ut, '----' AS hossz, '----' AS crc, "
            "'----' AS datum FROM ut ORDER BY id");
        ui(w).Data1()->refresh();
        ui(w).Data1()->setAbsolutePosition(2); // -CD_2- F:\ZENE
        ui(w).tree()->contextView();
        QCOMPARE(ui(w).tree()->marks().aktnev, "DAL.MP3");
        QCOMPARE(fa->currentItem()->text(0), "DAL.MP3");
        QCOMPARE(fa->node(1)->text(0), "CD_2");
    }

    // A folder whose parent holds a file of its name is an archive recorded
    // with its members: it shows the archive's picture, open or closed.
    void archiveFoldersShowAsArchives()
    {
        Fixture f;
        const QString file = f.catalog("archives.mdb", 0);
        auto db = store::Database::open(file);
        db.exec("DELETE FROM ut");
        for (const auto& [name, folder] :
             {std::pair{"PACK.ZIP", "-CD_1- E:\\GAMES"}, {"README", "-CD_1- E:\\GAMES\\PACK.ZIP"},
              {"A.TXT", "-CD_1- E:\\GAMES\\PACK.ZIP\\DOCS"}, {"TOP.ISO", "-CD_1- E:\\"},
              {"B.TXT", "-CD_1- E:\\TOP.ISO"}, {"C.TXT", "-CD_1- E:\\PLAIN"},
              {"D.TXT", "-CD_1- E:\\GAMES\\SRC.TAR.XZ\\SRC-1.0"}, {"SRC.TAR.XZ", "-CD_1- E:\\GAMES"}}) {
            db.exec("INSERT OR IGNORE INTO ut (ut) VALUES (?1)", {folder});
            db.exec("INSERT INTO prgnev (nev, utid, hossz, datum) SELECT ?1, id, 10, "
                    "'2024-03-05 10:00:00' FROM ut WHERE ut = ?2",
                    {name, folder});
        }
        db.close();
        auto w = f.startOn(file);
        PathTree* fa = ui(w).Fa();
        ui(w).Data1()->setAbsolutePosition(0);
        ui(w).action("korny")->trigger();
        const auto archive = [&](const char* key) { return fa->isArchiveNode(fa->indexOfKey(key)); };
        QVERIFY(archive("-CD_1- E:\\GAMES\\PACK.ZIP"));
        QVERIFY(archive("-CD_1- E:\\TOP.ISO"));
        QVERIFY(archive("-CD_1- E:\\GAMES\\SRC.TAR.XZ")); // no row: only a folder in it
        QVERIFY(!archive("-CD_1- E:\\GAMES"));
        QVERIFY(!archive("-CD_1- E:\\GAMES\\PACK.ZIP\\DOCS"));
        QVERIFY(!archive("-CD_1- E:\\PLAIN"));
        const int pack = fa->indexOfKey("-CD_1- E:\\GAMES\\PACK.ZIP");
        const qint64 closed = fa->node(pack)->icon(0).cacheKey();
        fa->node(pack)->setExpanded(true);
        QCOMPARE(fa->image(pack), "open");
        QVERIFY(fa->node(pack)->icon(0).cacheKey() != closed);
        const int plain = fa->indexOfKey("-CD_1- E:\\PLAIN");
        QVERIFY(fa->node(plain)->icon(0).cacheKey() != closed);

        // The expand-all key reaches the files too: they stay files.
        fa->setCurrentItem(fa->node(1));
        QTest::keyClick(fa, Qt::Key_Asterisk);
        const QTreeWidgetItem* readme = fa->node(pack)->child(1);
        QCOMPARE(readme->text(0), "README");
        QCOMPARE(fa->image(fa->indexOf(readme)), "elem");
    }

    void followModeRebuildsOnlyForAnotherMedium()
    {
        Fixture f;
        auto w = f.startOn(twoMedia(f));
        ui(w).action("kfriss")->setChecked(true);
        ui(w).Data1()->setAbsolutePosition(1);
        QCoreApplication::processEvents(); // follow mode waits for pending events
        QCOMPARE(ui(w).Fa()->node(1)->text(0), "CD_1");
        QTreeWidgetItem* games = ui(w).Fa()->node(ui(w).Fa()->indexOfKey("-CD_1- E:\\GAMES"));
        games->setExpanded(true);
        ui(w).Data1()->setAbsolutePosition(2); // WORD.EXE, the same medium
        QCoreApplication::processEvents();
        QVERIFY(games->isExpanded());
        ui(w).Data1()->setAbsolutePosition(3); // DAL.MP3 on CD_2
        QCoreApplication::processEvents();
        QCOMPARE(ui(w).Fa()->node(1)->text(0), "CD_2");
        QCOMPARE(ui(w).tree()->marks().aktut, "-CD_2- F:");
    }

    // After a bulk deletion the tree is built again for the current row's
    // medium, also when it already shows that medium.
    void rebuildAfterFoldersWereDeleted()
    {
        Fixture f;
        const QString file = twoMedia(f);
        auto w = f.startOn(file);
        ui(w).Data1()->setAbsolutePosition(2); // WORD.EXE in -CD_1- E:\APPS
        ui(w).tree()->contextView();
        QVERIFY(ui(w).Fa()->indexOfKey("-CD_1- E:\\APPS"));
        store::Database::open(file).exec("DELETE FROM ut WHERE ut = '-CD_1- E:\\APPS'");
        w->host().rebuildTree();
        QCOMPARE(ui(w).Fa()->node(1)->text(0), "CD_1");
        QVERIFY(ui(w).Fa()->node(1)->isExpanded());
        QVERIFY(!ui(w).Fa()->indexOfKey("-CD_1- E:\\APPS"));
        QVERIFY(ui(w).Fa()->indexOfKey("-CD_1- E:\\GAMES\\DOOM"));

        // On an empty view there is no row to take the medium from.
        w->host().setView({"SELECT * FROM alapfile WHERE nev = ?1", {"nincs"}, false, {}, false});
        const int nodes = ui(w).Fa()->count();
        w->host().rebuildTree();
        QCOMPARE(ui(w).Fa()->count(), nodes);

        // Another catalog starts a fresh tree.
        FileDialog::addAnswers({f.catalog("other.mdb", 2)});
        ui(w).action("Fnyit")->trigger();
        QCOMPARE(ui(w).Fa()->count(), 1);
        QCOMPARE(ui(w).Fa()->node(1)->text(0), "---");
        QVERIFY(ui(w).tree()->marks().aktnev.isEmpty());
    }

    // A tree build leaves the bar at its folder count; the commands after it
    // run on their own range.
    void commandsSetTheirOwnBarRange()
    {
        Fixture f;
        auto w = f.startOn(twoMedia(f));
        ui(w).Data1()->setAbsolutePosition(1);
        for (QAction* command : {ui(w).action("minden"), ui(w).action("Ftomor")}) {
            ui(w).tree()->contextView();
            QCOMPARE(ui(w).bar()->maximum(), 1);
            command->trigger();
            QCOMPARE(std::pair(ui(w).bar()->maximum(), ui(w).bar()->value()), std::pair(100, 100));
        }
    }

    // Pages the engine cannot read: the user hears it once, and no command
    // passes what it could read off as the whole.
    void damagedCatalogIsReportedOnce()
    {
        Fixture f;
        const QString file = f.catalog("k.mdb", 3000);
        QByteArray bytes = contents(file);
        // Every page that holds this file's name: its row and its index entry.
        const QByteArray name("FILE2900.EXE");
        for (qsizetype at = bytes.indexOf(name); at >= 0; at = bytes.indexOf(name, at + 1))
            bytes.replace(at / 4096 * 4096, 4096, QByteArray(4096, '\0'));
        TestSupport::writeFile(file, bytes);

        auto w = f.startOn(file);
        ui(w).tree()->contextView(); // the folder's files cannot all be read
        QCOMPARE(ui(w).Fa()->currentItem()->parent()->childCount(), 1); // no partial list
        ui(w).tabla1()->selectRows(0, 2999);
        QGuiApplication::clipboard()->setText("before");
        ui(w).action("mv")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), "before");
        ui(w).action("osszm")->trigger();
        QCoreApplication::processEvents();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.startsWith(
            "Az adatbázis sérült, nem minden adata olvasható:\r\n" + file));
        QCOMPARE(shown.first().icon, MessageBox::Icon::Critical);
    }

    // Typing in the grid finds the next row by its name, from the row the
    // user clicked; digits below 1 and blanks are no search.
    void typeAheadInTheGrid()
    {
        Fixture f;
        auto w = f.startOn(twoMedia(f));
        QTableView* view = ui(w).tabla1()->view();
        view->setCurrentIndex(view->model()->index(3, 0));
        QTest::keyClick(view, Qt::Key_D);
        QCOMPARE(ui(w).Data1()->absolutePosition(), qint64(0));
        QTest::keyClick(view, Qt::Key_0);
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(ui(w).Data1()->absolutePosition(), qint64(0));
    }

    void listing()
    {
        Fixture f;
        auto w = f.startOn(f.catalog("k.mdb", 1001));
        MessageBox::addAnswers({MessageBox::Answer::No});
        ui(w).action("lement")->trigger();
        QCOMPARE(MessageBox::takeShown().first().text,
                 "A rekordok száma  1001 ! Mégis menti?\r\n(Lehet, hogy sok időt vesz igénybe.)");
        QVERIFY(FileDialog::shown().isEmpty());

        const QString out = f.path("lista.txt");
        MessageBox::addAnswers({MessageBox::Answer::Yes});
        FileDialog::addAnswers({out});
        ui(w).action("lement")->trigger();
        QCOMPARE(FileDialog::takeShown().first().title, "Leválogatás mentése");
        QCOMPARE(contents(out).count("\r\n"), 4 + 1001);

        // An existing file is only replaced when the user says so.
        MessageBox::addAnswers({MessageBox::Answer::Yes, MessageBox::Answer::Cancel});
        FileDialog::addAnswers({out});
        TestSupport::writeFile(out, "keep");
        MessageBox::takeShown();
        ui(w).action("lement")->trigger();
        QCOMPARE(MessageBox::takeShown().size(), 2);
        QCOMPARE(contents(out), QByteArray("keep"));
    }

    // The save dialog offers CSV beside the listing, which stays its default;
    // the writer follows the extension of the name chosen, or typed without one.
    void listingAsCsv()
    {
        Fixture f;
        auto w = f.startOn(twoMedia(f));
        const QString csv = f.path("lista.CSV");
        FileDialog::addAnswers({csv});
        ui(w).action("lement")->trigger();
        const FileDialog::Options shown = FileDialog::takeShown().first();
        QCOMPARE(shown.filter,
                 "Szöveges dokumentum (.txt)|*.txt|CSV (*.csv)|*.csv|Minden file (*.*)|*.*");
        QCOMPARE(shown.defaultExtension, "*.txt");
        const QByteArray written = contents(csv);
        QVERIFY(written.startsWith("\xEF\xBB\xBFN\xC3\xA9v,\xC3\x9At,Hossz,D\xC3\xA1tum\r\n"));
        QCOMPARE(written.count("\r\n"), 5);
        QVERIFY(written.contains("\r\nDAL.MP3,-CD_2- F:\\ZENE,10,"));

        QFileDialog dialog;
        FileDialog::setUp(dialog, shown);
        QCOMPARE(dialog.defaultSuffix(), "txt");
        Q_EMIT dialog.filterSelected(FileDialog::nameFilters(shown.filter).at(1));
        QCOMPARE(dialog.defaultSuffix(), "csv");
        Q_EMIT dialog.filterSelected(FileDialog::nameFilters(shown.filter).at(2));
        QCOMPARE(dialog.defaultSuffix(), "txt");
    }

    // An empty view is a failure to write; the dialog comes back.
    void listingOfAnEmptyView()
    {
        Fixture f;
        auto w = f.startOn(f.catalog("k.mdb", 0));
        FileDialog::addAnswers({f.path("ures.txt"), std::nullopt});
        ui(w).action("lement")->trigger();
        QCOMPARE(MessageBox::takeShown().first().text,
                 "# 3021. File létrehizási hiba! Ellenőrizze az adatokat!");
        QCOMPARE(FileDialog::takeShown().size(), 2);
        QVERIFY(!QFile::exists(f.path("ures.txt")) && ui(w).bar()->isHidden());
    }
};

QTEST_MAIN(TestBrowse)
#include "test_browse.moc"
