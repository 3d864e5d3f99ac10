#include "RetrievalFixture.h"
#include "archives/ArchiveMaker.h"
#include "athozo/TreeCopy.h"
#include "retrieval/CopyRun.h"

#include <sys/stat.h>

using retrieval::CopyRun;
using Answer = retrieval::RetrievalHost::Answer;
namespace AM = ArchiveMaker;

namespace {

const QString kCd1 = "Helyezze be a -CD_1-  cimkéjü lemezt a D: meghajtóba !";
const QString kNotFound = "A forrásmeghajtón [ D: ] nem található a megadott útvonal !";

const QList<AM::Entry> kMembers = {
    AM::file("olvass el.txt", "alma", 1'500'000'000), AM::folder("DOCS/"),
    AM::file("DOCS/a.txt", "első", 1'500'000'100),
    AM::file("DOCS/DEEP/b.bin", QByteArray(70000, 'b'), 1'500'000'200),
    AM::file("OTHER/c.txt", "nem ide")};

qint64 mtimeOf(const QByteArray& path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 ? st.st_mtime : -1;
}

// The archive reader beside the program, as the build puts it.
void installChild(const RetrievalFixture& f)
{
    QVERIFY(QFile::link(POLCOZO_ARCHIVE_CHILD, f.host.program + "/polcozo-archivum"));
}

} // namespace

class TestArchiveRetrieval : public QObject
{
    Q_OBJECT

private slots:
    // A member is brought back from its archive on the medium, time and all;
    // the failures read as those of plain files.
    void singleMembers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message"); // empty: copied
        QTest::newRow("top") << "olvass el.txt" << "-CD_1- E:\\PACK\\a.zip" << "";
        QTest::newRow("below") << "b.bin" << "-CD_1- E:\\PACK\\a.zip\\DOCS\\DEEP" << "";
        QTest::newRow("no such member") << "nincs.txt" << "-CD_1- E:\\PACK\\a.zip" << kNotFound;
        QTest::newRow("no such archive") << "a.txt" << "-CD_1- E:\\PACK\\gone.zip\\DOCS"
                                         << "Nem lehet írni a célmeghajtót, vagy a "
                                            "forrásmeghajtón a kilyelőlt út nem létezik ! "
                                            "Ellenőrizze, majd próbálja meg újra.";
        QTest::newRow("damaged member")
            << "b.bin" << "-CD_1- E:\\PACK\\cut.tar.xz\\DOCS\\DEEP"
            << "Nincs lemez a meghajtóban [ D: ], vagy a meghajtó nem működik !";
    }
    void singleMembers()
    {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        RetrievalFixture f;
        installChild(f);
        f.file("CD_1", "PACK/keep");
        const QString pack = f.medium("CD_1") + "/PACK";
        QVERIFY(AM::write(pack + "/a.zip", "zip", "", kMembers));
        // Incompressible, so a cut leaves the last member short.
        QByteArray noise(200000, Qt::Uninitialized);
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + i / 13 * 104729) % 251);
        QVERIFY(AM::write(pack + "/cut.tar.xz", "pax", "xz",
                          {AM::file("DOCS/DEEP/b.bin", noise)}));
        const QByteArray cut = QFile::encodeName(pack + "/cut.tar.xz");
        QVERIFY(::truncate(cut.constData(), QFileInfo(pack + "/cut.tar.xz").size() / 2) == 0);

        f.select(name, folder);
        f.host.answers = {Answer::Ok, Answer::Cancel};
        CopyRun(f.host).masol(true);
        if (message.isEmpty()) {
            QCOMPARE(f.host.texts(), QStringList{kCd1});
            const AM::Entry& e = name == "b.bin" ? kMembers.at(3) : kMembers.at(0);
            QCOMPARE(f.copied(name.toUtf8()), e.data);
            QCOMPARE(mtimeOf(QFile::encodeName(f.target + "/" + name)), e.mtime);
        } else {
            QCOMPARE(f.host.texts(), (QStringList{kCd1, message}));
        }
        // Nothing half-written stays, whatever happened.
        QCOMPARE(f.targetNames(),
                 message.isEmpty() ? QList<QByteArray>{name.toUtf8()} : QList<QByteArray>{});
    }

    // A folder inside an archive (or the archive itself) goes to the copier
    // like any folder; the copier unpacks the members below it, and only those.
    void memberFolders()
    {
        RetrievalFixture f;
        installChild(f);
        const QString pack = f.medium("CD_1") + "/PACK";
        QDir().mkpath(pack);
        QVERIFY(AM::write(pack + "/a.zip", "zip", "", kMembers));
        f.select("*", "-CD_1- E:\\PACK\\a.zip\\DOCS");
        f.select("*", "-CD_1- E:\\PACK\\a.zip");
        CopyRun(f.host).masol(false);
        QCOMPARE(f.host.texts(), QStringList{kCd1});
        QCOMPARE(f.host.started.size(), 2);
        QCOMPARE(f.host.started.at(0).mid(1, 2),
                 (QStringList{"D:\\PACK\\a.zip\\DOCS\\*.*", "C:\\MENTES\\DOCS\\*.*"}));
        QCOMPARE(f.host.started.at(1).mid(1, 2),
                 (QStringList{"D:\\PACK\\a.zip\\*.*", "C:\\MENTES\\a.zip\\*.*"}));

        // What the copier does with the first.
        auto job = std::get<athozo::Job>(athozo::parseArguments(
            f.host.started.at(0).mid(1), platform::DriveTable::fromFolders(f.c, {pack + "/.."})));
        QCOMPARE(job.archive, QFile::encodeName(pack + "/a.zip"));
        QCOMPARE(job.member, "DOCS");
        job.archiveChild = {POLCOZO_ARCHIVE_CHILD};
        athozo::Progress progress;
        QVERIFY(athozo::TreeCopy(job, progress).run());
        const QByteArray docs = QFile::encodeName(f.target + "/DOCS");
        QCOMPARE(RawTree::names(docs), (QList<QByteArray>{"DEEP", "a.txt"}));
        QCOMPARE(RawTree::read(docs + "/a.txt"), kMembers.at(2).data);
        QCOMPARE(RawTree::read(docs + "/DEEP/b.bin"), kMembers.at(3).data);
        QCOMPARE(mtimeOf(docs + "/DEEP/b.bin"), kMembers.at(3).mtime);
        QCOMPARE(progress.state().copiedFiles, 2);

        // A folder that is no longer there in the archive is a failure.
        job.member = "NINCS";
        athozo::Progress none;
        QVERIFY(!athozo::TreeCopy(job, none).run());
    }
};

QTEST_GUILESS_MAIN(TestArchiveRetrieval)
#include "test_archiveretrieval.moc"
