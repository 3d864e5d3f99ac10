#include "BuilderFixture.h"
#include "builder/FolderWalk.h"
#include "builder/MediumUpdate.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using builder::FolderWalk;
using builder::MediumUpdate;

namespace {

struct Observer : builder::WalkObserver
{
    QStringList failures;
    int yields = 0;
    std::function<void(int)> onYield;
    void folderOpened(const QString&) override {}
    void yieldToUser() override { onYield ? onYield(++yields) : void(++yields); }
    void folderRecorded(qint64) override {}
    void fileVanished() override {}
    void recordingFailed(const QString& text) override { failures << text; }
};

// Lays out a drive folder afresh: "A/x.txt=abc@5" is a file with its
// contents and the seconds added to a fixed modification time, "A/" a folder.
void layOut(const QString& root, const QStringList& entries)
{
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    for (const QString& entry : entries) {
        if (entry.endsWith(u'/')) {
            QDir().mkpath(root + u'/' + entry);
            continue;
        }
        const QString path = root + u'/' + entry.section(u'=', 0, 0);
        const QString rest = entry.section(u'=', 1);
        QDir().mkpath(QFileInfo(path).path());
        TestSupport::writeFile(path, rest.section(u'@', 0, 0).toUtf8());
        const time_t t = 1700000000 + rest.section(u'@', 1).toLong();
        const timespec times[2] = {{t, 0}, {t, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
    }
}

void scan(const BuilderFixture& f, const QString& label, const QString& start = "E:\\",
          bool crc = false)
{
    Observer o;
    FolderWalk walk(f.drives, o);
    walk.crc = crc;
    walk.tablanyit(f.catalog);
    QVERIFY(walk.setOpenFolder(start));
    walk.konyvbejar(start, label);
    walk.close();
    QCOMPARE(o.failures, QStringList{});
}

struct Result
{
    MediumUpdate::Outcome outcome;
    QStringList failures;
    QString text;
};

Result update(const BuilderFixture& f, const QString& label, const QString& start = "E:\\",
              const std::function<void(MediumUpdate&, Observer&)>& setUp = {})
{
    Observer o;
    MediumUpdate u(f.drives, o);
    if (setUp)
        setUp(u, o);
    const MediumUpdate::Outcome outcome = u.run(f.catalog, start, label);
    return {outcome, o.failures, u.resultText(outcome)};
}

// Every file and folder gets the keyword K beside its default one.
void tagEverything(const BuilderFixture& f)
{
    auto db = store::Database::open(f.catalog);
    db.execScript("INSERT INTO kulcs (kulcs) VALUES ('K'); INSERT INTO kulcsut (nev) VALUES ('K');"
                  "INSERT INTO nev_kulcsid SELECT id, 2 FROM prgnev;"
                  "INSERT INTO ut_kulcsid SELECT id, 2 FROM ut;");
}

// Files as "folder|name|length|K" (K when the keyword survived), then
// folders as "folder|K".
const QString kFileRows =
    "SELECT ut.ut || '|' || nev || '|' || hossz || '|' || ifnull((SELECT 'K' FROM nev_kulcsid k "
    "WHERE k.id = prgnev.id AND k.kulcsid = 2), '-') FROM prgnev, ut WHERE utid = ut.id ORDER BY 1";
const QString kFolderRows = "SELECT ut || '|' || ifnull((SELECT 'K' FROM ut_kulcsid k WHERE k.id = "
                            "ut.id AND k.kulcsid = 2), '-') FROM ut ORDER BY 1";
// Every row needs its default link and no link outlives its row.
const QString kBadLinks =
    "SELECT (SELECT count(*) FROM prgnev WHERE id NOT IN (SELECT id FROM nev_kulcsid WHERE "
    "kulcsid=1))"
    " + (SELECT count(*) FROM ut WHERE id NOT IN (SELECT id FROM ut_kulcsid WHERE kulcsid=1))"
    " + (SELECT count(*) FROM nev_kulcsid WHERE id NOT IN (SELECT id FROM prgnev))"
    " + (SELECT count(*) FROM ut_kulcsid WHERE id NOT IN (SELECT id FROM ut))";

// All rows of all tables, the counters of the keys included.
QStringList dump(const QString& catalog)
{
    auto db = store::Database::open(catalog);
    QStringList out;
    auto tables = db.prepare("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
    while (tables.step()) {
        const QString table = tables.value(0).toString();
        auto rows = db.prepare("SELECT * FROM \"" + table + "\" ORDER BY rowid");
        while (rows.step()) {
            QStringList cells{table};
            for (int c = 0; c < rows.columnCount(); ++c)
                cells << (rows.value(c).isNull() ? "NULL" : rows.value(c).toString());
            out << cells.join(u'|');
        }
    }
    return out;
}

QString counts(const QString& text)
{
    // "Új file:  2" and so on, one figure a line, without the title.
    QStringList figures;
    for (const QString& line : text.split("\r\n").mid(1))
        figures << line.section(u':', 1).trimmed();
    return figures.join(u',');
}

using TestSupport::inChild;

const QStringList kBefore{"a.txt=aaa",         "keep.txt=k",     "A/x.txt=xx",        "A/Readme=r",
                          "A/B/deep.txt=deep", "Gone/g1.txt=g1", "Gone/Sub/g2.txt=g2"};

} // namespace

class TestMediumUpdate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The rules, on a medium whose every row carries the keyword K.
    void rules_data()
    {
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>(
            "counts"); // files new, changed, removed, same; folders new, gone, same
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("folders");
        const QStringList allFolders{"-CD_1- E:\\A\\B|K", "-CD_1- E:\\A|K",
                                     "-CD_1- E:\\Gone\\Sub|K", "-CD_1- E:\\Gone|K",
                                     "-CD_1- E:\\|K"};
        QTest::newRow("nothing changed")
            << kBefore << "0,0,0,7,0,0,5"
            << QStringList{"-CD_1- E:\\A\\B|deep.txt|4|K", "-CD_1- E:\\A|Readme|1|K",
                           "-CD_1- E:\\A|x.txt|2|K",       "-CD_1- E:\\Gone\\Sub|g2.txt|2|K",
                           "-CD_1- E:\\Gone|g1.txt|2|K",   "-CD_1- E:\\|a.txt|3|K",
                           "-CD_1- E:\\|keep.txt|1|K"}
            << allFolders;
        // Renamed is gone plus new; rewritten keeps its row whether the
        // length or only the date tells.
        QTest::newRow("files added, removed, renamed, rewritten")
            << QStringList{"a.txt=aaaa",     "keep.txt=k@60",     "A/y.txt=xx",
                           "A/Readme=r",     "A/B/deep.txt=deep", "A/B/new.txt=n",
                           "Gone/g1.txt=g1", "Gone/Sub/g2.txt=g2"}
            << "2,2,1,4,0,0,5"
            << QStringList{"-CD_1- E:\\A\\B|deep.txt|4|K",    "-CD_1- E:\\A\\B|new.txt|1|-",
                           "-CD_1- E:\\A|Readme|1|K",         "-CD_1- E:\\A|y.txt|2|-",
                           "-CD_1- E:\\Gone\\Sub|g2.txt|2|K", "-CD_1- E:\\Gone|g1.txt|2|K",
                           "-CD_1- E:\\|a.txt|4|K",           "-CD_1- E:\\|keep.txt|1|K"}
            << allFolders;
        QTest::newRow("folders added and removed")
            << QStringList{"a.txt=aaa",  "keep.txt=k", "A/x.txt=xx",
                           "A/Readme=r", "A/B/",       "New/Deeper/n.txt=n"}
            << "1,0,3,4,1,2,3"
            << QStringList{"-CD_1- E:\\A|Readme|1|K", "-CD_1- E:\\A|x.txt|2|K",
                           "-CD_1- E:\\New\\Deeper|n.txt|1|-", "-CD_1- E:\\|a.txt|3|K",
                           "-CD_1- E:\\|keep.txt|1|K"}
            << QStringList{"-CD_1- E:\\A\\B|K", "-CD_1- E:\\A|K", "-CD_1- E:\\New\\Deeper|-",
                           "-CD_1- E:\\New|-", "-CD_1- E:\\|K"};
        // Names differing in case only are different files, as are folders.
        QTest::newRow("letter case")
            << QStringList{"a.txt=aaa",         "keep.txt=k",     "A/x.txt=xx",
                           "A/README=R",        "A/Readme=r",     "a/x.txt=xx",
                           "A/B/deep.txt=deep", "Gone/g1.txt=g1", "Gone/Sub/g2.txt=g2"}
            << "2,0,0,7,1,0,5"
            << QStringList{"-CD_1- E:\\A\\B|deep.txt|4|K",    "-CD_1- E:\\A|README|1|-",
                           "-CD_1- E:\\A|Readme|1|K",         "-CD_1- E:\\A|x.txt|2|K",
                           "-CD_1- E:\\Gone\\Sub|g2.txt|2|K", "-CD_1- E:\\Gone|g1.txt|2|K",
                           "-CD_1- E:\\a|x.txt|2|-",          "-CD_1- E:\\|a.txt|3|K",
                           "-CD_1- E:\\|keep.txt|1|K"}
            << QStringList{"-CD_1- E:\\A\\B|K", "-CD_1- E:\\A|K", "-CD_1- E:\\Gone\\Sub|K",
                           "-CD_1- E:\\Gone|K", "-CD_1- E:\\a|-", "-CD_1- E:\\|K"};
    }

    void rules()
    {
        QFETCH(QStringList, after);
        QFETCH(QString, counts);
        QFETCH(QStringList, files);
        QFETCH(QStringList, folders);
        BuilderFixture f;
        layOut(f.e, kBefore);
        scan(f, "CD_1");
        tagEverything(f);
        layOut(f.e, after);
        const Result r = update(f, "CD_1");
        QCOMPARE(r.failures, QStringList{});
        QCOMPARE(r.outcome, MediumUpdate::Outcome::Updated);
        QVERIFY(r.text.startsWith("A frissítés kész.\r\nÚj file: "));
        QCOMPARE(::counts(r.text), counts);
        QCOMPARE(f.column(kFileRows), files);
        QCOMPARE(f.column(kFolderRows), folders);
        QCOMPARE(f.column(kBadLinks), QStringList{"0"});
    }

    // Only the label typed, on the drive letter of the start folder, and only
    // below the start folder: look-alike labels, the same label on another
    // drive and the rest of the medium stay as they were.
    void otherMediaUntouched_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("start");
        QTest::newRow("plain") << "CD_1"
                               << "E:\\";
        QTest::newRow("quotes, blanks, backslash, wildcards") << "O'Br \"i\" \\ 5%_*?"
                                                              << "E:\\";
        QTest::newRow("below the root") << "CD_1"
                                        << "E:\\A";
    }

    void otherMediaUntouched()
    {
        QFETCH(QString, label);
        QFETCH(QString, start);
        BuilderFixture f;
        layOut(f.d, {"A/x.txt=d", "d.txt=d"});
        layOut(f.e, kBefore + QStringList{"A2/z.txt=z"}); // sorts among A's folders
        // Labels a pattern would take for this one, and this one on D:.
        QString lookAlike = label;
        lookAlike.replace("_", "X").replace("%", "YY");
        for (const QString& other : {lookAlike, label.toLower(), label + "2", label})
            scan(f, other, "D:\\");
        for (const QString& other : {lookAlike, label.toLower(), label + "2"})
            scan(f, other);
        scan(f, label);
        const QString mine = "-" + label + "- E:\\";
        const QString notMine = "SELECT ut || '|' || ifnull(nev, '') FROM ut LEFT JOIN prgnev ON "
                                "utid = ut.id WHERE substr(ut, 1, " +
                                QString::number(mine.size()) + ") <> ?1 ORDER BY 1";
        const auto others = [&] {
            auto db = store::Database::open(f.catalog);
            auto st = db.prepare(notMine);
            st.bindText(1, mine);
            QStringList rows;
            while (st.step())
                rows << st.value(0).toString();
            return rows;
        };
        const QStringList before = others();
        QCOMPARE(before.size(), 32);

        layOut(f.e,
               {"a.txt=aaa", "A/x.txt=xx", "A/new.txt=n", "A2/z.txt=z"}); // Gone, keep.txt, B go
        const Result r = update(f, label, start);
        QCOMPARE(r.failures, QStringList{});
        QCOMPARE(others(), before);
        QStringList expected{"-" + label + "- E:\\A|new.txt", "-" + label + "- E:\\A|x.txt",
                             "-" + label + "- E:\\A2|z.txt"};
        if (start == "E:\\A") // what lies outside the start folder stays
            expected += QStringList{"-" + label + "- E:\\Gone\\Sub|g2.txt",
                                    "-" + label + "- E:\\Gone|g1.txt", "-" + label + "- E:\\|a.txt",
                                    "-" + label + "- E:\\|keep.txt"};
        else
            expected << "-" + label + "- E:\\|a.txt";
        expected.sort();
        QStringList mineNow;
        for (const QString& row :
             f.column("SELECT ut || '|' || nev FROM prgnev, ut WHERE utid = ut.id ORDER BY 1"))
            if (row.startsWith(mine))
                mineNow << row;
        QCOMPARE(mineNow, expected);
    }

    // A medium recorded from D: is not updated from E: (the letter is part
    // of what identifies it); the message names both letters.
    void otherDriveLetter()
    {
        BuilderFixture f;
        layOut(f.d, kBefore);
        layOut(f.e, kBefore);
        scan(f, "CD_1", "D:\\");
        const QStringList before = dump(f.catalog);
        const Result r = update(f, "CD_1");
        QCOMPARE(r.outcome, MediumUpdate::Outcome::Failed);
        QCOMPARE(r.failures,
                 QStringList{"A(z) CD_1 címkéjű lemez a(z) D: meghajtóról van rögzítve, nem a(z) "
                             "E: meghajtóról! Frissíteni ugyanarról a meghajtóról lehet.\r\n"
                             "A frissítés elmaradt, az adatbázis nem változott."});
        QCOMPARE(dump(f.catalog), before);
        // A label the catalog does not hold at all is simply recorded.
        const Result fresh = update(f, "CD_2");
        QCOMPARE(::counts(fresh.text), "7,0,0,0,5,0,0");
    }

    // With checksums on, contents rewritten in place (same length, same
    // date) show as changed; with them off an unchanged file keeps its
    // checksum and a changed one loses it.
    void checksums()
    {
        BuilderFixture f;
        layOut(f.e, {"a.txt=123456789", "b.txt=bbb", "c.txt=ccc"});
        scan(f, "CD_1", "E:\\", true);
        tagEverything(f);
        const QString crcs = "SELECT nev || '|' || ifnull(CAST(crc AS TEXT), '-') FROM prgnev "
                             "ORDER BY nev";
        layOut(f.e, {"a.txt=123456780", "b.txt=bbb", "c.txt=ccc"});
        Result r = update(f, "CD_1", "E:\\", [](MediumUpdate& u, Observer&) { u.crc = true; });
        QCOMPARE(::counts(r.text), "0,1,0,2,0,0,1");
        QCOMPARE(f.column(crcs),
                 (QStringList{"a.txt|B2288182", "b.txt|4065CF0D", "c.txt|2FBBA4ED"}));
        layOut(f.e, {"a.txt=123456780", "b.txt=bbbb", "c.txt=ccc"});
        r = update(f, "CD_1");
        QCOMPARE(::counts(r.text), "0,1,0,2,0,0,1");
        QCOMPARE(f.column(crcs), (QStringList{"a.txt|B2288182", "b.txt|-", "c.txt|2FBBA4ED"}));
        QCOMPARE(f.column(kFileRows).filter("|K").size(), 3);
    }

    // A stop, a medium taken out in the middle (a folder gone between its
    // listing and its reading, a file gone likewise): nothing changes.
    void interruptedUpdateChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::newRow("stop") << "stop" << QString();
        QTest::newRow("folder gone")
            << "folder"
            << "A lemez olvasása közben hiba történt, vagy a lemezt kivették: E:\\";
        QTest::newRow("file gone")
            << "file"
            << "A lemez olvasása közben hiba történt, vagy a lemezt kivették: E:\\A";
    }

