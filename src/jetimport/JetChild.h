#pragma once

#include "JetImport.h"

#include <QByteArray>
#include <QString>

// The conversion runs in a child process, so that no Jet file, however it is
// made, can take the open catalog session down. The child writes its report
// to its standard output, one line at a time:
//   temp <name>                       the temporary file it has made
//   progress <percent>
//   leftout <table> <reason> <rows>   before done
//   done <version> <read> <written>
//   error <number> <detail>
// Names and details are percent-encoded UTF-8.
namespace jetimport::child {

// The program's option that makes it the child: OPTION JET TEMPLATE TARGET.
inline constexpr char kOption[] = "--jet-atalakitas";

// The child's whole work: converts, reporting to descriptor 'out'. Returns
// the exit code: 0 when a report was written in full (success or error).
int run(const QString& jetPath, const QString& templateFile, const QString& target, int out = 1);
// For main(): the child's exit code when argv asks for the child, else -1.
int mainFor(int argc, char** argv);

// What the parent read of a child's report.
struct Report
{
    QString temporary; // empty until named; only a name beside the target
    int percent = 0;
    bool done = false;
    ImportResult result;
    int errorNumber = 0; // with 'detail', when the child reported a failure
    QString detail;
    bool garbage = false; // a line the child should never write
};

// Reads the report as it comes, in pieces of any size.
class ReportReader
{
public:
    explicit ReportReader(const QString& target) : m_target(target) {}
    // False once the report no longer makes sense.
    bool feed(const QByteArray& bytes);
    // A complete report, ended in done or error, and nothing after it.
    bool complete() const;
    const Report& report() const { return m_report; }

private:
    void line(const QByteArray& text);

    QString m_target;
    QByteArray m_pending;
    Report m_report;
    bool m_ended = false;
};

} // namespace jetimport::child
