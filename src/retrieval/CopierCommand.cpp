#include "CopierCommand.h"

#include <utility>

namespace retrieval {

namespace {

QString withBackslash(const QString& folder)
{
    return folder.endsWith(u'\\') ? folder : folder + u'\\';
}

// Stored names never hold '/' but as the start of an escape.
QString escapeQuotes(QString text)
{
    return text.replace(u'"', QStringLiteral("/22"));
}

} // namespace

QString copierCommandLine(const QString& programFolder, const QString& sourceDrive,
                          const QString& folderPath, const QString& targetFolder,
                          const QString& folderName)
{
    QString program = withBackslash(programFolder) + kCopierName;
    if (program.contains(u' '))
        program = u'"' + program + u'"';
    const QString target = escapeQuotes(targetFolder);
    const QString name = escapeQuotes(folderName);
    const QString source = name.isEmpty()
                               ? sourceDrive + QStringLiteral("\\*.*")
                               : sourceDrive + escapeQuotes(folderPath) + QStringLiteral("\\*.*");
    const QString into = name.isEmpty() ? withBackslash(target) + QStringLiteral("*.*")
                                        : withBackslash(target) + name + QStringLiteral("\\*.*");
    return program + QStringLiteral(" \"") + source + QStringLiteral("\" \"") + into +
           QStringLiteral("\" /S /C /F /H /R /Y");
}

CommandParts splitCommandLine(const QString& commandLine)
{
    QStringList parts;
    QString part;
    bool quoted = false;
    bool started = false;
    for (const QChar c : commandLine) {
        if (c == u'"') {
            quoted = !quoted;
            started = true;
        } else if (c == u' ' && !quoted) {
            if (started)
                parts.append(std::exchange(part, {}));
            started = false;
        } else {
            part += c;
            started = true;
        }
    }
    if (started)
        parts.append(part);
    CommandParts out;
    if (!parts.isEmpty())
        out.program = parts.takeFirst();
    out.arguments = parts;
    return out;
}

} // namespace retrieval
