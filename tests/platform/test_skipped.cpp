#include "platform/ErrorNumbers.h"
#include "platform/Skipped.h"

#include <QLoggingCategory>
#include <QTest>

namespace {

struct Logged
{
    QString category;
    QString text;
};
QList<Logged> g_logged;

void record(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    g_logged.append({QString::fromLatin1(context.category), text});
}

} // namespace

class TestSkipped : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules({});
        g_logged.clear();
    }

    // Silent unless a developer asks for the category; then the error's
    // number and detail, or the text of any other exception.
    void loggedOnlyWhenAskedFor()
    {
        qInstallMessageHandler(record);
        const platform::Error gone(platform::err::ObjectNotSet, "no catalog");
        platform::logSkipped("close", gone);
        QVERIFY(g_logged.isEmpty());

        QLoggingCategory::setFilterRules("polcozo.skipped.debug=true");
        platform::logSkipped("close", gone);
        platform::logSkipped("move", std::out_of_range("row 7"));
        QCOMPARE(g_logged.size(), 2);
        QCOMPARE(g_logged[0].category, "polcozo.skipped");
        QVERIFY(g_logged[0].text.contains("close") && g_logged[0].text.contains("3420") &&
                g_logged[0].text.contains("no catalog"));
        QVERIFY(g_logged[1].text.contains("move") && g_logged[1].text.contains("row 7"));
    }
};

QTEST_GUILESS_MAIN(TestSkipped)
#include "test_skipped.moc"
