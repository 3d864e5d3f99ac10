#include "ArchiveMaker.h"
#include "TestSupport.h"

#include "archives/ArchiveChild.h"
#include "archives/ArchiveReader.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace archives;
namespace AM = ArchiveMaker;

namespace {

const QList<QByteArray> kChild = {POLCOZO_ARCHIVE_CHILD};

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// A stand-in child: a shell script, given the list option as $1.
QList<QByteArray> script(const QByteArray& text)
{
    return {"/bin/sh", "-c", text, "sh"};
}

QStringList paths(const Listing& l)
{
    QStringList out;
    for (const Member& m : l.members)
        out << QString::fromUtf8(m.path) + QLatin1Char(' ') + QString::number(m.length);
    return out;
}

} // namespace

class TestArchiveChild : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void childListsAsTheReaderDoes()
    {
        const QString zip = m_dir.filePath("a.zip"), tar = m_dir.filePath("b.tar.xz");
        const QList<AM::Entry> entries = {AM::file("X/\xC3\xA1 b%20.txt", "12345"), AM::folder("Y"),
                                          AM::link("X/l", "\xC3\xA1 b%20.txt"),
                                          AM::file("\xFF", "")};
        QVERIFY(AM::write(zip, "zip", "", entries));
        QVERIFY(AM::write(tar, "pax", "xz", entries));
        TestSupport::writeFile(m_dir.filePath("plain"), "no archive");

        // From a plain thread, without an event loop, one child for all.
        std::thread([&] {
            ArchiveLister lister(kChild);
            for (const QString& file : {zip, tar}) {
                ListOptions o;
                o.crc = true;
                const Listing viaChild = lister.list(native(file), o);
                const Listing here = listArchive(native(file), o);
                QVERIFY(viaChild.archive && !viaChild.damaged);
                QCOMPARE(viaChild.format, here.format);
                QCOMPARE(paths(viaChild), paths(here));
                for (qsizetype i = 0; i < here.members.size(); ++i) {
                    QCOMPARE(viaChild.members[i].crc, here.members[i].crc);
                    QCOMPARE(viaChild.members[i].modified, here.members[i].modified);
                    QCOMPARE(viaChild.members[i].linkTarget, here.members[i].linkTarget);
                    QVERIFY(viaChild.members[i].kind == here.members[i].kind);
                }
            }
            QVERIFY(!lister.list(native(m_dir.filePath("plain"))).archive);
            QCOMPARE(lister.list(native(m_dir.filePath("missing"))).openErrno, ENOENT);
            QCOMPARE(lister.list(native(m_dir.path())).openErrno, EINVAL);
        }).join();
    }

    void aChildThatFailsMakesTheListingDamaged_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("killed by a signal")
            << QByteArray("read r; echo 'member f 1 - - 0 KEPT'; kill -SEGV $$")
            << QStringList{"KEPT 1"};
        QTest::newRow("falls silent")
            << QByteArray("read r; echo 'member f 2 - - 0 A'; sleep 20") << QStringList{"A 2"};
        QTest::newRow("nonsense") << QByteArray("read r; echo 'member f -1 - - 0 A'; sleep 20")
                                  << QStringList{};
        QTest::newRow("more members than asked")
            << QByteArray(
                   "read r; for i in 1 2 3; do echo \"member f 0 - - 0 M$i\"; done; sleep 20")
            << QStringList{"M1 0", "M2 0"};
        QTest::newRow("ends without a word") << QByteArray("read r; exit 0") << QStringList{};
        QTest::newRow("a line without end")
            << QByteArray("read r; head -c 3000000 /dev/zero; sleep 20") << QStringList{};
    }

    void aChildThatFailsMakesTheListingDamaged()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, kept);
        ArchiveLister lister(script(text), 500);
        ListOptions o;
        o.limits.members = 2;
        QElapsedTimer t;
        t.start();
        const Listing l = lister.list("/any", o);
        QVERIFY(t.elapsed() < 5000);
        QVERIFY(l.archive && l.damaged && !l.cancelled);
        QCOMPARE(paths(l), kept);
    }

    void aDeadChildIsStartedAgain()
    {
        const QByteArray marker = native(m_dir.filePath("started-once"));
        ArchiveLister lister(script("if [ -e " + marker +
                                    " ]; then while read r; do echo 'end 0 0 0 0 0 -';"
                                    " done; else touch " +
                                    marker + "; read r; kill -KILL $$; fi"));
        QVERIFY(lister.list("/a").damaged);
        const Listing second = lister.list("/b");
        QVERIFY(!second.damaged && !second.archive);
        QVERIFY(!lister.list("/c").damaged);
    }

    void stopCancels()
    {
        ArchiveLister lister(script("read r; while :; do echo 'read 1'; sleep 0.05; done"));
        std::atomic<bool> stop = false;
        std::thread later([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            stop = true;
        });
        const Listing l = lister.list("/x", {}, &stop);
        later.join();
        QVERIFY(l.cancelled && !l.damaged);
    }

    void extractionInTheChild()
    {
        const QString zip = m_dir.filePath("x.zip");
        QVERIFY(AM::write(zip, "zip", "",
                          {AM::file("D/A.TXT", "alma", 1'300'000'000), AM::file("D/E/B", "b"),
                           AM::file("C", "c")}));
        QTemporaryDir out;
        const QString one = out.filePath("a.txt");
        QVERIFY(
            !extractMemberInChild(kChild, native(zip), QStringLiteral("D\\A.TXT"), native(one)));
        QCOMPARE(TestSupport::contents(one), QByteArray("alma"));
        QCOMPARE(QFileInfo(one).lastModified().toSecsSinceEpoch(), 1'300'000'000);
        const auto missing =
            extractMemberInChild(kChild, native(zip), QStringLiteral("D\\NO"), native(one));
        QVERIFY(missing && missing->errnoValue == ENOENT &&
                missing->step == platform::CopyStep::Source);
        QCOMPARE(platform::copyErrorNumber(missing->step, missing->errnoValue), 53);

        QStringList told;
        const ExtractResult r =
            extractTreeInChild(kChild, native(zip), QStringLiteral("D"), native(out.path()),
                               [&](const QString& m) { told << m; });
        QVERIFY(r.failures.isEmpty());
        QCOMPARE(r.files, 2);
        told.sort();
        QCOMPARE(told, (QStringList{"A.TXT", "E\\B"}));
        QCOMPARE(TestSupport::contents(out.filePath("E/B")), QByteArray("b"));

        const auto crashed = extractMemberInChild(script("kill -SEGV $$"), native(zip),
                                                  QStringLiteral("C"), native(one));
        QVERIFY(crashed && crashed->errnoValue == EIO);
    }
};

QTEST_GUILESS_MAIN(TestArchiveChild)
#include "test_archivechild.moc"
