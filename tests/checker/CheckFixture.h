#pragma once

#include "../builder/BuilderFixture.h"
#include "RawTree.h"
#include "builder/FolderWalk.h"
#include "platform/FileCrc.h"
#include "platform/FolderListing.h"

#include <QCryptographicHash>
#include <fcntl.h>
#include <ftw.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

// Media recorded by the builder into a catalog, then changed, for the check.
namespace CheckFixture {

struct Quiet : builder::WalkObserver
{
    void folderOpened(const QString&) override {}
    void yieldToUser() override {}
    void folderRecorded(qint64) override {}
    void fileVanished() override {}
    void recordingFailed(const QString& text) override { qFatal("%s", qPrintable(text)); }
};

// A medium as the builder records it; 'root' is the native folder of 'start'.
inline void record(const BuilderFixture& f, const QString& start, const QString& label,
                   bool withCrc = true)
{
    Quiet q;
    builder::FolderWalk walk(f.drives, q);
    walk.tablanyit(f.catalog);
    QVERIFY(walk.setOpenFolder(start));
    walk.konyvbejar(start, label);
    walk.close();
    if (!withCrc)
        return;
    // The checksums as a scan with them on keeps them.
    store::Database db = store::Database::open(f.catalog);
    store::Statement st = db.prepare(u"SELECT p.id, u.ut, p.nev FROM prgnev p JOIN ut u ON "
                                     "u.id = p.utid WHERE substr(u.ut, 1, length(?1)) = ?1 AND "
                                     "p.crc IS NULL"_qs);
    st.bind(1, u"-"_qs + label + u"- "_qs + start.left(2));
    QList<std::pair<qint64, QString>> crcs;
    while (st.step()) {
        const QString stored = st.value(1).toString();
        const QString folder = stored.mid(label.size() + 3);
        const int fd = platform::openFolder(platform::nativePath(f.drives, folder));
        QVERIFY(fd >= 0);
        QByteArray raw;
        for (const auto& e : platform::listFolder(fd).files)
            if (e.name == st.value(2).toString())
                raw = e.raw;
        const platform::FileCrc c = platform::fileCrc(fd, raw);
        ::close(fd);
        QCOMPARE(c.state, platform::FileCrc::State::Read);
        crcs.append({st.value(0).toLongLong(), platform::crcText(c.crc)});
    }
    st = {};
    for (const auto& [id, crc] : crcs)
        db.exec(u"UPDATE prgnev SET crc = ?1 WHERE id = ?2"_qs, {crc, id});
}

inline QByteArray digest(const QString& path)
{
    return QCryptographicHash::hash(TestSupport::contents(path), QCryptographicHash::Sha256);
}

// Rewrites a file keeping its modification time.
inline void keepingDate(const QString& path, const std::function<void()>& change)
{
    struct stat st
    {
    };
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    change();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
}

// E: holds a root file, two folders and a file whose name is not UTF-8.
inline void fillMedium(BuilderFixture& f)
{
    f.file(u"README.TXT"_qs, "Olvass el!\n");
    f.file(u"GAMES/DOOM.EXE"_qs, QByteArray(3000, 'd'));
    f.file(u"GAMES/DOOM.WAD"_qs, QByteArray(70000, 'w'));
    f.file(u"GAMES/Árvíztűrő.txt"_qs, "tükörfúrógép");
    f.file(u"TOOLS/NC.EXE"_qs, "nc");
    RawTree::write(QFile::encodeName(f.e) + "/TOOLS/r\xe9gi.txt", "latin-1 name");
}

// Removes a tree by its bytes: QDir cannot name every file of it.
inline bool removeTree(const QString& path)
{
    const auto remove = [](const char* p, const struct stat*, int, struct FTW*) {
        return ::remove(p);
    };
    return ::nftw(QFile::encodeName(path).constData(), remove, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

// The fixture's drives, emptied when it goes.
struct Medium : BuilderFixture
{
    ~Medium()
    {
        removeTree(d);
        removeTree(e);
    }
};

} // namespace CheckFixture
