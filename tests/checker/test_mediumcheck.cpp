#include "CheckFixture.h"
#include "checker/MediumCheck.h"
#include "platform/FileCrc.h"
#include "platform/FolderListing.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using checker::Finding;
using checker::Kind;
using checker::Outcome;
using namespace CheckFixture;

namespace {

QString kinds(const QList<Finding>& findings)
{
    QStringList out;
    for (const Finding& f : findings)
        out << checker::kindText(f.kind) + u' ' + f.folder + u'|' + f.name;
    return out.join(u'\n');
}

Outcome check(const BuilderFixture& f, const QString& label, QChar drive = u'E',
              const checker::ReadFile& read = {}, checker::Progress* progress = nullptr,
              const std::atomic<bool>* stop = nullptr)
{
    checker::Progress own;
    std::atomic<bool> noStop{false};
    return checker::checkMedium(f.drives, {f.catalog, drive, label}, stop ? *stop : noStop,
                                progress ? *progress : own, read);
}

} // namespace

class TestMediumCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One change to the medium after it was recorded, and what the check finds.
    void findings_data()
    {
        QTest::addColumn<std::function<void(BuilderFixture&)>>("change");
        QTest::addColumn<bool>("withCrc");
        QTest::addColumn<QString>("expected");
        using Change = std::function<void(BuilderFixture&)>;

        QTest::newRow("unchanged") << Change([](BuilderFixture&) {}) << true << QString();
        QTest::newRow("flipped byte, same length and date") << Change([](BuilderFixture& f) {
            const QString p = f.e + u"/GAMES/DOOM.WAD"_qs;
            keepingDate(p, [&] {
                QByteArray b(70000, 'w');
                b[40000] = 'W';
                TestSupport::writeFile(p, b);
            });
        }) << true << u"Eltérő CRC E:\\GAMES|DOOM.WAD"_qs;
        QTest::newRow("flipped byte without a recorded CRC") << Change([](BuilderFixture& f) {
            const QString p = f.e + u"/GAMES/DOOM.WAD"_qs;
            keepingDate(p, [&] { TestSupport::writeFile(p, QByteArray(70000, 'W')); });
        }) << false << QString();
        QTest::newRow("truncated") << Change([](BuilderFixture& f) {
            const QString p = f.e + u"/GAMES/DOOM.EXE"_qs;
            keepingDate(p, [&] { QVERIFY(QFile::resize(p, 1000)); });
        }) << true << u"Eltérő hossz E:\\GAMES|DOOM.EXE"_qs;
        QTest::newRow("touched") << Change([](BuilderFixture& f) {
            QFile file(f.e + u"/README.TXT"_qs);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-400),
                                     QFileDevice::FileModificationTime));
        }) << true << u"Eltérő dátum E:\\|README.TXT"_qs;
        QTest::newRow("removed and added") << Change([](BuilderFixture& f) {
            QVERIFY(QFile::remove(f.e + u"/GAMES/Árvíztűrő.txt"_qs));
            f.file(u"GAMES/QUAKE.EXE"_qs);
        }) << true << u"Új file E:\\GAMES|QUAKE.EXE\nHiányzó file E:\\GAMES|Árvíztűrő.txt"_qs;
        QTest::newRow("folder gone, folder new, empty folder new") << Change([](BuilderFixture& f) {
            QVERIFY(removeTree(f.e + u"/TOOLS"_qs));
            f.file(u"GAMES/HERETIC/HERETIC.EXE"_qs);
            f.folder(u"EMPTY"_qs);
        }) << true << u"Új mappa E:\\GAMES\\HERETIC|\nHiányzó mappa E:\\TOOLS|"_qs;
        QTest::newRow("a file became a folder") << Change([](BuilderFixture& f) {
            QVERIFY(QFile::remove(f.e + u"/TOOLS/NC.EXE"_qs));
            f.folder(u"TOOLS/NC.EXE"_qs);
        }) << true << u"Hiányzó file E:\\TOOLS|NC.EXE"_qs;
    }
    void findings()
    {
        QFETCH(std::function<void(BuilderFixture&)>, change);
        QFETCH(bool, withCrc);
        QFETCH(QString, expected);
        Medium f;
        fillMedium(f);
        record(f, u"E:\\"_qs, u"CD_1"_qs, withCrc);
        change(f);
        const QByteArray before = digest(f.catalog);
        checker::Progress progress;
        const Outcome out = check(f, u"CD_1"_qs, u'E', {}, &progress);
        QCOMPARE(out.end, Outcome::End::Done);
        QCOMPARE(kinds(out.findings), expected);
        QCOMPARE(digest(f.catalog), before);
        QCOMPARE(progress.totalFiles.load(), 6);
        QCOMPARE(progress.files.load(), 6);
        QCOMPARE(out.startFolder, u"E:\\"_qs);
    }

    void recordedAndFoundValues()
    {
        Medium f;
        fillMedium(f);
        record(f, u"E:\\"_qs, u"CD_1"_qs);
        const QString p = f.e + u"/GAMES/DOOM.WAD"_qs;
        keepingDate(p, [&] { TestSupport::writeFile(p, QByteArray(70000, 'v')); });
        keepingDate(f.e + u"/GAMES/DOOM.EXE"_qs,
                    [&] { QVERIFY(QFile::resize(f.e + u"/GAMES/DOOM.EXE"_qs, 12)); });
        const Outcome out = check(f, u"CD_1"_qs);
        QCOMPARE(out.findings.size(), 2);
        QCOMPARE(out.findings[0].recorded, u"3000"_qs);
        QCOMPARE(out.findings[0].found, u"12"_qs);
        QCOMPARE(out.findings[1].kind, Kind::CrcDiffers);
        const int games = platform::openFolder(QFile::encodeName(f.e + u"/GAMES"_qs));
        QCOMPARE(out.findings[1].found,
                 platform::crcText(platform::fileCrc(games, "DOOM.WAD").crc));
        ::close(games);
        QVERIFY(out.findings[1].recorded != out.findings[1].found);
    }

    // A disc with bad sectors: each unreadable file is reported, the rest read on.
    void readErrorsFileByFile()
    {
        Medium f;
        fillMedium(f);
        record(f, u"E:\\"_qs, u"CD_1"_qs);
        QVERIFY(QFile::remove(f.e + u"/TOOLS/NC.EXE"_qs));
        int reads = 0;
        const checker::ReadFile failing = [&](int fd, const QByteArray& name,
                                              const std::atomic<bool>* stop,
                                              std::atomic<qint64>* bytes) {
            ++reads;
            if (name.startsWith("DOOM")) {
                platform::FileCrc bad;
                bad.errnoValue = EIO;
                return bad;
            }
            return platform::fileCrc(fd, name, stop, bytes);
        };
        checker::Progress progress;
        const Outcome out = check(f, u"CD_1"_qs, u'E', failing, &progress);
        QCOMPARE(out.end, Outcome::End::Done);
        QCOMPARE(kinds(out.findings), u"Olvasási hiba E:\\GAMES|DOOM.EXE\n"
                                      "Olvasási hiba E:\\GAMES|DOOM.WAD\n"
                                      "Hiányzó file E:\\TOOLS|NC.EXE"_qs);
        QVERIFY(out.findings[0].found.contains(QString::fromLocal8Bit(std::strerror(EIO))));
        QCOMPARE(reads, 5);
        QCOMPARE(progress.files.load(), 6);
    }

    // Labels are compared as typed: no character of them is a pattern.
    void labelsAsTyped_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("other");
        QTest::newRow("blanks") << u"CD 1"_qs << u"CD 1 2"_qs;
        QTest::newRow("quotes") << u"O'Brien \"zene\""_qs << u"O'Brien"_qs;
        QTest::newRow("backslash") << u"A\\B"_qs << u"A"_qs;
        QTest::newRow("percent") << u"50%"_qs << u"500"_qs;
        QTest::newRow("star") << u"*"_qs << u"X"_qs;
        QTest::newRow("question mark") << u"?"_qs << u"Y"_qs;
        QTest::newRow("hyphens") << u"-"_qs << u"--"_qs;
    }
    void labelsAsTyped()
    {
        QFETCH(QString, label);
        QFETCH(QString, other);
        Medium f;
        fillMedium(f);
        record(f, u"E:\\"_qs, label);
        // Another medium whose rows a pattern or a prefix would take for this one's.
        f.file(u"TOOLS/OTHER.TXT"_qs);
        record(f, u"E:\\"_qs, other);
        QVERIFY(QFile::remove(f.e + u"/TOOLS/OTHER.TXT"_qs));
        const Outcome out = check(f, label);
        QCOMPARE(out.end, Outcome::End::Done);
        QCOMPARE(kinds(out.findings), QString());
        QCOMPARE(out.folders, 3);
        QCOMPARE(kinds(check(f, other).findings), u"Hiányzó file E:\\TOOLS|OTHER.TXT"_qs);
    }

    // The label and the path below the drive decide, not the recorded letter.
    void recordedFromAnotherLetter()
    {
        Medium f;
        const QString medium = f.e;
        f.e = f.d; // the medium was in D: when it was recorded
        fillMedium(f);
        record(f, u"D:\\"_qs, u"CD_1"_qs);
        // Now it is in E:, and D: holds nothing.
        f.drives = platform::DriveTable::fromFolders(f.c, {medium, f.d});
        Outcome out = check(f, u"CD_1"_qs, u'E');
        QCOMPARE(out.end, Outcome::End::Done);
        QCOMPARE(kinds(out.findings), QString());
        QCOMPARE(out.startFolder, u"E:\\"_qs);

        // Recorded from D: and from E: (two discs of one label): the checked
        // drive's own rows are compared.
        QVERIFY(QFile::remove(f.d + u"/README.TXT"_qs));
        record(f, u"E:\\"_qs, u"CD_1"_qs);
        QCOMPARE(kinds(check(f, u"CD_1"_qs, u'E').findings), QString());
        QCOMPARE(
            kinds(check(f, u"CD_1"_qs, u'D').findings),
            u"Hiányzó file D:\\|README.TXT\nHiányzó mappa D:\\GAMES|\nHiányzó mappa D:\\TOOLS|"_qs);
    }

    // A scan begun below the root: only that part of the medium is compared.
    void scanBegunInAFolder()
    {
        Medium f;
        fillMedium(f);
        record(f, u"E:\\GAMES"_qs, u"CD_1"_qs);
        f.file(u"NEW/FILE.TXT"_qs);
        const Outcome out = check(f, u"CD_1"_qs);
        QCOMPARE(out.startFolder, u"E:\\GAMES"_qs);
        QCOMPARE(kinds(out.findings), QString());
    }

    void endsOtherThanDone()
    {
        Medium f;
        fillMedium(f);
        record(f, u"E:\\"_qs, u"CD_1"_qs);
        const QByteArray before = digest(f.catalog);
        QCOMPARE(check(f, u"CD_2"_qs).end, Outcome::End::NotRecorded);
        QCOMPARE(check(f, u"CD_1"_qs, u'Q').end, Outcome::End::NoDrive);

        // The medium taken out after the first file read.
        const checker::ReadFile vanishing = [&](int fd, const QByteArray& name,
                                                const std::atomic<bool>* stop,
                                                std::atomic<qint64>* bytes) {
            const platform::FileCrc c = platform::fileCrc(fd, name, stop, bytes);
            removeTree(f.e);
            return c;
        };
        Outcome out = check(f, u"CD_1"_qs, u'E', vanishing);
        QCOMPARE(out.end, Outcome::End::MediumGone);
        QVERIFY2(!kinds(out.findings).contains(u"Hiányzó"_qs), qPrintable(kinds(out.findings)));
        QCOMPARE(digest(f.catalog), before);

        // Stopped while reading.
        fillMedium(f);
        std::atomic<bool> stop{false};
        int reads = 0;
        const checker::ReadFile stopping = [&](int fd, const QByteArray& name,
                                               const std::atomic<bool>* s,
                                               std::atomic<qint64>* bytes) {
            if (++reads == 2)
                stop = true;
            return platform::fileCrc(fd, name, s, bytes);
        };
        out = check(f, u"CD_1"_qs, u'E', stopping, nullptr, &stop);
        QCOMPARE(out.end, Outcome::End::Stopped);
        QCOMPARE(reads, 2);
        QCOMPARE(digest(f.catalog), before);
    }

    void storedCrcs()
    {
        const struct
        {
            QVariant recorded;
            const char* computed;
            bool same;
        } cases[] = {
            {u"0A1B2C3D"_qs, "0A1B2C3D", true},
            {u"0a1b2c3d"_qs, "0A1B2C3D", true},
            {u"0A1B2C3E"_qs, "0A1B2C3D", false},
            {qlonglong(123456), "00123456", true}, // "00123456" kept as a number
            {qlonglong(123456), "00123457", false},
            {qlonglong(123456), "0012345A", false},
            {1.0e10, "0001E010", true},
        };
        for (const auto& c : cases)
            QVERIFY2(checker::sameCrc(c.recorded, QString::fromLatin1(c.computed)) == c.same,
                     c.computed);
    }

    void listingOfFindings()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"lista.txt"_qs);
        TestSupport::writeFile(path, "old");
        checker::writeFindings(
            path, u"/k/katalógus.mdb"_qs, u"CD_1 E:\\"_qs,
            {{Kind::LengthDiffers, u"E:\\GAMES"_qs, u"DOOM.EXE"_qs, u"3000"_qs, u"12"_qs},
             {Kind::MissingFolder, u"E:\\TOOLS"_qs, {}, u"2 file"_qs, {}}});
        QCOMPARE(
            TestSupport::contents(path),
            QByteArray("/k/katal\xc3\xb3gus.mdb\r\nCD_1 E:\\\r\n"
                       "Elt\xc3\xa9r\xc3\xa9s:\t\xc3\x9at:\tN\xc3\xa9v:\tNyilv\xc3\xa1ntartva:\t"
                       "Tal\xc3\xa1lva:\r\n\r\n"
                       "Elt\xc3\xa9r\xc5\x91 hossz\tE:\\GAMES\tDOOM.EXE\t3000\t12\t\r\n"
                       "Hi\xc3\xa1nyz\xc3\xb3 mappa\tE:\\TOOLS\t\t2 file\t\t\r\n"));
        QCOMPARE(TestSupport::errorOf([&] {
                     checker::writeFindings(dir.filePath(u"nincs/lista.txt"_qs), {}, {}, {});
                 }) != 0,
                 true);
    }
};

QTEST_GUILESS_MAIN(TestMediumCheck)
#include "test_mediumcheck.moc"
