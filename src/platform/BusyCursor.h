#pragma once

#include <QApplication>
#include <QCursor>

namespace platform {

// The hourglass pointer of long commands. Like the screen's own pointer it is
// either on or off; switching it on twice needs one switch-off.
inline void setBusyPointer(bool busy)
{
    static bool on = false;
    if (busy == on)
        return;
    on = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace platform
