#include "ProcessStarter.h"

#include "ScriptedAnswers.h"

#include <QProcess>

namespace platform {

namespace {

ScriptedAnswers<bool, ProcessStarter::Started>& script()
{
    static ScriptedAnswers<bool, ProcessStarter::Started> s;
    return s;
}

} // namespace

bool ProcessStarter::startDetached(const QString& program, const QStringList& arguments)
{
    if (script().active())
        return script().answer({program, arguments}, true);
    // Nothing of this program's own standard descriptors: a copier writing
    // into a closed pipe or a terminal long gone must not be stopped by it.
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

void ProcessStarter::startScript(const QList<bool>& answers)
{
    script().start(answers);
}

void ProcessStarter::addAnswers(const QList<bool>& answers)
{
    script().add(answers);
}

void ProcessStarter::stopScript()
{
    script().stop();
}

QList<ProcessStarter::Started> ProcessStarter::started()
{
    return script().requests();
}

QList<ProcessStarter::Started> ProcessStarter::takeStarted()
{
    return script().takeRequests();
}

} // namespace platform
