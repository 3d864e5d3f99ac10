#include "CatalogFiles.h"

#include "Database.h"
#include "platform/ErrorNumbers.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Closes a descriptor when it goes out of scope.
struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

void syncFile(const QString& path)
{
    Fd f{::open(native(path).constData(), O_RDONLY | O_CLOEXEC)};
    if (f.fd >= 0)
        ::fsync(f.fd);
}

void syncFolderOf(const QString& path)
{
    syncFile(QFileInfo(path).absolutePath());
}

// A missing target folder is "path not found", not "file not found".
[[noreturn]] void throwTargetErrno(const QString& what)
{
    if (errno == ENOENT)
        errno = ENOTDIR;
    platform::throwErrno(what);
}

bool sameContents(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 16) != fb.read(1 << 16))
            return false;
    }
    return true;
}

// What every catalog holds, whatever else a template may add.
struct TableColumns
{
    const char* table;
    std::initializer_list<const char*> columns;
};
const TableColumns kCatalogTables[] = {
    {"prgnev", {"id", "nev", "utid", "hossz", "datum", "crc"}},
    {"ut", {"id", "ut"}},
    {"kulcs", {"id", "kulcs"}},
    {"kulcsut", {"id", "nev"}},
    {"nev_kulcsid", {"id", "kulcsid"}},
    {"ut_kulcsid", {"id", "kulcsid"}},
};
constexpr int kBaseViewColumns = 5;

[[noreturn]] void notACatalog(const Database& db, const QString& what)
{
    throw platform::Error(platform::err::NotADatabase, db.path() + QStringLiteral(": ") + what);
}

} // namespace

void checkCatalog(const Database& db)
{
    const QString typeOf =
        QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?1 COLLATE NOCASE");
    for (const TableColumns& t : kCatalogTables) {
        const QString table = QLatin1String(t.table);
        if (db.scalar(typeOf, {table}).toString() != QLatin1String("table"))
            notACatalog(db, QStringLiteral("no table ") + table);
        QStringList have;
        Statement info = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
        info.bind(1, table);
        while (info.step())
            have << info.value(0).toString().toLower();
        for (const char* column : t.columns)
            if (!have.contains(QLatin1String(column)))
                notACatalog(db, table + QStringLiteral(" has no column ") + QLatin1String(column));
    }
    if (db.scalar(typeOf, {QStringLiteral("alapfile")}).toString() != QLatin1String("view"))
        notACatalog(db, QStringLiteral("no view alapfile"));
    try {
        if (db.prepare(QStringLiteral("SELECT * FROM alapfile LIMIT 0")).columnCount() <
            kBaseViewColumns)
            notACatalog(db, QStringLiteral("alapfile is too narrow"));
    } catch (const platform::Error& e) {
        if (e.number() == platform::err::NotADatabase)
            throw;
        notACatalog(db, e.detail());
    }
}

QString templatePath(const QString& programFolder)
{
    return programFolder + QLatin1Char('/') + kTemplateName;
}

