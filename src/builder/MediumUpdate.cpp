#include "MediumUpdate.h"

#include "platform/Drives.h"
#include "platform/ErrorNumbers.h"
#include "platform/FolderListing.h"
#include "shared/Module1.h"
#include "store/Database.h"

#include <QHash>
#include <QStringList>
#include <sys/stat.h>

namespace builder {

namespace {

// As a scan: wait a while for another program's lock, keep the work in memory.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kWaitMs = 100;

const QString kNothingChanged = QStringLiteral("A frissítés elmaradt, az adatbázis nem változott.");

struct StoredFile
{
    qint64 id = 0;
    qint64 length = 0;
    QString date;
    QString crc; // empty: none
};

struct StoredFolder
{
    qint64 id = 0;
    bool seen = false;
    QHash<QString, StoredFile> files; // by exact name
    QList<qint64> surplus;            // rows of a name held twice
};

// The checksum as a reader compares it, whatever type the row holds.
QString crcOf(const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromLatin1(value.toByteArray());
    return value.toString();
}

// Every text that starts with 'prefix' sorts at or after it and before this:
// no UTF-8 text holds the byte 0xFF.
QByteArray upperBound(const QString& prefix)
{
    return prefix.toUtf8() + '\xFF';
}

bool sameFolderOnDisk(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A stored path "-LABEL- X:\..." under 'labelPrefix' ("-LABEL- "): its drive
// letter, or QChar() when the rest is not a drive path.
QChar letterAfter(const QString& stored, const QString& labelPrefix)
{
    if (stored.size() < labelPrefix.size() + 3 || stored.at(labelPrefix.size() + 1) != u':' ||
        stored.at(labelPrefix.size() + 2) != u'\\')
        return {};
    return stored.at(labelPrefix.size());
}

} // namespace

// The state of one update, so that run() reads as the steps it takes.
struct MediumUpdate::Run
{
    store::Database db;
    QHash<QString, StoredFolder> folders; // by stored path
    store::Statement insertFolder, linkFolder, insertFile, linkFile, updateFile, deleteFileLinks,
        deleteFile, deleteFolderFiles, deleteFolderFileLinks, deleteFolderLinks, deleteFolder;

    void prepare()
    {
        insertFolder = db.prepare(QStringLiteral("INSERT INTO ut (ut) VALUES (?1)"));
        linkFolder =
            db.prepare(QStringLiteral("INSERT INTO ut_kulcsid (id, kulcsid) VALUES (?1, 1)"));
        insertFile = db.prepare(QStringLiteral(
            "INSERT INTO prgnev (utid, nev, hossz, datum, crc) VALUES (?1, ?2, ?3, ?4, ?5)"));
        linkFile =
            db.prepare(QStringLiteral("INSERT INTO nev_kulcsid (id, kulcsid) VALUES (?1, 1)"));
        updateFile =
            db.prepare(QStringLiteral("UPDATE prgnev SET hossz=?2, datum=?3, crc=?4 WHERE id=?1"));
        deleteFileLinks = db.prepare(QStringLiteral("DELETE FROM nev_kulcsid WHERE id=?1"));
        deleteFile = db.prepare(QStringLiteral("DELETE FROM prgnev WHERE id=?1"));
        deleteFolderFileLinks = db.prepare(QStringLiteral(
            "DELETE FROM nev_kulcsid WHERE id IN (SELECT id FROM prgnev WHERE utid=?1)"));
        deleteFolderFiles = db.prepare(QStringLiteral("DELETE FROM prgnev WHERE utid=?1"));
        deleteFolderLinks = db.prepare(QStringLiteral("DELETE FROM ut_kulcsid WHERE id=?1"));
        deleteFolder = db.prepare(QStringLiteral("DELETE FROM ut WHERE id=?1"));
    }

