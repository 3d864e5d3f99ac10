#include "ArchiveReader.h"

#include "MemberPaths.h"

#include <QRandomGenerator>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace archives {

namespace {

using platform::CopyStep;

constexpr size_t kBlock = size_t(128) << 10;
// Longer names are no names a file system could take.
constexpr qsizetype kLongestPath = 16 << 10;
constexpr int kMostHops = 40;

struct Input
{
    int fd = -1;
    qint64 size = 0;
    std::vector<char> buffer = std::vector<char>(kBlock);
};

la_ssize_t readInput(archive* a, void* data, const void** block)
{
    auto* in = static_cast<Input*>(data);
    for (;;) {
        const ssize_t n = ::read(in->fd, in->buffer.data(), in->buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            archive_set_error(a, errno, "read");
            return -1;
        }
        *block = in->buffer.data();
        return n;
    }
}

// Never past the end: a member that claims more than the file holds is read
// to the end, where the library sees the archive is cut short.
la_int64_t skipInput(archive*, void* data, la_int64_t request)
{
    auto* in = static_cast<Input*>(data);
    const off_t at = ::lseek(in->fd, 0, SEEK_CUR);
    if (at < 0 || request <= 0 || request > in->size - at)
        return 0;
    return ::lseek(in->fd, request, SEEK_CUR) < 0 ? 0 : request;
}

la_int64_t seekInput(archive*, void* data, la_int64_t offset, int whence)
{
    const off_t at = ::lseek(static_cast<Input*>(data)->fd, offset, whence);
    return at < 0 ? ARCHIVE_FATAL : at;
}

using Support = int (*)(archive*);

// Not raw (any file would do), not empty, not mtree (a list of files on this
// machine, which the library would go and open).
constexpr Support kFormats[] = {
    archive_read_support_format_7zip,    archive_read_support_format_ar,
    archive_read_support_format_cab,     archive_read_support_format_cpio,
    archive_read_support_format_iso9660, archive_read_support_format_lha,
    archive_read_support_format_rar,     archive_read_support_format_rar5,
    archive_read_support_format_tar,     archive_read_support_format_warc,
    archive_read_support_format_xar,     archive_read_support_format_zip,
};
constexpr Support kFilters[] = {
    archive_read_support_filter_bzip2, archive_read_support_filter_compress,
    archive_read_support_filter_gzip,  archive_read_support_filter_lz4,
    archive_read_support_filter_lzip,  archive_read_support_filter_lzma,
    archive_read_support_filter_xz,    archive_read_support_filter_zstd,
    archive_read_support_filter_uu,    archive_read_support_filter_rpm,
};

// The filters the library has built in; one it would run as an outside
// program (its answer is a warning then) is left out.
const std::vector<Support>& builtInFilters()
{
    static const std::vector<Support> filters = [] {
        std::vector<Support> out;
        for (Support f : kFilters) {
            archive* probe = archive_read_new();
            if (f(probe) == ARCHIVE_OK)
                out.push_back(f);
            archive_read_free(probe);
        }
        return out;
    }();
    return filters;
}

class Reader
{
public:
    explicit Reader(int fd) : m_a(archive_read_new())
    {
        struct stat st;
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        m_input.fd = fd;
        m_input.size = regular ? st.st_size : 0;
        if (regular)
            ::lseek(fd, 0, SEEK_SET);
        for (Support f : kFormats)
            f(m_a);
        for (Support f : builtInFilters())
            f(m_a);
        archive_read_set_read_callback(m_a, readInput);
        archive_read_set_skip_callback(m_a, skipInput);
        if (regular)
            archive_read_set_seek_callback(m_a, seekInput);
        archive_read_set_callback_data(m_a, &m_input);
        m_open = archive_read_open1(m_a) == ARCHIVE_OK;
    }
    ~Reader() { archive_read_free(m_a); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    archive* get() const { return m_a; }
    bool open() const { return m_open; }

    // OK, EOF, or false for a header that cannot be read.
    int next(archive_entry*& entry)
    {
        const int rc = archive_read_next_header(m_a, &entry);
        if (rc == ARCHIVE_WARN)
            return ARCHIVE_OK;
        return rc == ARCHIVE_OK || rc == ARCHIVE_EOF ? rc : ARCHIVE_FATAL;
    }

    // Formats whose members must be unpacked to get past them: the bytes
    // passed over are counted block by block, not left to one long skip.
    bool streaming() const
    {
        if (archive_filter_count(m_a) > 1)
            return true;
        switch (archive_format(m_a) & ARCHIVE_FORMAT_BASE_MASK) {
        case ARCHIVE_FORMAT_7ZIP:
        case ARCHIVE_FORMAT_RAR:
        case ARCHIVE_FORMAT_RAR_V5:
        case ARCHIVE_FORMAT_CAB:
        case ARCHIVE_FORMAT_LHA:
            return true;
        default:
            return false;
        }
    }

private:
    archive* m_a;
    Input m_input;
    bool m_open = false;
};

struct Fd
{
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset(int f = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
};

// False for what is no member here: devices, FIFOs, sockets, nameless ones.
bool describe(archive_entry* e, Member& m, bool& tooLong)
{
    tooLong = false;
    const char* path = archive_entry_pathname_utf8(e);
    if (!path)
        path = archive_entry_pathname(e);
    if (!path)
        return false;
    m.path = QByteArray(path);
    if (m.path.size() > kLongestPath) {
        tooLong = true;
        return false;
    }
    if (archive_entry_hardlink(e)) {
        m.kind = MemberKind::File;
    } else {
        switch (archive_entry_filetype(e)) {
        case AE_IFDIR:
            m.kind = MemberKind::Folder;
            break;
        case AE_IFREG:
            m.kind = MemberKind::File;
            break;
        case AE_IFLNK: {
            const char* target = archive_entry_symlink_utf8(e);
            if (!target)
                target = archive_entry_symlink(e);
            if (!target)
                return false;
            m.kind = MemberKind::Link;
            m.linkTarget = QByteArray(target);
            break;
        }
        default:
            return false;
        }
    }
    m.length = archive_entry_size_is_set(e) ? std::max<qint64>(0, archive_entry_size(e)) : 0;
    if (archive_entry_mtime_is_set(e))
        m.modified = qint64(archive_entry_mtime(e));
    m.encrypted = archive_entry_is_encrypted(e) != 0;
    return true;
}

QStringList splitStored(const QString& stored)
{
    return stored.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

bool startsWith(const QStringList& path, const QStringList& prefix)
{
    if (path.size() < prefix.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), path.begin());
}

QByteArray temporaryName()
{
    return ".polcozo-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
}

// The current member's content into 'name' in folder 'dirFd', replacing an
// existing file. Written without a name where the file system allows (a child
// killed half-way leaves nothing), else under a temporary one; the name is
// given only once the content is complete.
std::optional<ExtractFailure> writeMember(archive* a, archive_entry* e, int dirFd,
                                          const QByteArray& name)
{
    const mode_t perm = archive_entry_perm(e) & 0777;
    const mode_t mode = perm ? perm | S_IRUSR | S_IWUSR : 0644;
    Fd out(::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    const bool unnamed = out.fd >= 0;
    QByteArray temporary;
    for (int attempt = 0; out.fd < 0 && attempt < 100; ++attempt) {
        temporary = temporaryName();
        out.reset(::openat(dirFd, temporary.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (out.fd < 0 && errno != EEXIST)
            break;
    }
    if (out.fd < 0)
        return ExtractFailure{CopyStep::Target, errno, {}};
    const auto fail = [&](CopyStep step, int e) {
        out.reset();
        if (!temporary.isEmpty())
            ::unlinkat(dirFd, temporary.constData(), 0);
        return ExtractFailure{step, e, {}};
    };
    thread_local std::vector<char> buffer(kBlock);
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0)
            return fail(CopyStep::Source, EIO);
        for (la_ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out.fd, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return fail(CopyStep::Target, errno);
            done += w;
        }
    }
    if (archive_entry_mtime_is_set(e)) {
        const struct timespec times[2] = {{0, UTIME_OMIT},
                                          {archive_entry_mtime(e), archive_entry_mtime_nsec(e)}};
        if (::futimens(out.fd, times) != 0)
            return fail(CopyStep::Target, errno);
    }
    if (unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.fd);
        for (int attempt = 0; temporary.isEmpty() && attempt < 100; ++attempt) {
            const QByteArray candidate = temporaryName();
            if (::linkat(AT_FDCWD, self.constData(), dirFd, candidate.constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                temporary = candidate;
            else if (errno != EEXIST)
                break;
        }
        if (temporary.isEmpty())
            return fail(CopyStep::Target, errno);
    }
    const int fd = std::exchange(out.fd, -1);
    if (::close(fd) != 0)
        return fail(CopyStep::Target, errno);
    if (::renameat(dirFd, temporary.constData(), dirFd, name.constData()) != 0)
        return fail(CopyStep::Target, errno);
    return std::nullopt;
}

// Opens (making where missing) the folders 'segments' below 'root', never
// through a link. -1 with errno set on failure.
int openFolders(int root, const QStringList& segments)
{
    int at = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
    for (const QString& s : segments) {
        if (at < 0)
            return -1;
        const QByteArray name = diskName(s);
        if (::mkdirat(at, name.constData(), 0755) != 0 && errno != EEXIST) {
            const int e = errno;
            ::close(at);
            errno = e;
            return -1;
        }
        const int next = ::openat(at, name.constData(), O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int e = errno;
        ::close(at);
        errno = e;
        at = next;
    }
    return at;
}

// Members (path, kind, link target) read from the headers alone.
QList<Member> membersOf(const QByteArray& archivePath)
{
    Fd fd(::open(archivePath.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.fd < 0)
        return {};
    return listArchive(fd.fd).members;
}

} // namespace

bool looksLikeArchive(int fd)
{
    Reader r(fd);
    archive_entry* e = nullptr;
    return r.open() && r.next(e) == ARCHIVE_OK;
}

Listing listArchive(int fd, const ListOptions& options, const MemberSink& sink,
                    const Heartbeat& heartbeat)
{
    Listing out;
    Reader r(fd);
    if (!r.open())
        return out;
    archive* a = r.get();

    using Clock = std::chrono::steady_clock;
    auto lastBeat = Clock::now();
    qint64 passed = 0; // content bytes handed out
    const auto bytesRead = [&] { return std::max<qint64>(archive_filter_bytes(a, 0), passed); };
    const auto beat = [&] {
        if (heartbeat && Clock::now() - lastBeat > std::chrono::milliseconds(250)) {
            heartbeat(bytesRead());
            lastBeat = Clock::now();
        }
    };

    QSet<QString> seen;           // kind and stored path of every member kept
    QHash<QString, qint64> sizes; // file lengths, for hard links that carry none
    qint64 headers = 0;
    bool streaming = false;
    const std::vector<char> zeros(kBlock, 0);
    for (;;) {
        archive_entry* e = nullptr;
        const int rc = r.next(e);
        if (rc == ARCHIVE_EOF)
            break;
        if (rc != ARCHIVE_OK) {
            out.damaged = true;
            break;
        }
        if (headers == 0) {
            out.format = QString::fromUtf8(archive_format_name(a));
            streaming = r.streaming();
        }
        if (headers >= options.limits.members) {
            out.tooMany = true;
            break;
        }
        if (bytesRead() > options.limits.bytes) {
            out.tooLarge = true;
            break;
        }
        ++headers;

        Member m;
        bool tooLong = false;
        const bool member = describe(e, m, tooLong);
        if (tooLong)
            out.damaged = true;
        if (m.encrypted)
            out.encrypted = true;
        const bool content = member && m.kind == MemberKind::File && !m.encrypted;
        if (streaming || (options.crc && content)) {
            uLong crc = crc32(0, nullptr, 0);
            qint64 got = 0;
            bool readable = true;
            for (;;) {
                const void* block = nullptr;
                size_t size = 0;
                la_int64_t offset = 0;
                const int d = archive_read_data_block(a, &block, &size, &offset);
                if (d == ARCHIVE_EOF)
                    break;
                if (d != ARCHIVE_OK && d != ARCHIVE_WARN) {
                    readable = false;
                    break;
                }
                // A hole of a sparse member reads as zeros.
                while (offset > got) {
                    const auto n = std::min<qint64>(offset - got, qint64(zeros.size()));
                    crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()), uInt(n));
                    got += n;
                }
                // zlib restarts at 0 on a null buffer, and the ZIP reader ends
                // a member with an empty block that has none.
                if (size)
                    crc = crc32_z(crc, static_cast<const Bytef*>(block), size);
                got += qint64(size);
                passed += qint64(size);
                if (bytesRead() > options.limits.bytes)
                    break;
                beat();
            }
            if (bytesRead() > options.limits.bytes) {
                out.tooLarge = true;
                break;
            }
            if (!readable) {
                if (m.encrypted || archive_read_has_encrypted_entries(a) > 0)
                    out.encrypted = true;
                else
                    out.damaged = true;
            } else if (content) {
                if (!archive_entry_size_is_set(e))
                    m.length = got;
                if (options.crc)
                    m.crc = quint32(crc);
            }
        } else if (archive_read_data_skip(a) != ARCHIVE_OK) {
            out.damaged = true;
        }
        beat();
        if (!member)
            continue;

        const QString stored = storedPath(m.path);
        if (const char* target = archive_entry_hardlink(e); target && m.length == 0)
            m.length = sizes.value(storedPath(QByteArray(target)), 0);
        const QString key = QString::number(int(m.kind)) + stored;
        if (seen.contains(key))
            continue;
        seen.insert(key);
        if (m.kind == MemberKind::File)
            sizes.insert(stored, m.length);
        if (sink) {
            if (!sink(m)) {
                out.cancelled = true;
                break;
            }
        } else {
            out.members.append(std::move(m));
        }
    }
    if (archive_read_has_encrypted_entries(a) > 0)
        out.encrypted = true;
    // Nothing readable in it: whatever the library took it for, not an archive.
    out.archive = headers > 0;
    if (!out.archive)
        out = Listing{};
    return out;
}

Listing listArchive(const QByteArray& nativePath, const ListOptions& options)
{
    Fd fd(::open(nativePath.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.fd < 0) {
        Listing out;
        out.openErrno = errno;
        return out;
    }
    return listArchive(fd.fd, options);
}

std::optional<ExtractFailure> extractMember(const QByteArray& archivePath, const QString& member,
                                            const QByteArray& targetFile)
{
    const auto failure = [&](CopyStep step, int e) { return ExtractFailure{step, e, member}; };
    const qsizetype slash = targetFile.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? "/"
                                           : targetFile.left(slash);
    const QByteArray name = targetFile.mid(slash + 1);
    Fd target(::open(folder.constData(), O_DIRECTORY | O_CLOEXEC));
    if (target.fd < 0 || name.isEmpty())
        return failure(CopyStep::Target, target.fd < 0 ? errno : EISDIR);
    struct stat existing;
    if (::fstatat(target.fd, name.constData(), &existing, 0) == 0) {
        if (S_ISDIR(existing.st_mode))
            return failure(CopyStep::Target, EISDIR);
        if (::faccessat(target.fd, name.constData(), W_OK, AT_EACCESS) != 0)
            return failure(CopyStep::Target, errno);
    }

    QString wanted = splitStored(member).join(QLatin1Char('\\'));
    for (int hop = 0; hop <= kMostHops; ++hop) {
        Fd fd(::open(archivePath.constData(), O_RDONLY | O_CLOEXEC));
        if (fd.fd < 0)
            return failure(CopyStep::Source, errno);
        Reader r(fd.fd);
        if (!r.open())
            return failure(CopyStep::Source, EIO);
        QString link;
        for (;;) {
            archive_entry* e = nullptr;
            const int rc = r.next(e);
            if (rc == ARCHIVE_EOF)
                return failure(CopyStep::Source, ENOENT);
            if (rc != ARCHIVE_OK)
                return failure(CopyStep::Source, EIO);
            Member m;
            bool tooLong = false;
            if (!describe(e, m, tooLong) || m.kind == MemberKind::Folder ||
                storedPath(m.path) != wanted)
                continue;
            if (m.kind == MemberKind::Link) {
                link = wanted;
                break;
            }
            if (m.encrypted)
                return failure(CopyStep::Source, EIO);
            if (auto f = writeMember(r.get(), e, target.fd, name)) {
                f->member = member;
                return f;
            }
            return std::nullopt;
        }
        // A link: find where it ends among all members, then go for that.
        const QList<Member> members = membersOf(archivePath);
        const MemberIndex index(members);
        const auto at = index.find(link);
        QStringList resolved;
        const auto end = at ? index.resolve(*at, &resolved) : std::nullopt;
        if (!end || *end < 0)
            return failure(CopyStep::Source, ENOENT);
        wanted = resolved.join(QLatin1Char('\\'));
    }
    return failure(CopyStep::Source, ELOOP);
}

ExtractResult extractTree(const QByteArray& archivePath, const QString& prefix,
                          const QByteArray& targetFolder,
                          const std::function<void(const QString&)>& extracted)
{
    ExtractResult out;
    const auto fail = [&](CopyStep step, int e, const QString& member) {
        out.failures.append({step, e, member});
    };
    const QStringList base = splitStored(prefix);
    Fd root(::open(targetFolder.constData(), O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0) {
        fail(CopyStep::Target, errno, {});
        return out;
    }
    Fd fd(::open(archivePath.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.fd < 0) {
        fail(CopyStep::Source, errno, {});
        return out;
    }
    Reader r(fd.fd);
    if (!r.open()) {
        fail(CopyStep::Source, EIO, {});
        return out;
    }

    QList<Member> all;
    QList<qsizetype> links;
    QSet<QString> written;
    bool found = base.isEmpty();
    QString openPath; // the folder 'open' is, below the prefix
    Fd open;
    for (;;) {
        archive_entry* e = nullptr;
        const int rc = r.next(e);
        if (rc == ARCHIVE_EOF)
            break;
        if (rc != ARCHIVE_OK) {
            fail(CopyStep::Source, EIO, {});
            break;
        }
        Member m;
        bool tooLong = false;
        if (!describe(e, m, tooLong))
            continue;
        all.append(m);
        const QStringList segments = storedSegments(m.path);
        if (!startsWith(segments, base))
            continue;
        found = true;
        const QStringList below = segments.mid(base.size());
        const QString relative = below.join(QLatin1Char('\\'));
        if (m.kind == MemberKind::Link) {
            if (!below.isEmpty())
                links.append(all.size() - 1);
            continue;
        }
        if (m.kind == MemberKind::Folder) {
            if (const int dir = openFolders(root.fd, below); dir >= 0)
                ::close(dir);
            else
                fail(CopyStep::Target, errno, relative);
            continue;
        }
        if (below.isEmpty() || written.contains(relative))
            continue;
        written.insert(relative);
        if (m.encrypted) {
            fail(CopyStep::Source, EIO, relative);
            continue;
        }
        const QStringList parent = below.mid(0, below.size() - 1);
        const QString parentPath = parent.join(QLatin1Char('\\'));
        if (open.fd < 0 || openPath != parentPath) {
            open.reset(openFolders(root.fd, parent));
            openPath = parentPath;
            if (open.fd < 0) {
                fail(CopyStep::Target, errno, relative);
                continue;
            }
        }
        if (auto f = writeMember(r.get(), e, open.fd, diskName(below.last()))) {
            fail(f->step, f->errnoValue, relative);
        } else {
            ++out.files;
            if (extracted)
                extracted(relative);
        }
    }
    open.reset();
    if (!found) {
        fail(CopyStep::Source, ENOENT, prefix);
        return out;
    }

    // Links last, so no member is ever written through one, and only those
    // that end inside what was brought back, spelled from the stored names.
    const MemberIndex index(all);
    for (qsizetype i : links) {
        const QStringList below = storedSegments(all[i].path).mid(base.size());
        const QString relative = below.join(QLatin1Char('\\'));
        if (written.contains(relative))
            continue;
        written.insert(relative);
        QStringList resolved;
        const auto end = index.resolve(i, &resolved);
        if (!end || !startsWith(resolved, base)) {
            fail(CopyStep::Source, ELOOP, relative);
            continue;
        }
        QByteArray text;
        for (qsizetype up = 1; up < below.size(); ++up)
            text += "../";
        for (const QString& s : resolved.mid(base.size()))
            text += diskName(s) + '/';
        text.chop(1);
        if (text.isEmpty())
            text = ".";
        Fd dir(openFolders(root.fd, below.mid(0, below.size() - 1)));
        if (dir.fd < 0 ||
            ::symlinkat(text.constData(), dir.fd, diskName(below.last()).constData()) != 0)
            fail(CopyStep::Target, errno, relative);
    }
    return out;
}

} // namespace archives
