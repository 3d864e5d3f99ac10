#include "MediumCheck.h"

#include "platform/Drives.h"
#include "platform/ErrorNumbers.h"
#include "platform/FolderListing.h"
#include "store/Database.h"

#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace checker {

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::MissingFile:
        return QStringLiteral("Hiányzó file");
    case Kind::LengthDiffers:
        return QStringLiteral("Eltérő hossz");
    case Kind::DateDiffers:
        return QStringLiteral("Eltérő dátum");
    case Kind::CrcDiffers:
        return QStringLiteral("Eltérő CRC");
    case Kind::Unreadable:
        return QStringLiteral("Olvasási hiba");
    case Kind::NewFile:
        return QStringLiteral("Új file");
    case Kind::MissingFolder:
        return QStringLiteral("Hiányzó mappa");
    case Kind::NewFolder:
        return QStringLiteral("Új mappa");
    }
    return {};
}

bool sameCrc(const QVariant& recorded, const QString& computed)
{
    const QMetaType::Type type = QMetaType::Type(recorded.typeId());
    if (type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::Double) {
        bool ok = false;
        const double value = computed.toDouble(&ok);
        return ok && value == recorded.toDouble();
    }
    return recorded.toString().compare(computed, Qt::CaseInsensitive) == 0;
}

namespace {

struct RecordedFile
{
    qint64 length = 0;
    QString date;
    QVariant crc;
    bool seen = false;
};

struct RecordedFolder
{
    QString stored;       // the stored path, for the missing-folder finding
    QList<QString> order; // file names in recorded order
    QHash<QString, RecordedFile> files;
    bool seen = false;
};

bool hasCrc(const QVariant& crc)
{
    return !crc.isNull() && !crc.toString().isEmpty();
}

QString number(qint64 n)
{
    return QString::number(n);
}

QString filesText(qint64 n)
{
    return QStringLiteral("%1 file").arg(n);
}

QString readErrorText(int e)
{
    return QStringLiteral("olvasási hiba: ") + QString::fromLocal8Bit(std::strerror(e));
}

class Check
{
public:
    Check(const platform::DriveTable& drives, const Request& request, const std::atomic<bool>& stop,
          Progress& progress, const ReadFile& readFile)
        : m_drives(drives), m_request(request), m_stop(stop), m_progress(progress),
          m_read(readFile ? readFile : ReadFile(&platform::fileCrc))
    {
    }

    Outcome run()
    {
        const QChar letter = m_request.drive.toUpper();
        if (!m_drives.drive(letter) || !m_drives.isReady(letter)) {
            m_out.end = Outcome::End::NoDrive;
            return m_out;
        }
        try {
            readRecord(letter);
        } catch (const platform::Error& e) {
            m_out.end = Outcome::End::CatalogFailed;
            m_out.detail = e.engineText().isEmpty() ? QString::fromUtf8(e.what()) : e.engineText();
            return m_out;
        }
        if (m_folders.isEmpty()) {
            m_out.end = Outcome::End::NotRecorded;
            return m_out;
        }
        m_letter = letter;
        m_out.startFolder = drivePath(m_start);
        const QByteArray native = platform::nativePath(m_drives, m_out.startFolder);
        const int fd = native.isEmpty() ? -1 : platform::openFolder(native);
        if (fd >= 0) {
            walk(fd, m_start);
            ::close(fd);
        } else if (!mediumThere()) {
            m_out.end = Outcome::End::MediumGone;
        }
        if (m_out.end == Outcome::End::Done && stopped())
            m_out.end = Outcome::End::Stopped;
        if (m_out.end == Outcome::End::Done)
            reportMissingFolders();
        return m_out;
    }

private:
    // The label's folders and files, in one statement: one read of the
    // catalog, so a scan running beside cannot give half a folder, and no lock
    // is held while the medium is read.
    void readRecord(QChar letter)
    {
        store::Database db = store::Database::open(m_request.catalogPath);
        const QString prefix = QLatin1Char('-') + m_request.label + QStringLiteral("- ");
        // Every text that begins with the prefix sorts between the prefix
        // and the prefix with its last blank raised to '!'.
        const QString above = prefix.left(prefix.size() - 1) + QLatin1Char('!');
        store::Statement st = db.prepare(
            QStringLiteral("SELECT u.id, u.ut, p.nev, p.hossz, p.datum, p.crc FROM ut u LEFT JOIN "
                           "prgnev p ON p.utid = u.id WHERE u.ut >= ?1 AND u.ut < ?2 "
                           "ORDER BY u.id, p.id"));
        st.bind(1, prefix);
        st.bind(2, above);
        struct Row
        {
            QChar letter;
            QString below, stored, name;
            RecordedFile file;
            bool hasFile;
        };
        std::vector<Row> rows;
        QSet<QChar> letters;
        while (st.step()) {
            const QString stored = st.value(1).toString();
            const QString rest = stored.mid(prefix.size());
            // A drive path must follow: "E:\..."
            if (rest.size() < 3 || !rest.at(0).isLetter() || rest.at(1) != QLatin1Char(':') ||
                rest.at(2) != QLatin1Char('\\'))
                continue;
            Row r{rest.at(0).toUpper(),
                  rest.mid(2),
                  stored,
                  st.value(2).toString(),
                  {st.value(3).toLongLong(), st.value(4).toString(), st.value(5), false},
                  !st.value(2).isNull()};
            letters.insert(r.letter);
            rows.push_back(std::move(r));
        }
        st = {};
        db.close();

        const bool oneLetter = letters.contains(letter);
        for (const Row& r : rows) {
            if (oneLetter && r.letter != letter)
                continue;
            RecordedFolder& f = m_folders[r.below];
            if (f.stored.isEmpty())
                f.stored = r.stored;
            if (!r.hasFile || f.files.contains(r.name))
                continue;
            f.order << r.name;
            f.files.insert(r.name, r.file);
            m_progress.totalFiles.fetch_add(1);
            m_progress.totalBytes.fetch_add(r.file.length);
        }
        m_start = commonFolder();
    }

