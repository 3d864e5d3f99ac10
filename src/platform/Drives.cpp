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
constexpr QChar kWideBackslash = u'\uFF3C'; // stands for '\' inside a name
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

// ISO-8859-2 from 0xA0; below that it agrees with Latin-1.
constexpr char16_t kLatin2High[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Length of the valid UTF-8 sequence at p (0 if none); overlongs, surrogates
// and values past U+10FFFF are invalid.
int utf8Sequence(const uchar* p, const uchar* end, char32_t& cp)
{
    const uchar b = *p;
    cp = b;
    if (b < 0x80)
        return 1;
    const int len = b >= 0xF8 ? 0 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    cp &= 0x7F >> len;
    if (len == 0 || end - p < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

bool isValidUtf8(const uchar* p, const uchar* end)
{
    char32_t cp;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int len = utf8Sequence(p, end, cp);
        if (!len)
            return false;
        p += len;
    }
    return true;
}

QString decodeMixed(const uchar* p, const uchar* end)
{
    QString out;
    out.reserve(end - p);
    char32_t cp;
    while (p < end) {
        const int len = utf8Sequence(p, end, cp);
        if (!len) {
            out += QChar(*p < 0xA0 ? char16_t(*p) : kLatin2High[*p - 0xA0]);
            ++p;
        } else if (cp > 0xFFFF) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
            p += len;
        } else {
            out += QChar(char16_t(cp));
            p += len;
        }
    }
    return out;
}

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
// each side escapes its own backslashes, so one decoder serves both.
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
    return decodeFileName(raw);
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

QString DriveTable::toNative(const QString& drivePath) const
{
    const Drive* d = drive(DrivePath::letter(drivePath));
    if (!d)
        return {};
    if (drivePath.size() <= 3)
        return d->mountPoint;
    QString out = d->mountPoint == kRoot ? QString() : d->mountPoint;
    for (const QStringView part : QStringView(drivePath).mid(3).split(kBackslash)) {
        // No way out of the drive, and no name Linux could not hold.
        if (part.isEmpty() || part == u"." || part == u".." || part.contains(u'/'))
            return {};
        out += u'/' + part.toString().replace(kWideBackslash, kBackslash);
    }
    return out;
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
        if (part.isEmpty() || part == u"." || part == u"..")
            return {};
        out += '/' + FileName::toBytes(part.toString());
    }
    return out;
}

QString DriveTable::toDrivePath(const QString& nativePath) const
{
    if (!nativePath.startsWith(u'/'))
        return {};
    const QString path = QDir::cleanPath(nativePath);
    const Drive* best = nullptr;
    for (const Drive& d : m_drives)
        if (isUnder(path, d.mountPoint) && (!best || d.mountPoint.size() > best->mountPoint.size()))
            best = &d;
    if (!best)
        return {};
    QStringList names = path.mid(best->mountPoint.size()).split(u'/', Qt::SkipEmptyParts);
    names.removeAll(QStringLiteral("..")); // cleanPath keeps "/.." and "/.." is "/"
    for (QString& n : names)
        n.replace(kBackslash, kWideBackslash);
    return DrivePath::root(best->letter) + names.join(kBackslash);
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

QString decodeFileName(const QByteArray& raw, bool* exact)
{
    const auto* p = reinterpret_cast<const uchar*>(raw.constData());
    const auto* end = p + raw.size();
    // Nearly every name is valid UTF-8, and Qt's decoder is the fast one; but it
    // drops a leading byte order mark, which in a name is a character.
    const bool valid = isValidUtf8(p, end);
    if (exact)
        *exact = valid;
    const bool fast = valid && !raw.startsWith("\xEF\xBB\xBF");
    return fast ? QString::fromUtf8(raw) : decodeMixed(p, end);
}

} // namespace platform
