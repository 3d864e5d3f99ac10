#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// Starts programs the program does not wait for (the copier).
class ProcessStarter
{
public:
    struct Started
    {
        QString program;
        QStringList arguments;
        friend bool operator==(const Started&, const Started&) = default;
    };

    // False when the program could not be started. Its standard input,
    // output and error are the null device.
    static bool startDetached(const QString& program, const QStringList& arguments);

    // Test seam: while scripting, nothing is started; each start is recorded
    // and takes the next scripted answer (true: it started), or true once the
    // script has run dry.
    static void startScript(const QList<bool>& answers = {});
    static void addAnswers(const QList<bool>& answers);
    static void stopScript();
    static QList<Started> started();
    static QList<Started> takeStarted();
};

} // namespace platform
