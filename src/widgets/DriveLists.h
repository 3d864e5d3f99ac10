#pragma once

#include "platform/Drives.h"

#include <QComboBox>
#include <QListWidget>

// The three list controls of the windows that pick drives and folders (the
// builder, retrieval): drives, the folders of a drive, and the files of a
// folder. Paths are drive paths ("E:\GAMES\DOOM"); entries are read and named
// as the builder reads them.

class DriveListBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // Fills the list; the previous drive stays chosen when it is still there.
    void setTable(const platform::DriveTable& table);
    QChar drive() const;
    // Chooses a drive and reports the change, even when it was already chosen.
    void setDrive(QChar letter);

signals:
    void Change();
    void aboutToPopup();

protected:
    void showPopup() override;
};

// The open folder, its ancestors up to the drive root, and its sub-folders.
class FolderListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderListBox(QWidget* parent = nullptr);

    void setDrives(const platform::DriveTable* drives) { m_drives = drives; }
    QString path() const { return m_path; }
    // Throws platform::Error 76 when the folder is not there, 68 for an unknown drive.
    void setPath(const QString& drivePath);
    int listCount() const { return int(m_subFolders.size()); }
    QString list(int index) const { return m_subFolders.at(index); }
    // While set, the user cannot open another folder.
    void setLocked(bool locked) { m_locked = locked; }

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void openItem(QListWidgetItem* item);

    const platform::DriveTable* m_drives = nullptr;
    QString m_path;
    QStringList m_subFolders;
    bool m_locked = false;
};

// The files of one folder, hidden ones included.
class FileListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    void setDrives(const platform::DriveTable* drives) { m_drives = drives; }
    QString path() const { return m_path; }
    void setPath(const QString& drivePath);

private:
    const platform::DriveTable* m_drives = nullptr;
    QString m_path;
};
