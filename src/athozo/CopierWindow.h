#pragma once

#include "CopierJob.h"
#include "TreeCopy.h"

#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace athozo {

// The copier's window: what is copied where, a bar over the bytes, the file
// being copied and the failures. The copy runs on a thread of its own. The
// window closes itself when everything was copied and stays open, listing
// what failed, otherwise.
class CopierWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CopierWindow(Job job, std::FILE* log = nullptr, QWidget* parent = nullptr);
    // Shows a copy that may already be running.
    explicit CopierWindow(std::unique_ptr<BackgroundCopy> copy, QWidget* parent = nullptr);
    ~CopierWindow() override;

    void start();
    bool isFinished() const { return m_finished; }
    // 0 when everything was copied and listed; 1 when something failed or was stopped.
    int exitCode() const { return m_exitCode; }

    QLabel* forras;
    QLabel* cel;
    QProgressBar* bar;
    QLabel* aktualis;
    QLabel* hibacim;
    QListWidget* hibak;
    QPushButton* gomb;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void poll();

    std::unique_ptr<BackgroundCopy> m_copy;
    QTimer m_timer;
    bool m_finished = false;
    int m_shownFailures = 0;
    bool m_listingShown = false;
    int m_exitCode = 1;
};

} // namespace athozo
