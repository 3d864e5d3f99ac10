#include "BuilderFixture.h"
#include "builder/FolderWalk.h"
#include "platform/FileNames.h"

#include <QSet>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using builder::FolderWalk;

namespace {

struct Recorder : builder::WalkObserver
{
    QList<qint64> recorded;
    QStringList failures;
    int yields = 0;
    int vanished = 0;
    bool abandoned = false;
    qint64 unreadable = 0;
    QString openFolder;
    std::function<void(int)> onYield;

    void folderOpened(const QString&) override {}
    void yieldToUser() override { onYield ? onYield(++yields) : void(++yields); }
    void folderRecorded(qint64 id) override { recorded << id; }
    void fileVanished() override { ++vanished; }
    void recordingFailed(const QString& text) override { failures << text; }
};

using SetUp = std::function<void(FolderWalk&, Recorder&)>;

// Walks drive path 'start' under 'label' into the fixture's catalog.
Recorder scan(const BuilderFixture& f, const QString& start = "E:\\", const QString& label = "CD_1",
              const SetUp& setUp = {})
{
    Recorder r;
    FolderWalk walk(f.drives, r);
    if (setUp)
        setUp(walk, r);
    walk.tablanyit(f.catalog);
    if (walk.setOpenFolder(start))
        walk.konyvbejar(start, label);
    else
        r.failures << "cannot open " + start;
    walk.close();
    r.abandoned = walk.abandonMark;
    r.unreadable = walk.unreadableFiles();
    r.openFolder = walk.openFolder();
    return r;
}

// A walk of the whole of E: under CD_1 that calls 'hook' on each listing.
Recorder scanHooked(const BuilderFixture& f, const builder::FolderReader::ListingHook& hook)
{
    return scan(f, "E:\\", "CD_1", [&hook](FolderWalk& w, Recorder&) { w.setListingHook(hook); });
}

using TestSupport::inChild;

const QString kFolders = "SELECT ut FROM ut ORDER BY id";
const QString kFiles = "SELECT nev FROM prgnev ORDER BY id";
// Links beyond (or short of) one per folder and file row.
const QString kStrayLinks =
    "SELECT (SELECT count(*) FROM ut_kulcsid) + (SELECT count(*) FROM nev_kulcsid) - "
    "(SELECT count(*) FROM ut) - (SELECT count(*) FROM prgnev)";

} // namespace

