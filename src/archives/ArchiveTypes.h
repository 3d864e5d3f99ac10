#pragma once

#include "platform/CopyErrors.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// What an archive holds, as read from its headers. Everything here comes from
// a file of unknown origin: names are bytes, counts are what was actually
// read, never what the file declares.
namespace archives {

enum class MemberKind
{
    Folder,
    File, // regular files and hard links
    Link, // symbolic links, resolved inside the archive when recorded
};

struct Member
{
    QByteArray path; // as the archive holds it, '/'-separated
    MemberKind kind = MemberKind::File;
    qint64 length = 0;              // uncompressed
    std::optional<qint64> modified; // seconds since the epoch
    std::optional<quint32> crc;     // CRC-32 of the content, when it was read
    QByteArray linkTarget;          // Link only
    bool encrypted = false;
};

struct Limits
{
    qint64 members = 1'000'000;
    // Uncompressed bytes passed through while listing: a small file that
    // unpacks without end stops here.
    qint64 bytes = qint64(16) << 30;
};

struct ListOptions
{
    Limits limits;
    // Read every file member's content for its CRC-32. The formats keep their
    // own checksums out of reach of the library, so this is the only way.
    bool crc = false;
};

struct Listing
{
    bool archive = false; // a known format with at least one member
    QString format;
    QList<Member> members;
    bool damaged = false;   // unreadable past some point: 'members' is what was read
    bool tooMany = false;   // stopped at the member limit
    bool tooLarge = false;  // stopped at the byte limit
    bool encrypted = false; // some content is encrypted
    bool cancelled = false;
    int openErrno = 0; // the file itself could not be opened
};

// Why a member could not be brought back; the step and errno map to the
// retrieval's error numbers through platform::copyErrorNumber.
struct ExtractFailure
{
    platform::CopyStep step = platform::CopyStep::Source;
    int errnoValue = 0;
    QString member; // below the archive, as the catalog stores it
};

struct ExtractResult
{
    int files = 0;
    QList<ExtractFailure> failures;
};

} // namespace archives