    // The medium's folders at or below 'scope' and their files, read once.
    void load(const QString& scope, bool scopeIsRoot)
    {
        const QByteArray upper = upperBound(scope);
        const QString below = scope + QLatin1Char('\\');
        const auto inScope = [&](const QString& stored) {
            return scopeIsRoot || stored == scope || stored.startsWith(below);
        };
        QHash<qint64, StoredFolder*> byId;
        store::Statement st =
            db.prepare(QStringLiteral("SELECT id, ut FROM ut WHERE ut >= ?1 AND ut < ?2"));
        st.bindText(1, scope);
        st.bindUtf8(2, upper.constData(), int(upper.size()));
        while (st.step()) {
            const QString stored = st.value(1).toString();
            if (inScope(stored))
                folders.insert(stored, StoredFolder{st.value(0).toLongLong(), false, {}, {}});
        }
        for (StoredFolder& f : folders)
            byId.insert(f.id, &f);
        st = db.prepare(
            QStringLiteral("SELECT p.id, p.utid, p.nev, p.hossz, p.datum, p.crc FROM ut, prgnev p "
                           "WHERE p.utid = ut.id AND ut.ut >= ?1 AND ut.ut < ?2"));
        st.bindText(1, scope);
        st.bindUtf8(2, upper.constData(), int(upper.size()));
        while (st.step()) {
            StoredFolder* folder = byId.value(st.value(1).toLongLong());
            if (!folder)
                continue;
            StoredFile file{st.value(0).toLongLong(), st.value(3).toLongLong(),
                            st.value(4).toString(), crcOf(st.value(5))};
            const QString name = st.value(2).toString();
            if (folder->files.contains(name))
                folder->surplus << file.id;
            else
                folder->files.insert(name, std::move(file));
        }
    }

    void removeFile(qint64 id)
    {
        deleteFileLinks.bindInt64(1, id);
        deleteFileLinks.run();
        deleteFile.bindInt64(1, id);
        deleteFile.run();
    }

