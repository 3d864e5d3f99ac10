#include "platform/Drives.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using platform::DriveTable;
using platform::MountEntry;
namespace DrivePath = platform::DrivePath;

namespace {

QByteArray line(int id, const QByteArray& mountPoint, const QByteArray& type,
                const QByteArray& source)
{
    return QByteArray::number(id) + " 1 0:1 / " + mountPoint + " rw shared:1 - " + type + ' ' +
           source + " rw\n";
}

} // namespace

class TestDrives : public QObject
{
    Q_OBJECT

private slots:
    void parseEscapes()
    {
        const QByteArray text =
            "36 35 98:0 /mnt1 /mnt/My\\040Disk rw,noatime master:1 - ext3 "
            "/dev/root rw,errors=continue\n"
            "garbage line\n\n" +
            line(40, "/media/u/a\\134b/J\\303\\241t\\303\\251k", "vfat", "/dev/sd\\011x");
        const QList<MountEntry> expected = {
            {QStringLiteral("/mnt/My Disk"), QStringLiteral("ext3"), QStringLiteral("/dev/root")},
            {QStringLiteral("/media/u/a\\b/Játék"), QStringLiteral("vfat"),
             QStringLiteral("/dev/sd\tx")},
        };
        QCOMPARE(DriveTable::parseMountInfo(text), expected);
    }

    void containerSample()
    {
        QTemporaryDir tmp;
        const QString hosts = tmp.filePath(QStringLiteral("hosts"));
        TestSupport::writeFile(hosts, "127.0.0.1 localhost\n");

        QByteArray text = line(1, "/", "overlay", "overlay") + line(2, "/proc", "proc", "proc") +
                          line(5, QFile::encodeName(hosts), "ext4", "/dev/vda") +
                          line(6, "/proc/bus", "ext4", "/dev/vda") +
                          line(7, "/var/lib/docker/overlay2/m", "ext4", "/dev/vda") +
                          line(8, "/snap/core/1", "squashfs", "/dev/loop0") +
                          line(9, "/run/user/1000/doc", "fuse.portal", "portal") +
                          line(10, "/run/lock", "ext4", "/dev/vda") +
                          line(11, "/media/u/STICK", "vfat", "/dev/sdb1") +
                          line(12, "/media/u/alma", "fuseblk", "/dev/sdc1") +
                          line(13, "/media/u/Zene", "ext4", "/dev/sdd1") +
                          line(14, "/media/u/\xF0\x9D\x94\xB8", "ext4", "/dev/sde1") + // U+1D538
                          line(15, "/media/u/\xEF\xAC\x83", "ext4", "/dev/sdf1") +     // U+FB03
                          line(16, "/mnt/cd", "iso9660", "/dev/sr0") +
                          line(17, "/mnt/data", "ext4", "/dev/sdg1") +
                          line(18, "/run/media/u/KINGSTON", "exfat", "/dev/sdh1") +
                          line(19, "/mnt/cd", "udf", "/dev/sr1") +
                          line(20, "/mnt/data", "tmpfs", "t");
        for (int i = 0; i < 20; ++i)
            text +=
                line(100 + i, "/srv/d" + QByteArray::number(i).rightJustified(2, '0'), "xfs", "x");
        const QHash<QString, QString> labels = {
            {QStringLiteral("/dev/sdb1"), QStringLiteral("PENDRIVE 1")},
            {QStringLiteral("/dev/sr1"), QStringLiteral("FILMEK")}};

        const DriveTable t = DriveTable::fromMounts(DriveTable::parseMountInfo(text), labels);
        QStringList got;
        for (const platform::Drive& d : t.drives())
            got << d.letter + QStringLiteral("=") + d.mountPoint + u' ' + DriveTable::listEntry(d);
        QStringList expected = {
            QStringLiteral("C=/ c: [/]"),
            QStringLiteral("D=/media/u/STICK d: [PENDRIVE 1]"),
            QStringLiteral("E=/media/u/Zene e: [Zene]"), // code points: upper case first
            QStringLiteral("F=/media/u/alma f: [alma]"),
            QStringLiteral("G=/media/u/\uFB03 g: [\uFB03]"),
            QStringLiteral("H=/media/u/\U0001D538 h: [\U0001D538]"),
            QStringLiteral("I=/mnt/cd i: [FILMEK]"),
            QStringLiteral("J=/run/media/u/KINGSTON j: [KINGSTON]"),
        };
        for (char c = 'K'; c <= 'Z'; ++c) // /srv/d16 and later find no letter
            expected << QStringLiteral("%1=/srv/d%2 %3: [d%2]")
                            .arg(QChar(c))
                            .arg(c - 'K', 2, 10, QChar(u'0'))
                            .arg(QChar(c).toLower());
        QCOMPARE(got, expected);
    }