bool isTemplateName(const QString& path)
{
    return path.endsWith(kTemplateName, Qt::CaseSensitive);
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat x
    {
    };
    struct stat y
    {
    };
    return ::stat(native(a).constData(), &x) == 0 && ::stat(native(b).constData(), &y) == 0 &&
           x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool isTemplate(const QString& path, const QString& templateFile)
{
    return isTemplateName(path) || sameFile(path, templateFile);
}

bool fileExists(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(native(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

qint64 fileLength(const QString& path)
{
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0)
        platform::throwErrno(path);
    return qint64(st.st_size);
}

void checkRegularFile(const QString& path)
{
    struct stat st {};
    if (path.isEmpty())
        throw platform::Error(platform::err::BadFileName, path);
    if (::stat(native(path).constData(), &st) != 0)
        platform::throwErrno(path);
    if (!S_ISREG(st.st_mode))
        throw platform::Error(platform::err::PathFileAccess, path);
}

bool isReplaceableTarget(const QString& path)
{
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR; // the later steps say why it cannot be made
    return S_ISREG(st.st_mode);
}

// Writes all of 'size' bytes.
static bool writeFully(int fd, const char* data, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += std::size_t(w);
    }
    return true;
}

QString temporaryCopy(const QString& from, const QString& target, const QString& tag)
{
    if (target.isEmpty() || target.endsWith(QLatin1Char('/')))
        throw platform::Error(platform::err::BadFileName, target);
    Fd in{::open(native(from).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0)
        platform::throwErrno(from);
    if (!S_ISREG(st.st_mode))
        throw platform::Error(platform::err::PathFileAccess, from);
    QByteArray name = native(target + tag) + "-XXXXXX";
    Fd out{::mkostemp(name.data(), O_CLOEXEC)};
    if (out.fd < 0)
        throwTargetErrno(target);
    // The mode an ordinary new file gets, not mkstemp's owner-only one.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(out.fd, 0644 & ~mask);
    auto fail = [&](const QString& what) {
        const int e = errno;
        ::unlink(name.constData());
        errno = e;
        platform::throwErrno(what);
    };
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(from);
        }
        if (!writeFully(out.fd, buffer, std::size_t(n)))
            fail(target);
    }
    if (::close(out.fd) != 0) {
        out.fd = -1;
        fail(target);
    }
    out.fd = -1;
    return QFile::decodeName(name);
}

void copyFile(const QString& from, const QString& to)
{
    if (to.isEmpty() || to.endsWith(QLatin1Char('/')))
        throw platform::Error(platform::err::BadFileName, to);
    Fd in{::open(native(from).constData(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0)
        platform::throwErrno(from);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        platform::throwErrno(from);
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        platform::throwErrno(from);
    }
    struct stat target {};
    if (::stat(native(to).constData(), &target) == 0 && S_ISDIR(target.st_mode)) {
        errno = EISDIR;
        platform::throwErrno(to);
    }

    const QString temp = to + QStringLiteral(".part");
    const QByteArray tempName = native(temp);
    Fd out{::open(tempName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (out.fd < 0)
        throwTargetErrno(to);
    auto fail = [&](const QString& what) {
        const int e = errno;
        ::close(out.fd);
        out.fd = -1;
        ::unlink(tempName.constData());
        errno = e;
        platform::throwErrno(what);
    };
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(from);
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out.fd, buffer + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                fail(to);
            }
            done += w;
        }
    }
    const bool synced = ::fsync(out.fd) == 0;
    int e = errno;
    const bool closed = ::close(out.fd) == 0;
    out.fd = -1;
    if (!synced || !closed) {
        if (synced)
            e = errno;
        ::unlink(tempName.constData());
        errno = e;
        platform::throwErrno(to);
    }
    if (::rename(tempName.constData(), native(to).constData()) != 0) {
        e = errno;
        ::unlink(tempName.constData());
        errno = e;
        platform::throwErrno(to);
    }
    syncFolderOf(to);
}

QString resetFromTemplate(const QString& templateFile, const QString& path)
{
    QString keptAs;
    fileLength(templateFile); // a missing template must not move anything aside
    if (fileExists(path) && !sameContents(path, templateFile)) {
        const QFileInfo info(path);
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                             QLatin1Char('-') + stamp;
        const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
        keptAs = base + suffix;
        for (int n = 2; QFileInfo::exists(keptAs); ++n)
            keptAs = base + QLatin1Char('-') + QString::number(n) + suffix;
        if (::rename(native(path).constData(), native(keptAs).constData()) != 0)
            platform::throwErrno(path);
    }
    copyFile(templateFile, path);
    return keptAs;
}

CompactionResult compactCatalog(const QString& linkOrPath)
{
    // Through a link, the file it names is the catalog.
    QByteArray real = native(linkOrPath);
    char resolved[PATH_MAX];
    if (::realpath(real.constData(), resolved))
        real = resolved;
    const QString path = QFile::decodeName(real);

    struct stat st
    {
    };
    if (::stat(real.constData(), &st) != 0)
        platform::throwErrno(linkOrPath);
    // Read-only even for the superuser, who may write anything.
    if ((st.st_mode & 0222) == 0 || ::access(real.constData(), W_OK) != 0) {
        errno = EACCES;
        platform::throwErrno(linkOrPath);
    }
    CompactionResult result;
    result.before = qint64(st.st_size);
    const QByteArray tempName = real + '2';
    const QString temp = QFile::decodeName(tempName);
    ::unlink(tempName.constData());
    try {
        {
            Database db = Database::open(path);
            db.exec(QStringLiteral("VACUUM INTO ?1"), {temp});
        }
        syncFile(temp);
        result.after = fileLength(temp);
        if (::chmod(tempName.constData(), st.st_mode & 07777) != 0)
            platform::throwErrno(temp);
        // Renaming is atomic: the catalog is either the old file or the new one.
        if (::rename(tempName.constData(), real.constData()) != 0)
            platform::throwErrno(linkOrPath);
    } catch (...) {
        ::unlink(tempName.constData());
        throw;
    }
    syncFolderOf(path);
    return result;
}

} // namespace store
