#include "ArchiveChild.h"

#include "ArchiveReader.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace archives {

namespace {

constexpr qsizetype kLongestLine = 1 << 20;
constexpr int kHighestErrno = 4095;

QByteArray encoded(const QByteArray& bytes)
{
    return bytes.toPercentEncoding();
}

QByteArray encoded(const QString& text)
{
    return text.toUtf8().toPercentEncoding();
}

// ---- the child's side ----

constexpr qsizetype kBatch = 64 << 10;

void writeAll(int out, QByteArray line)
{
    line += '\n';
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t w = ::write(out, line.constData() + done, size_t(line.size() - done));
        if (w < 0 && errno == EINTR)
            continue;
        // Nobody reads the report any more: stop.
        if (w <= 0)
            throw std::runtime_error("report not read");
        done += w;
    }
}

QByteArray memberLine(const Member& m)
{
    static constexpr char kKinds[] = {'d', 'f', 'l'};
    QByteArray line = "member ";
    line += kKinds[int(m.kind)];
    line += ' ' + QByteArray::number(m.length);
    line += ' ' + (m.modified ? QByteArray::number(*m.modified) : QByteArray("-"));
    line += ' ' + (m.crc ? QByteArray::number(*m.crc, 16).rightJustified(8, '0').toUpper()
                         : QByteArray("-"));
    line += m.encrypted ? " 1 " : " 0 ";
    line += encoded(m.path);
    if (m.kind == MemberKind::Link)
        line += ' ' + encoded(m.linkTarget);
    return line;
}

bool number(const QByteArray& text, qint64& value, qint64 low, qint64 high)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= low && value <= high && !text.startsWith('+');
}

bool flag(const QByteArray& text, bool& value)
{
    value = text == "1";
    return text == "0" || text == "1";
}

void listRequests()
{
    QByteArray pending;
    char buffer[4096];
    for (;;) {
        qsizetype end;
        while ((end = pending.indexOf('\n')) < 0) {
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || pending.size() > kLongestLine)
                return;
            pending.append(buffer, n);
        }
        const QList<QByteArray> words = pending.left(end).split(' ');
        pending.remove(0, end + 1);
        ListOptions options;
        bool crc = false;
        if (words.size() != 5 || words[0] != "list" ||
            !number(words[2], options.limits.members, 0, INT64_MAX) ||
            !number(words[3], options.limits.bytes, 0, INT64_MAX) || !flag(words[4], crc))
            return;
        options.crc = crc;
        const QByteArray path = QByteArray::fromPercentEncoding(words[1]);
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const int e = fd < 0 ? errno : EINVAL;
            if (fd >= 0)
                ::close(fd);
            writeAll(1, "fail " + QByteArray::number(e));
            continue;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        // Member lines go out in blocks: a write, and a wake-up of the
        // parent, for each line was most of the time on small members.
        QByteArray batch;
        const auto flush = [&batch] {
            if (batch.isEmpty())
                return;
            batch.chop(1);
            writeAll(1, std::exchange(batch, {}));
        };
        const Listing l = listArchive(
            fd, options,
            [&](const Member& m) {
                batch += memberLine(m);
                batch += '\n';
                if (batch.size() >= kBatch)
                    flush();
                return true;
            },
            [&](qint64 bytes) {
                flush();
                writeAll(1, "read " + QByteArray::number(bytes));
            });
        flush();
        ::close(fd);
        const auto f = [](bool b) { return b ? QByteArray(" 1") : QByteArray(" 0"); };
        writeAll(1, "end" + f(l.archive) + f(l.damaged) + f(l.tooMany) + f(l.tooLarge) +
                        f(l.encrypted) + ' ' + encoded(l.format));
    }
}

void reportFailure(const ExtractFailure& f)
{
    writeAll(1, "fail " + QByteArray::number(int(f.step)) + ' ' + QByteArray::number(f.errnoValue) +
                    ' ' + encoded(f.member));
}

// ---- the parent's side ----

Listing damagedListing(Listing listing)
{
    listing.archive = true;
    listing.damaged = true;
    return listing;
}

} // namespace

int childMain(int argc, char** argv)
{
    // A parent gone away shows as a failed write, not as death by signal.
    ::signal(SIGPIPE, SIG_IGN);
    // Names the archive keeps in another character set come out as UTF-8.
    std::setlocale(LC_ALL, "C.UTF-8");
    try {
        if (argc == 2 && std::strcmp(argv[1], kListOption) == 0) {
            listRequests();
            return 0;
        }
        if (argc == 5 && std::strcmp(argv[1], kExtractOption) == 0) {
            const QString member = QString::fromUtf8(argv[3]);
            const auto f = extractMember(argv[2], member, argv[4]);
            if (f)
                reportFailure(*f);
            else
                writeAll(1, "file " + encoded(member));
            writeAll(1, f ? "done 0" : "done 1");
            return 0;
        }
        if (argc == 5 && std::strcmp(argv[1], kExtractTreeOption) == 0) {
            const ExtractResult r =
                extractTree(argv[2], QString::fromUtf8(argv[3]), argv[4],
                            [](const QString& member) { writeAll(1, "file " + encoded(member)); });
            for (const ExtractFailure& f : r.failures)
                reportFailure(f);
            writeAll(1, "done " + QByteArray::number(r.files));
            return 0;
        }
    } catch (const std::exception&) {
        return 1;
    }
    return 2;
}

