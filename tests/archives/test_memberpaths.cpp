#include "archives/MemberPaths.h"
#include "platform/FileNames.h"
#include "platform/FolderListing.h"

#include <QTest>

using namespace archives;

namespace {

Member member(const QByteArray& path, MemberKind kind = MemberKind::File, qint64 length = 0,
              const QByteArray& target = {})
{
    Member m;
    m.path = path;
    m.kind = kind;
    m.length = length;
    m.modified = 1'600'000'000;
    m.linkTarget = target;
    return m;
}

Listing listingOf(const QList<Member>& members)
{
    Listing l;
    l.archive = true;
    l.members = members;
    return l;
}

// Folder path -> its file names, in the order they came.
QStringList rows(const QList<ArchiveFolder>& folders)
{
    QStringList out;
    for (const ArchiveFolder& f : folders) {
        QStringList names;
        for (const ArchiveFile& file : f.files)
            names << file.name + QLatin1Char('=') + QString::number(file.length);
        out << f.path + QLatin1Char(':') + names.join(QLatin1Char(','));
    }
    return out;
}

} // namespace

class TestMemberPaths : public QObject
{
    Q_OBJECT

private slots:
    void hostileNamesStayInside_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QStringList>("segments");

        QTest::newRow("plain") << QByteArray("SUB/FILE.TXT") << QStringList{"SUB", "FILE.TXT"};
        QTest::newRow("climb") << QByteArray("../evil") << QStringList{"/2E/2E", "evil"};
        QTest::newRow("climb inside")
            << QByteArray("a/../../b") << QStringList{"a", "/2E/2E", "/2E/2E", "b"};
        QTest::newRow("absolute") << QByteArray("/etc/passwd") << QStringList{"etc", "passwd"};
        QTest::newRow("backslash") << QByteArray("a\\..\\b") << QStringList{"a/5C../5Cb"};
        QTest::newRow("empty and dot segments") << QByteArray("a//./b/") << QStringList{"a", "b"};
        QTest::newRow("invalid utf-8") << QByteArray("\xFF\xFE/x") << QStringList{"/FF/FE", "x"};
        QTest::newRow("only dots") << QByteArray("./.") << QStringList{};
        QTest::newRow("three dots are a name") << QByteArray("...") << QStringList{"..."};
        QTest::newRow("drive letter") << QByteArray("C:\\x") << QStringList{"C:/5Cx"};
    }

    void hostileNamesStayInside()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QStringList, segments);
        QCOMPARE(storedSegments(raw), segments);
        QCOMPARE(storedPath(raw), segments.join(QLatin1Char('\\')));
        for (const QString& s : segments) {
            // No segment separates or climbs, on the disk or in the catalog.
            const QByteArray disk = diskName(s);
            QVERIFY(!s.contains(QLatin1Char('\\')));
            QVERIFY(disk != ".." && disk != "." && !disk.isEmpty() && !disk.contains('/'));
        }
        // The bytes come back for every kept segment.
        QByteArrayList back;
        for (const QString& s : segments)
            back << platform::FileName::toBytes(s);
        QByteArrayList kept;
        for (const QByteArray& part : raw.split('/'))
            if (!part.isEmpty() && part != ".")
                kept << part;
        QCOMPARE(back, kept);
    }

    void rowsWithImplicitFoldersInPostOrder()
    {
        Listing l = listingOf(
            {member("b.txt", MemberKind::File, 3), member("Z/y/deep.bin", MemberKind::File, 7),
             member("a/", MemberKind::Folder), member("a/x.txt", MemberKind::File, 1),
             member("B.txt", MemberKind::File, 4), member("empty/", MemberKind::Folder)});
        l.members[1].crc = 0xBEEF;
        const QList<ArchiveFolder> folders = memberFolders(QStringLiteral("E:\\G\\D.ZIP"), l, 0);
        QCOMPARE(rows(folders), (QStringList{"E:\\G\\D.ZIP\\a:x.txt=1", "E:\\G\\D.ZIP\\empty:",
                                             "E:\\G\\D.ZIP\\Z\\y:deep.bin=7",
                                             "E:\\G\\D.ZIP\\Z:", "E:\\G\\D.ZIP:B.txt=4,b.txt=3"}));
        QCOMPARE(folders[2].files[0].crc, QStringLiteral("0000BEEF"));
        QCOMPARE(folders[4].files[0].crc, QString());
        QCOMPARE(folders[4].files[0].date, platform::dateText(1'600'000'000));
    }

    void hostileMembersBecomeRowsBelowTheArchive()
    {
        const Listing l =
            listingOf({member("../evil", MemberKind::File, 1), member("/abs", MemberKind::File, 2),
                       member("a\\b", MemberKind::File, 3)});
        QCOMPARE(rows(memberFolders(QStringLiteral("E:\\X.ZIP"), l, 0)),
                 (QStringList{"E:\\X.ZIP\\/2E/2E:evil=1", "E:\\X.ZIP:a/5Cb=3,abs=2"}));
    }

    void datesFallBackToTheArchive()
    {
        Listing l = listingOf({member("none"), member("far")});
        l.members[0].modified.reset();
        l.members[1].modified = qint64(1) << 40; // beyond year 9999
        const auto folders = memberFolders(QStringLiteral("E:\\X.ZIP"), l, 1'500'000'000);
        QCOMPARE(folders[0].files[0].date, platform::dateText(1'500'000'000));
        QCOMPARE(folders[0].files[1].date, platform::dateText(1'500'000'000));
    }

    void linksResolveInsideTheArchiveOnly_data()
    {
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("length"); // of the file it ends at; -1 left out

        QTest::newRow("sibling") << QByteArray("lib/l.so") << QByteArray("real.so") << 10;
        QTest::newRow("up and down") << QByteArray("bin/x") << QByteArray("../lib/real.so") << 10;
        QTest::newRow("through a folder link")
            << QByteArray("y") << QByteArray("libdir/real.so") << 10;
        QTest::newRow("out of the archive")
            << QByteArray("o") << QByteArray("../../etc/passwd") << -1;
        QTest::newRow("absolute") << QByteArray("o") << QByteArray("/etc/passwd") << -1;
        // here -> "."; here/here/.. climbs out on the disk, though it looks inside.
        QTest::newRow("climb through a dot link")
            << QByteArray("o") << QByteArray("here/here/../lib/real.so") << -1;
        QTest::newRow("loop") << QByteArray("o") << QByteArray("loop1") << -1;
        QTest::newRow("to a folder") << QByteArray("o") << QByteArray("lib") << -1;
        QTest::newRow("nowhere") << QByteArray("o") << QByteArray("missing") << -1;
    }

    void linksResolveInsideTheArchiveOnly()
    {
        QFETCH(QByteArray, link);
        QFETCH(QByteArray, target);
        QFETCH(int, length);
        const Listing l = listingOf({member("lib/real.so", MemberKind::File, 10),
                                     member("libdir", MemberKind::Link, 0, "lib"),
                                     member("here", MemberKind::Link, 0, "."),
                                     member("loop1", MemberKind::Link, 0, "loop2"),
                                     member("loop2", MemberKind::Link, 0, "loop1"),
                                     member(link, MemberKind::Link, 0, target)});
        const QString name = storedSegments(link).last();
        int found = -1;
        for (const ArchiveFolder& f : memberFolders(QStringLiteral("E:\\X.TAR"), l, 0))
            for (const ArchiveFile& file : f.files)
                if (file.name == name)
                    found = int(file.length);
        QCOMPARE(found, length);
    }
};

QTEST_GUILESS_MAIN(TestMemberPaths)
#include "test_memberpaths.moc"
