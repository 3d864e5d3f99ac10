#include "RawTree.h"
#include "retrieval/FileCopy.h"

#include <QTest>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>

using platform::CopyStep;
using retrieval::CopyFailure;
using retrieval::copyFile;

namespace {

int code(CopyStep step, int errnoValue)
{
    return int(step) * 1000 + errnoValue;
}

int code(const std::optional<CopyFailure>& f)
{
    return f ? code(f->step, f->errnoValue) : 0;
}

// Runs 'body' in a child process, as an ordinary user when asked (root
// writes anything), and gives back its exit code.
template <typename F> int inChild(bool asUser, F&& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (asUser && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

// An exit code: 0, the errno of a failure on the target side, or 200.
int targetErrno(const std::optional<CopyFailure>& f)
{
    return !f ? 0 : f->step == CopyStep::Target ? f->errnoValue : 200;
}

} // namespace

class TestFileCopy : public QObject
{
    Q_OBJECT

private slots:
    // Content, time and permissions arrive over an older copy, under a name
    // that is not UTF-8; nothing else is left in the folder.
    void copiesOverAnExistingFile()
    {
        RawTree::Dir dir;
        QByteArray content(9 << 20, 'x'); // more than one kernel copy at a time
        for (int i = 0; i < content.size(); i += 4093)
            content[i] = char(i);
        const QByteArray source = dir.path + "/forrás", target = dir.path + "/caf\xE9 'x'.bin";
        RawTree::write(source, content, 0444);
        const struct timespec t[2] = {{946684800, 123456789}, {946684800, 123456789}};
        ::utimensat(AT_FDCWD, source.constData(), t, 0);
        RawTree::write(target, "old", 0600);

        QCOMPARE(code(copyFile(source, target)), 0);
        QVERIFY(RawTree::read(target) == content);
        struct stat st;
        ::stat(target.constData(), &st);
        QCOMPARE(st.st_mtim.tv_sec, time_t(946684800));
        QCOMPARE(st.st_mtim.tv_nsec, 123456789L);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(st.st_mode & 0777, 0644 & ~mask); // a read-only source, a writable copy
        QCOMPARE(RawTree::names(dir.path).size(), 2);
    }

    void failuresTellTheirSide()
    {
        RawTree::Dir dir;
        const QByteArray file = dir.path + "/a.txt", folder = dir.path + "/mappa";
        RawTree::write(file, "a");
        RawTree::folder(folder);
        using enum CopyStep;
        QCOMPARE(code(copyFile(folder + "/nincs", folder + "/x")), code(Source, ENOENT));
        QCOMPARE(code(copyFile(folder, folder + "/x")), code(Source, EISDIR));
        QCOMPARE(code(copyFile(file, folder + "/nincs/x")), code(Target, ENOENT));
        QCOMPARE(code(copyFile(file, folder)), code(Target, EISDIR));
        QCOMPARE(code(copyFile(file, file, {.overwrite = false, .progress = {}})),
                 code(Target, EEXIST));
        QVERIFY(RawTree::names(folder).isEmpty());
    }

    // Like the system's own copy, a target the user may not write stays as
    // it is unless replacing it is asked for.
    void readOnlyTargets()
    {
        RawTree::Dir dir;
        ::chmod(dir.path.constData(), 0777);
        const QByteArray source = dir.path + "/uj", target = dir.path + "/regi";
        RawTree::write(source, "new");
        RawTree::write(target, "old", 0444);
        QCOMPARE(inChild(true, [&] { return targetErrno(copyFile(source, target)); }), EACCES);
        QCOMPARE(RawTree::read(target), QByteArray("old"));
        const auto replace = [&] {
            return targetErrno(copyFile(source, target, {.overReadOnly = true, .progress = {}}));
        };
        QCOMPARE(inChild(true, replace), 0);
        QCOMPARE(RawTree::read(target), QByteArray("new"));
    }

    // A target that fills up, or a copy given up half-way, leaves the old
    // file whole and nothing beside it; also where files cannot be made
    // without a name (FAT) and a temporary name is used instead.
    void noHalfWrittenFile()
    {
        for (const bool unnamed : {true, false}) {
            RawTree::Dir dir;
            const QByteArray source = dir.path + "/nagy", small = dir.path + "/kicsi";
            const QByteArray target = dir.path + "/cel/nagy";
            RawTree::folder(dir.path + "/cel");
            RawTree::write(source, QByteArray(3 << 20, 'n'));
            RawTree::write(small, "small");
            RawTree::write(target, "the old one");

            const int result = inChild(false, [&] {
                // Without /proc/self/fd a file without a name cannot get one.
                if (!unnamed &&
                    (::unshare(CLONE_NEWNS) != 0 ||
                     ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                     ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0))
                    return 77;
                ::signal(SIGXFSZ, SIG_IGN);
                const struct rlimit limit = {1 << 20, 1 << 20};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                if (const int e = targetErrno(copyFile(small, target + "2")); e != 0)
                    return e;
                return targetErrno(copyFile(source, target)) == EFBIG ? 0 : 1;
            });
            if (result == 77)
                QSKIP("no mount namespace here");
            QCOMPARE(result, 0);
            QCOMPARE(RawTree::read(target), QByteArray("the old one"));
            QCOMPARE(RawTree::read(target + "2"), QByteArray("small"));
            QCOMPARE(RawTree::names(dir.path + "/cel"), (QList<QByteArray>{"nagy", "nagy2"}));

            qint64 seen = 0;
            const auto stop = [&](qint64 n) { return (seen += n) < (1 << 20); };
            QCOMPARE(code(copyFile(source, target, {.progress = stop})),
                     code(CopyStep::Target, ECANCELED));
            QCOMPARE(RawTree::read(target), QByteArray("the old one"));
            QCOMPARE(RawTree::names(dir.path + "/cel").size(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestFileCopy)
#include "test_filecopy.moc"