    void interruptedUpdateChangesNothing()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        BuilderFixture f;
        layOut(f.e, kBefore);
        scan(f, "CD_1");
        layOut(f.e, {"a.txt=aaaa", "A/x.txt=xx", "A/Readme=r", "A/B/deep.txt=deep", "Gone/g1.txt=g",
                     "New/n.txt=n"});
        const QStringList before = dump(f.catalog);
        const Result r = update(f, "CD_1", "E:\\", [&](MediumUpdate& u, Observer& o) {
            if (how == "stop")
                o.onYield = [&u](int n) { u.stopRequest = n == 3; };
            else
                u.setListingHook([&](const QString& path) {
                    if (how == "folder" && path == "E:\\A\\B")
                        QDir(f.e + "/New").removeRecursively();
                    if (how == "file" && path == "E:\\A")
                        QFile::remove(f.e + "/A/x.txt");
                });
        });
        if (how == "stop") {
            QCOMPARE(r.outcome, MediumUpdate::Outcome::Stopped);
            QCOMPARE(r.text, "A frissítés leállítva, az adatbázis nem változott.");
        } else {
            QCOMPARE(r.outcome, MediumUpdate::Outcome::Failed);
            QCOMPARE(
                r.failures,
                QStringList{message + "\r\nA frissítés elmaradt, az adatbázis nem változott."});
        }
        QCOMPARE(dump(f.catalog), before);
    }

    // The process killed anywhere in an update: the catalog is the one before
    // or the one after, row for row, never a mixture.
    void killedUpdateIsAllOrNothing()
    {
        BuilderFixture f;
        QStringList tree;
        for (int i = 0; i < 40; ++i)
            for (int j = 0; j < 10; ++j)
                tree << QStringLiteral("F%1/f%2.txt=%3").arg(i).arg(j).arg(i * j);
        layOut(f.e, tree);
        scan(f, "CD_1");
        tagEverything(f);
        QStringList changed;
        for (int i = 5; i < 45; ++i) // a few folders gone, some new, every file rewritten
            for (int j = 0; j < 10; ++j)
                changed << QStringLiteral("F%1/f%2.txt=%3@9").arg(i).arg(j).arg(i + j);
        layOut(f.e, changed);
        const QStringList before = dump(f.catalog);
        const QString copy = f.dir.filePath("after.mdb");
        QVERIFY(QFile::copy(f.catalog, copy));
        BuilderFixture g; // the same update, run to its end, on a copy
        g.drives = f.drives;
        g.catalog = copy;
        QCOMPARE(update(g, "CD_1").outcome, MediumUpdate::Outcome::Updated);
        const QStringList after = dump(copy);
        QVERIFY(after != before);

        const auto killedAt = [&](const QByteArray& point, qint64 n) {
            return inChild([&] {
                update(f, "CD_1", "E:\\", [&](MediumUpdate& u, Observer&) {
                    u.setPointHook([&](const char* at, qint64 done) {
                        if (point == at && done == n)
                            ::raise(SIGKILL);
                    });
                });
                return 0;
            });
        };
        for (const qint64 n : {1, 20, 40}) {
            QCOMPARE(killedAt("folder", n), 128 + SIGKILL);
            QCOMPARE(dump(f.catalog), before);
        }
        QCOMPARE(killedAt("commit", 41), 128 + SIGKILL);
        QCOMPARE(dump(f.catalog), before);

        // Killed from outside at moments of no choosing.
        bool sawAfter = false;
        for (const int ms : {0, 5, 15, 30, 60, 120, 400}) {
            const pid_t child = ::fork();
            if (child == 0) {
                update(f, "CD_1");
                ::_exit(0);
            }
            ::usleep(useconds_t(ms) * 1000);
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            const QStringList now = dump(f.catalog);
            QVERIFY2(now == before || now == after, qPrintable(QString::number(ms)));
            if (now == after) {
                sawAfter = true;
                break; // from here on every update would change nothing
            }
        }
        if (!sawAfter) {
            QCOMPARE(update(f, "CD_1").outcome, MediumUpdate::Outcome::Updated);
            QCOMPARE(dump(f.catalog), after);
        }
    }
};

QTEST_GUILESS_MAIN(TestMediumUpdate)
#include "test_mediumupdate.moc"
