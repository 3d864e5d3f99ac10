#include "ArchiveSpot.h"

#include "archives/ArchiveChild.h"
#include "platform/Drives.h"

#include <QStringList>
#include <sys/stat.h>

namespace retrieval {

std::optional<ArchiveSpot> archiveSpot(const platform::DriveTable& drives,
                                       const QString& driveFolder)
{
    const QStringList parts = driveFolder.split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return std::nullopt;
    QString path = parts.first() + u'\\';
    for (qsizetype i = 1; i < parts.size(); ++i) {
        path = platform::DrivePath::join(path, parts.at(i));
        const QByteArray native = drives.nativeBytes(path);
        struct stat st;
        if (native.isEmpty() || ::stat(native.constData(), &st) != 0)
            return std::nullopt;
        if (S_ISREG(st.st_mode))
            return ArchiveSpot{native, parts.mid(i + 1).join(u'\\')};
        if (!S_ISDIR(st.st_mode))
            return std::nullopt;
    }
    return std::nullopt;
}

QString memberPath(const ArchiveSpot& spot, const QString& name)
{
    return spot.memberFolder.isEmpty() ? name : spot.memberFolder + u'\\' + name;
}

QList<QByteArray> archiveChild(const QString& programFolder)
{
    return {archives::childProgram(programFolder)};
}

} // namespace retrieval
