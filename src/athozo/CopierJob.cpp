#include "CopierJob.h"

#include "retrieval/ArchiveSpot.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace athozo {

namespace {

const QString kUsage =
    QStringLiteral("Használat: athozo \"FORRÁS\\*.*\" \"CÉL\\*.*\" [/S] [/C] [/F] [/H] [/R] [/Y]");

struct Folder
{
    QString text;
    QByteArray native;
};

// The arguments are read before the application object exists, when it
// cannot tell its folder yet; the archive child lies beside this program.
QString programFolder()
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (const QString target = self.canonicalFilePath(); !target.isEmpty())
        return QFileInfo(target).absolutePath();
    return QCoreApplication::applicationDirPath();
}

// "D:\GAMES\DOOM\*.*" -> D:\GAMES\DOOM; "D:\*.*" -> D:\.
std::optional<Folder> folderOf(QString pattern, const platform::DriveTable& drives)
{
    if (!pattern.endsWith(QStringLiteral("*.*")))
        return std::nullopt;
    pattern.chop(3);
    if (pattern.startsWith(u'/')) {
        while (pattern.size() > 1 && pattern.endsWith(u'/'))
            pattern.chop(1);
        return Folder{pattern, QFile::encodeName(pattern)};
    }
    if (pattern.size() == 2)
        pattern += u'\\';
    if (pattern.size() > 3 && pattern.endsWith(u'\\'))
        pattern.chop(1);
    const QByteArray native = drives.nativeBytes(pattern);
    if (native.isEmpty())
        return std::nullopt;
    return Folder{pattern, native};
}

} // namespace

std::variant<Job, QString> parseArguments(const QStringList& arguments,
                                          const platform::DriveTable& drives)
{
    QStringList patterns;
    Switches s;
    for (const QString& a : arguments) {
        if (!a.startsWith(u'/') || a.size() != 2) {
            patterns.append(a);
            continue;
        }
        switch (a.at(1).toUpper().unicode()) {
        case u'S':
            s.subFolders = true;
            break;
        case u'C':
            s.continueOnError = true;
            break;
        case u'F':
            s.fullNames = true;
            break;
        case u'H':
            s.hidden = true;
            break;
        case u'R':
            s.overReadOnly = true;
            break;
        case u'Y':
            s.overwrite = true;
            break;
        default:
            return QStringLiteral("Ismeretlen kapcsoló: ") + a + QStringLiteral("\n") + kUsage;
        }
    }
    if (patterns.size() != 2)
        return kUsage;
    const auto source = folderOf(patterns.at(0), drives);
    if (!source)
        return QStringLiteral("Nem található a forrás: ") + patterns.at(0);
    const auto target = folderOf(patterns.at(1), drives);
    if (!target)
        return QStringLiteral("Nem található a cél: ") + patterns.at(1);
    Job job{source->text, target->text, source->native, target->native, s, {}, {}, {}};
    struct stat st;
    const bool folder = ::stat(source->native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!folder && !source->text.startsWith(u'/')) {
        if (const auto spot = retrieval::archiveSpot(drives, source->text)) {
            job.archive = spot->archive;
            job.member = spot->memberFolder;
            job.archiveChild = retrieval::archiveChild(programFolder());
        }
    }
    return job;
}

} // namespace athozo
