#pragma once

#include "MainHost.h"

// The hourglass pointer from construction (or start()) until end() or the
// end of the scope, so that a failing step cannot leave it on.
class BusyScope
{
public:
    explicit BusyScope(MainHost& host) : m_host(host) { start(); }
    ~BusyScope() { end(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    void start()
    {
        m_on = true;
        m_host.setBusy(true);
    }
    void end()
    {
        if (m_on) {
            m_on = false;
            m_host.setBusy(false);
        }
    }

private:
    MainHost& m_host;
    bool m_on = false;
};

// The main window's progress bar, hidden at end() or at the end of the
// scope, whoever showed it in between.
class ProgressScope
{
public:
    explicit ProgressScope(MainHost& host) : m_host(host) {}
    ProgressScope(MainHost& host, int value, int maximum = 100) : m_host(host)
    {
        show(value, maximum);
    }
    ~ProgressScope() { end(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void show(int value, int maximum = 100)
    {
        m_shown = true;
        m_host.showProgress(value, maximum);
    }
    void end()
    {
        if (m_shown) {
            m_shown = false;
            m_host.hideProgress();
        }
    }
    // Hides the bar even if this scope has not shown it.
    void hide()
    {
        m_shown = false;
        m_host.hideProgress();
    }

private:
    MainHost& m_host;
    bool m_shown = true;
};
