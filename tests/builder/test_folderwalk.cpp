#include "BuilderFixture.h"
#include "builder/FolderWalk.h"
#include "platform/FileNames.h"

#include <QSet>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using builder::FolderWalk;

namespace {

struct Recorder : builder::WalkObserver
{
    QList<qint64> recorded;
    QStringList failures;
    int yields = 0;
    int vanished = 0;
    std::function<void(int)> onYield;

    void folderOpened(const QString&) override {}
    void yieldToUser() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void folderRecorded(qint64 id) override { recorded << id; }
    void fileVanished() override { ++vanished; }
    void recordingFailed(const QString& text) override { failures << text; }
};

// Walks drive path 'start' under 'label' into the fixture's catalog.
void scan(BuilderFixture& f, Recorder& r, const QString& start, const QString& label,
          FolderWalk* keep = nullptr)
{
    FolderWalk local(f.drives, r);
    FolderWalk& walk = keep ? *keep : local;
    walk.tablanyit(f.catalog);
    QVERIFY(walk.setOpenFolder(start));
    walk.konyvbejar(start, label);
    walk.close();
}

// Runs 'work' in a child process, where limits, users and mounts stay its
// own; its exit code and what it reported.
std::pair<int, QByteArray> inChild(const std::function<int(QByteArray& report)>& work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {-1, {}};
    const pid_t child = ::fork();
    if (child == 0) {
        QByteArray report;
        const int code = work(report);
        if (::write(fds[1], report.constData(), size_t(report.size())) < 0)
            ::_exit(4);
        ::_exit(code);
    }
    ::close(fds[1]);
    QByteArray report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WEXITSTATUS(status), report};
}

// A walk of the whole of drive E: under the label CD_1.
Recorder walkE(BuilderFixture& f, builder::FolderReader::ListingHook hook = {})
{
    Recorder r;
    FolderWalk walk(f.drives, r);
    walk.setListingHook(std::move(hook));
    scan(f, r, "E:\\", "CD_1", &walk);
    return r;
}

const QString kFolders = "SELECT ut FROM ut ORDER BY id";
const QString kFiles = "SELECT nev FROM prgnev ORDER BY id";

} // namespace

