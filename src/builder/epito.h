#pragma once

#include "FolderWalk.h"
#include "MediumUpdate.h"
#include "widgets/DriveLists.h"

#include "widgets/FormDialog.h"

#include <QElapsedTimer>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class MainHost;

// The builder: scans a drive or folder into the open catalog under a medium label.
class epito : public FormDialog, private builder::WalkObserver
{
    Q_OBJECT
public:
    using DriveSource = std::function<platform::DriveTable()>;

    epito(MainHost& host, DriveSource drives, QWidget* parent = nullptr);
    ~epito() override;

    DriveListBox* Drive1;
    FolderListBox* Dir1;
    FileListBox* File1;
    QLabel *cimke1, *cimke2, *cimke3, *cimke4;
    QLineEdit* elotag;
    QPushButton *startgomb, *stopgomb, *kesz;
    // Update a medium already recorded; compute checksums; record archive
    // contents. All remembered.
    QCheckBox *frissites, *crc32, *archivum;

    void Form_Activate() override;
    void Drive1_Change();
    void Dir1_Change();
    void elotag_Change();
    void startgomb_Click();
    void stopgomb_Click();
    void kesz_Click();

    bool scanning() const { return m_scanning; }
    const builder::FolderWalk& walk() const { return m_walk; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    bool loadForm() override;
    void unloadForm() override;

    // builder::WalkObserver
    void folderOpened(const QString& drivePath) override;
    void yieldToUser() override;
    void folderRecorded(qint64 lastFileId) override;
    void fileVanished() override;
    void recordingFailed(const QString& message) override;

    void buildControls();
    void readDrives();
    void showWalkPosition();
    void backToIdle();
    // False when the walk could not start, so nothing was read.
    bool runWalk(const QString& start, const QString& label);
    bool runUpdate(const QString& start, const QString& label);
    void rememberOptions();
    builder::ArchiveScan archiveScan() const;

    MainHost& m_host;
    DriveSource m_driveSource;
    platform::DriveTable m_drives;
    builder::FolderWalk m_walk;
    builder::MediumUpdate m_update;
    QString m_catalogPath; // dmunka's database
    QString m_walkPath;
    QElapsedTimer m_sinceShown;
    bool m_scanning = false;
    bool m_closeAfterScan = false;
};
