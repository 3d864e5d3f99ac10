#pragma once

#include "Module1.h"

// The program's version, from the build.
struct Version
{
    static constexpr int major = POLCOZO_VERSION_MAJOR;
    static constexpr int minor = POLCOZO_VERSION_MINOR;
    static constexpr int revision = POLCOZO_VERSION_PATCH;

    // "1.1.5", as the main window's caption shows it.
    static QString plain()
    {
        return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
    }
    // " 1. 1. 5": each number with its sign blank, as the about box shows it.
    static QString signed_()
    {
        return Module1::Str(major) + QLatin1Char('.') + Module1::Str(minor) + QLatin1Char('.') +
               Module1::Str(revision);
    }
};
