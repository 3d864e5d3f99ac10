#include "platform/FileCrc.h"

#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestFileCrc : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void checksumsOfFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("crc");
        QTest::newRow("empty") << QByteArray() << "00000000";
        QTest::newRow("check value") << QByteArray("123456789") << "CBF43926";
        // Longer than one read, so the checksum runs on across reads.
        QTest::newRow("three reads") << QByteArray(2621440, 'a') << "DE36B183";
    }

    void checksumsOfFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, crc);
        QTemporaryDir dir;
        QFile f(dir.filePath("f"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        std::atomic<qint64> counted{0};
        const platform::FileCrc r = platform::fileCrc(fd, "f", nullptr, &counted);
        ::close(fd);
        QCOMPARE(r.state, platform::FileCrc::State::Read);
        QCOMPARE(r.bytes, qint64(content.size()));
        QCOMPARE(counted.load(), qint64(content.size()));
        QCOMPARE(platform::crcText(r.crc), crc);
    }

    void whatIsNotAReadableFile()
    {
        QTemporaryDir dir;
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600) == 0);
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        // A FIFO would wait for a writer forever; it is refused at once.
        QCOMPARE(platform::fileCrc(fd, "fifo").state, platform::FileCrc::State::Unreadable);
        QCOMPARE(platform::fileCrc(fd, "sub").state, platform::FileCrc::State::Unreadable);
        QCOMPARE(platform::fileCrc(fd, "gone").state, platform::FileCrc::State::Vanished);
        ::close(fd);
    }

    void aStopRequestEndsTheRead()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("f"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, 'x'));
        f.close();
        const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        const std::atomic<bool> stop{true};
        QCOMPARE(platform::fileCrc(fd, "f", &stop).state, platform::FileCrc::State::Stopped);
        ::close(fd);
    }

    void textIsEightUpperCaseDigits()
    {
        QCOMPARE(platform::crcText(0), "00000000");
        QCOMPARE(platform::crcText(0xABCDEF12u), "ABCDEF12");
        QCOMPARE(platform::crcText(0x1u), "00000001");
    }
};

QTEST_GUILESS_MAIN(TestFileCrc)
#include "test_filecrc.moc"