    void removeFolder(qint64 id)
    {
        for (store::Statement* st :
             {&deleteFolderFileLinks, &deleteFolderFiles, &deleteFolderLinks, &deleteFolder}) {
            st->bindInt64(1, id);
            st->run();
        }
    }
};

QString archiveText(qint64 damaged, qint64 limited)
{
    QStringList lines;
    if (damaged > 0)
        lines << QStringLiteral("Nem olvasható archívum (csak az olvasható része rögzítve):") +
                     Module1::Str(damaged);
    if (limited > 0)
        lines << QStringLiteral("Túl sok tagú vagy túl nagy archívum (csak a korlátig "
                                "rögzítve):") +
                     Module1::Str(limited);
    return lines.join(QStringLiteral("\r\n"));
}

MediumUpdate::MediumUpdate(const platform::DriveTable& drives, WalkObserver& observer)
    : m_drives(drives), m_observer(observer)
{
}

MediumUpdate::Outcome MediumUpdate::run(const QString& catalogPath, const QString& startPath,
                                        const QString& label)
{
    m_counts = {};
    const QByteArray native = platform::nativePath(m_drives, startPath);
    struct stat startStat
    {
    };
    if (native.isEmpty() || ::stat(native.constData(), &startStat) != 0) {
        fail(QStringLiteral("A kiválasztott mappa nem érhető el: ") + startPath);
        return Outcome::Failed;
    }
    const QChar letter = platform::DrivePath::letter(startPath);
    const QString scope = Module1::mediumPath(label, startPath);

    Run r;
    try {
        r.db = store::Database::open(catalogPath, kBusyTimeoutMs);
        r.db.execScript(QStringLiteral("PRAGMA cache_size=-65536"));
        // One transaction for all of it: a kill leaves the catalog as it was.
        r.db.execScript(QStringLiteral("BEGIN IMMEDIATE"));
        r.prepare();
        r.load(scope, platform::DrivePath::isRoot(startPath));

        // The medium recorded from another drive letter is not this one's to change.
        if (r.folders.isEmpty()) {
            const QString labelPrefix = QLatin1Char('-') + label + QStringLiteral("- ");
            const QByteArray upper = upperBound(labelPrefix);
            store::Statement st =
                r.db.prepare(QStringLiteral("SELECT ut FROM ut WHERE ut >= ?1 AND ut < ?2"));
            st.bindText(1, labelPrefix);
            st.bindUtf8(2, upper.constData(), int(upper.size()));
            bool here = false;
            QChar other;
            while (st.step() && !here) {
                const QChar l = letterAfter(st.value(0).toString(), labelPrefix);
                here = l == letter;
                if (!l.isNull() && !here && other.isNull())
                    other = l;
            }
            if (!here && !other.isNull()) {
                r.db.rollback();
                fail(QStringLiteral("A(z) ") + label + QStringLiteral(" címkéjű lemez a(z) ") +
                     other + QStringLiteral(": meghajtóról van rögzítve, nem a(z) ") + letter +
                     QStringLiteral(": meghajtóról! Frissíteni ugyanarról a meghajtóról lehet."));
                return Outcome::Failed;
            }
        }

        FolderReader reader(startPath, native, m_listingHook, crc, archives);
        ScannedFolder folder;
        qint64 done = 0;
        for (;;) {
            const FolderReader::Next got = reader.next(folder, kWaitMs);
            if (got == FolderReader::Next::Done)
                break;
            m_observer.yieldToUser();
            if (stopRequest) {
                r.db.rollback();
                return Outcome::Stopped;
            }
            if (got == FolderReader::Next::NotYet)
                continue;
            if (folder.missed) {
                r.db.rollback();
                fail(QStringLiteral("A lemez olvasása közben hiba történt, vagy a lemezt "
                                    "kivették: ") +
                     folder.path);
                return Outcome::Failed;
            }
            m_observer.folderOpened(folder.path);
            m_counts.damagedArchives += folder.damagedArchives;
            m_counts.limitedArchives += folder.limitedArchives;

            const QString stored = Module1::mediumPath(label, folder.path);
            StoredFolder* known = nullptr;
            if (auto it = r.folders.find(stored); it != r.folders.end())
                known = &*it;
            qint64 folderId = 0;
            if (known) {
                known->seen = true;
                folderId = known->id;
                ++m_counts.unchangedFolders;
            } else {
                r.insertFolder.bindText(1, stored);
                r.insertFolder.run();
                folderId = r.db.lastInsertId();
                r.linkFolder.bindInt64(1, folderId);
                r.linkFolder.run();
                // A folder without files is dropped again by the clean-up
                // on closing, as after a scan; it is no new folder of the medium.
                if (!folder.files.isEmpty())
                    ++m_counts.newFolders;
            }

            for (const ScannedFile& file : folder.files) {
                m_counts.unreadableFiles += file.unreadable ? 1 : 0;
                StoredFile* was = nullptr;
                if (known)
                    if (auto it = known->files.find(file.name); it != known->files.end())
                        was = &*it;
                if (!was) {
                    r.insertFile.bindInt64(1, folderId);
                    r.insertFile.bindText(2, file.name);
                    r.insertFile.bindInt64(3, file.length);
                    r.insertFile.bindText(4, file.date);
                    r.insertFile.bind(5, storedCrc(file));
                    r.insertFile.run();
                    r.linkFile.bindInt64(1, r.db.lastInsertId());
                    r.linkFile.run();
                    ++m_counts.newFiles;
                    continue;
                }
                const bool changed =
                    was->length != file.length || was->date != file.date ||
                    (!file.crc.isEmpty() && !was->crc.isEmpty() && was->crc != file.crc);
                // A checksum of other contents is no checksum of these; one
                // that cannot be read now is kept while nothing else changed.
                const QString newCrc = !file.crc.isEmpty() ? file.crc
                                       : changed           ? QString()
                                                           : was->crc;
                if (changed || newCrc != was->crc) {
                    r.updateFile.bindInt64(1, was->id);
                    r.updateFile.bindInt64(2, file.length);
                    r.updateFile.bindText(3, file.date);
                    r.updateFile.bind(4,
                                      newCrc.isEmpty() ? QVariant() : QVariant(newCrc.toLatin1()));
                    r.updateFile.run();
                }
                ++(changed ? m_counts.changedFiles : m_counts.unchangedFiles);
                known->files.remove(file.name);
            }
            if (known) {
                for (const StoredFile& gone : std::as_const(known->files))
                    r.removeFile(gone.id);
                for (const qint64 id : std::as_const(known->surplus))
                    r.removeFile(id);
                m_counts.removedFiles += known->files.size() + known->surplus.size();
                known->files.clear();
                known->surplus.clear();
            }
            if (m_pointHook)
                m_pointHook("folder", ++done);
        }

        for (const StoredFolder& gone : std::as_const(r.folders)) {
            if (gone.seen)
                continue;
            m_counts.removedFiles += gone.files.size() + gone.surplus.size();
            ++m_counts.removedFolders;
            r.removeFolder(gone.id);
        }

        // A medium taken out, or another put in its place, ends the walk
        // early without a read failure: what was read cannot be trusted.
        struct stat endStat
        {
        };
        if (::stat(native.constData(), &endStat) != 0 || !sameFolderOnDisk(startStat, endStat)) {
            r.db.rollback();
            fail(QStringLiteral("A lemezt kivették vagy kicserélték frissítés közben: ") +
                 startPath);
            return Outcome::Failed;
        }
        if (m_pointHook)
            m_pointHook("commit", done);
        r.db.commit();
    } catch (const platform::Error& e) {
        r.db.rollback();
        fail(e);
        return Outcome::Failed;
    } catch (const std::exception& e) {
        r.db.rollback();
        fail(QString::fromLocal8Bit(e.what()));
        return Outcome::Failed;
    }
    return Outcome::Updated;
}

void MediumUpdate::fail(const platform::Error& e)
{
    fail(platform::engineReason(e));
}

void MediumUpdate::fail(const QString& reason)
{
    m_observer.recordingFailed(reason + QStringLiteral("\r\n") + kNothingChanged);
}

QString MediumUpdate::resultText(Outcome outcome) const
{
    if (outcome == Outcome::Stopped)
        return QStringLiteral("A frissítés leállítva, az adatbázis nem változott.");
    if (outcome == Outcome::Failed)
        return {};
    const UpdateCounts& c = m_counts;
    QString text = QStringLiteral("A frissítés kész.\r\n");
    text += QStringLiteral("Új file: ") + Module1::Str(c.newFiles) + QStringLiteral("\r\n");
    text +=
        QStringLiteral("Módosult file: ") + Module1::Str(c.changedFiles) + QStringLiteral("\r\n");
    text += QStringLiteral("Törölt file: ") + Module1::Str(c.removedFiles) + QStringLiteral("\r\n");
    text += QStringLiteral("Változatlan file: ") + Module1::Str(c.unchangedFiles) +
            QStringLiteral("\r\n");
    text += QStringLiteral("Új mappa: ") + Module1::Str(c.newFolders) + QStringLiteral("\r\n");
    text +=
        QStringLiteral("Törölt mappa: ") + Module1::Str(c.removedFolders) + QStringLiteral("\r\n");
    text += QStringLiteral("Változatlan mappa: ") + Module1::Str(c.unchangedFolders);
    if (c.unreadableFiles > 0)
        text += QStringLiteral("\r\nNem olvasható, ellenőrző összeg nélküli file: ") +
                Module1::Str(c.unreadableFiles);
    const QString archiveNotes = archiveText(c.damagedArchives, c.limitedArchives);
    if (!archiveNotes.isEmpty())
        text += QStringLiteral("\r\n") + archiveNotes;
    return text;
}

} // namespace builder
