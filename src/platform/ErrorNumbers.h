#pragma once

#include <QString>
#include <stdexcept>

// The program's error numbers. Engine refusals and file-system failures are
// turned into these once, here, so every message dispatch can switch on them.
namespace platform {

namespace err {
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyOpen = 55;
constexpr int DeviceIO = 57;
constexpr int FileAlreadyExists = 58;
constexpr int DiskFull = 61;
constexpr int TooManyFiles = 67;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int DiskNotReady = 71;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int NoEditInProgress = 3020;
constexpr int NoCurrentRecord = 3021;
constexpr int ReadOnlyObject = 3027;
constexpr int TableNotFound = 3078;
constexpr int ItemNotFound = 3265;
constexpr int DuplicateValue = 3022;
constexpr int RelatedRecords = 3200;
constexpr int NotADatabase = 3343;
constexpr int ObjectNotSet = 3420;
constexpr int EngineFailure = 3000; // any other engine refusal
} // namespace err

// errno of a failed file-system call -> program error number.
int errorFromErrno(int errnoValue);
// The system's text for an errno value; safe on any thread.
QString errnoText(int errnoValue);
// Extended result code of the catalog engine -> program error number.
int errorFromEngine(int extendedResultCode);

// A failure carrying its program error number.
class Error : public std::runtime_error
{
public:
    Error(int number, const QString& detail, const QString& engineText = {}, int engineCode = 0);
    int number() const { return m_number; }
    // The engine's extended result code, 0 when the engine did not refuse.
    int engineCode() const { return m_engineCode; }
    QString detail() const { return QString::fromUtf8(what()); }
    // The engine's own words for a refusal, as a message shows them; the
    // detail when there are none.
    QString engineText() const { return m_engineText.isEmpty() ? detail() : m_engineText; }

private:
    int m_number;
    QString m_engineText;
    int m_engineCode;
};

// Why the engine refused, in the user's words: a short Hungarian sentence for
// the common causes (read-only, in use, disk full, damaged, I/O), the
// engine's own text for the rest.
QString engineReason(const Error& e);
// The sentence alone; empty when none fits.
QString knownEngineReason(const Error& e);

// Throws Error built from the current errno.
[[noreturn]] void throwErrno(const QString& detail);

} // namespace platform
