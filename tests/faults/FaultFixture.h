#pragma once

#include "TestSupport.h"
#include "builder/BuilderFixture.h"
#include "builder/FolderWalk.h"
#include "platform/Drives.h"
#include "store/CatalogFiles.h"
#include "store/Database.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Operations run in child processes that die or run out of room, and what
// the catalog looks like afterwards.
namespace faults {

inline const char* const kTables[] = {"ut",      "prgnev",     "kulcs",
                                      "kulcsut", "ut_kulcsid", "nev_kulcsid"};

// The catalog as the program opens it (a hot journal rolled back on the way),
// checked as the program and the engine check it, then every row of every
// table in id order. A catalog that fails a check has only its fault.
struct Rows
{
    QString fault;
    QMap<QString, QList<QStringList>> tables;
    bool operator==(const Rows&) const = default;
};

inline Rows rowsOf(const QString& catalog)
{
    Rows r;
    try {
        auto db = store::Database::open(catalog);
        store::checkCatalog(db);
        if (const QString ok = db.scalar("PRAGMA integrity_check").toString(); ok != "ok")
            return {"integrity_check: " + ok, {}};
        if (auto fk = db.prepare("PRAGMA foreign_key_check"); fk.step())
            return {"foreign_key_check: " + fk.value(0).toString(), {}};
        for (const char* table : kTables) {
            auto st = db.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(table));
            while (st.step()) {
                QStringList row;
                for (int c = 0; c < st.columnCount(); ++c)
                    row << st.value(c).toString();
                r.tables[table] << row;
            }
        }
    } catch (const platform::Error& e) {
        return {QStringLiteral("open: %1 %2").arg(e.number()).arg(e.detail()), {}};
    }
    return r;
}

inline const char* describe(const Rows& r)
{
    static QByteArray text;
    text = r.fault.toUtf8();
    for (auto t = r.tables.begin(); t != r.tables.end(); ++t)
        text += ' ' + t.key().toLatin1() + '=' + QByteArray::number(t.value().size());
    return text.constData();
}

// The files in a folder. With 'coldJournals' false, a journal whose header
// is still blank is left out: the engine writes its header only before it
// first changes the catalog, so such a journal is no hot journal, the
// catalog is untouched, and the next transaction reuses and removes it.
inline QStringList filesIn(const QString& folder, bool coldJournals = true)
{
    QStringList names;
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QByteArray header = TestSupport::contents(folder + '/' + name).left(8);
        if (!coldJournals && name.endsWith("-journal") && header.count('\0') == header.size())
            continue;
        names << name;
    }
    return names;
}

using TestSupport::inChild;

// Starts 'work' in a child and kills it after 'micros'; how it ended.
inline int killedAfter(int micros, const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    ::usleep(useconds_t(micros));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// In the child: files may grow to 'bytes' only; writes beyond fail with EFBIG.
inline void limitFileSize(rlim_t bytes)
{
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        ::_exit(99);
}

struct Observer : builder::WalkObserver
{
    QStringList failures;
    std::function<void(int)> onFolder; // each folder walked, counted from 1
    int folders = 0;

    void folderOpened(const QString&) override {}
    void yieldToUser() override
    {
        if (onFolder)
            onFolder(++folders);
    }
    void folderRecorded(qint64) override {}
    void fileVanished() override {}
    void recordingFailed(const QString& text) override { failures << text; }
};

// Folders acting as drives C:, D: and E:, a tree on E: and a fresh catalog.
struct Medium : BuilderFixture
{
    explicit Medium(int folders = 0, int files = 0)
    {
        for (int i = 0; i < folders; ++i) {
            const QString folder = QStringLiteral("%1/M%2/A%3").arg(e).arg(i % 4).arg(i);
            QDir().mkpath(folder);
            for (int j = 0; j < files; ++j)
                TestSupport::writeFile(
                    QStringLiteral("%1/f%2.%3").arg(folder).arg(j).arg(j % 3 ? "txt" : "dat"),
                    QByteArray(j + 1, 'x'));
        }
    }

    // Walks the whole of E: under 'label'; the failures told.
    QStringList scan(const QString& label = "CD_1", const std::function<void(int)>& onFolder = {},
                     const QString& into = {}) const
    {
        Observer o;
        o.onFolder = onFolder;
        builder::FolderWalk walk(drives, o);
        try {
            walk.tablanyit(into.isEmpty() ? catalog : into);
        } catch (const platform::Error& e) {
            return {e.detail()};
        }
        if (walk.setOpenFolder("E:\\"))
            walk.konyvbejar("E:\\", label);
        walk.close();
        return o.failures;
    }
};

// The catalog holds whole folders of 'full' only, the first of its folders
// in the order they were recorded: what a walk stopped anywhere may leave.
inline bool wholeFoldersOf(const Rows& part, const Rows& full)
{
    if (!part.fault.isEmpty() || part.tables["kulcs"] != full.tables.value("kulcs") ||
        part.tables["kulcsut"] != full.tables.value("kulcsut"))
        return false;
    const QList<QStringList> folders = part.tables.value("ut");
    if (full.tables.value("ut").mid(0, folders.size()) != folders)
        return false;
    QSet<QString> folderIds, fileIds;
    for (const QStringList& f : folders)
        folderIds.insert(f[0]);
    const auto keep = [](const QList<QStringList>& rows, const QSet<QString>& ids, int column) {
        QList<QStringList> kept;
        for (const QStringList& row : rows)
            if (ids.contains(row[column]))
                kept << row;
        return kept;
    };
    const QList<QStringList> files = keep(full.tables.value("prgnev"), folderIds, 2);
    for (const QStringList& f : files)
        fileIds.insert(f[0]);
    return part.tables.value("prgnev") == files &&
           part.tables.value("ut_kulcsid") == keep(full.tables.value("ut_kulcsid"), folderIds, 0) &&
           part.tables.value("nev_kulcsid") == keep(full.tables.value("nev_kulcsid"), fileIds, 0);
}

} // namespace faults