    void rootIsAlwaysC()
    {
        const QList<MountEntry> mounts = {
            {QStringLiteral("/media/x"), QStringLiteral("ext4"), {}},
            {QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda2")}};
        const auto t = DriveTable::fromMounts(
            mounts, {{QStringLiteral("/dev/sda2"), QStringLiteral("Rendszer")}});
        QCOMPARE(DriveTable::listEntry(t.drives().at(0)), QStringLiteral("c: [Rendszer]"));
        QCOMPARE(t.drive(u'd')->mountPoint, QStringLiteral("/media/x"));

        const auto bare = DriveTable::fromMounts({});
        QCOMPARE(bare.drives().size(), 1);
        QCOMPARE(bare.nativeBytes(QStringLiteral("C:\\usr\\bin")), QByteArray("/usr/bin"));
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("drivePath");
        QTest::addColumn<QString>("relative"); // to the temporary folder

        QTest::newRow("root") << QStringLiteral("C:\\") << QStringLiteral("c");
        QTest::newRow("deepest wins") << QStringLiteral("E:\\") << QStringLiteral("c/nested");
        QTest::newRow("below deepest")
            << QStringLiteral("E:\\x\\y") << QStringLiteral("c/nested/x/y");
        QTest::newRow("prefix only")
            << QStringLiteral("C:\\nestedX") << QStringLiteral("c/nestedX");
        QTest::newRow("accents") << QStringLiteral("D:\\Játékok\\DOOM")
                                 << QStringLiteral("d/Játékok/DOOM");
        QTest::newRow("backslash") << QStringLiteral("D:\\a/5Cb\\c") << QStringLiteral("d/a\\b/c");
    }

    void conversions()
    {
        QFETCH(QString, drivePath);
        QFETCH(QString, relative);
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        const auto t = DriveTable::fromFolders(
            dir.filePath(QStringLiteral("c")),
            {dir.filePath(QStringLiteral("d")), dir.filePath(QStringLiteral("c/nested"))});
        const QByteArray native = QFile::encodeName(dir.filePath(relative));
        QCOMPARE(t.nativeBytes(drivePath), native);
        QCOMPARE(t.toDrivePath(native), drivePath);
        QString lower = drivePath;
        lower[0] = lower[0].toLower();
        QCOMPARE(t.nativeBytes(lower), native);
    }

    void malformedOrUnknown()
    {
        const auto t =
            DriveTable::fromFolders(QStringLiteral("/tmp/c"), {QStringLiteral("/tmp/d/")});
        QCOMPARE(t.nativeBytes(QStringLiteral("d:")), QByteArray("/tmp/d"));
        QCOMPARE(t.toDrivePath(QStringLiteral("/tmp/d/x/")), QStringLiteral("D:\\x"));
        const QStringList badDrivePaths = {
            QStringLiteral("E:\\x"),
            QStringLiteral("D:x"),
            QStringLiteral("D"),
            QStringLiteral("D:\\a\\\\b"),
            QStringLiteral("D:\\a\\"),
            QStringLiteral("D:\\..\\c"),
            QStringLiteral("D:\\a/b"),
            QStringLiteral("\u017F:\\x"), // long s must not pass as
                                          // 'S'
            QStringLiteral("D:\\a/2F..\\x"),
            QStringLiteral("D:\\/2E/2E"),
            QStringLiteral("D:\\a/00"),
        };
        for (const QString& p : badDrivePaths)
            QVERIFY2(t.nativeBytes(p).isEmpty(), qPrintable(p));
        QCOMPARE(t.toDrivePath(QStringLiteral("/tmp/e")), QString());
        QCOMPARE(t.toDrivePath(QStringLiteral("tmp/c")), QString());
        QVERIFY(!t.drive(u'E'));
    }

    void systemTable()
    {
        const auto t = DriveTable::system();
        QCOMPARE(t.drives().at(0).letter, QChar(u'C'));
        QCOMPARE(t.toDrivePath(QStringLiteral("/")), QStringLiteral("C:\\"));
        QCOMPARE(t.toDrivePath(QStringLiteral("/../usr//lib/")), QStringLiteral("C:\\usr\\lib"));
        QCOMPARE(t.nativeBytes(QStringLiteral("c:\\usr")), QByteArray("/usr"));
        QVERIFY(t.isReady(u'C'));
    }

    void drivePathHelpers()
    {
        // A root keeps its backslash; a sub-folder has none.
        QCOMPARE(DrivePath::join(QStringLiteral("E:\\"), QStringLiteral("A")),
                 QStringLiteral("E:\\A"));
        QCOMPARE(DrivePath::parent(QStringLiteral("E:\\A")), QStringLiteral("E:\\"));
        QCOMPARE(DrivePath::parent(QStringLiteral("E:\\")), QString());
        QVERIFY(DrivePath::isRoot(QStringLiteral("e:")) && !DrivePath::isRoot(QStringLiteral("/")));
        QCOMPARE(DrivePath::letter(QStringLiteral("E:A")), QChar());
    }

    void readiness()
    {
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        QVERIFY(dir.mkdir(QStringLiteral("stick")));
        TestSupport::writeFile(dir.filePath(QStringLiteral("file")), "x");
        const auto t = DriveTable::fromFolders(tmp.path(), {dir.filePath(QStringLiteral("stick")),
                                                            dir.filePath(QStringLiteral("file"))});
        QVERIFY(t.isReady(u'c') && t.isReady(u'D'));
        QVERIFY(!t.isReady(u'E') && !t.isReady(u'F')); // a file, an unknown drive
        QVERIFY(dir.rmdir(QStringLiteral("stick")));
        QVERIFY(!t.isReady(u'D'));
    }

    void nativeBytes()
    {
        const auto t = DriveTable::fromFolders(QStringLiteral("/"), {QStringLiteral("/tmp/d")});
        QCOMPARE(t.nativeBytes(QStringLiteral("D:\\GAMES\\D_z/FF\\a/5Cb")),
                 QByteArray("/tmp/d/GAMES/D_z\xFF/a\\b"));
        QCOMPARE(t.toDrivePath(QByteArray("/tmp/d/GAMES/D_z\xFF/a\\b")),
                 QStringLiteral("D:\\GAMES\\D_z/FF\\a/5Cb"));
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "test_drives.moc"