class TestFolderWalk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void foldersInPostOrderEachLinkedOnce()
    {
        BuilderFixture f;
        f.file("A/b.txt");
        f.file("A/a.txt");
        f.folder("A/B");
        f.file("Z/.rejtett");
        const Recorder r = walkE(f);

        QVERIFY(r.failures.isEmpty());
        QCOMPARE(f.column(kFolders),
                 (QStringList{"-CD_1- E:\\A\\B", "-CD_1- E:\\A", "-CD_1- E:\\Z", "-CD_1- E:\\"}));
        QCOMPARE(f.column(kFiles), (QStringList{"a.txt", "b.txt", ".rejtett"}));
        QCOMPARE(r.recorded, (QList<qint64>{0, 2, 3, 0}));
        QCOMPARE(r.yields, 4);
        // One default-keyword link per new row, none elsewhere.
        QCOMPARE(f.column("SELECT count(*) FROM ut_kulcsid u JOIN ut ON ut.id=u.id "
                          "WHERE u.kulcsid=1"),
                 QStringList{"4"});
        QCOMPARE(f.column("SELECT count(*) FROM nev_kulcsid n JOIN prgnev p ON "
                          "p.id=n.id WHERE n.kulcsid=1"),
                 QStringList{"3"});
        QCOMPARE(f.count("nev_kulcsid"), qint64(3));
    }

    void startBelowTheRootStaysThere()
    {
        BuilderFixture f;
        f.file("top.txt");
        f.file("GAMES/DOOM/doom.exe");
        Recorder r;
        FolderWalk walk(f.drives, r);
        scan(f, r, "E:\\GAMES", "x", &walk);
        QCOMPARE(f.column(kFolders), (QStringList{"-x- E:\\GAMES\\DOOM", "-x- E:\\GAMES"}));
        QCOMPARE(walk.openFolder(), "E:\\GAMES");

        // The same disc under another label is recorded again in full.
        scan(f, r, "E:\\GAMES", "X");
        QCOMPARE(f.count("ut"), qint64(4));
        QCOMPARE(f.count("prgnev"), qint64(2));
    }

    void refusedFolderKeepsEverythingBefore()
    {
        BuilderFixture f;
        f.file("A/B/b.txt");
        f.file("A/C/c.txt");
        Recorder first;
        scan(f, first, "E:\\A\\C", "CD_1");

        Recorder r;
        FolderWalk walk(f.drives, r);
        scan(f, r, "E:\\A", "CD_1", &walk);
        QCOMPARE(r.failures, QStringList{"UNIQUE constraint failed: ut.ut\r\nEzek az adatok már "
                                         "szerepelnek az adatbázisban"});
        QVERIFY(walk.stopRequest && walk.abandonMark);
        QCOMPARE(f.column(kFolders), (QStringList{"-CD_1- E:\\A\\C", "-CD_1- E:\\A\\B"}));
        QCOMPARE(f.column(kFiles), (QStringList{"c.txt", "b.txt"}));
        QCOMPARE(f.count("ut_kulcsid"), qint64(2));
        QCOMPARE(f.count("nev_kulcsid"), qint64(2));
    }

    void stopRequestEndsTheWalk()
    {
        BuilderFixture f;
        for (const char* d : {"A", "B", "C"})
            f.file(QStringLiteral("%1/f.txt").arg(QLatin1String(d)));
        Recorder r;
        FolderWalk walk(f.drives, r);
        r.onYield = [&](int n) {
            if (n == 2)
                walk.stopRequest = true;
        };
        scan(f, r, "E:\\", "CD_1", &walk);
        QCOMPARE(f.column(kFolders), QStringList{"-CD_1- E:\\A"});
        QCOMPARE(r.yields, 2);
        QVERIFY(!walk.abandonMark);
    }

    void lengthsDatesAndOddEntries()
    {
        qputenv("TZ", "Europe/Budapest");
        tzset();
        BuilderFixture f;
        f.file("regi.txt", "12345");
        const QByteArray dated = QFile::encodeName(f.e + "/regi.txt");
        const timespec times[2] = {{1709642710, 0}, {1709642710, 0}}; // 2024-03-05 12:45:10 UTC
        QCOMPARE(::utimensat(AT_FDCWD, dated.constData(), times, 0), 0);

        // Sparse: occupies nothing, yet longer than any 32-bit length.
        const qint64 big = 5LL * 1024 * 1024 * 1024 + 7;
        QFile sparse(f.e + "/nagy.img");
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(big));
        sparse.close();

        f.folder("sub");
        QVERIFY(QFile::link(f.e + "/regi.txt", f.e + "/link.txt"));
        QVERIFY(QFile::link(f.e, f.e + "/sub/loop"));
        QVERIFY(QFile::link(f.e + "/nincs", f.e + "/broken"));
        QCOMPARE(::mkfifo(QFile::encodeName(f.e + "/fifo").constData(), 0600), 0);
        TestSupport::writeFile(f.e + "/café.txt", "é");

        const Recorder r = walkE(f);
        QCOMPARE(f.column(kFolders), (QStringList{"-CD_1- E:\\sub", "-CD_1- E:\\"}));
        QCOMPARE(f.column("SELECT nev || '|' || hossz FROM prgnev ORDER BY id"),
                 (QStringList{"café.txt|2", "link.txt|5", QStringLiteral("nagy.img|%1").arg(big),
                              "regi.txt|5"}));
        QCOMPARE(f.column("SELECT datum FROM prgnev WHERE nev='regi.txt'"),
                 QStringList{"2024-03-05 13:45:10"});
    }

    void vanishedFileSkipsTheRestOfItsFolder()
    {
        BuilderFixture f;
        for (const char* n : {"a", "b", "c"})
            f.file(QStringLiteral("A/%1.txt").arg(QLatin1String(n)));
        f.file("root.txt");
        // Between listing the folder and reading its files.
        const Recorder r = walkE(f, [&f](const QString& path) {
            if (path == "E:\\A")
                QFile::remove(f.e + "/A/b.txt");
        });
        QCOMPARE(r.vanished, 1);
        QCOMPARE(f.column(kFiles), (QStringList{"a.txt", "root.txt"}));
        QCOMPARE(r.recorded, QList<qint64>{2}); // no caption for the folder that lost a file
        QCOMPARE(f.count("ut"), qint64(2));
    }

    void unreadableFolderIsRecordedEmpty()
    {
        BuilderFixture f;
        f.file("zart/titok.txt");
        f.file("nyitott/ok.txt");
        QFile::setPermissions(f.e + "/zart", {});
        QFile::setPermissions(f.dir.path(), QFile::Permissions(0x7777));
        QFile::setPermissions(f.catalog, QFile::Permissions(0x6666));

        // Root reads everything; the walk runs as an ordinary user then.
        const auto [code, report] = inChild([&f](QByteArray&) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return 2;
            return walkE(f).failures.isEmpty() ? 0 : 3;
        });
        QCOMPARE(code, 0);
        QFile::setPermissions(f.e + "/zart", QFile::Permissions(0x7700));
        QCOMPARE(f.column(kFolders),
                 (QStringList{"-CD_1- E:\\nyitott", "-CD_1- E:\\zart", "-CD_1- E:\\"}));
        QCOMPARE(f.column(kFiles), QStringList{"ok.txt"});
    }

    // A folder refused half-way is taken out whole; the folders before it
    // stay, and a batch the engine gave up itself is reported only once.
    void engineRefusals()
    {
        BuilderFixture f;
        f.file("A/a.txt");
        f.file("B/b1.txt");
        f.file("B/bad.txt");
        f.file("C/c.txt");
        {
            auto db = store::Database::open(f.catalog);
            db.execScript(QStringLiteral(
                "CREATE TRIGGER refuse BEFORE INSERT ON prgnev WHEN NEW.nev = 'bad.txt' "
                "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        }
        const Recorder r = walkE(f);
        QCOMPARE(r.failures,
                 QStringList{"refused\r\nEzek az adatok már szerepelnek az adatbázisban"});
        QCOMPARE(f.column(kFolders), QStringList{"-CD_1- E:\\A"});
        QCOMPARE(f.column(kFiles), QStringList{"a.txt"});
        QCOMPARE(f.count("ut_kulcsid"), qint64(1));
        QCOMPARE(f.count("nev_kulcsid"), qint64(1));

        {
            auto db = store::Database::open(f.catalog);
            db.execScript(QStringLiteral(
                "DROP TRIGGER refuse; CREATE TRIGGER refuse BEFORE INSERT ON prgnev WHEN "
                "NEW.nev = 'bad.txt' BEGIN SELECT RAISE(ROLLBACK, 'gone'); END"));
        }
        // The engine gave the whole batch up: the message and the captions say so.
        Recorder again;
        scan(f, again, "E:\\", "CD_2");
        QCOMPARE(again.failures, QStringList{"gone\r\nA rögzítés félbeszakadt, erről a lemezről "
                                             "semmi sem került az adatbázisba."});
        QVERIFY(again.recorded.isEmpty());
        QCOMPARE(f.count("ut"), qint64(1));
    }

    // Names that are no valid UTF-8, or hold a backslash, are stored apart
    // from names that read alike, and lead back to their own bytes.
    void oddNamesStayApartAndComeBack()
    {
        BuilderFixture f;
        const QByteArray e = QFile::encodeName(f.e);
        const QList<QByteArray> names = {"D_z\xFF", "D_z\xCB\x99", "D_z%FF", "a\\b"};
        for (const QByteArray& name : names) {
            QVERIFY(::mkdir((e + '/' + name).constData(), 0755) == 0);
            for (const QByteArray& file : {QByteArray("x"), name}) {
                const int fd =
                    ::open((e + '/' + name + '/' + file).constData(), O_CREAT | O_WRONLY, 0644);
                QVERIFY(fd >= 0);
                ::close(fd);
            }
        }
        const Recorder r = walkE(f);
        QVERIFY(r.failures.isEmpty());
        QCOMPARE(f.column(kFolders),
                 (QStringList{"-CD_1- E:\\a/5Cb", "-CD_1- E:\\D_z%FF", "-CD_1- E:\\D_z/FF",
                              "-CD_1- E:\\D_z\u02D9", "-CD_1- E:\\"}));
        QCOMPARE(f.count("prgnev"), qint64(8));

        // Every stored file opens again by its stored folder and name.
        QSet<QByteArray> reached;
        auto db = store::Database::open(f.catalog);
        auto st = db.prepare("SELECT ut.ut, nev FROM prgnev, ut WHERE utid = ut.id");
        while (st.step()) {
            const QString folder = st.value(0).toString().mid(QStringLiteral("-CD_1- ").size());
            const QByteArray path = f.drives.nativeBytes(folder) + '/' +
                                    platform::FileName::toBytes(st.value(1).toString());
            QVERIFY2(::access(path.constData(), F_OK) == 0, path.constData());
            reached.insert(path);
        }
        QCOMPARE(reached.size(), 8);
        for (const QByteArray& name : names) // QTemporaryDir cannot remove every one of them
            QVERIFY(::unlink((e + '/' + name + "/x").constData()) == 0 &&
                    ::unlink((e + '/' + name + '/' + name).constData()) == 0 &&
                    ::rmdir((e + '/' + name).constData()) == 0);
    }

    // The disk fills up in the middle of a scan: the captions and the message
    // name what the catalog holds, no folder more.
    void fullDiskMidScan()
    {
        BuilderFixture f;
        f.file("A/a.txt");
        f.file("B/b.txt");
        for (int i = 0; i < 2000; ++i)
            f.file(QStringLiteral("C/%1.dat").arg(i, 200, 10, QLatin1Char('0')));
        const auto [code, report] = inChild([&f](QByteArray& report) {
            // Room for the first batch only.
            const rlim_t room = rlim_t(QFileInfo(f.catalog).size() + 64 * 1024);
            const rlimit limit{room, room};
            ::signal(SIGXFSZ, SIG_IGN);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 2;
            // B comes a second after A, so A and B are committed together.
            const Recorder r = walkE(f, [](const QString& path) {
                if (path == "E:\\B")
                    QThread::msleep(1100);
            });
            for (const qint64 id : r.recorded)
                report += QByteArray::number(id) + ' ';
            report += '\n' + r.failures.join(QLatin1Char('|')).toUtf8();
            return 0;
        });
        QCOMPARE(code, 0);
        const qsizetype cut = report.indexOf('\n');
        const QList<QByteArray> captions = report.left(cut).split(' ');
        const QString failure = QString::fromUtf8(report.mid(cut + 1));
        QVERIFY2(failure.endsWith("\r\nA rögzítés félbeszakadt: az adatbázisba a(z) "
                                  "-CD_1- E:\\B mappáig került be minden, a többi nem."),
                 qPrintable(failure));
        QCOMPARE(f.column(kFolders), (QStringList{"-CD_1- E:\\A", "-CD_1- E:\\B"}));
        // The last caption shown is the last file the catalog holds.
        QCOMPARE(captions.at(captions.size() - 2),
                 f.column("SELECT max(id) FROM prgnev").first().toUtf8());
    }

    // A folder swapped for a link while the walk runs leads nowhere else.
    void swappedFolderIsNotFollowed()
    {
        BuilderFixture f;
        f.file("A/a.txt");
        f.file("B/b.txt");
        f.file("../titok/secret.txt");
        QVERIFY(QFile::exists(f.dir.path() + "/titok/secret.txt"));
        walkE(f, [&f](const QString& path) {
            if (path == "E:\\A") {
                QDir(f.e + "/B").removeRecursively();
                QFile::link(f.dir.path() + "/titok", f.e + "/B");
            }
        });
        QCOMPARE(f.column(kFiles), QStringList{"a.txt"});
    }

    // A file system mounted inside the tree is another drive: not entered,
    // also when it is a bind mount of the same file system.
    void mountsAreNotEntered()
    {
        BuilderFixture f;
        f.file("sajat.txt");
        f.folder("csatolt");
        f.file("../masik/idegen.txt");
        const QByteArray target = QFile::encodeName(f.e + "/csatolt");
        const QByteArray source = QFile::encodeName(f.dir.path() + "/masik");
        const auto [code, report] = inChild([&](QByteArray&) {
            // A mount namespace of its own, so nothing leaks out of the test.
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount(source.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
                return 77;
            walkE(f);
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