QByteArray childProgram(const QString& programFolder)
{
    return QFile::encodeName(programFolder) + '/' + kChildName;
}

ListingReport::State ListingReport::line(const QByteArray& text)
{
    const QList<QByteArray> w = text.split(' ');
    Listing& l = m_listing;
    qint64 a = 0;
    if (w[0] == "read" && w.size() == 2)
        return number(w[1], a, 0, INT64_MAX) ? State::More : State::Garbage;
    if (w[0] == "fail" && w.size() == 2 && l.members.isEmpty()) {
        if (!number(w[1], a, 1, kHighestErrno))
            return State::Garbage;
        l.openErrno = int(a);
        return State::Done;
    }
    if (w[0] == "member" && (w.size() == 7 || w.size() == 8)) {
        Member m;
        const QByteArray& kind = w[1];
        if (kind == "d")
            m.kind = MemberKind::Folder;
        else if (kind == "f")
            m.kind = MemberKind::File;
        else if (kind == "l")
            m.kind = MemberKind::Link;
        else
            return State::Garbage;
        if ((m.kind == MemberKind::Link) != (w.size() == 8))
            return State::Garbage;
        if (!number(w[2], m.length, 0, INT64_MAX) || !flag(w[5], m.encrypted))
            return State::Garbage;
        if (w[3] != "-") {
            if (!number(w[3], a, INT64_MIN, INT64_MAX))
                return State::Garbage;
            m.modified = a;
        }
        if (w[4] != "-") {
            bool ok = w[4].size() == 8 && w[4] == w[4].toUpper();
            const quint32 crc = w[4].toUInt(&ok, 16);
            if (!ok || w[4].size() != 8)
                return State::Garbage;
            m.crc = crc;
        }
        m.path = QByteArray::fromPercentEncoding(w[6]);
        if (w.size() == 8)
            m.linkTarget = QByteArray::fromPercentEncoding(w[7]);
        // Never more than asked for, whatever the child says.
        if (m.path.isEmpty() || l.members.size() >= m_options.limits.members)
            return State::Garbage;
        l.members.append(std::move(m));
        return State::More;
    }
    if (w[0] == "end" && w.size() == 7) {
        if (!flag(w[1], l.archive) || !flag(w[2], l.damaged) || !flag(w[3], l.tooMany) ||
            !flag(w[4], l.tooLarge) || !flag(w[5], l.encrypted))
            return State::Garbage;
        if (!l.archive && !l.members.isEmpty())
            return State::Garbage;
        l.format = QString::fromUtf8(QByteArray::fromPercentEncoding(w[6]));
        return State::Done;
    }
    return State::Garbage;
}

ExtractReport::State ExtractReport::line(const QByteArray& text)
{
    const QList<QByteArray> w = text.split(' ');
    qint64 a = 0, b = 0;
    if (w[0] == "file" && w.size() == 2) {
        if (extracted)
            extracted(QString::fromUtf8(QByteArray::fromPercentEncoding(w[1])));
        ++m_result.files;
        return State::More;
    }
    if (w[0] == "fail" && w.size() == 4) {
        if (!number(w[1], a, int(platform::CopyStep::Source), int(platform::CopyStep::Target)) ||
            !number(w[2], b, 1, kHighestErrno))
            return State::Garbage;
        m_result.failures.append({platform::CopyStep(a), int(b),
                                  QString::fromUtf8(QByteArray::fromPercentEncoding(w[3]))});
        return State::More;
    }
    if (w[0] == "done" && w.size() == 2)
        return number(w[1], a, m_result.files, m_result.files) ? State::Done : State::Garbage;
    return State::Garbage;
}

ChildProcess::~ChildProcess()
{
    finish(true);
}

bool ChildProcess::start(const QList<QByteArray>& command)
{
    finish(true);
    if (command.isEmpty())
        return false;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    std::vector<char*> argv;
    for (const QByteArray& a : command)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // Whatever this thread blocks or ignores, the child starts clean.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pair[1]);
    if (rc != 0) {
        ::close(pair[0]);
        errno = rc;
        return false;
    }
    m_pid = pid;
    m_socket = pair[0];
    m_pending.clear();
    return true;
}

