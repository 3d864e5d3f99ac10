#include "ErrorNumbers.h"

#include <cerrno>
#include <cstring>
#include <sqlite3.h>

namespace platform {

namespace {

struct Mapping
{
    int from;
    int to;
};

// File-system failures, by errno.
constexpr Mapping kErrnoTable[] = {
    {ENAMETOOLONG, err::BadFileName},   {EINVAL, err::BadFileName},
    {EILSEQ, err::BadFileName},         {ENOENT, err::FileNotFound},
    {EBUSY, err::FileAlreadyOpen},      {ETXTBSY, err::FileAlreadyOpen},
    {EIO, err::DeviceIO},               {EEXIST, err::FileAlreadyExists},
    {ENOSPC, err::DiskFull},            {EDQUOT, err::DiskFull},
    {EFBIG, err::DiskFull},             {EMFILE, err::TooManyFiles},
    {ENFILE, err::TooManyFiles},        {ENXIO, err::DeviceUnavailable},
    {ENODEV, err::DeviceUnavailable},   {EACCES, err::PermissionDenied},
    {EPERM, err::PermissionDenied},     {EROFS, err::PermissionDenied},
    {ENOMEDIUM, err::DiskNotReady},     {EISDIR, err::PathFileAccess},
    {ELOOP, err::PathFileAccess},       {EXDEV, err::PathFileAccess},
    {ENOTDIR, err::PathNotFound},
};

// Engine refusals, by extended result code first, then by primary code.
constexpr Mapping kEngineTable[] = {
    {SQLITE_CONSTRAINT_UNIQUE, err::DuplicateValue},
    {SQLITE_CONSTRAINT_PRIMARYKEY, err::DuplicateValue},
    {SQLITE_CONSTRAINT_FOREIGNKEY, err::RelatedRecords},
    {SQLITE_NOTADB, err::NotADatabase},
    {SQLITE_CORRUPT, err::NotADatabase},
    {SQLITE_MISUSE, err::ObjectNotSet},
    {SQLITE_CANTOPEN, err::FileNotFound},
    {SQLITE_READONLY, err::PermissionDenied},
    {SQLITE_PERM, err::PermissionDenied},
    {SQLITE_FULL, err::DiskFull},
    {SQLITE_IOERR, err::DeviceIO},
    {SQLITE_BUSY, err::FileAlreadyOpen},
    {SQLITE_LOCKED, err::FileAlreadyOpen},
};

} // namespace

int errorFromErrno(int errnoValue)
{
    for (const auto& m : kErrnoTable)
        if (m.from == errnoValue)
            return m.to;
    return err::DeviceIO;
}

int errorFromEngine(int code)
{
    for (const auto& m : kEngineTable)
        if (m.from == code)
            return m.to;
    for (const auto& m : kEngineTable)
        if (m.from == (code & 0xff))
            return m.to;
    return err::EngineFailure;
}

Error::Error(int number, const QString& detail, const QString& engineText, int engineCode)
    : std::runtime_error(detail.toStdString()), m_number(number), m_engineText(engineText),
      m_engineCode(engineCode)
{
}

QString errnoText(int errnoValue)
{
    // strerror shares one buffer between threads; the walk and the copy
    // threads describe their failures too.
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(errnoValue, buffer, sizeof buffer));
}

QString knownEngineReason(const Error& e)
{
    switch (e.engineCode() & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return QStringLiteral("Az adatbázis csak olvasható.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Egy másik program éppen használja az adatbázist.");
    case SQLITE_FULL:
        return QStringLiteral("Betelt a lemez.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("Az adatbázis sérült.");
    case SQLITE_IOERR:
        return QStringLiteral("Írási vagy olvasási hiba a lemezen.");
    default:
        return QString();
    }
}

QString engineReason(const Error& e)
{
    const QString reason = knownEngineReason(e);
    return reason.isEmpty() ? e.engineText() : reason;
}

void throwErrno(const QString& detail)
{
    const int e = errno;
    throw Error(errorFromErrno(e), detail + QStringLiteral(": ") + errnoText(e));
}

} // namespace platform