    static QStringList parts(const QString& below)
    {
        return below.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    }

    // The deepest folder holding every recorded one, as names below the root.
    QStringList commonFolder() const
    {
        bool first = true;
        QStringList common;
        for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it) {
            const QStringList p = parts(it.key());
            if (first) {
                common = p;
                first = false;
                continue;
            }
            qsizetype n = 0;
            while (n < common.size() && n < p.size() && common.at(n) == p.at(n))
                ++n;
            common = common.mid(0, n);
        }
        return common;
    }

    QString drivePath(const QStringList& names) const
    {
        QString path = platform::DrivePath::root(m_letter);
        for (const QString& n : names)
            path = platform::DrivePath::join(path, n);
        return path;
    }

    static QString below(const QStringList& names)
    {
        return QLatin1Char('\\') + names.join(QLatin1Char('\\'));
    }

    bool stopped() const { return m_stop.load(std::memory_order_relaxed); }
    bool ended() const { return m_out.end != Outcome::End::Done || stopped(); }

    // After a failure: is it the file, or has the medium gone?
    bool mediumThere()
    {
        if (!m_drives.isReady(m_letter)) {
            m_out.end = Outcome::End::MediumGone;
            return false;
        }
        if (platform::nativePath(m_drives, m_out.startFolder).isEmpty()) {
            m_out.end = Outcome::End::MediumGone;
            return false;
        }
        return true;
    }

    void add(Kind kind, const QString& folder, const QString& name, const QString& recorded,
             const QString& found)
    {
        m_out.findings.append({kind, folder, name, recorded, found});
    }

    void walk(int fd, const QStringList& names)
    {
        const QString path = drivePath(names);
        const platform::FolderListing listing = platform::listFolder(fd);
        if (!listing.readable || !listing.complete) {
            if (!mediumThere())
                return;
            add(Kind::Unreadable, path, {}, {}, QStringLiteral("a mappa nem olvasható"));
        }
        auto it = m_folders.find(below(names));
        if (it != m_folders.end()) {
            it->seen = true;
            ++m_out.folders;
            compareFiles(fd, path, *it, listing);
            if (ended())
                return;
        } else if (!listing.files.isEmpty()) {
            add(Kind::NewFolder, path, {}, {}, filesText(listing.files.size()));
        }
        for (const platform::FolderEntry& sub : listing.folders) {
            if (ended())
                return;
            const int subFd = platform::openSubFolder(fd, sub.raw);
            if (subFd < 0) {
                if (!mediumThere())
                    return;
                // Left as it is: a recorded folder there is reported missing.
                continue;
            }
            walk(subFd, names + QStringList{sub.name});
            ::close(subFd);
        }
    }

