#pragma once

#include "platform/ErrorNumbers.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

// Small helpers shared by the test programs.
namespace TestSupport {

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