class TestFolderWalk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Folders in post-order, each row linked once; lengths, dates, links and
    // entries that are neither file nor folder.
    void oneWalk()
    {
        qputenv("TZ", "Europe/Budapest");
        tzset();
        BuilderFixture f;
        f.tree({"A/b.txt", "A/a.txt", "A/B/", "Z/.rejtett"});
        f.file("regi.txt", "12345");
        const timespec times[2] = {{1709642710, 0}, {1709642710, 0}}; // 2024-03-05 12:45:10 UTC
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(f.e + "/regi.txt").constData(), times, 0),
                 0);
        // Sparse: occupies nothing, yet longer than any 32-bit length.
        const qint64 big = 5LL * 1024 * 1024 * 1024 + 7;
        QFile sparse(f.e + "/nagy.img");
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(big));
        sparse.close();
        QVERIFY(QFile::link(f.e + "/regi.txt", f.e + "/link.txt"));
        QVERIFY(QFile::link(f.e, f.e + "/A/B/loop"));
        QVERIFY(QFile::link(f.e + "/nincs", f.e + "/broken"));
        QCOMPARE(::mkfifo(QFile::encodeName(f.e + "/fifo").constData(), 0600), 0);
        TestSupport::writeFile(f.e + "/café.txt", "é");

        const Recorder r = scan(f);
        QVERIFY(r.failures.isEmpty());
        QCOMPARE(f.column(kFolders),
                 (QStringList{"-CD_1- E:\\A\\B", "-CD_1- E:\\A", "-CD_1- E:\\Z", "-CD_1- E:\\"}));
        QCOMPARE(f.column("SELECT nev || '|' || hossz FROM prgnev ORDER BY id"),
                 (QStringList{"a.txt|1", "b.txt|1", ".rejtett|1", "café.txt|2", "link.txt|5",
                              QStringLiteral("nagy.img|%1").arg(big), "regi.txt|5"}));
        QCOMPARE(f.column("SELECT datum FROM prgnev WHERE nev='regi.txt'"),
                 QStringList{"2024-03-05 13:45:10"});
        QCOMPARE(r.recorded, (QList<qint64>{0, 2, 3, 7}));
        QCOMPARE(r.yields, 4);
        QCOMPARE(f.column("SELECT group_concat(k) FROM (SELECT kulcsid k FROM ut_kulcsid "
                          "UNION ALL SELECT kulcsid FROM nev_kulcsid)"),
                 QStringList{"1,1,1,1,1,1,1,1,1,1,1"});
    }

    void startBelowTheRootStaysThere()
    {
        BuilderFixture f;
        f.tree({"top.txt", "GAMES/DOOM/doom.exe"});
        QCOMPARE(scan(f, "E:\\GAMES", "x").openFolder, "E:\\GAMES");
        QCOMPARE(f.column(kFolders), (QStringList{"-x- E:\\GAMES\\DOOM", "-x- E:\\GAMES"}));
        // The same disc under another label is recorded again in full.
        scan(f, "E:\\GAMES", "X");
        QCOMPARE(f.count("ut"), qint64(4));
        QCOMPARE(f.count("prgnev"), qint64(2));
    }

    // A folder refused half-way is taken out whole and the folders before it
    // stay; a batch the engine gave up itself is reported as lost.
    void refusals_data()
    {
        QTest::addColumn<QString>("trigger"); // none: B was recorded before
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("files");
        const QString kept = "\r\nEzek az adatok már szerepelnek az adatbázisban";
        const QString refuse = "CREATE TRIGGER refuse BEFORE INSERT ON prgnev WHEN NEW.nev = "
                               "'bad.txt' BEGIN SELECT RAISE(%1); END";
        QTest::newRow("folder already there")
            << QString() << "UNIQUE constraint failed: ut.ut" + kept
            << QStringList{"-CD_1- E:\\B", "-CD_1- E:\\A"}
            << QStringList{"b1.txt", "bad.txt", "a.txt"};
        QTest::newRow("file refused") << refuse.arg("ABORT, 'refused'") << "refused" + kept
                                      << QStringList{"-CD_1- E:\\A"} << QStringList{"a.txt"};
        QTest::newRow("batch given up")
            << refuse.arg("ROLLBACK, 'gone'")
            << "gone\r\nA rögzítés félbeszakadt, erről a lemezről semmi sem került az adatbázisba."
            << QStringList{} << QStringList{};
    }

    void refusals()
    {
        QFETCH(QString, trigger);
        QFETCH(QString, failure);
        QFETCH(QStringList, folders);
        QFETCH(QStringList, files);
        BuilderFixture f;
        f.tree({"A/a.txt", "B/b1.txt", "B/bad.txt", "C/c.txt"});
        if (trigger.isEmpty())
            scan(f, "E:\\B");
        else
            store::Database::open(f.catalog).execScript(trigger);
        const Recorder r = scan(f);
        QCOMPARE(r.failures, QStringList{failure});
        QVERIFY(r.abandoned);
        QCOMPARE(r.recorded.size(), files.isEmpty() ? 0 : 1); // A's caption, once committed
        QCOMPARE(f.column(kFolders), folders);
        QCOMPARE(f.column(kFiles), files);
        QCOMPARE(f.column(kStrayLinks), QStringList{"0"});
    }

    // Another program writing the catalog: the walk waits a while for it,
    // and when it does not let go, says so instead of "already there".
    void catalogHeldByAnotherProgram()
    {
        for (const bool letGo : {true, false}) {
            BuilderFixture f;
            f.tree({"A/a.txt", "B/b.txt"});
            std::thread holder;
            QElapsedTimer waited;
            const Recorder r = scan(f, "E:\\", "CD_1", [&](FolderWalk&, Recorder& rec) {
                rec.onYield = [&](int n) {
                    if (n != 1)
                        return;
                    std::promise<void> held;
                    std::future<void> isHeld = held.get_future();
                    holder = std::thread([&f, &held, letGo] {
                        store::Database other = store::Database::open(f.catalog);
                        other.execScript("BEGIN IMMEDIATE");
                        other.exec("INSERT INTO kulcs (kulcs) VALUES ('foglalt')");
                        held.set_value();
                        std::this_thread::sleep_for(std::chrono::milliseconds(letGo ? 3000 : 6500));
                        other.rollback();
                    });
                    isHeld.wait();
                    waited.start();
                };
            });
            const qint64 ms = waited.elapsed();
            holder.join();
            if (letGo) {
                QCOMPARE(r.failures, QStringList{});
                QCOMPARE(f.column(kFolders),
                         (QStringList{"-CD_1- E:\\A", "-CD_1- E:\\B", "-CD_1- E:\\"}));
            } else {
                QCOMPARE(r.failures,
                         QStringList{"Egy másik program éppen használja az adatbázist.\r\nA "
                                     "rögzítés félbeszakadt, erről a lemezről semmi sem került "
                                     "az adatbázisba."});
                QVERIFY(r.abandoned);
                QVERIFY2(ms >= 4000, qPrintable(QString::number(ms)));
                QCOMPARE(f.column(kFolders), QStringList{});
            }
        }
    }

    void stopRequestEndsTheWalk()
    {
        BuilderFixture f;
        f.tree({"A/f.txt", "B/f.txt", "C/f.txt"});
        const Recorder r = scan(f, "E:\\", "CD_1", [](FolderWalk& walk, Recorder& rec) {
            rec.onYield = [&walk](int n) { walk.stopRequest = n == 2; };
        });
        QCOMPARE(f.column(kFolders), QStringList{"-CD_1- E:\\A"});
        QCOMPARE(r.yields, 2);
        QVERIFY(!r.abandoned);
    }

    // Checksums are kept as their eight digits, also those that read as
    // numbers; an unreadable file is recorded without one and counted. With
    // the option off no file is read, so the unreadable one is no matter.
    void checksums()
    {
        for (const bool crc : {true, false}) {
            BuilderFixture f;
            f.file("a.txt", "123456789");
            f.file("b.txt", "polcozo 3854");
            f.file("c.txt", "polcozo 50");
            f.file("ures.txt", "");
            f.file("zart.txt", "titok");
            QFile::setPermissions(f.e + "/zart.txt", {});
            QFile::setPermissions(f.dir.path(), QFile::Permissions(0x7777));
            QFile::setPermissions(f.catalog, QFile::Permissions(0x6666));
            const QString report = f.dir.filePath("report");
            const int code = inChild([&] {
                if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                    return 2;
                const Recorder r =
                    scan(f, "E:\\", "CD_1", [crc](FolderWalk& w, Recorder&) { w.crc = crc; });
                TestSupport::writeFile(report, QByteArray::number(r.unreadable));
                return r.failures.isEmpty() ? 0 : 3;
            });
            QCOMPARE(code, 0);
            const QStringList with{"a.txt|CBF43926|9", "b.txt|00550667|12", "c.txt|3E235659|10",
                                   "ures.txt|00000000|0", "zart.txt|-|5"};
            const QStringList without{"a.txt|-|9", "b.txt|-|12", "c.txt|-|10", "ures.txt|-|0",
                                      "zart.txt|-|5"};
            QCOMPARE(f.column("SELECT nev || '|' || ifnull(CAST(crc AS TEXT), '-') || '|' || "
                              "hossz FROM prgnev ORDER BY nev"),
                     crc ? with : without);
            QCOMPARE(TestSupport::contents(report), crc ? "1" : "0");
        }
    }

    // A folder with much to read is shared between two threads; every
    // checksum still lands on its own file.
    void checksumsOfLargeFolder()
    {
        BuilderFixture f;
        for (int i = 0; i < 4; ++i)
            f.file(QStringLiteral("nagy/%1.bin").arg(i), QByteArray(3 << 20, char('a' + i)));
        scan(f, "E:\\", "CD_1", [](FolderWalk& w, Recorder&) { w.crc = true; });
        QCOMPARE(f.column("SELECT nev || '|' || CAST(crc AS TEXT) FROM prgnev ORDER BY nev"),
                 (QStringList{"0.bin|996961ED", "1.bin|B3133678", "2.bin|1C15F934",
                              "3.bin|E7E79952"}));
    }

    // Files and folders that change between listing a folder and reading it.
    void treeChangingUnderTheWalk()
    {
        BuilderFixture f;
        f.tree({"A/a.txt", "A/b.txt", "A/c.txt", "B/b.txt", "../titok/secret.txt", "root.txt"});
        const Recorder r = scanHooked(f, [&f](const QString& path) {
            if (path != "E:\\A")
                return;
            QFile::remove(f.e + "/A/b.txt");
            // A folder swapped for a link leads nowhere else.
            QDir(f.e + "/B").removeRecursively();
            QFile::link(f.dir.path() + "/titok", f.e + "/B");
        });
        QCOMPARE(r.vanished, 1);
        QCOMPARE(f.column(kFiles), (QStringList{"a.txt", "root.txt"}));
        // B is recorded empty; no caption for the folder that lost a file.
        QCOMPARE(r.recorded, (QList<qint64>{0, 2}));
    }

    void unreadableFolderIsRecordedEmpty()
    {
        BuilderFixture f;
        f.tree({"zart/titok.txt", "nyitott/ok.txt"});
        QFile::setPermissions(f.e + "/zart", {});
        QFile::setPermissions(f.dir.path(), QFile::Permissions(0x7777));
        QFile::setPermissions(f.catalog, QFile::Permissions(0x6666));
        // Root reads everything; the walk runs as an ordinary user then.
        const int code = inChild([&f] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return 2;
            return scan(f).failures.isEmpty() ? 0 : 3;
        });
        QCOMPARE(code, 0);
        QFile::setPermissions(f.e + "/zart", QFile::Permissions(0x7700));
        QCOMPARE(f.column(kFolders),
                 (QStringList{"-CD_1- E:\\nyitott", "-CD_1- E:\\zart", "-CD_1- E:\\"}));
        QCOMPARE(f.column(kFiles), QStringList{"ok.txt"});
    }

    // Names that are no valid UTF-8, or hold a backslash, are stored apart
    // from names that read alike, and lead back to their own bytes.
    void oddNamesStayApartAndComeBack()
    {
        BuilderFixture f;
        const QByteArray e = QFile::encodeName(f.e) + '/';
        const QList<QByteArray> names = {"D_z\xFF", "D_z\xCB\x99", "D_z%FF", "a\\b"};
        for (const QByteArray& name : names) {
            QVERIFY(::mkdir((e + name).constData(), 0755) == 0);
            for (const QByteArray& file : {QByteArray("x"), name})
                QVERIFY(::close(::open((e + name + '/' + file).constData(), O_CREAT, 0644)) == 0);
        }
        QVERIFY(scan(f).failures.isEmpty());
        QCOMPARE(f.column(kFolders),
                 (QStringList{"-CD_1- E:\\a/5Cb", "-CD_1- E:\\D_z%FF", "-CD_1- E:\\D_z/FF",
                              "-CD_1- E:\\D_z\u02D9", "-CD_1- E:\\"}));

        // Every stored file opens again by its stored folder and name.
        QSet<QByteArray> reached;
        auto st = store::Database::open(f.catalog).prepare(
            "SELECT substr(ut.ut, 8), nev FROM prgnev, ut WHERE utid = ut.id");
        while (st.step()) {
            const QByteArray path = f.drives.nativeBytes(st.value(0).toString()) + '/' +
                                    platform::FileName::toBytes(st.value(1).toString());
            QVERIFY2(::access(path.constData(), F_OK) == 0, path.constData());
            reached.insert(path);
        }
        QCOMPARE(reached.size(), 8);
        for (const QByteArray& name : names) // QTemporaryDir cannot remove every one of them
            QVERIFY(::unlink((e + name + "/x").constData()) == 0 &&
                    ::unlink((e + name + '/' + name).constData()) == 0 &&
                    ::rmdir((e + name).constData()) == 0);
    }

    // The disk fills up in the middle of a scan: the captions and the message
    // name what the catalog holds, no folder more.
    void fullDiskMidScan()
    {
        BuilderFixture f;
        f.tree({"A/a.txt", "B/b.txt"});
        for (int i = 0; i < 2000; ++i)
            f.file(QStringLiteral("C/%1.dat").arg(i, 200, 10, QLatin1Char('0')));
        const QString report = f.dir.filePath("report");
        const int code = inChild([&] {
            // Room for the first batch only.
            const rlim_t room = rlim_t(QFileInfo(f.catalog).size() + 64 * 1024);
            const rlimit limit{room, room};
            ::signal(SIGXFSZ, SIG_IGN);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 2;
            // B comes a second after A, so A and B are committed together.
            const Recorder r = scanHooked(f, [](const QString& path) {
                if (path == "E:\\B")
                    QThread::msleep(1100);
            });
            TestSupport::writeFile(
                report, QByteArray::number(r.recorded.isEmpty() ? -1 : r.recorded.last()) + '\n' +
                            r.failures.join('|').toUtf8());
            return 0;
        });
        QCOMPARE(code, 0);
        const QString lines = QString::fromUtf8(TestSupport::contents(report));
        const QString caption = lines.section('\n', 0, 0), failure = lines.section('\n', 1);
        QVERIFY2(failure.endsWith("\r\nA rögzítés félbeszakadt: az adatbázisba a(z) "
                                  "-CD_1- E:\\B mappáig került be minden, a többi nem."),
                 qPrintable(failure));
        QCOMPARE(f.column(kFolders), (QStringList{"-CD_1- E:\\A", "-CD_1- E:\\B"}));
        // The last caption shown is the last file the catalog holds.
        QCOMPARE(caption, f.column("SELECT max(id) FROM prgnev").first());
    }

    // A file system mounted inside the tree is another drive: not entered,
    // also when it is a bind mount of the same file system.
    void mountsAreNotEntered()
    {
        BuilderFixture f;
        f.tree({"sajat.txt", "csatolt/", "../masik/idegen.txt"});
        const QByteArray target = QFile::encodeName(f.e + "/csatolt");
        const QByteArray source = QFile::encodeName(f.dir.path() + "/masik");
        const int code = inChild([&] {
            // A mount namespace of its own, so nothing leaks out of the test.
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount(source.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
                return 77;
            scan(f);
            return 0;
        });
        if (code == 77)
            QSKIP("no mount namespace here");
        QCOMPARE(f.column(kFiles), QStringList{"sajat.txt"});
        QCOMPARE(f.column(kFolders), QStringList{"-CD_1- E:\\"});
    }
};

QTEST_GUILESS_MAIN(TestFolderWalk)
#include "test_folderwalk.moc"
