#include "ProcessStarter.h"

#include <QProcess>
#include <utility>

namespace platform {

namespace {

struct Recording
{
    bool on = false;
    QList<ProcessStarter::Started> started;
};

Recording& recording()
{
    static Recording r;
    return r;
}

} // namespace

bool ProcessStarter::startDetached(const QString& program, const QStringList& arguments)
{
    if (recording().on) {
        recording().started.append({program, arguments});
        return true;
    }
    return QProcess::startDetached(program, arguments);
}

void ProcessStarter::startRecording()
{
    recording() = {true, {}};
}

void ProcessStarter::stopRecording()
{
    recording() = {};
}

QList<ProcessStarter::Started> ProcessStarter::started()
{
    return recording().started;
}

QList<ProcessStarter::Started> ProcessStarter::takeStarted()
{
    return std::exchange(recording().started, {});
}

} // namespace platform
