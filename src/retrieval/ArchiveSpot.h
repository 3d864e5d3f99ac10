#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace platform {
class DriveTable;
}

namespace retrieval {

// Where a recorded folder lies when it is an archive, or inside one: the
// archive file on this machine and the member folder below it (stored
// names joined by '\', empty for the archive's top).
struct ArchiveSpot
{
    QByteArray archive;
    QString memberFolder;
};

// 'driveFolder' ("D:\DIR\A.ZIP\SUB") is followed down from its drive: the
// first part that is a plain file is the archive. Nothing when every part is a
// folder, or a part is missing: a missing archive is a missing path.
std::optional<ArchiveSpot> archiveSpot(const platform::DriveTable& drives,
                                       const QString& driveFolder);

// The member 'name' of a folder recorded inside an archive.
QString memberPath(const ArchiveSpot& spot, const QString& name);

// The program that reads archives, beside the program in 'programFolder'.
QList<QByteArray> archiveChild(const QString& programFolder);

} // namespace retrieval
