#include "platform/CopyErrors.h"
#include "platform/ErrorNumbers.h"
#include "platform/ProcessStarter.h"

#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using platform::CopyStep;
using platform::ProcessStarter;

Q_DECLARE_METATYPE(platform::CopyStep)

class TestCopyPlatform : public QObject
{
    Q_OBJECT

private slots:
    void copyErrors_data();
    void copyErrors();
    void startsDetachedWithArgumentsKept();
    void recordsInsteadOfStarting();
};

void TestCopyPlatform::copyErrors_data()
{
    QTest::addColumn<CopyStep>("step");
    QTest::addColumn<int>("errnoValue");
    QTest::addColumn<int>("number");

    // The same errno means different things on either side of a copy.
    QTest::newRow("source gone") << CopyStep::Source << ENOENT << 53;
    QTest::newRow("source folder is a file") << CopyStep::Source << ENOTDIR << 53;
    QTest::newRow("source is a folder") << CopyStep::Source << EISDIR << 53;
    QTest::newRow("no medium") << CopyStep::Source << ENOMEDIUM << 71;
    QTest::newRow("bad disc") << CopyStep::Source << EIO << 71;
    QTest::newRow("unplugged") << CopyStep::Source << ENODEV << 68;
    QTest::newRow("fuse gone") << CopyStep::Source << ENOTCONN << 68;
    QTest::newRow("source not readable") << CopyStep::Source << EACCES << 70;
    QTest::newRow("folder taken") << CopyStep::TargetFolder << EEXIST << 75;
    QTest::newRow("folder not allowed") << CopyStep::TargetFolder << EACCES << 75;
    QTest::newRow("target folder missing") << CopyStep::TargetFolder << ENOENT << 76;
    QTest::newRow("read-only target drive") << CopyStep::TargetFolder << EROFS << 76;
    QTest::newRow("target full for a folder") << CopyStep::TargetFolder << ENOSPC << 76;
    QTest::newRow("file's folder missing") << CopyStep::Target << ENOENT << 76;
    QTest::newRow("file not writable") << CopyStep::Target << EACCES << 76;
    QTest::newRow("target full") << CopyStep::Target << ENOSPC << 76;
    QTest::newRow("file too large") << CopyStep::Target << EFBIG << 76;
    QTest::newRow("a folder in the way") << CopyStep::Target << EISDIR << 76;
    QTest::newRow("target device error") << CopyStep::Target << EIO << 57;
    QTest::newRow("too many open files") << CopyStep::Source << EMFILE << 67;
}

void TestCopyPlatform::copyErrors()
{
    QFETCH(CopyStep, step);
    QFETCH(int, errnoValue);
    QFETCH(int, number);
    QCOMPARE(platform::copyErrorNumber(step, errnoValue), number);
}

void TestCopyPlatform::startsDetachedWithArgumentsKept()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QStringList args = {QStringLiteral("-c"),
                              QStringLiteral("printf '%s|' \"$@\" > \"$0\""),
                              out,
                              QStringLiteral("D:\\GAMES\\DOOM\\*.*"),
                              QStringLiteral("két szó \"idézve\""),
                              QStringLiteral("/S")};
    QVERIFY(ProcessStarter::startDetached(QStringLiteral("/bin/sh"), args));
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(TestSupport::contents(out)),
                              QStringLiteral("D:\\GAMES\\DOOM\\*.*|két szó \"idézve\"|/S|"), 20000);
    QVERIFY(!ProcessStarter::startDetached(dir.filePath(QStringLiteral("nincs")), {}));
}

void TestCopyPlatform::recordsInsteadOfStarting()
{
    const QString marker = QStringLiteral("/nonexistent/marker");
    ProcessStarter::startRecording();
    QVERIFY(ProcessStarter::startDetached(QStringLiteral("/usr/bin/touch"), {marker}));
    QCOMPARE(ProcessStarter::takeStarted(),
             (QList<ProcessStarter::Started>{{QStringLiteral("/usr/bin/touch"), {marker}}}));
    QVERIFY(ProcessStarter::started().isEmpty());
    ProcessStarter::stopRecording();
}

QTEST_GUILESS_MAIN(TestCopyPlatform)
#include "test_copyplatform.moc"
