#pragma once

#include "platform/ErrorNumbers.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Small helpers shared by the test programs.
namespace TestSupport {

// Runs 'work' in a forked child, where limits, users and mounts stay its own;
// its exit code, or 128 + the signal that ended it.
inline int inChild(const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

inline QString templateFile()
{
    return QStringLiteral(POLCOZO_TEMPLATE_FILE);
}

// The error number the call threw, or 0.
template <typename F> int errorOf(F&& call)
{
    try {
        call();
    } catch (const platform::Error& e) {
        return e.number();
    }
    return 0;
}

inline QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A copy of the template at 'path', writable by its owner only.
inline QString freshCatalog(const QString& path)
{
    QFile::remove(path);
    if (!QFile::copy(templateFile(), path))
        qFatal("cannot copy the template to %s", qPrintable(path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace TestSupport
