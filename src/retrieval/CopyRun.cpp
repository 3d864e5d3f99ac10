#include "CopyRun.h"

#include "ArchiveSpot.h"
#include "CopierCommand.h"
#include "archives/ArchiveChild.h"
#include "FileCopy.h"
#include "platform/CopyErrors.h"
#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <sys/stat.h>

namespace retrieval {

namespace {

using Answer = RetrievalHost::Answer;
using Buttons = RetrievalHost::Buttons;
using Icon = RetrievalHost::Icon;
using platform::CopyStep;
namespace err = platform::err;
namespace DrivePath = platform::DrivePath;

// Above this many rows the removal of repeated folders asks first.
constexpr qsizetype kQuietRemoval = 40;

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

bool isFolder(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString withBackslash(const QString& folder)
{
    return folder.endsWith(u'\\') ? folder : folder + u'\\';
}

} // namespace

QList<qsizetype> repeatedRows(const QStringList& paths)
{
    QList<qsizetype> repeated;
    QSet<QString> seen;
    seen.reserve(paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const auto before = seen.size();
        seen.insert(paths.at(i));
        if (seen.size() == before)
            repeated.append(i);
    }
    return repeated;
}

void CopyRun::utszures(bool singleFiles)
{
    if (singleFiles)
        return;
    const qsizetype count = m_host.selectionCount();
    if (count >= 2) {
        if (count > kQuietRemoval &&
            m_host.ask(
                QStringLiteral("Ön ") + Module1::Str(qint64(count)) +
                    QStringLiteral(" db utat jelölt ki, amellyekben lehetnek azonosak is!\r\n"
                                   "Kéri az esetleges azonosságok kiszűrését (ez hosszú "
                                   "időt is igénybevehet)? \r\n(Ha nem kéri, hibaüzenetet "
                                   "fog kapni azonos könyvtárak másolásakor!)"),
                Buttons::YesNo, Icon::Question) == Answer::No)
            return;
        m_host.showBar(int(count - 1), 0);
        const QList<qsizetype> repeated = repeatedRows(m_host.selectedPaths());
        if (!repeated.isEmpty())
            m_host.removeSelected(repeated);
        m_host.showBar(int(count - 1), int(count - 1));
    }
    m_host.hideBar();
}

void CopyRun::masol(bool singleFiles)
{
    m_singleFiles = singleFiles;
    m_counter = 0;
    m_previousMedium.clear();
    utszures(singleFiles);
    m_host.showBar(100, 0);

    m_targetFolder = m_host.targetFolder();
    if (!singleFiles)
        m_targetFolder = withBackslash(m_targetFolder);
    m_sourceDrive = m_host.sourceDrive().toUpper() + QStringLiteral(":");
    if (m_host.targetDrive().toUpper() == m_host.sourceDrive().toUpper()) {
        m_host.ask(QStringLiteral("Egyazon meghajtóra nem lehet előhozni !"), Buttons::Ok,
                   Icon::None);
        return;
    }
    const qsizetype count = m_host.selectionCount();
    if (count == 0) {
        m_host.ask(QStringLiteral("Nem jelölt ki eggyetlen elemet sem !\r\n"
                                  "Jelöljön ki rekordokat, majd próbálja újra a műveletet !"),
                   Buttons::Ok, Icon::None);
        m_host.unload();
        return;
    }
    m_drives = m_host.drives();

    const float step = 100.0f / float(count);
    for (qsizetype i = 0; i < count; ++i) {
        switch (copyRow(m_host.firstSelected())) {
        case Next::Go:
            break;
        case Next::Stop:
            return;
        case Next::Close:
            m_host.unload();
            return;
        }
        m_host.removeSelected({0});
        m_host.showBar(100, qRound(float(i + 1) * step));
    }
    m_host.unload();
}

CopyRun::Next CopyRun::copyRow(const SelectedRow& row)
{
    const std::optional<RowPath> path = parseRowPath(row.path);
    if (!path) {
        QString none;
        bool retry = false;
        return failure(err::FileNotFound, none, retry);
    }
    if (const Next n = mediumCheck(*path); n != Next::Go)
        return n;
    return m_singleFiles ? fileCopy(row, *path) : folderCopy(*path);
}

CopyRun::Next CopyRun::mediumCheck(const RowPath& path)
{
    if (path.medium != m_previousMedium) {
        const Answer a = m_host.ask(QStringLiteral("Helyezze be a ") + path.medium +
                                        QStringLiteral(" cimkéjü lemezt a ") + m_sourceDrive +
                                        QStringLiteral(" meghajtóba !"),
                                    Buttons::OkCancel, Icon::Information);
        if (a == Answer::Cancel) {
            if (m_singleFiles)
                m_host.hideBar();
            return Next::Stop;
        }
        // The disc just put in may be mounted somewhere new.
        m_drives = m_host.drives();
    }
    m_previousMedium = path.medium;
    return Next::Go;
}

int CopyRun::sourceError(int code) const
{
    const QChar letter = m_sourceDrive.at(0);
    return m_drives.isReady(letter) ? code : platform::copyErrorNumber(CopyStep::Source, ENOMEDIUM);
}

template <typename Step> CopyRun::Next CopyRun::attempt(Step&& step, QString& folderName)
{
    for (;;) {
        const int code = step();
        if (code == 0)
            return Next::Go;
        bool retry = false;
        const Next n = failure(code, folderName, retry);
        if (!retry)
            return n;
        // A disc swapped meanwhile may be mounted elsewhere.
        m_drives = m_host.drives();
    }
}

CopyRun::Next CopyRun::fileCopy(const SelectedRow& row, const RowPath& path)
{
    QString noFolder;
    return attempt(
        [&]() -> int {
            if (!m_drives.drive(m_sourceDrive.at(0)))
                return platform::copyErrorNumber(CopyStep::Source, ENOMEDIUM);
            const QByteArray from =
                m_drives.nativeBytes(DrivePath::join(m_sourceDrive + path.folderPath, row.name));
            const QByteArray to = m_drives.nativeBytes(DrivePath::join(m_targetFolder, row.name));
            if (from.isEmpty())
                return sourceError(err::FileNotFound);
            if (to.isEmpty())
                return err::PathNotFound;
            // A member of an archive: its folder is (inside) a file.
            if (struct stat st; ::stat(from.constData(), &st) != 0 && errno == ENOTDIR)
                if (const auto spot = archiveSpot(m_drives, m_sourceDrive + path.folderPath))
                    return memberCopy(*spot, row.name, to);
            const std::optional<CopyFailure> f = copyFile(from, to);
            if (!f)
                return 0;
            int code = platform::copyErrorNumber(f->step, f->errnoValue);
            // A missing folder is "path not found", a missing file "file not found".
            if (f->step == CopyStep::Source && f->errnoValue == ENOENT && !isFolder(parentOf(from)))
                code = err::PathNotFound;
            return f->step == CopyStep::Source ? sourceError(code) : code;
        },
        noFolder);
}

int CopyRun::memberCopy(const ArchiveSpot& spot, const QString& name, const QByteArray& to)
{
    const auto f = archives::extractMemberInChild(archiveChild(m_host.programFolder()),
                                                  spot.archive, memberPath(spot, name), to);
    if (!f)
        return 0;
    const int code = platform::copyErrorNumber(f->step, f->errnoValue);
    return f->step == CopyStep::Source ? sourceError(code) : code;
}

CopyRun::Next CopyRun::folderCopy(const RowPath& path)
{
    QString name = path.folderName;
    if (!name.isEmpty()) {
        // The folder must be there on the medium now in the drive.
        Next n = attempt(
            [&]() -> int {
                if (!m_drives.drive(m_sourceDrive.at(0)))
                    return platform::copyErrorNumber(CopyStep::Source, ENOMEDIUM);
                const QByteArray folder = m_drives.nativeBytes(m_sourceDrive + path.folderPath);
                struct stat st;
                if (folder.isEmpty())
                    return sourceError(err::FileNotFound);
                // An archive, or a folder inside one, is unpacked by the copier.
                const bool inArchive = (::stat(folder.constData(), &st) == 0)
                                           ? S_ISREG(st.st_mode)
                                           : errno == ENOTDIR;
                if (inArchive && archiveSpot(m_drives, m_sourceDrive + path.folderPath))
                    return 0;
                if (::stat(folder.constData(), &st) != 0)
                    return sourceError(platform::copyErrorNumber(CopyStep::Source, errno));
                if (!S_ISDIR(st.st_mode))
                    return platform::copyErrorNumber(CopyStep::Source, ENOTDIR);
                return 0;
            },
            name);
        if (n != Next::Go)
            return n;
        // Made here, so a name already taken can be offered a number.
        n = attempt(
            [&]() -> int {
                const QByteArray folder = m_drives.nativeBytes(m_targetFolder + name);
                if (folder.isEmpty())
                    return err::PathNotFound;
                if (::mkdir(folder.constData(), 0777) != 0)
                    return platform::copyErrorNumber(CopyStep::TargetFolder, errno);
                return 0;
            },
            name);
        if (n != Next::Go)
            return n;
    }
    return startCopier(path, m_targetFolder, name);
}

CopyRun::Next CopyRun::startCopier(const RowPath& path, const QString& target,
                                   const QString& folderName)
{
    const QString programFolder = m_drives.toDrivePath(m_host.programFolder());
    const CommandParts parts = splitCommandLine(
        copierCommandLine(programFolder, m_sourceDrive, path.folderPath, target, folderName));
    const QString program = QFile::decodeName(m_drives.nativeBytes(parts.program));
    if (programFolder.isEmpty() || program.isEmpty() ||
        !m_host.startDetached(program, parts.arguments)) {
        // The copier is missing: nothing the user can fix on the drives.
        m_host.ask(QStringLiteral("Ismeretlen hiba lépet fel ! #") +
                       Module1::Str(err::FileNotFound),
                   Buttons::Ok, Icon::None);
        return Next::Stop;
    }
    return Next::Go;
}

CopyRun::Next CopyRun::failure(int code, QString& folderName, bool& retry)
{
    retry = false;
    switch (code) {
    case err::FileNotFound:
        m_host.ask(QStringLiteral("A forrásmeghajtón [ ") + m_sourceDrive +
                       QStringLiteral(" ] nem található a megadott útvonal !"),
                   Buttons::Ok, Icon::Critical);
        return Next::Stop;
    case err::DeviceUnavailable:
    case err::DiskNotReady:
        retry = m_host.ask(QStringLiteral("Nincs lemez a meghajtóban [ ") + m_sourceDrive +
                               QStringLiteral(" ], vagy a meghajtó nem működik !"),
                           Buttons::RetryCancel, Icon::Critical) == Answer::Retry;
        return Next::Stop;
    case err::PathFileAccess:
        if (m_host.ask(QStringLiteral("A kijelölt könyvtár már létezik, vagy létrehozása nem "
                                      "engedéjezett !\r\nLétrehozhatok egy új könyvtárat (") +
                           folderName + Module1::Str(m_counter + 1) + QStringLiteral(")"),
                       Buttons::YesNo, Icon::Question) == Answer::No)
            return Next::Close;
        ++m_counter;
        folderName += Module1::Str(m_counter);
        retry = true;
        return Next::Stop;
    case err::PathNotFound:
        m_host.ask(
            QStringLiteral("Nem lehet írni a célmeghajtót, vagy a forrásmeghajtón a "
                           "kilyelőlt út nem létezik ! Ellenőrizze, majd próbálja meg újra."),
            Buttons::Ok, Icon::Critical);
        return Next::Stop;
    default:
        m_host.ask(QStringLiteral("Ismeretlen hiba lépet fel ! #") + Module1::Str(code),
                   Buttons::Ok, Icon::None);
        return Next::Stop;
    }
}

} // namespace retrieval
