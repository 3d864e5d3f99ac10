#include "retrieval/FileCopy.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::CopyStep;
using retrieval::CopyFailure;
using retrieval::copyFile;

namespace {

QByteArray bytes(const QString& path)
{
    return QFile::encodeName(path);
}

// File names as bytes: QFile cannot open a name that is not UTF-8.
QByteArray readRaw(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buffer[65536];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    if (fd >= 0)
        ::close(fd);
    return out;
}

void writeRaw(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, content.constData(), content.size()) != content.size())
        qFatal("cannot write %s", path.constData());
    ::close(fd);
}

struct stat statOf(const QByteArray& path)
{
    struct stat st = {};
    if (::stat(path.constData(), &st) != 0)
        qFatal("no %s", path.constData());
    return st;
}

void setTime(const QByteArray& path, time_t seconds, long nanoseconds)
{
    const struct timespec t[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    if (::utimensat(AT_FDCWD, path.constData(), t, 0) != 0)
        qFatal("utimensat");
}

QStringList entries(const QString& folder)
{
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    while (const dirent* e = dir ? ::readdir(dir) : nullptr)
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names << QString::fromLatin1(e->d_name);
    if (dir)
        ::closedir(dir);
    names.sort();
    return names;
}

// Runs 'body' in a child process (as an ordinary user when root, so that
// permissions count) and gives back its exit code.
template <typename F> int inChild(F&& body, bool asUser)
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

int failureCode(const std::optional<CopyFailure>& f)
{
    return f ? int(f->step) * 1000 + f->errnoValue : 0;
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
    // Contents, times and permissions arrive; an existing target is replaced.
    void copiesOverAnExistingFile()
    {
        QTemporaryDir dir;
        const QByteArray big(9 << 20, 'x'); // more than one kernel copy chunk
        QByteArray content = big;
        for (int i = 0; i < content.size(); i += 4093)
            content[i] = char(i);
        const QString source = dir.filePath(QStringLiteral("forrás"));
        const QByteArray raw = bytes(dir.path()) + "/caf\xE9 'x'.bin"; // not UTF-8
        TestSupport::writeFile(source, content);
        ::chmod(bytes(source).constData(), 0444);
        setTime(bytes(source), 946684800, 123456789);
        writeRaw(raw, "old");
        ::chmod(raw.constData(), 0600);

        QCOMPARE(failureCode(copyFile(bytes(source), raw)), 0);
        QVERIFY(readRaw(raw) == content);
        const struct stat st = statOf(raw);
        QCOMPARE(st.st_mtim.tv_sec, time_t(946684800));
        QCOMPARE(st.st_mtim.tv_nsec, 123456789L);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(st.st_mode & 0777, (0644 & ~mask)); // read-only source, writable copy
        QCOMPARE(entries(dir.path()).size(), 2);     // no temporary left
        ::unlink(raw.constData());                   // QTemporaryDir cannot remove it

        // An empty file, and a name that is only a name.
        const QString empty = dir.filePath(QStringLiteral("üres"));
        TestSupport::writeFile(empty, {});
        QCOMPARE(failureCode(copyFile(bytes(empty), bytes(empty + QStringLiteral("2")))), 0);
        QCOMPARE(QFileInfo(empty + QStringLiteral("2")).size(), 0);
    }

    void failuresTellTheirSide()
    {
        QTemporaryDir dir;
        const QByteArray file = bytes(dir.filePath(QStringLiteral("a.txt")));
        const QByteArray folder = bytes(dir.filePath(QStringLiteral("mappa")));
        TestSupport::writeFile(QFile::decodeName(file), "a");
        QDir().mkpath(QFile::decodeName(folder));
        const auto code = [](int step, int e) { return step * 1000 + e; };
        const int source = int(CopyStep::Source), target = int(CopyStep::Target);

        QCOMPARE(failureCode(copyFile(folder + "/nincs", folder + "/x")), code(source, ENOENT));
        QCOMPARE(failureCode(copyFile(folder, folder + "/x")), code(source, EISDIR));
        QCOMPARE(failureCode(copyFile(file, folder + "/nincs/x")), code(target, ENOENT));
        QCOMPARE(failureCode(copyFile(file, folder)), code(target, EISDIR));
        retrieval::FileCopyOptions keep;
        keep.overwrite = false;
        QCOMPARE(failureCode(copyFile(file, file, keep)), code(target, EEXIST));
        QCOMPARE(entries(QFile::decodeName(folder)), QStringList());
    }

    // Like the system's own copy, a target the user may not write is left
    // alone unless replacing it is asked for.
    void readOnlyTargets()
    {
        QTemporaryDir dir;
        ::chmod(bytes(dir.path()).constData(), 0777);
        const QByteArray source = bytes(dir.filePath(QStringLiteral("uj")));
        const QByteArray target = bytes(dir.filePath(QStringLiteral("regi")));
        TestSupport::writeFile(QFile::decodeName(source), "new");
        TestSupport::writeFile(QFile::decodeName(target), "old");
        ::chmod(source.constData(), 0644);
        ::chmod(target.constData(), 0444);
        const int refused = inChild([&] { return targetErrno(copyFile(source, target)); }, true);
        QCOMPARE(refused, EACCES);
        QCOMPARE(TestSupport::contents(QFile::decodeName(target)), QByteArray("old"));
        const int replaced = inChild(
            [&] {
                retrieval::FileCopyOptions options;
                options.overReadOnly = true;
                return targetErrno(copyFile(source, target, options));
            },
            true);
        QCOMPARE(replaced, 0);
        QCOMPARE(TestSupport::contents(QFile::decodeName(target)), QByteArray("new"));
    }

    // A target that fills up or a copy given up half-way leaves the old file
    // whole and nothing else behind.
    void noHalfWrittenFile()
    {
        QTemporaryDir dir;
        const QByteArray source = bytes(dir.filePath(QStringLiteral("nagy")));
        const QString targetFolder = dir.filePath(QStringLiteral("cel"));
        QDir().mkpath(targetFolder);
        const QByteArray target = bytes(targetFolder + QStringLiteral("/nagy"));
        TestSupport::writeFile(QFile::decodeName(source), QByteArray(3 << 20, 'n'));
        TestSupport::writeFile(QFile::decodeName(target), "the old one");

        const int full = inChild(
            [&] {
                ::signal(SIGXFSZ, SIG_IGN);
                const struct rlimit limit = {1 << 20, 1 << 20};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                return targetErrno(copyFile(source, target));
            },
            false);
        QCOMPARE(full, EFBIG);
        QCOMPARE(TestSupport::contents(QFile::decodeName(target)), QByteArray("the old one"));
        QCOMPARE(entries(targetFolder), QStringList{QStringLiteral("nagy")});

        retrieval::FileCopyOptions stop;
        qint64 seen = 0;
        stop.progress = [&](qint64 n) { return (seen += n) < (1 << 20); };
        QCOMPARE(failureCode(copyFile(source, target, stop)),
                 int(CopyStep::Target) * 1000 + ECANCELED);
        QCOMPARE(TestSupport::contents(QFile::decodeName(target)), QByteArray("the old one"));
        QCOMPARE(entries(targetFolder), QStringList{QStringLiteral("nagy")});
    }
};

QTEST_GUILESS_MAIN(TestFileCopy)
#include "test_filecopy.moc"