    void compareFiles(int fd, const QString& path, RecordedFolder& folder,
                      const platform::FolderListing& listing)
    {
        for (const platform::FolderEntry& entry : listing.files) {
            if (ended())
                return;
            auto rec = folder.files.find(entry.name);
            if (rec == folder.files.end()) {
                add(Kind::NewFile, path, entry.name, {}, {});
                continue;
            }
            rec->seen = true;
            compareFile(fd, path, entry, *rec);
            m_progress.files.fetch_add(1);
        }
        for (const QString& name : folder.order) {
            if (ended())
                return;
            if (folder.files.value(name).seen)
                continue;
            add(Kind::MissingFile, path, name, number(folder.files.value(name).length), {});
            m_progress.files.fetch_add(1);
        }
    }

    void compareFile(int fd, const QString& path, const platform::FolderEntry& entry,
                     const RecordedFile& rec)
    {
        const platform::FileFacts facts = platform::fileFacts(fd, entry.raw);
        if (facts.state != platform::FileState::Regular) {
            if (facts.state == platform::FileState::Vanished && !mediumThere())
                return;
            add(Kind::MissingFile, path, entry.name, number(rec.length),
                facts.state == platform::FileState::NotAFile ? QStringLiteral("nem file")
                                                             : QString());
            return;
        }
        const bool sameLength = facts.length == rec.length;
        if (!sameLength)
            add(Kind::LengthDiffers, path, entry.name, number(rec.length), number(facts.length));
        const QString date = platform::dateText(facts.modified);
        if (date != rec.date)
            add(Kind::DateDiffers, path, entry.name, rec.date, date);

        const platform::FileCrc crc = m_read(fd, entry.raw, &m_stop, &m_progress.bytes);
        switch (crc.state) {
        case platform::FileCrc::State::Read:
            if (sameLength && hasCrc(rec.crc) && !sameCrc(rec.crc, platform::crcText(crc.crc)))
                add(Kind::CrcDiffers, path, entry.name, rec.crc.toString(),
                    platform::crcText(crc.crc));
            break;
        case platform::FileCrc::State::Stopped:
            break;
        case platform::FileCrc::State::Vanished:
            if (!mediumThere())
                return;
            add(Kind::MissingFile, path, entry.name, number(rec.length), {});
            break;
        case platform::FileCrc::State::Unreadable:
            if (!mediumThere())
                return;
            add(Kind::Unreadable, path, entry.name, number(rec.length),
                readErrorText(crc.errnoValue ? crc.errnoValue : EIO));
            break;
        }
    }

    // Recorded folders the walk did not meet, in path order.
    void reportMissingFolders()
    {
        QStringList missing;
        for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it)
            if (!it->seen)
                missing << it.key();
        std::sort(missing.begin(), missing.end());
        for (const QString& b : missing) {
            const RecordedFolder& f = m_folders.value(b);
            add(Kind::MissingFolder, drivePath(parts(b)), {}, filesText(f.order.size()), {});
            m_progress.files.fetch_add(f.order.size());
        }
    }

    const platform::DriveTable& m_drives;
    const Request& m_request;
    const std::atomic<bool>& m_stop;
    Progress& m_progress;
    ReadFile m_read;
    QHash<QString, RecordedFolder> m_folders; // by the path below the drive: "\GAMES"
    QStringList m_start;
    QChar m_letter;
    Outcome m_out;
};

} // namespace

Outcome checkMedium(const platform::DriveTable& drives, const Request& request,
                    const std::atomic<bool>& stop, Progress& progress, const ReadFile& readFile)
{
    return Check(drives, request, stop, progress, readFile).run();
}

void writeFindings(const QString& path, const QString& catalogPath, const QString& medium,
                   const QList<Finding>& findings)
{
    QByteArray text;
    text += catalogPath.toUtf8() + "\r\n";
    text += medium.toUtf8() + "\r\n";
    text += QStringLiteral("Eltérés:\tÚt:\tNév:\tNyilvántartva:\tTalálva:\r\n\r\n").toUtf8();
    for (const Finding& f : findings) {
        for (const QString& v : {kindText(f.kind), f.folder, f.name, f.recorded, f.found})
            text += v.toUtf8() + '\t';
        text += "\r\n";
    }
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        if (errno == 0)
            errno = EACCES;
        platform::throwErrno(path);
    }
    if (file.write(text) != text.size() || !file.commit()) {
        if (errno == 0)
            errno = EIO;
        platform::throwErrno(path);
    }
}

} // namespace checker
