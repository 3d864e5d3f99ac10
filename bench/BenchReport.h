#pragma once

// What every benchmark prints: one "name value unit" line a figure on
// standard output, notes on standard error.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <stdexcept>

namespace bench {

inline void figure(const QString& name, double value, const char* unit, int decimals)
{
    std::printf("%s %.*f %s\n", qPrintable(name), decimals, value, unit);
    std::fflush(stdout);
}

inline void note(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

inline void check(bool ok, const QString& what)
{
    if (!ok)
        throw std::runtime_error(("check failed: " + what).toStdString());
}

// VmHWM is the peak so far, in kB in /proc.
inline double peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

} // namespace bench
