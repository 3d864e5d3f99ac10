#include "platform/Drives.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using platform::DriveTable;
using platform::MountEntry;
namespace DrivePath = platform::DrivePath;
using namespace Qt::StringLiterals;

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
            {"/mnt/My Disk", "ext3", "/dev/root"},
            {"/media/u/a\\b/Játék", "vfat", "/dev/sd\tx"},
        };
        QCOMPARE(DriveTable::parseMountInfo(text), expected);
    }

    void containerSample()
    {
        QTemporaryDir tmp;
        const QString hosts = tmp.filePath("hosts");
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
        const QHash<QString, QString> labels = {{"/dev/sdb1", "PENDRIVE 1"},
                                                {"/dev/sr1", "FILMEK"}};

        const DriveTable t = DriveTable::fromMounts(DriveTable::parseMountInfo(text), labels);
        QStringList got;
        for (const platform::Drive& d : t.drives())
            got << d.letter + QString("=") + d.mountPoint + u' ' + DriveTable::listEntry(d);
        QStringList expected = {
            "C=/ c: [/]",
            "D=/media/u/STICK d: [PENDRIVE 1]",
            "E=/media/u/Zene e: [Zene]", // code points: upper case first
            "F=/media/u/alma f: [alma]",
            "G=/media/u/\uFB03 g: [\uFB03]",
            "H=/media/u/\U0001D538 h: [\U0001D538]",
            "I=/mnt/cd i: [FILMEK]",
            "J=/run/media/u/KINGSTON j: [KINGSTON]",
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
        const QList<MountEntry> mounts = {{"/media/x", "ext4", {}}, {"/", "ext4", "/dev/sda2"}};
        const auto t = DriveTable::fromMounts(mounts, {{"/dev/sda2", "Rendszer"}});
        QCOMPARE(DriveTable::listEntry(t.drives().at(0)), "c: [Rendszer]");
        QCOMPARE(t.drive(u'd')->mountPoint, "/media/x");

        const auto bare = DriveTable::fromMounts({});
        QCOMPARE(bare.drives().size(), 1);
        QCOMPARE(bare.nativeBytes("C:\\usr\\bin"), QByteArray("/usr/bin"));
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("drivePath");
        QTest::addColumn<QString>("relative"); // to the temporary folder

        const auto row = [](const char* name, const char* drivePath, const char* relative) {
            QTest::newRow(name) << QString(drivePath) << QString(relative);
        };
        row("root", "C:\\", "c");
        row("deepest wins", "E:\\", "c/nested");
        row("below deepest", "E:\\x\\y", "c/nested/x/y");
        row("prefix only", "C:\\nestedX", "c/nestedX");
        row("accents", "D:\\Játékok\\DOOM", "d/Játékok/DOOM");
        row("backslash", "D:\\a/5Cb\\c", "d/a\\b/c");
    }

    void conversions()
    {
        QFETCH(QString, drivePath);
        QFETCH(QString, relative);
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        const auto t = DriveTable::fromFolders(dir.filePath("c"),
                                               {dir.filePath("d"), dir.filePath("c/nested")});
        const QByteArray native = QFile::encodeName(dir.filePath(relative));
        QCOMPARE(t.nativeBytes(drivePath), native);
        QCOMPARE(t.toDrivePath(native), drivePath);
        QString lower = drivePath;
        lower[0] = lower[0].toLower();
        QCOMPARE(t.nativeBytes(lower), native);
    }

    void malformedOrUnknown()
    {
        const auto t = DriveTable::fromFolders("/tmp/c", {"/tmp/d/"});
        QCOMPARE(t.nativeBytes("d:"), QByteArray("/tmp/d"));
        QCOMPARE(t.toDrivePath(u"/tmp/d/x/"_s), "D:\\x");
        // A long s must not pass as 'S'.
        const QStringList badDrivePaths = {"E:\\x",         "D:x",        "D",       "D:\\a\\\\b",
                                           "D:\\a\\",       "D:\\..\\c",  "D:\\a/b", "\u017F:\\x",
                                           "D:\\a/2F..\\x", "D:\\/2E/2E", "D:\\a/00"};
        for (const QString& p : badDrivePaths)
            QVERIFY2(t.nativeBytes(p).isEmpty(), qPrintable(p));
        QCOMPARE(t.toDrivePath(u"/tmp/e"_s), QString());
        QCOMPARE(t.toDrivePath(u"tmp/c"_s), QString());
        QVERIFY(!t.drive(u'E'));
    }

    void systemTable()
    {
        const auto t = DriveTable::system();
        QCOMPARE(t.drives().at(0).letter, QChar(u'C'));
        QCOMPARE(t.toDrivePath(u"/"_s), "C:\\");
        QCOMPARE(t.toDrivePath(u"/../usr//lib/"_s), "C:\\usr\\lib");
        QCOMPARE(t.nativeBytes("c:\\usr"), QByteArray("/usr"));
        QVERIFY(t.isReady(u'C'));
    }

    void drivePathHelpers()
    {
        // A root keeps its backslash; a sub-folder has none.
        QCOMPARE(DrivePath::join("E:\\", "A"), "E:\\A");
        QCOMPARE(DrivePath::parent("E:\\A"), "E:\\");
        QCOMPARE(DrivePath::parent("E:\\"), QString());
        QVERIFY(DrivePath::isRoot("e:") && !DrivePath::isRoot("/"));
        QCOMPARE(DrivePath::letter("E:A"), QChar());
    }

    void readiness()
    {
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        QVERIFY(dir.mkdir("stick"));
        TestSupport::writeFile(dir.filePath("file"), "x");
        const auto t =
            DriveTable::fromFolders(tmp.path(), {dir.filePath("stick"), dir.filePath("file")});
        QVERIFY(t.isReady(u'c') && t.isReady(u'D'));
        QVERIFY(!t.isReady(u'E') && !t.isReady(u'F')); // a file, an unknown drive
        QVERIFY(dir.rmdir("stick"));
        QVERIFY(!t.isReady(u'D'));
    }

    void nativeBytes()
    {
        const auto t = DriveTable::fromFolders("/", {"/tmp/d"});
        QCOMPARE(t.nativeBytes("D:\\GAMES\\D_z/FF\\a/5Cb"),
                 QByteArray("/tmp/d/GAMES/D_z\xFF/a\\b"));
        QCOMPARE(t.toDrivePath(QByteArray("/tmp/d/GAMES/D_z\xFF/a\\b")),
                 "D:\\GAMES\\D_z/FF\\a/5Cb");
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "test_drives.moc"
