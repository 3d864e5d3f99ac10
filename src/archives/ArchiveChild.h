#pragma once

#include "ArchiveTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <sys/types.h>

// Archives come from media of unknown origin; the library that reads them
// runs in a child process (the program polcozo-archivum beside polcozo), so
// that no archive, however it is made, can take the catalog session down.
// The child speaks in lines on its standard output, names percent-encoded:
//
// polcozo-archivum --lista          lists the files asked for on its input,
//   list <path> <members> <bytes> <crc 0|1>            one request a line
//   member <d|f|l> <length> <mtime|-> <crc|-> <encrypted 0|1> <path> [<target>]
//   read <bytes>                                       now and then
//   end <archive> <damaged> <toomany> <toolarge> <encrypted> <format>
//   fail <errno>                                       the file cannot be opened
// polcozo-archivum --kibont ARCHIVE MEMBER TARGET       one member into a file
// polcozo-archivum --kibont-mappa ARCHIVE PREFIX FOLDER members below PREFIX
//   file <member>                                      one written
//   fail <step> <errno> <member>
//   done <files>
// Members are named as the catalog stores them below the archive.
namespace archives {

inline constexpr char kChildName[] = "polcozo-archivum";
inline constexpr char kListOption[] = "--lista";
inline constexpr char kExtractOption[] = "--kibont";
inline constexpr char kExtractTreeOption[] = "--kibont-mappa";

// The child's whole work; its exit code.
int childMain(int argc, char** argv);

// The child program beside the program in 'programFolder'.
QByteArray childProgram(const QString& programFolder);

// Reads one listing's report, line by line, trusting nothing in it.
class ListingReport
{
public:
    explicit ListingReport(const ListOptions& options) : m_options(options) {}
    enum class State
    {
        More,
        Done,
        Garbage
    };
    State line(const QByteArray& text);
    Listing& listing() { return m_listing; }

private:
    ListOptions m_options;
    Listing m_listing;
};

// Reads an extraction's report.
class ExtractReport
{
public:
    enum class State
    {
        More,
        Done,
        Garbage
    };
    State line(const QByteArray& text);
    ExtractResult& result() { return m_result; }
    std::function<void(const QString&)> extracted;

private:
    ExtractResult m_result;
};

// A child with its standard input and output on one socket, started without
// an event loop, so it can be used from any thread.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const QList<QByteArray>& command);
    bool running() const { return m_pid > 0; }
    bool send(const QByteArray& bytes);

    enum class Read
    {
        Line,
        Closed,
        Quiet,
        Stopped,
        TooLong
    };
    // The next line. Quiet when the child says nothing for 'quietMs'.
    Read readLine(QByteArray& line, int quietMs, const std::atomic<bool>* stop = nullptr);
    // Closes its input and waits for it; killed first when asked. True when
    // it ended of itself with exit code 0.
    bool finish(bool kill);
    // How the last child ended, as waitpid tells it.
    int status() const { return m_status; }

private:
    pid_t m_pid = -1;
    int m_socket = -1;
    QByteArray m_pending;
    int m_status = 0;
};

// Lists archives through one long-lived child, started at the first call and
// started again after it dies. One lister per thread.
class ArchiveLister
{
public:
    // 'command' is the child with its arguments before the list option is
    // added (the child program alone, or a stand-in in tests).
    explicit ArchiveLister(QList<QByteArray> command, int quietMs = 60000);
    ~ArchiveLister();

    // A child that dies, reports nonsense or falls silent for too long makes
    // the listing damaged with the members reported before; 'stop' set makes
    // it cancelled. A file that cannot be opened (or a child that cannot be
    // started) gives openErrno.
    Listing list(const QByteArray& nativePath, const ListOptions& options = {},
                 const std::atomic<bool>* stop = nullptr);

private:
    QList<QByteArray> m_command;
    int m_quietMs;
    ChildProcess m_child;
};

// The extractions of ArchiveReader.h, run in a child. A child that dies or
// falls silent for 'quietMs' (it speaks once per file, so a long member takes
// a while) is a damaged archive (Source/EIO).
std::optional<ExtractFailure> extractMemberInChild(const QList<QByteArray>& command,
                                                   const QByteArray& archive, const QString& member,
                                                   const QByteArray& targetFile,
                                                   int quietMs = 600000);
ExtractResult extractTreeInChild(const QList<QByteArray>& command, const QByteArray& archive,
                                 const QString& prefix, const QByteArray& targetFolder,
                                 const std::function<void(const QString&)>& extracted = {},
                                 int quietMs = 600000);

} // namespace archives
