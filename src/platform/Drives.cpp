#include "Drives.h"

#include "FileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <dirent.h>

namespace platform {

namespace {

constexpr QChar kBackslash = u'\\';
const QString kRoot = QStringLiteral("/");
const QString kMountInfo = QStringLiteral("/proc/self/mountinfo");
const QString kLabelFolder = QStringLiteral("/dev/disk/by-label");

// Kernel and desktop plumbing: nothing there is a medium to catalog.
// clang-format off
constexpr QStringView kPseudoTypes[] = {
    u"proc", u"sysfs", u"tmpfs", u"devtmpfs", u"devpts", u"cgroup", u"cgroup2", u"overlay",
    u"squashfs", u"securityfs", u"debugfs", u"tracefs", u"pstore", u"bpf", u"mqueue",
    u"hugetlbfs", u"configfs", u"fusectl", u"autofs", u"binfmt_misc", u"efivarfs", u"rpc_pipefs",
    u"nsfs", u"ramfs", u"selinuxfs", u"nfsd", u"rootfs", u"cpuset", u"sockfs", u"pipefs",
    u"fuse.gvfsd-fuse", u"fuse.portal", u"fuse.lxcfs", u"fuse.snapfuse",
};
// clang-format on

// Places where only the system mounts things; /run/media is the exception.
constexpr QStringView kSystemPlaces[] = {
    u"/proc", u"/sys", u"/dev", u"/snap", u"/var/lib/docker", u"/var/snap", u"/run",
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c |= 0x20;
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

// mountinfo writes "\040"-style octal escapes, udev link names "\x20"-style hex;
// each side escapes its own backslashes, so one decoder serves both. Mount
// points stay Qt file names: they are never stored, only opened.
QString unescape(const QByteArray& text)
{
    QByteArray raw;
    raw.reserve(text.size());
    const auto at = [&](qsizetype i) { return i < text.size() ? text.at(i) : '\0'; };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (at(i) == '\\' && isOctal(at(i + 1)) && isOctal(at(i + 2)) && isOctal(at(i + 3))) {
            raw += char((at(i + 1) - '0') * 64 + (at(i + 2) - '0') * 8 + (at(i + 3) - '0'));
            i += 3;
        } else if (at(i) == '\\' && at(i + 1) == 'x' && hexDigit(at(i + 2)) >= 0 &&
                   hexDigit(at(i + 3)) >= 0) {
            raw += char(hexDigit(at(i + 2)) * 16 + hexDigit(at(i + 3)));
            i += 3;
        } else {
            raw += at(i);
        }
    }
    return QFile::decodeName(raw);
}

QChar asciiUpper(QChar c)
{
    return c >= u'a' && c <= u'z' ? QChar(c.unicode() - 0x20) : c;
}

// path is folder or below it; every absolute path is below "/".
bool isUnder(QStringView path, QStringView folder)
{
    if (folder == u"/")
        return path.startsWith(u'/');
    return path.startsWith(folder) &&
           (path.size() == folder.size() || path.at(folder.size()) == u'/');
}

bool isMedium(const MountEntry& m)
{
    const auto is = [&](QStringView type) { return m.fsType == type; };
    const auto under = [&](QStringView place) { return isUnder(m.mountPoint, place); };
    if (std::any_of(std::begin(kPseudoTypes), std::end(kPseudoTypes), is))
        return false;
    if (!under(u"/run/media") &&
        std::any_of(std::begin(kSystemPlaces), std::end(kSystemPlaces), under))
        return false;
    // Containers bind-mount single files such as /etc/hosts.
    const QFileInfo info(m.mountPoint);
    return !info.exists() || info.isDir();
}

// The names of an absolute path, "." and ".." worked out as the file system
// does ("/.." is "/").
QList<QByteArray> pathNames(const QByteArray& path)
{
    QList<QByteArray> names;
    for (const QByteArray& n : path.split('/')) {
        if (n.isEmpty() || n == ".")
            continue;
        if (n == "..") {
            if (!names.isEmpty())
                names.removeLast();
            continue;
        }
        names.append(n);
    }
    return names;
}

QString lastName(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    return name.isEmpty() ? path : name;
}

QString labelOf(const QString& source, const QHash<QString, QString>& labels)
{
    QString label = labels.value(source);
    // Sources like /dev/mapper/x are links to the device the label points at.
    if (label.isEmpty() && source.startsWith(u"/dev/"))
        label = labels.value(QFileInfo(source).canonicalFilePath());
    return label;
}

QHash<QString, QString> systemLabels()
{
    QHash<QString, QString> labels;
    const QDir dir(kLabelFolder);
    const auto links = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& link : links) {
        const QString device = QFileInfo(dir.filePath(link)).canonicalFilePath();
        if (!device.isEmpty())
            labels.insert(device, unescape(QFile::encodeName(link)));
    }
    return labels;
}

QByteArray readMountInfo()
{
    QFile f(kMountInfo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

DriveTable DriveTable::fromMounts(const QList<MountEntry>& mounts,
                                  const QHash<QString, QString>& labels)
{
    // Over-mounted points: the later line is what can be seen there.
    QList<MountEntry> unique;
    QHash<QString, qsizetype> at;
    for (const MountEntry& m : mounts) {
        const auto it = at.constFind(m.mountPoint);
        if (it != at.cend()) {
            unique[*it] = m;
        } else {
            at.insert(m.mountPoint, unique.size());
            unique.append(m);
        }
    }

    QString rootLabel;
    QList<MountEntry> media;
    for (const MountEntry& m : unique) {
        if (m.mountPoint == kRoot)
            rootLabel = labelOf(m.source, labels);
        else if (isMedium(m))
            media.append(m);
    }
    // Code points, not UTF-16 units: astral names sort after U+FFFF.
    std::sort(media.begin(), media.end(), [](const MountEntry& a, const MountEntry& b) {
        const auto x = a.mountPoint.toUcs4(), y = b.mountPoint.toUcs4();
        return std::lexicographical_compare(x.cbegin(), x.cend(), y.cbegin(), y.cend());
    });

    DriveTable t;
    t.m_drives.append({u'C', kRoot, rootLabel.isEmpty() ? kRoot : rootLabel});
    for (qsizetype i = 0; i < media.size() && i < 'Z' - 'D' + 1; ++i) {
        const QString label = labelOf(media[i].source, labels);
        t.m_drives.append({QChar(char16_t(u'D' + i)), media[i].mountPoint,
                           label.isEmpty() ? lastName(media[i].mountPoint) : label});
    }
    return t;
}

DriveTable DriveTable::fromFolders(const QString& c, const QStringList& others)
{
    DriveTable t;
    const QStringList folders = QStringList{c} + others;
    for (qsizetype i = 0; i < folders.size() && i < 'Z' - 'C' + 1; ++i) {
        const QString path = QDir::cleanPath(QFileInfo(folders[i]).absoluteFilePath());
        t.m_drives.append({QChar(char16_t(u'C' + i)), path, lastName(path)});
    }
    return t;
}

DriveTable DriveTable::system()
{
    DriveTable t = fromMounts(parseMountInfo(readMountInfo()), systemLabels());
    t.m_system = true;
    return t;
}

QList<MountEntry> DriveTable::parseMountInfo(const QByteArray& mountinfo)
{
    // id parent dev root MOUNT options [optional...] - TYPE SOURCE super-options
    QList<MountEntry> out;
    for (const QByteArray& line : mountinfo.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        qsizetype dash = 6;
        while (dash < f.size() && f[dash] != "-")
            ++dash;
        if (dash + 2 >= f.size())
            continue;
        out.append({unescape(f[4]), unescape(f[dash + 1]), unescape(f[dash + 2])});
    }
    return out;
}

const Drive* DriveTable::drive(QChar letter) const
{
    const QChar upper = asciiUpper(letter);
    for (const Drive& d : m_drives)
        if (d.letter == upper)
            return &d;
    return nullptr;
}

QString DriveTable::listEntry(const Drive& d)
{
    return d.letter.toLower() + QStringLiteral(": [") + d.name + u']';
}

QByteArray DriveTable::nativeBytes(const QString& drivePath) const
{
    const Drive* d = drive(DrivePath::letter(drivePath));
    if (!d)
        return {};
    const QByteArray mount = QFile::encodeName(d->mountPoint);
    if (drivePath.size() <= 3)
        return mount;
    QByteArray out = d->mountPoint == kRoot ? QByteArray() : mount;
    for (const QStringView part : QStringView(drivePath).mid(3).split(kBackslash)) {
        // No way out of the drive, and no name Linux could not hold.
        const QByteArray name = FileName::toBytes(part.toString());
        if (name.isEmpty() || name == "." || name == ".." || name.contains('/') ||
            name.contains('\0'))
            return {};
        out += '/' + name;
    }
    return out;
}

QString DriveTable::toDrivePath(const QByteArray& native) const
{
    if (!native.startsWith('/'))
        return {};
    const QList<QByteArray> names = pathNames(native);
    const Drive* best = nullptr;
    qsizetype depth = -1;
    for (const Drive& d : m_drives) {
        const QList<QByteArray> mount = pathNames(QFile::encodeName(d.mountPoint));
        if (mount.size() > depth && mount.size() <= names.size() &&
            std::equal(mount.cbegin(), mount.cend(), names.cbegin())) {
            best = &d;
            depth = mount.size();
        }
    }
    if (!best)
        return {};
    QStringList stored;
    for (qsizetype i = depth; i < names.size(); ++i)
        stored << FileName::fromBytes(names.at(i));
    return DrivePath::root(best->letter) + stored.join(kBackslash);
}

QString DriveTable::toDrivePath(const QString& nativePath) const
{
    return toDrivePath(QFile::encodeName(nativePath));
}

bool DriveTable::isReady(QChar letter) const
{
    const Drive* d = drive(letter);
    if (!d)
        return false;
    DIR* dir = opendir(QFile::encodeName(d->mountPoint).constData());
    if (!dir)
        return false;
    closedir(dir);
    // An empty mount point folder outlives an unplugged medium.
    if (!m_system || d->mountPoint == kRoot)
        return true;
    const QList<MountEntry> mounts = parseMountInfo(readMountInfo());
    return std::any_of(mounts.cbegin(), mounts.cend(),
                       [&](const MountEntry& m) { return m.mountPoint == d->mountPoint; });
}

namespace DrivePath {

QString root(QChar letter)
{
    return asciiUpper(letter) + QStringLiteral(":\\");
}

bool isRoot(const QString& path)
{
    return !letter(path).isNull() && path.size() <= 3;
}

QString join(const QString& folder, const QString& name)
{
    return folder.endsWith(kBackslash) ? folder + name : folder + kBackslash + name;
}

QString parent(const QString& path)
{
    if (letter(path).isNull() || isRoot(path))
        return {};
    const qsizetype cut = path.lastIndexOf(kBackslash);
    return cut == 2 ? path.left(3) : path.left(cut);
}

QString name(const QString& path)
{
    if (letter(path).isNull() || isRoot(path))
        return {};
    return path.mid(path.lastIndexOf(kBackslash) + 1);
}

QChar letter(const QString& path)
{
    if (path.size() < 2 || path.at(1) != u':' || (path.size() > 2 && path.at(2) != kBackslash))
        return {};
    const QChar c = asciiUpper(path.at(0));
    return c >= u'A' && c <= u'Z' ? c : QChar();
}

} // namespace DrivePath

} // namespace platform
