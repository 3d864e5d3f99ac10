#pragma once

#include <QByteArray>
#include <QChar>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Windows-style drives over Linux mounts: catalogs name folders "E:\GAMES\DOOM",
// so a medium keeps its paths wherever it happens to be mounted.
namespace platform {

struct MountEntry
{
    QString mountPoint;
    QString fsType;
    QString source;
    friend bool operator==(const MountEntry&, const MountEntry&) = default;
};

struct Drive
{
    QChar letter; // 'C'..'Z'
    QString mountPoint;
    QString name;
};

class DriveTable
{
public:
    DriveTable() = default;
    // labels: device path (e.g. /dev/sdb1) -> volume label.
    static DriveTable fromMounts(const QList<MountEntry>& mounts,
                                 const QHash<QString, QString>& labels = {});
    // 'c' is C:, 'others' become D:, E:, ... in the order given.
    static DriveTable fromFolders(const QString& c, const QStringList& others = {});
    static DriveTable system();
    static QList<MountEntry> parseMountInfo(const QByteArray& mountinfo);

    const QList<Drive>& drives() const { return m_drives; }
    const Drive* drive(QChar letter) const;
    static QString listEntry(const Drive& d);

    // The two sides of the file-system boundary. A drive path's names are
    // stored names (platform::FileName), so each comes back as its own bytes.
    // Drive path -> native path; empty when the drive is unknown or the text
    // malformed (an empty name, ".", "..", or bytes no Linux name can hold).
    QByteArray nativeBytes(const QString& drivePath) const;
    // Native path -> drive path of the deepest mount containing it, or empty.
    QString toDrivePath(const QByteArray& native) const;
    // A path as Qt gives it (a dialog, the program folder).
    QString toDrivePath(const QString& nativePath) const;
    bool isReady(QChar letter) const;

private:
    QList<Drive> m_drives;
    bool m_system = false; // readiness also re-checks the live mount list
};

// Drive paths: "E:\" is a root, sub-folders carry no trailing backslash.
namespace DrivePath {
QString root(QChar letter);
bool isRoot(const QString& path);
QString join(const QString& folder, const QString& name);
QString parent(const QString& path);
QString name(const QString& path);
QChar letter(const QString& path); // upper case, or QChar() when not a drive path
} // namespace DrivePath

} // namespace platform
