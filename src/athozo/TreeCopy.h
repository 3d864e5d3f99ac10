#pragma once

#include "CopierJob.h"

#include <QList>
#include <QString>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace athozo {

struct Failure
{
    QString name; // full name, drive form
    QString reason;
    friend bool operator==(const Failure&, const Failure&) = default;
};

// What the copying thread has done so far, for the window to show.
class Progress
{
public:
    struct State
    {
        qint64 totalBytes = 0;
        qint64 doneBytes = 0; // copied, or given up on
        int files = 0;
        int copiedFiles = 0;
        QByteArray current; // below the source folder (displayName)
        QList<Failure> failures;
        bool planned = false;
        bool finished = false;
        bool listingFailed = false; // the /F listing could not be written
    };

    State state() const;
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

    // The copying side.
    void planned(qint64 totalBytes, int files);
    void starting(const QByteArray& relative);
    void addBytes(qint64 bytes);
    void copied();
    void failed(const QString& name, const QString& reason);
    void listingFailed();
    void finish();

private:
    mutable std::mutex m_mutex;
    State m_state;
    std::atomic<bool> m_cancelled = false;
};

// A name below a folder as the user reads it: "D:\GAMES\DOOM\sub\file.exe",
// each name as the catalog stores it.
QString displayName(const QString& folder, const QByteArray& relative);

// Copies the whole content of the job's source folder into its target folder
// (made when missing), as the switches say. Every file is written under a
// temporary name and renamed into place once complete; files, links and
// folders keep their modification times. Another file system mounted below
// the source is another drive and is not entered.
class TreeCopy
{
public:
    // 'log' receives "source -> target" for each file with /F.
    TreeCopy(const Job& job, Progress& progress, std::FILE* log = nullptr);
    // True when everything was copied.
    bool run();

    // The device a folder below the source lies on, by its path below the
    // source and its status; tests stand in for mounts with it.
    using DeviceOf = std::function<dev_t(const QByteArray& relative, const struct stat& st)>;
    void setDeviceOf(DeviceOf deviceOf) { m_deviceOf = std::move(deviceOf); }

private:
    struct Entry;
    void plan(int folderFd, dev_t device, const QByteArray& relative, Entry& folder);
    bool runArchive();
    void copyFolder(const Entry& folder, int sourceFd, int targetFd, const QByteArray& relative);
    bool copyFile(const Entry& file, int sourceFd, int targetFd, const QByteArray& relative);
    bool copyLink(const Entry& link, int sourceFd, int targetFd, const QByteArray& relative);
    void list(const QByteArray& relative);
    void endListing();
    bool stopped() const;
    void fail(const QByteArray& relative, int errnoValue);
    void fail(const QString& name, const QString& reason);

    const Job& m_job;
    Progress& m_progress;
    std::FILE* m_log;
    DeviceOf m_deviceOf;
    bool m_failed = false;
};

// Said once when the /F listing could not be written; the files are copied all the same.
QString listingProblemText();

// A TreeCopy on a thread of its own, started as early as the caller likes.
class BackgroundCopy
{
public:
    explicit BackgroundCopy(Job job, std::FILE* log = nullptr);
    ~BackgroundCopy(); // stops the copy
    BackgroundCopy(const BackgroundCopy&) = delete;
    BackgroundCopy& operator=(const BackgroundCopy&) = delete;

    void start();
    // Gives up the file being copied (nothing half-written stays) and waits.
    void stop();
    // Waits for the copy to end.
    void wait();
    // Called on the copying thread when it is done, or at once if it is.
    void whenFinished(std::function<void()> done);

    const Job& job() const { return m_job; }
    Progress& progress() { return m_progress; }

private:
    Job m_job;
    std::FILE* m_log;
    Progress m_progress;
    std::mutex m_mutex;
    std::function<void()> m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace athozo
