#include "BulkOperations.h"

#include "platform/ErrorNumbers.h"
#include "platform/Skipped.h"
#include "shared/Module1.h"
#include "shared/Subject.h"
#include "store/Database.h"

#include <cmath>
#include <vector>

namespace queries {

namespace {

QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

void report(const Progress& progress, int value)
{
    if (progress)
        progress(value);
}

// Bulk commands run with the engine's overwriting of freed pages off (it
// doubles the cost of deletions) and a page cache large enough for the link
// indexes; both are put back afterwards.
class BulkPragmas
{
public:
    explicit BulkPragmas(store::Database& db) : m_db(db)
    {
        m_secureDelete = db.scalar(QStringLiteral("PRAGMA secure_delete")).toInt();
        m_cacheSize = db.scalar(QStringLiteral("PRAGMA cache_size")).toLongLong();
        db.execScript(QStringLiteral("PRAGMA secure_delete=0; PRAGMA cache_size=-32768"));
    }
    ~BulkPragmas()
    {
        try {
            m_db.execScript(QStringLiteral("PRAGMA secure_delete=%1; PRAGMA cache_size=%2")
                                .arg(m_secureDelete)
                                .arg(m_cacheSize));
        } catch (const platform::Error& e) {
            platform::logSkipped("BulkPragmas", e);
        }
    }
    BulkPragmas(const BulkPragmas&) = delete;
    BulkPragmas& operator=(const BulkPragmas&) = delete;

private:
    store::Database& m_db;
    int m_secureDelete = 1;
    qint64 m_cacheSize = -2000;
};

// A set of record ids on the connection, filled once from the patterns so
// that every statement of the command works on the same records without
// matching the patterns again. Dropped when the command ends.
class IdSet
{
public:
    IdSet(store::Database& db, const QString& name, const QString& select,
          const QVariantList& params)
        : m_db(db), m_name(QStringLiteral("temp.") + name)
    {
        db.execScript(
            QStringLiteral("DROP TABLE IF EXISTS %1; CREATE TABLE %1 (id INTEGER PRIMARY KEY)")
                .arg(m_name));
        m_size = db.exec(QStringLiteral("INSERT INTO %1 (id) ").arg(m_name) + select, params);
    }
    ~IdSet()
    {
        try {
            m_db.execScript(QStringLiteral("DROP TABLE IF EXISTS ") + m_name);
        } catch (const platform::Error& e) {
            platform::logSkipped("IdSet", e);
        }
    }
    IdSet(const IdSet&) = delete;
    IdSet& operator=(const IdSet&) = delete;

