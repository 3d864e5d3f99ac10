#pragma once

#include "ArchiveSpot.h"
#include "RetrievalHost.h"
#include "RowPath.h"

namespace retrieval {

// Positions of the rows whose path an earlier row already has: removing them
// leaves each path once, at its first place in the selection.
QList<qsizetype> repeatedRows(const QStringList& paths);

// Copying the selection back from its media: each selected file into the
// target folder (single files), or each selected row's folder, with
// everything under it, by the copier (whole folders). Rows leave the
// selection as they are done, so a run that stops keeps the rest selected
// for the next try.
class CopyRun
{
public:
    explicit CopyRun(RetrievalHost& host) : m_host(host) {}

    // The handler of masol.
    void masol(bool singleFiles);
    // Removes rows of folders already selected (whole folders only): one
    // copier per folder.
    void utszures(bool singleFiles);

private:
    enum class Next
    {
        Go,
        Stop,
        Close
    };

    Next copyRow(const SelectedRow& row);
    Next mediumCheck(const RowPath& path);
    Next fileCopy(const SelectedRow& row, const RowPath& path);
    Next folderCopy(const RowPath& path);
    // A member of the archive at 'spot' into 'to'; 0 or an error number.
    int memberCopy(const ArchiveSpot& spot, const QString& name, const QByteArray& to);
    Next startCopier(const RowPath& path, const QString& target, const QString& folderName);
    // Runs a step (0 or an error number) until it succeeds or the user gives up.
    template <typename Step> Next attempt(Step&& step, QString& folderName);
    Next failure(int code, QString& folderName, bool& retry);
    // A failure on the source drive is "not ready" when the drive is.
    int sourceError(int code) const;

    RetrievalHost& m_host;
    bool m_singleFiles = true;
    int m_counter = 0; // numbers given to taken target folders this run
    QString m_previousMedium;
    QString m_sourceDrive; // "D:"
    QString m_targetFolder;
    platform::DriveTable m_drives;
};

} // namespace retrieval
