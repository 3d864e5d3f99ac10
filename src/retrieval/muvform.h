#pragma once

#include "RetrievalHost.h"
#include "widgets/DriveLists.h"

#include "widgets/FormDialog.h"

#include <functional>

class QGroupBox;
class QPushButton;
class QRadioButton;
class DataGrid;
class MainHost;

// Retrieval: copies the grid's selected files, or their whole folders, from
// their media into a target folder. The copy run itself is retrieval::CopyRun;
// this window gives it the grid, the bar, the drives and the user.
class muvform : public FormDialog, private retrieval::RetrievalHost
{
    Q_OBJECT
public:
    using DriveSource = std::function<platform::DriveTable()>;

    muvform(MainHost& host, DataGrid& grid, DriveSource drives, QWidget* parent = nullptr);
    ~muvform() override;

    QGroupBox* Frame2;
    DriveListBox* forras;
    QRadioButton* O2;
    QRadioButton* O1;
    QGroupBox* Frame1;
    DriveListBox* celdrv;
    FolderListBox* celdir;
    QPushButton* masol;
    QPushButton* nem;

    void celdrv_Change();
    void masol_Click();
    void nem_Click();

private:
    bool loadForm() override;
    void unloadForm() override;
    // retrieval::RetrievalHost
    qsizetype selectionCount() override;
    QStringList selectedPaths() override;
    retrieval::SelectedRow firstSelected() override;
    void removeSelected(const QList<qsizetype>& positions) override;
    void showBar(int maximum, int value) override;
    void hideBar() override;
    Answer ask(const QString& text, Buttons buttons, Icon icon) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
    QChar sourceDrive() override;
    QChar targetDrive() override;
    QString targetFolder() override;
    QString programFolder() override;
    platform::DriveTable drives() override;
    void unload() override;

    void buildControls();
    void readDrives();
    void openTarget();

    MainHost& m_host;
    DataGrid& m_grid;
    DriveSource m_driveSource;
    platform::DriveTable m_drives; // what the lists show
    bool m_running = false;
};