    const QString& name() const { return m_name; }
    qint64 size() const { return m_size; }

private:
    store::Database& m_db;
    QString m_name;
    qint64 m_size = 0;
};

const QString kMatchingFiles = QStringLiteral("SELECT p.id FROM ut u CROSS JOIN prgnev p WHERE "
                                              "p.utid = u.id AND u.ut LIKE ?2 AND p.nev LIKE ?1");

struct Keyword
{
    qint64 id;
    bool selected;
    int entry;
};

// The listed keywords but entry 0, looked up by text as the list shows them.
// A text no longer in the list is a failure: the command cannot do what the
// user sees.
std::vector<Keyword> lookUp(store::Database& db, const Subject& subject,
                            const KeywordChoice& choice)
{
    store::Statement find = db.prepare(QStringLiteral("SELECT id FROM %1 WHERE %2 = ?1")
                                           .arg(subject.keywordTable, subject.keywordColumn));
    std::vector<Keyword> keys;
    for (int k = 1; k < choice.entries.size(); ++k) {
        find.bind(1, text(choice.entries.at(k)));
        if (!find.step())
            throw platform::Error(platform::err::NoCurrentRecord,
                                  QStringLiteral("keyword not found: ") + choice.entries.at(k));
        keys.push_back({find.value(0).toLongLong(), choice.isSelected(k), k});
        find.reset();
    }
    return keys;
}

} // namespace

int keywordStepProgress(int k, int entries)
{
    if (entries <= 0)
        return 10;
    return int(std::lrint(10.0 + double(k) * (80.0 / double(entries))));
}

qint64 assignFileKeywords(store::Database& db, const Condition& condition, const Progress& progress)
{
    BulkPragmas pragmas(db);
    store::Transaction tx(db);
    const std::vector<Keyword> keys = lookUp(db, Subject::filesSubject(), condition.keywords);
    IdSet files(db, QStringLiteral("polcozo_files"), kMatchingFiles,
                {text(condition.namePattern), text(condition.pathPattern)});

    // All listed keywords' links go in one pass over the files' own links;
    // a keyword's own links would be walked once per keyword.
    if (!keys.empty()) {
        QStringList ids;
        for (const Keyword& key : keys)
            ids << QString::number(key.id);
        db.exec(QStringLiteral("DELETE FROM nev_kulcsid WHERE rowid IN (SELECT l.rowid FROM %1 f "
                               "CROSS JOIN nev_kulcsid l WHERE l.id = f.id AND +l.kulcsid IN (%2))")
                    .arg(files.name(), ids.join(QLatin1Char(','))));
    }
    const int entries = int(condition.keywords.entries.size());
    store::Statement link =
        db.prepare(QStringLiteral("INSERT INTO nev_kulcsid (id, kulcsid) SELECT id, ?1 FROM %1")
                       .arg(files.name()));
    for (const Keyword& key : keys) {
        report(progress, keywordStepProgress(key.entry, entries));
        if (key.selected) {
            link.bindInt64(1, key.id);
            link.run();
        }
    }
    tx.commit();
    return files.size();
}

qint64 assignFolderKeywords(store::Database& db, const Condition& condition,
                            const Progress& progress)
{
    BulkPragmas pragmas(db);
    store::Transaction tx(db);
    const std::vector<Keyword> keys = lookUp(db, Subject::foldersSubject(), condition.keywords);
    IdSet folders(db, QStringLiteral("polcozo_folders"),
                  QStringLiteral("SELECT id FROM ut WHERE ut LIKE ?1"),
                  {text(condition.pathPattern)});
    // Links are only taken from folders that hold a matching file.
    IdSet holding(db, QStringLiteral("polcozo_holding"),
                  QStringLiteral("SELECT f.id FROM %1 f WHERE EXISTS (SELECT 1 FROM prgnev p "
                                 "WHERE p.utid = f.id AND p.nev LIKE ?1)")
                      .arg(folders.name()),
                  {text(condition.namePattern)});

    store::Statement unlink = db.prepare(
        QStringLiteral("DELETE FROM ut_kulcsid WHERE kulcsid = ?1 AND id IN (SELECT id FROM %1)")
            .arg(holding.name()));
    // Each folder once, and never twice the same link: repeated rows would
    // hide the folder from the search, which counts links.
    store::Statement link = db.prepare(
        QStringLiteral(
            "INSERT INTO ut_kulcsid (id, kulcsid) SELECT f.id, ?1 FROM %1 f "
            "WHERE EXISTS (SELECT 1 FROM ut_kulcsid l WHERE l.id = f.id) "
            "AND NOT EXISTS (SELECT 1 FROM ut_kulcsid l WHERE l.id = f.id AND l.kulcsid = ?1)")
            .arg(folders.name()));
    const int entries = int(condition.keywords.entries.size());
    for (const Keyword& key : keys) {
        report(progress, keywordStepProgress(key.entry, entries));
        unlink.bindInt64(1, key.id);
        unlink.run();
        if (key.selected) {
            link.bindInt64(1, key.id);
            link.run();
        }
    }
    tx.commit();
    return folders.size();
}

qint64 deleteFiles(store::Database& db, const QString& namePattern, const QString& pathPattern,
                   const Progress& progress)
{
    BulkPragmas pragmas(db);
    store::Transaction tx(db);
    IdSet files(db, QStringLiteral("polcozo_files"), kMatchingFiles,
                {text(namePattern), text(pathPattern)});
    db.exec(QStringLiteral("DELETE FROM nev_kulcsid WHERE rowid IN (SELECT l.rowid FROM %1 f "
                           "CROSS JOIN nev_kulcsid l WHERE l.id = f.id)")
                .arg(files.name()));
    report(progress, 30);
    db.exec(QStringLiteral("DELETE FROM prgnev WHERE id IN (SELECT id FROM %1)").arg(files.name()));
    report(progress, 50);
    Module1::orphanCleanup(db, [&progress] { report(progress, 70); });
    tx.commit();
    return files.size();
}

} // namespace queries
