#include "ArchiveMaker.h"
#include "TestSupport.h"

#include "archives/ArchiveReader.h"
#include "archives/MemberPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using namespace archives;
namespace AM = ArchiveMaker;

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QStringList described(const Listing& l)
{
    QStringList out;
    for (const Member& m : l.members)
        out << QString::fromUtf8(m.path).chopped(m.path.endsWith('/') ? 1 : 0) + QLatin1Char(' ') +
                   (m.kind == MemberKind::Folder ? QStringLiteral("d") : QString::number(m.length));
    out.sort();
    return out;
}

bool archiveAt(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY);
    const bool yes = looksLikeArchive(fd);
    ::close(fd);
    return yes;
}

void cut(const QString& path, qint64 keep)
{
    QVERIFY(::truncate(native(path).constData(), keep) == 0);
}

const QList<AM::Entry> kSample = {
    AM::folder("DOC"), AM::file("DOC/READ.ME", "hello\n", 1'500'000'000),
    AM::file("BIN/GAME.EXE", QByteArray(70'000, 'x')), AM::file("E\xC3\x9CRES.TXT", "")};
const QStringList kSampleListed = {"BIN/GAME.EXE 70000", "DOC d", "DOC/READ.ME 6",
                                   "E\u00DCRES.TXT 0"};

} // namespace

class TestArchiveReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void formatsAreListed_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("filter");
        QTest::newRow("zip") << "zip"
                             << "";
        QTest::newRow("7z") << "7zip"
                            << "";
        QTest::newRow("tar.xz") << "pax"
                                << "xz";
        QTest::newRow("tar.gz") << "gnutar"
                                << "gzip";
        QTest::newRow("iso") << "iso9660"
                             << "";
    }

    void formatsAreListed()
    {
        QFETCH(QString, format);
        QFETCH(QString, filter);
        const QString file = path("sample." + format + filter);
        QVERIFY(AM::write(file, format.toLatin1().constData(), filter.toLatin1().constData(),
                          kSample,
                          format == "iso9660" ? "iso9660:joliet,iso9660:rockridge" : nullptr));
        QVERIFY(archiveAt(file));
        Listing l = listArchive(native(file));
        QVERIFY(l.archive);
        QVERIFY(!l.damaged && !l.tooMany && !l.tooLarge && !l.encrypted);
        QStringList listed = described(l);
        // ISO 9660 lists the folders that zip and tar only imply.
        listed.removeAll(QStringLiteral("BIN d"));
        listed.removeAll(QStringLiteral(". d"));
        QCOMPARE(listed, kSampleListed);
        for (const Member& m : l.members)
            if (m.path.endsWith("READ.ME"))
                QCOMPARE(m.modified.value_or(0), qint64(1'500'000'000));
    }

    void plainFilesAreNoArchives_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("just some text\nwith lines\n");
        QTest::newRow("zeros") << QByteArray(10240, '\0');
        QTest::newRow("program") << QByteArray("MZ\x90\0\3\0\0\0", 8) + QByteArray(4000, '\x55');
        QTest::newRow("mtree") << QByteArray("#mtree\n./etc/passwd type=file\n");
        QTest::newRow("bare header") << QByteArray("PK\3\4");
    }

    void plainFilesAreNoArchives()
    {
        QFETCH(QByteArray, content);
        const QString file = path("plain");
        TestSupport::writeFile(file, content);
        QVERIFY(!archiveAt(file));
        const Listing l = listArchive(native(file));
        QVERIFY(!l.archive);
        QVERIFY(l.members.isEmpty());
    }

    void truncatedArchiveKeepsWhatWasRead_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("filter");
        QTest::newRow("zip") << "zip"
                             << "";
        QTest::newRow("tar.xz") << "pax"
                                << "xz";
        QTest::newRow("iso") << "iso9660"
                             << "";
    }

    void truncatedArchiveKeepsWhatWasRead()
    {
        QFETCH(QString, format);
        QFETCH(QString, filter);
        QList<AM::Entry> entries;
        QByteArray noise;
        for (int i = 0; i < 64; ++i)
            noise += QByteArray::number(i * 7919 % 65521);
        for (int i = 0; i < 40; ++i)
            entries << AM::file("F" + QByteArray::number(i), noise.repeated(30 + i));
        const QString file = path("cut." + format);
        QVERIFY(
            AM::write(file, format.toLatin1().constData(), filter.toLatin1().constData(), entries));
        cut(file, QFileInfo(file).size() * 6 / 10);
        const Listing l = listArchive(native(file));
        QVERIFY(l.archive);
        QVERIFY(l.damaged);
        QVERIFY2(!l.members.isEmpty() && l.members.size() < 40,
                 qPrintable(QString::number(l.members.size())));
    }

    void encryptedZipListsItsNames()
    {
        const QString file = path("secret.zip");
        if (!AM::write(file, "zip", "",
                       {AM::file("A.TXT", "secret one"), AM::file("B/C.TXT", "two")},
                       "zip:encryption=zipcrypt", "jelszo"))
            QSKIP("this libarchive cannot write encrypted zip");
        ListOptions o;
        o.crc = true;
        const Listing l = listArchive(native(file), o);
        QVERIFY(l.archive && l.encrypted && !l.damaged);
        QCOMPARE(described(l), (QStringList{"A.TXT 10", "B/C.TXT 3"}));
        for (const Member& m : l.members)
            QVERIFY(m.encrypted && !m.crc);
        QTemporaryDir out;
        const auto f =
            extractMember(native(file), QStringLiteral("A.TXT"), native(out.filePath("A")));
        QVERIFY(f && f->step == platform::CopyStep::Source && f->errnoValue == EIO);
        QVERIFY(QDir(out.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    }

    void limitsStopABomb()
    {
        QList<AM::Entry> many;
        for (int i = 0; i < 1500; ++i)
            many << AM::file("m/" + QByteArray::number(i), "x");
        const QString zip = path("many.zip");
        QVERIFY(AM::write(zip, "zip", "", many));
        ListOptions o;
        o.limits.members = 1000;
        Listing l = listArchive(native(zip), o);
        QVERIFY(l.archive && l.tooMany && !l.tooLarge);
        QCOMPARE(l.members.size(), 1000);
        o.limits.members = 1500; // exactly the limit is no bomb
        QVERIFY(!listArchive(native(zip), o).tooMany);

        // 64 MiB of zeros packs into a few kilobytes.
        const QString tar = path("bomb.tar.xz");
        QVERIFY(AM::write(tar, "pax", "xz",
                          {AM::file("a", "1"), AM::file("zeros", QByteArray(64 << 20, '\0')),
                           AM::file("after", "2")}));
        QVERIFY(QFileInfo(tar).size() < 1 << 20);
        o.limits = {};
        o.limits.bytes = 8 << 20;
        l = listArchive(native(tar), o);
        QVERIFY(l.archive && l.tooLarge && !l.tooMany);
        QCOMPARE(described(l), QStringList{"a 1"});
    }

    void crcOfTheContentOnRequest_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("filter");
        QTest::newRow("tar.gz") << "crc.tar.gz" << QByteArray("gnutar") << QByteArray("gzip");
        QTest::newRow("zip") << "crc.zip" << QByteArray("zip") << QByteArray("");
        QTest::newRow("7z") << "crc.7z" << QByteArray("7zip") << QByteArray("");
        QTest::newRow("iso") << "crc.iso" << QByteArray("iso9660") << QByteArray("");
        QTest::newRow("stored zip") << "stored.zip" << QByteArray() << QByteArray();
    }

    void crcOfTheContentOnRequest()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, filter);
        const QString file = path(name);
        const QByteArray data = QByteArray("abc").repeated(100'000);
        if (format.isEmpty())
            TestSupport::writeFile(file, AM::storedZip({{"d", data}, {"f/", ""}}));
        else
            QVERIFY(AM::write(file, format.constData(), filter.constData(),
                              {AM::file("d", data), AM::folder("f")}));
        const auto member = [](const Listing& l, const char* p) {
            for (const Member& m : l.members)
                if (m.path == p || m.path == QByteArray(p) + '/')
                    return m;
            return Member{};
        };
        ListOptions o;
        QVERIFY(!member(listArchive(native(file), o), "d").crc);
        o.crc = true;
        const Listing l = listArchive(native(file), o);
        const auto expected =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        QCOMPARE(member(l, "d").crc.value_or(0), expected);
        QVERIFY(!member(l, "f").crc);
    }

    void namesWithNulAndOddBytes()
    {
        const QString file = path("odd.zip");
        TestSupport::writeFile(file, AM::storedZip({{QByteArray("nul\0tail", 8), "a"},
                                                    {"..\\..\\x", "bb"},
                                                    {"\xE9t\xE9.txt", "ccc"}}));
        const Listing l = listArchive(native(file));
        QVERIFY(l.archive);
        QStringList stored;
        for (const Member& m : l.members)
            stored << storedPath(m.path);
        stored.sort();
        // The name ends at the NUL; nothing climbs; the Latin-1 bytes come back.
        QCOMPARE(stored.size(), 3);
        // Written on DOS, the library reads its '\\' as folder separators.
        QCOMPARE(stored[0], QStringLiteral("/2E/2E\\/2E/2E\\x"));
        QVERIFY(stored.contains(QStringLiteral("nul")));
        QVERIFY(stored.contains(QStringLiteral("/E9t/E9.txt")));
    }

    void extractionRoundTripsBytesAndTime()
    {
        const QString file = path("round.7z");
        const QByteArray big = QByteArray("0123456789").repeated(50'000);
        QVERIFY(AM::write(file, "7zip", "",
                          {AM::file("SUB/BIG.BIN", big, 1'234'567'890),
                           AM::file("SUB/IN/S.TXT", "s", 1'111'111'111), AM::folder("SUB/EMPTY"),
                           AM::file("TOP", "t")}));
        QTemporaryDir out;
        const QString one = out.filePath("one.bin");
        QVERIFY(!extractMember(native(file), QStringLiteral("SUB\\BIG.BIN"), native(one)));
        QCOMPARE(TestSupport::contents(one), big);
        QCOMPARE(QFileInfo(one).lastModified().toSecsSinceEpoch(), 1'234'567'890);

        const auto missing = extractMember(native(file), QStringLiteral("SUB\\NONE"), native(one));
        QVERIFY(missing && missing->step == platform::CopyStep::Source &&
                missing->errnoValue == ENOENT);
        QCOMPARE(TestSupport::contents(one), big); // left as it was

        QVERIFY(QDir(out.path()).mkdir("tree"));
        QStringList told;
        const ExtractResult r =
            extractTree(native(file), QStringLiteral("SUB"), native(out.filePath("tree")),
                        [&](const QString& m) { told << m; });
        QVERIFY(r.failures.isEmpty());
        QCOMPARE(r.files, 2);
        told.sort();
        QCOMPARE(told, (QStringList{"BIG.BIN", "IN\\S.TXT"}));
        QCOMPARE(TestSupport::contents(out.filePath("tree/IN/S.TXT")), QByteArray("s"));
        QCOMPARE(QFileInfo(out.filePath("tree/IN/S.TXT")).lastModified().toSecsSinceEpoch(),
                 1'111'111'111);
        QVERIFY(QFileInfo(out.filePath("tree/EMPTY")).isDir());
        QVERIFY(!QFileInfo::exists(out.filePath("tree/TOP")));
        QCOMPARE(QDir(out.filePath("tree")).entryList(QDir::Files | QDir::Hidden).size(),
                 1); // no leftovers

        const ExtractResult none =
            extractTree(native(file), QStringLiteral("NOPE"), native(out.filePath("tree")));
        QCOMPARE(none.failures.size(), 1);
        QCOMPARE(none.failures[0].errnoValue, ENOENT);
    }

    void extractionNeverWritesOutside()
    {
        const QString file = path("evil.tar");
        QVERIFY(AM::write(file, "pax", "",
                          {AM::file("../evil", "e"), AM::file("/abs", "a"),
                           AM::file("d/../../up", "u"), AM::file("ok/in.txt", "i"),
                           AM::link("ok/rel", "in.txt"), AM::link("ok/up", "../abs"),
                           AM::link("out", "../outside"), AM::link("abslink", "/etc/passwd"),
                           AM::link("dot", "."), AM::link("trick", "dot/dot/../x"),
                           // written through a link made before it, were links made first
                           AM::link("via", "/tmp"), AM::file("via/planted", "p")}));
        QTemporaryDir box;
        QVERIFY(QDir(box.path()).mkdir("target"));
        const QString target = box.filePath("target");
        const ExtractResult r = extractTree(native(file), QString(), native(target));
        QVERIFY(!QFileInfo::exists(box.filePath("evil")));
        QVERIFY(!QFileInfo::exists(box.filePath("up")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/planted")));
        QCOMPARE(TestSupport::contents(target + "/%2E%2E/evil"), QByteArray("e"));
        QCOMPARE(TestSupport::contents(target + "/abs"), QByteArray("a"));
        QCOMPARE(TestSupport::contents(target + "/ok/rel"), QByteArray("i"));
        QCOMPARE(QFileInfo(target + "/ok/rel").symLinkTarget(),
                 QFileInfo(target + "/ok/in.txt").absoluteFilePath());
        for (const char* refused : {"out", "abslink", "trick", "via"})
            QVERIFY2(!QFileInfo(target + '/' + refused).isSymLink(), refused);
        QStringList failed;
        for (const ExtractFailure& f : r.failures)
            failed << f.member;
        failed.sort();
        QCOMPARE(failed, (QStringList{"abslink", "out", "trick", "via"}));
        QCOMPARE(QFileInfo(target + "/via").isDir(), true); // made by via/planted, a real folder

        // Inside the archive, but outside the folder brought back.
        QVERIFY(QDir(box.path()).mkdir("part"));
        const ExtractResult part =
            extractTree(native(file), QStringLiteral("ok"), native(box.filePath("part")));
        QCOMPARE(part.files, 1);
        QCOMPARE(part.failures.size(), 1);
        QCOMPARE(part.failures[0].member, QStringLiteral("up"));
        QVERIFY(QFileInfo(box.filePath("part/rel")).isSymLink());
        QVERIFY(!QFileInfo(box.filePath("part/up")).isSymLink());
    }

    void damagedMemberIsAReadError()
    {
        const QString file = path("badcrc.zip");
        TestSupport::writeFile(file, AM::storedZip({{"A", "some content"}}, true));
        QTemporaryDir out;
        const auto f = extractMember(native(file), QStringLiteral("A"), native(out.filePath("A")));
        QVERIFY(f && f->step == platform::CopyStep::Source && f->errnoValue == EIO);
        QVERIFY(QDir(out.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    }

    void unwritableTargetIsRefused()
    {
        const QString file = path("ro.zip");
        QVERIFY(AM::write(file, "zip", "", {AM::file("A", "new")}));
        QTemporaryDir out;
        QVERIFY(QDir(out.path()).mkdir("folder"));
        const auto onFolder =
            extractMember(native(file), QStringLiteral("A"), native(out.filePath("folder")));
        QVERIFY(onFolder && onFolder->step == platform::CopyStep::Target &&
                onFolder->errnoValue == EISDIR);
        const QString target = out.filePath("A");
        TestSupport::writeFile(target, "old");
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
        if (::access(native(target).constData(), W_OK) == 0)
            QSKIP("running as root: nothing is read-only");
        const auto f = extractMember(native(file), QStringLiteral("A"), native(target));
        QVERIFY(f && f->step == platform::CopyStep::Target);
        QCOMPARE(TestSupport::contents(target), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestArchiveReader)
#include "test_archivereader.moc"
