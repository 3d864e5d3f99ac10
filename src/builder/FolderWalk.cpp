#include "FolderWalk.h"

#include "platform/Drives.h"
#include "platform/ErrorNumbers.h"
#include "platform/FolderListing.h"
#include "platform/Skipped.h"
#include "shared/Module1.h"

#include <QFile>

using platform::nativePath;

namespace builder {

namespace {

// A batch stays open at most this long, so a crash loses little work.
constexpr qint64 kBatchMs = 1000;
// A scan waits this long for a lock another program holds on the catalog
// (a bulk deletion, say) before it gives up.
constexpr int kBusyTimeoutMs = 5000;
// Each attempt waits up to the connection's busy timeout.
constexpr int kCommitAttempts = 2;
// How long the walk waits for the next folder before it lets the window work.
constexpr int kWaitMs = 100;

} // namespace

QVariant storedCrc(const ScannedFile& file)
{
    return file.crc.isEmpty() ? QVariant() : QVariant(file.crc.toLatin1());
}

FolderWalk::FolderWalk(const platform::DriveTable& drives, WalkObserver& observer)
    : m_drives(drives), m_observer(observer)
{
}

FolderWalk::~FolderWalk()
{
    close();
}

void FolderWalk::tablanyit(const QString& catalogPath)
{
    close();
    m_db = store::Database::open(catalogPath, kBusyTimeoutMs);
    // Room for a whole batch, so other connections can read while it is open.
    m_db.execScript(QStringLiteral("PRAGMA cache_size=-65536"));
    m_insertFolder = m_db.prepare(QStringLiteral("INSERT INTO ut (ut) VALUES (?1)"));
    m_linkFolder = m_db.prepare(QStringLiteral("INSERT INTO ut_kulcsid (id, kulcsid) VALUES (?1, 1)"));
    m_insertFile = m_db.prepare(
        QStringLiteral("INSERT INTO prgnev (utid, nev, hossz, datum, crc) VALUES (?1, ?2, ?3, ?4, ?5)"));
    // Every file of the folder gets its one link in a single statement.
    m_linkFiles = m_db.prepare(QStringLiteral(
        "INSERT INTO nev_kulcsid (id, kulcsid) SELECT id, 1 FROM prgnev WHERE utid=?1"));
}

void FolderWalk::close()
{
    if (m_inBatch)
        discardBatch();
    m_insertFolder = {};
    m_linkFolder = {};
    m_insertFile = {};
    m_linkFiles = {};
    m_db.close();
}

bool FolderWalk::setOpenFolder(const QString& drivePath)
{
    const QByteArray native = nativePath(m_drives, drivePath);
    if (native.isEmpty())
        return false;
    m_open = drivePath;
    m_openNative = native;
    return true;
}

void FolderWalk::konyvbejar(const QString& startPath, const QString& label)
{
    if (m_open != startPath || m_openNative.isEmpty())
        return;
    m_committedFolder.clear();
    m_lost = false;
    m_unreadable = 0;
    m_damagedArchives = 0;
    m_limitedArchives = 0;
    try {
        FolderReader reader(startPath, m_openNative, m_hook, crc, archives);
        ScannedFolder folder;
        for (;;) {
            const FolderReader::Next got = reader.next(folder, kWaitMs);
            if (got == FolderReader::Next::Done)
                break;
            if (got == FolderReader::Next::NotYet) {
                // A slow medium: the window stays alive meanwhile.
                m_observer.yieldToUser();
                continue;
            }
            m_observer.folderOpened(folder.path);
            m_observer.yieldToUser();
            konyvrogzit(label, folder);
            if (stopRequest) {
                // The list is left on the parent of the folder that was skipped.
                m_open = folder.path == startPath ? folder.path
                                                  : platform::DrivePath::parent(folder.path);
                break;
            }
            m_open = startPath;
        }
    } catch (const std::exception& e) {
        fail(QString::fromLocal8Bit(e.what()));
    }
    try {
        commitBatch();
    } catch (const platform::Error& e) {
        fail(e);
    }
    m_observer.folderOpened(m_open);
}

void FolderWalk::konyvrogzit(const QString& label, const ScannedFolder& folder)
{
    if (stopRequest)
        return;
    qint64 lastFileId = 0;
    QString stored;
    try {
        if (!m_inBatch) {
            m_db.execScript(QStringLiteral("BEGIN IMMEDIATE"));
            m_inBatch = true;
            m_batchAge.start();
        }
        // A refused folder row changes nothing; the statement is atomic.
        stored = Module1::mediumPath(label, folder.path);
        m_insertFolder.bindText(1, stored);
        m_insertFolder.run();
        const qint64 folderId = m_db.lastInsertId();
        try {
            m_linkFolder.bindInt64(1, folderId);
            m_linkFolder.run();
            for (const ScannedFile& file : folder.files) {
                m_insertFile.bindInt64(1, folderId);
                m_insertFile.bindText(2, file.name);
                m_insertFile.bindInt64(3, file.length);
                m_insertFile.bindText(4, file.date);
                m_insertFile.bind(5, storedCrc(file));
                m_insertFile.run();
                lastFileId = m_db.lastInsertId();
            }
            if (lastFileId != 0) {
                m_linkFiles.bindInt64(1, folderId);
                m_linkFiles.run();
            }
        } catch (const platform::Error&) {
            undoFolder(folderId);
            throw;
        }
        for (const ScannedFile& file : folder.files)
            m_unreadable += file.unreadable ? 1 : 0;
        m_damagedArchives += folder.damagedArchives;
        m_limitedArchives += folder.limitedArchives;
        m_pendingFolder = stored;
        if (!folder.vanished)
            m_pendingCaptions << lastFileId;
        if (folder.vanished)
            m_observer.fileVanished();
        if (m_batchAge.elapsed() >= kBatchMs)
            commitBatch();
    } catch (const platform::Error& e) {
        // Keep what came before this folder, when the engine still has it.
        try {
            commitBatch();
        } catch (const platform::Error& e) {
            platform::logSkipped("FolderWalk::konyvrogzit", e);
        }
        fail(e);
    }
}

// Takes a half-written folder out again; if even that fails, the whole
// uncommitted batch goes rather than leave a folder with part of its files.
void FolderWalk::undoFolder(qint64 folderId)
{
    if (!batchAlive())
        return;
    try {
        const QVariantList id{folderId};
        m_db.exec(QStringLiteral("DELETE FROM nev_kulcsid WHERE id IN "
                                 "(SELECT id FROM prgnev WHERE utid=?1)"), id);
        m_db.exec(QStringLiteral("DELETE FROM prgnev WHERE utid=?1"), id);
        m_db.exec(QStringLiteral("DELETE FROM ut_kulcsid WHERE id=?1"), id);
        m_db.exec(QStringLiteral("DELETE FROM ut WHERE id=?1"), id);
    } catch (const platform::Error&) {
        discardBatch();
    }
}

// After a full disk or an I/O error the engine may have rolled the batch
// back by itself.
bool FolderWalk::batchAlive()
{
    if (m_inBatch && m_db.isOpen() && m_db.inTransaction())
        return true;
    if (m_inBatch)
        discardBatch();
    return false;
}

void FolderWalk::discardBatch()
{
    m_db.rollback();
    m_inBatch = false;
    if (!m_pendingFolder.isEmpty())
        m_lost = true;
    m_pendingCaptions.clear();
    m_pendingFolder.clear();
}

void FolderWalk::commitBatch()
{
    if (!batchAlive())
        return;
    // A reader of another program may hold the catalog for a moment.
    for (int attempt = 1;; ++attempt) {
        try {
            m_db.commit();
            m_inBatch = false;
            break;
        } catch (const platform::Error&) {
            if (batchAlive() && attempt < kCommitAttempts)
                continue;
            if (m_inBatch)
                discardBatch();
            throw;
        }
    }
    if (!m_pendingFolder.isEmpty())
        m_committedFolder = std::exchange(m_pendingFolder, {});
    for (const qint64 caption : std::exchange(m_pendingCaptions, {}))
        m_observer.folderRecorded(caption);
}

void FolderWalk::fail(const platform::Error& e)
{
    // A catalog in use, read-only or full holds nothing of this medium the
    // walk did not commit; only a refusal may mean it was there already.
    const QString reason = platform::knownEngineReason(e);
    if (reason.isEmpty())
        fail(e.engineText());
    else
        fail(reason, false);
}

void FolderWalk::fail(const QString& engineText, bool mayBeThere)
{
    stopRequest = true;
    if (abandonMark)
        return; // one message per walk
    abandonMark = true;
    QString message = engineText + QStringLiteral("\r\n");
    if (!m_lost && mayBeThere)
        message += QStringLiteral("Ezek az adatok már szerepelnek az adatbázisban");
    else if (m_committedFolder.isEmpty())
        message += QStringLiteral("A rögzítés félbeszakadt, erről a lemezről semmi sem került az "
                                  "adatbázisba.");
    else
        message += QStringLiteral("A rögzítés félbeszakadt: az adatbázisba a(z) ") +
                   m_committedFolder + QStringLiteral(" mappáig került be minden, a többi nem.");
    m_observer.recordingFailed(message);
}

} // namespace builder