bool ChildProcess::send(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::send(m_socket, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

ChildProcess::Read ChildProcess::readLine(QByteArray& line, int quietMs,
                                          const std::atomic<bool>* stop)
{
    using Clock = std::chrono::steady_clock;
    auto heard = Clock::now();
    for (;;) {
        if (const qsizetype end = m_pending.indexOf('\n'); end >= 0) {
            line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return Read::Line;
        }
        if (m_pending.size() > kLongestLine)
            return Read::TooLong;
        if (stop && stop->load())
            return Read::Stopped;
        const auto silent =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - heard).count();
        if (silent >= quietMs)
            return Read::Quiet;
        pollfd p{m_socket, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::min<qint64>(quietMs - silent, 100)));
        if (ready < 0 && errno != EINTR)
            return Read::Closed;
        if (ready <= 0)
            continue;
        char buffer[1 << 16];
        const ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Read::Closed;
        m_pending.append(buffer, n);
        heard = Clock::now();
    }
}

bool ChildProcess::finish(bool kill)
{
    if (m_pid <= 0)
        return false;
    if (kill)
        ::kill(m_pid, SIGKILL);
    ::close(m_socket);
    m_socket = -1;
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    m_status = status;
    return !kill && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ArchiveLister::ArchiveLister(QList<QByteArray> command, int quietMs)
    : m_command(std::move(command)), m_quietMs(quietMs)
{
    m_command.append(kListOption);
}

ArchiveLister::~ArchiveLister()
{
    // Its input closed, the child ends of itself.
    m_child.finish(false);
}

Listing ArchiveLister::list(const QByteArray& nativePath, const ListOptions& options,
                            const std::atomic<bool>* stop)
{
    const QByteArray request =
        "list " + encoded(nativePath) + ' ' + QByteArray::number(options.limits.members) + ' ' +
        QByteArray::number(options.limits.bytes) + (options.crc ? " 1\n" : " 0\n");
    // A child that ended since the last listing is started again, once.
    bool sent = m_child.running() && m_child.send(request);
    if (!sent) {
        if (!m_child.start(m_command)) {
            Listing l;
            l.openErrno = errno ? errno : ENOENT;
            return l;
        }
        sent = m_child.send(request);
    }
    ListingReport report(options);
    if (!sent) {
        m_child.finish(true);
        return damagedListing(report.listing());
    }
    for (;;) {
        QByteArray line;
        const ChildProcess::Read r = m_child.readLine(line, m_quietMs, stop);
        if (r == ChildProcess::Read::Line) {
            const ListingReport::State s = report.line(line);
            if (s == ListingReport::State::Done)
                return std::move(report.listing());
            if (s == ListingReport::State::More)
                continue;
        }
        m_child.finish(true);
        if (r == ChildProcess::Read::Stopped) {
            Listing l = std::move(report.listing());
            l.cancelled = true;
            return l;
        }
        return damagedListing(std::move(report.listing()));
    }
}

namespace {

ExtractResult runExtraction(const QList<QByteArray>& command, const char* option,
                            const QByteArray& archive, const QString& member,
                            const QByteArray& target,
                            const std::function<void(const QString&)>& extracted, int quietMs)
{
    QList<QByteArray> argv = command;
    argv << option << archive << member.toUtf8() << target;
    ExtractReport report;
    report.extracted = extracted;
    ChildProcess child;
    if (!child.start(argv)) {
        report.result().failures.append({platform::CopyStep::Source, errno ? errno : ENOENT, {}});
        return report.result();
    }
    for (;;) {
        QByteArray line;
        const ChildProcess::Read r = child.readLine(line, quietMs);
        if (r == ChildProcess::Read::Line) {
            const ExtractReport::State s = report.line(line);
            if (s == ExtractReport::State::More)
                continue;
            if (s == ExtractReport::State::Done && child.finish(false))
                return report.result();
        }
        child.finish(true);
        report.result().failures.append({platform::CopyStep::Source, EIO, member});
        return report.result();
    }
}

} // namespace

std::optional<ExtractFailure> extractMemberInChild(const QList<QByteArray>& command,
                                                   const QByteArray& archive, const QString& member,
                                                   const QByteArray& targetFile, int quietMs)
{
    ExtractResult r =
        runExtraction(command, kExtractOption, archive, member, targetFile, {}, quietMs);
    if (r.failures.isEmpty())
        return std::nullopt;
    return r.failures.front();
}

ExtractResult extractTreeInChild(const QList<QByteArray>& command, const QByteArray& archive,
                                 const QString& prefix, const QByteArray& targetFolder,
                                 const std::function<void(const QString&)>& extracted, int quietMs)
{
    return runExtraction(command, kExtractTreeOption, archive, prefix, targetFolder, extracted,
                         quietMs);
}

} // namespace archives
