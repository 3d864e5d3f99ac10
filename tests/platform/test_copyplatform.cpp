#include "platform/CopyErrors.h"
#include "platform/ProcessStarter.h"

#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using platform::CopyStep;

Q_DECLARE_METATYPE(platform::CopyStep)

class TestCopyPlatform : public QObject
{
    Q_OBJECT

private slots:
    void copyErrors_data()
    {
        QTest::addColumn<CopyStep>("step");
        QTest::addColumn<int>("errnoValue");
        QTest::addColumn<int>("number");
        // The same errno means different things on either side of a copy.
        QTest::newRow("source gone") << CopyStep::Source << ENOENT << 53;
        QTest::newRow("no medium") << CopyStep::Source << ENOMEDIUM << 71;
        QTest::newRow("unplugged") << CopyStep::Source << ENODEV << 68;
        QTest::newRow("source not readable") << CopyStep::Source << EACCES << 70;
        QTest::newRow("folder taken") << CopyStep::TargetFolder << EEXIST << 75;
        QTest::newRow("target folder missing") << CopyStep::TargetFolder << ENOENT << 76;
        QTest::newRow("file's folder missing") << CopyStep::Target << ENOENT << 76;
        QTest::newRow("target full") << CopyStep::Target << ENOSPC << 76;
        QTest::newRow("a folder in the way") << CopyStep::Target << EISDIR << 76;
        QTest::newRow("target device error") << CopyStep::Target << EIO << 57;
    }

    void copyErrors()
    {
        QFETCH(CopyStep, step);
        QFETCH(int, errnoValue);
        QFETCH(int, number);
        QCOMPARE(platform::copyErrorNumber(step, errnoValue), number);
    }

    // Blanks and quotes reach the program as they were given.
    void startsDetached()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        const QStringList args = {"-c", "printf '%s|' \"$@\" > \"$0\"", out, "D:\\GAMES\\*.*",
                                  "két szó \"idézve\""};
        QVERIFY(platform::ProcessStarter::startDetached("/bin/sh", args));
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(TestSupport::contents(out)),
                                  "D:\\GAMES\\*.*|két szó \"idézve\"|", 20000);
        QVERIFY(!platform::ProcessStarter::startDetached(dir.filePath("nincs"), {}));
    }

    // A started program writes and reads nothing of this one's: its standard
    // descriptors are the null device.
    void startedWithoutOurOutput()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out"), done = dir.filePath("done");
        const QStringList args = {
            "-c", "readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2 | cat > \"$0\"; touch \"$1\"",
            out, done};
        QVERIFY(platform::ProcessStarter::startDetached("/bin/sh", args));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(done), 20000);
        QCOMPARE(QString::fromUtf8(TestSupport::contents(out)),
                 "/dev/null\n/dev/null\n/dev/null\n");
    }
};

QTEST_GUILESS_MAIN(TestCopyPlatform)
#include "test_copyplatform.moc"
