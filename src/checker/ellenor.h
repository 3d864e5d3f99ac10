#pragma once

#include "MediumCheck.h"
#include "eltero.h"
#include "platform/Drives.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

class DriveListBox;
class MainHost;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;

// "Lemez ellenőrzése": compares a medium in a drive with its record in the
// open catalog, on a thread of its own, and shows the findings in a window.
class ellenor : public QDialog
{
    Q_OBJECT
public:
    using DriveSource = std::function<platform::DriveTable()>;
    // 'currentPath': the stored folder path of the grid's current row, whose
    // medium is checked unless the user names another.
    ellenor(MainHost& host, DriveSource drives, const QString& currentPath = {},
            QWidget* parent = nullptr);
    ~ellenor() override;

    // Loads and shows the window modally.
    void run();
    // The drives and the label of the grid's current row.
    void Form_Load();

    DriveListBox* Drive1;
    QLineEdit* elotag;
    QLabel* fileok;
    QProgressBar* fbar;
    QLabel* byteok;
    QProgressBar* bbar;
    QPushButton* startgomb;
    QPushButton* stopgomb;
    QPushButton* kesz;

    void startgomb_Click();
    void stopgomb_Click();
    void kesz_Click();

    bool running() const { return m_thread != nullptr; }
    // The window with the last check's findings, while it is open.
    eltero* results() const { return m_results; }
    // Test seam: how files are read.
    void setReadFile(checker::ReadFile read) { m_read = std::move(read); }

protected:
    void reject() override;

private:
    void showProgress();
    void checkEnded();

    MainHost& m_host;
    QString m_currentPath;
    DriveSource m_driveSource;
    platform::DriveTable m_drives;
    checker::ReadFile m_read;
    QThread* m_thread = nullptr;
    QTimer* m_timer = nullptr;
    std::atomic<bool> m_stop{false};
    std::unique_ptr<checker::Progress> m_progress;
    checker::Request m_request;
    checker::Outcome m_outcome;
    QPointer<eltero> m_results;
};
