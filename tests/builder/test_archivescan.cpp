#include "BuilderFixture.h"
#include "archives/ArchiveMaker.h"
#include "builder/FolderWalk.h"
#include "builder/MediumUpdate.h"
#include "platform/FolderListing.h"

namespace AM = ArchiveMaker;

namespace {

struct Recorder : builder::WalkObserver
{
    QStringList failures;
    void folderOpened(const QString&) override {}
    void yieldToUser() override {}
    void folderRecorded(qint64) override {}
    void fileVanished() override {}
    void recordingFailed(const QString& text) override { failures << text; }
};

builder::ArchiveScan on(QList<QByteArray> child = {POLCOZO_ARCHIVE_CHILD})
{
    return {true, std::move(child), {}};
}

struct WalkResult
{
    QStringList failures;
    qint64 damaged = 0, limited = 0;
};

WalkResult scan(const BuilderFixture& f, const builder::ArchiveScan& archives, bool crc = false)
{
    Recorder r;
    builder::FolderWalk walk(f.drives, r);
    walk.crc = crc;
    walk.archives = archives;
    walk.tablanyit(f.catalog);
    if (walk.setOpenFolder("E:\\"))
        walk.konyvbejar("E:\\", "CD_1");
    walk.close();
    return {r.failures, walk.damagedArchives(), walk.limitedArchives()};
}

const QString kFolders = "SELECT ut FROM ut ORDER BY id";
const QString kFiles = "SELECT ut || '|' || nev || '|' || hossz || '|' || ifnull(crc, '-') "
                       "FROM ut, prgnev WHERE ut.id = utid ORDER BY prgnev.id";
const QString kStrayLinks =
    "SELECT (SELECT count(*) FROM ut_kulcsid WHERE kulcsid = 1) + "
    "(SELECT count(*) FROM nev_kulcsid WHERE kulcsid = 1) - "
    "(SELECT count(*) FROM ut) - (SELECT count(*) FROM prgnev)";

// "a.txt" holds "alma" (CRC-32 of "alma"); "SUB/DEEP/c.txt" holds 300 bytes.
QList<AM::Entry> sampleMembers()
{
    return {AM::file("a.txt", "alma", 1'600'000'000), AM::folder("SUB/"),
            AM::file("SUB/DEEP/c.txt", QByteArray(300, 'c')), AM::file("SUB/inner.zip",
                                                                        AM::storedZip({{"x", "y"}}))};
}

} // namespace

class TestArchiveScan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each archive, recognised by its content, becomes a folder below the one
    // holding it, its members' folders below that; all with the default
    // keyword. An archive inside one is a plain member.
    void membersBecomeRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("filter");
        QTest::newRow("zip") << "csomag.zip" << "zip" << "";
        QTest::newRow("7z without extension") << "csomag" << "7zip" << "";
        QTest::newRow("tar.xz") << "csomag.tar.xz" << "pax" << "xz";
    }
    void membersBecomeRows()
    {
        QFETCH(QString, name);
        QFETCH(QString, format);
        QFETCH(QString, filter);
        BuilderFixture f;
        f.file("DIR/plain.zip", "not an archive at all");
        QVERIFY(AM::write(f.e + "/DIR/" + name, format.toLatin1().constData(),
                          filter.toLatin1().constData(), sampleMembers()));
        const WalkResult r = scan(f, on(), true);
        QVERIFY(r.failures.isEmpty());
        QCOMPARE(r.damaged, 0);
        const QString a = "-CD_1- E:\\DIR\\" + name;
        QCOMPARE(f.column(kFolders), (QStringList{a + "\\SUB\\DEEP", a + "\\SUB", a,
                                                  "-CD_1- E:\\DIR", "-CD_1- E:\\"}));
        const QStringList files = f.column(kFiles);
        QCOMPARE(files.size(), 5);
        QVERIFY(files.contains(a + "\\SUB\\DEEP|c.txt|300|" +
                               QString("%1").arg(crc32(0, reinterpret_cast<const Bytef*>(
                                                             QByteArray(300, 'c').constData()),
                                                       300),
                                                 8, 16, QChar('0'))
                                   .toUpper()));
        QVERIFY(files.contains(a + "|a.txt|4|" +
                               QString("%1").arg(crc32(0, reinterpret_cast<const Bytef*>("alma"), 4),
                                                 8, 16, QChar('0'))
                                   .toUpper()));
        QVERIFY(files.contains(a + "\\SUB|inner.zip|" +
                               QString::number(AM::storedZip({{"x", "y"}}).size()) + "|" +
                               f.column("SELECT crc FROM prgnev WHERE nev='inner.zip'").value(0)));
        QCOMPARE(f.column("SELECT datum FROM prgnev WHERE nev='a.txt'"),
                 QStringList{platform::dateText(1'600'000'000)});
        QCOMPARE(f.column(kStrayLinks), QStringList{"0"});
    }

    // Off, the walk is what it always was: no archive is even handed to the
    // child. A child that cannot be started records the archive as a file.
    void optionOffOpensNothing()
    {
        BuilderFixture f;
        QVERIFY(AM::write(f.e + "/a.zip", "zip", "", sampleMembers()));
        const QString marker = f.dir.filePath("asked");
        builder::ArchiveScan off = on({"/bin/sh", "-c", "touch '" + marker.toUtf8() + "'", "sh"});
        off.on = false;
        QVERIFY(scan(f, off).failures.isEmpty());
        QVERIFY(!QFile::exists(marker));
        QCOMPARE(f.column(kFolders), QStringList{"-CD_1- E:\\"});
        QCOMPARE(f.column("SELECT nev FROM prgnev"), QStringList{"a.zip"});

        BuilderFixture g;
        QVERIFY(AM::write(g.e + "/a.zip", "zip", "", sampleMembers()));
        QVERIFY(scan(g, on({"/nonexistent/polcozo-archivum"})).failures.isEmpty());
        QCOMPARE(g.column(kFolders), QStringList{"-CD_1- E:\\"});
    }

    // A damaged archive keeps what was read and is counted; a bomb stops at
    // the member limit and is counted apart.
    void damagedAndLimited()
    {
        BuilderFixture f;
        QByteArray noise;
        for (int i = 0; i < 64; ++i)
            noise += QByteArray::number(i * 7919 % 65521);
        QList<AM::Entry> many;
        for (int i = 0; i < 40; ++i)
            many << AM::file("F" + QByteArray::number(i), noise.repeated(30 + i));
        const QString cut = f.e + "/cut.tar.xz";
        QVERIFY(AM::write(cut, "pax", "xz", many));
        QVERIFY(::truncate(QFile::encodeName(cut).constData(), QFileInfo(cut).size() * 6 / 10) ==
                0);
        QList<AM::Entry> bomb;
        for (int i = 0; i < 60; ++i)
            bomb << AM::file("B" + QByteArray::number(i), "b");
        QVERIFY(AM::write(f.e + "/bomb.zip", "zip", "", bomb));
        builder::ArchiveScan archives = on();
        archives.limits.members = 30;
        const WalkResult r = scan(f, archives);
        QCOMPARE(r.damaged, 1);
        QCOMPARE(r.limited, 1);
        const qint64 kept =
            f.column("SELECT count(*) FROM prgnev, ut WHERE ut.id=utid AND instr(ut, 'cut.tar.xz') > 0")
                .value(0)
                .toLongLong();
        QVERIFY2(kept > 0 && kept < 30, qPrintable(QString::number(kept)));
        QCOMPARE(f.column("SELECT count(*) FROM prgnev, ut WHERE ut.id=utid AND instr(ut, 'bomb.zip') > 0"),
                 QStringList{"30"});
        QCOMPARE(builder::archiveText(r.damaged, r.limited),
                 "Nem olvasható archívum (csak az olvasható része rögzítve): 1\r\n"
                 "Túl sok tagú vagy túl nagy archívum (csak a korlátig rögzítve): 1");
    }

    // An update reconciles members as files: kept rows keep their id (and so
    // their keywords), changed ones are updated, gone ones removed, with
    // folders inside the archive likewise.
    void updateReconcilesMembers()
    {
        BuilderFixture f;
        const QString zip = f.e + "/a.zip";
        QVERIFY(AM::write(zip, "zip", "", sampleMembers()));
        QVERIFY(scan(f, on()).failures.isEmpty());
        const QString keptId = f.column("SELECT id FROM prgnev WHERE nev='a.txt'").value(0);

        QVERIFY(AM::write(zip, "zip", "",
                          {AM::file("a.txt", "alma", 1'600'000'000), AM::file("SUB/b.txt", "uj"),
                           AM::file("SUB/inner.zip", "most mar mas")}));
        Recorder r;
        builder::MediumUpdate update(f.drives, r);
        update.archives = on();
        QCOMPARE(update.run(f.catalog, "E:\\", "CD_1"), builder::MediumUpdate::Outcome::Updated);
        QVERIFY(r.failures.isEmpty());
        const builder::UpdateCounts& c = update.counts();
        QCOMPARE(c.newFiles, 1);       // b.txt
        QCOMPARE(c.changedFiles, 2);   // inner.zip, and the archive itself
        QCOMPARE(c.removedFiles, 1);   // c.txt
        QCOMPARE(c.removedFolders, 1); // SUB\DEEP
        QCOMPARE(f.column("SELECT id FROM prgnev WHERE nev='a.txt'"), QStringList{keptId});
        QCOMPARE(f.column("SELECT ut FROM ut ORDER BY ut"),
                 (QStringList{"-CD_1- E:\\", "-CD_1- E:\\a.zip", "-CD_1- E:\\a.zip\\SUB"}));
        QCOMPARE(f.column(kStrayLinks), QStringList{"0"});

        // Gone from the medium, the archive takes its members with it.
        QFile::remove(zip);
        QCOMPARE(update.run(f.catalog, "E:\\", "CD_1"), builder::MediumUpdate::Outcome::Updated);
        QCOMPARE(f.column("SELECT ut FROM ut"), QStringList{"-CD_1- E:\\"});
        QCOMPARE(f.count("prgnev"), 0);
    }
};

QTEST_GUILESS_MAIN(TestArchiveScan)
#include "test_archivescan.moc"
