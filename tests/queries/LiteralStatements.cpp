#include "LiteralStatements.h"

#include "shared/Module1.h"
#include "shared/Subject.h"
#include "store/Database.h"

using queries::RecordSource;

namespace literal {

namespace {

// "'a','b'" with each text bound: the marks from 'first' on.
QString marks(int first, int count)
{
    QStringList m;
    for (int i = 0; i < count; ++i)
        m << QStringLiteral("?%1").arg(first + i);
    return m.join(QLatin1Char(','));
}

QVariantList values(const QStringList& texts)
{
    QVariantList v;
    for (const QString& t : texts)
        v << t;
    return v;
}

} // namespace

RecordSource compoundSearch(const queries::CompoundSearch& search)
{
    const QStringList fileKeys = search.fileKeywords.selectedTexts();
    const QStringList folderKeys = search.folderKeywords.selectedTexts();
    if (queries::isTrivialSearch(search) || fileKeys.isEmpty() || folderKeys.isEmpty())
        return {
            search.pathOriented
                ? QStringLiteral("SELECT DISTINCT '*', ut, '----', '----', '----' FROM alapfile")
                : QStringLiteral("SELECT * FROM alapfile"),
            {}};
    const int f = int(fileKeys.size());
    const int u = int(folderKeys.size());
    const QString head =
        search.pathOriented
            ? QStringLiteral("SELECT DISTINCT ?1, min(u1.ut), '----', '----', '----'")
            : QStringLiteral("SELECT min(prgnev.nev), min(u1.ut), min(prgnev.hossz), "
                             "min(prgnev.crc), min(prgnev.datum)");
    const QString sql =
        head +
        QStringLiteral(
            " FROM prgnev, ut u1, nev_kulcsid, kulcs WHERE (prgnev.utid=u1.id AND prgnev.nev "
            "like ?1 AND u1.ut Like ?2 AND prgnev.id=nev_kulcsid.id AND "
            "nev_kulcsid.kulcsid=kulcs.id AND kulcs.kulcs IN (%1) AND u1.ut=(SELECT "
            "min(u2.ut) FROM ut u2, ut_kulcsid, kulcsut WHERE (u1.ut=u2.ut AND "
            "u2.id=ut_kulcsid.id AND ut_kulcsid.kulcsid=kulcsut.id AND (kulcsut.nev IN "
            "(%2))) GROUP BY  u2.ut HAVING count(u2.ut)=%3)) GROUP BY prgnev.nev||u1.ut "
            "HAVING COUNT(prgnev.nev)=%4 ORDER BY 2 ASC")
            .arg(marks(3, f), marks(3 + f, u), Module1::Str(u), Module1::Str(f));
    return {sql, QVariantList{search.namePattern, search.pathPattern} + values(fileKeys) +
                     values(folderKeys)};
}

std::optional<RecordSource> conditionSearch(const Subject& subject,
                                            const queries::Condition& condition)
{
    const QStringList keys = condition.keywords.selectedTexts();
    if (keys.isEmpty())
        return std::nullopt;
    const int n = int(keys.size());
    if (subject.files)
        return RecordSource{
            QStringLiteral(
                "SELECT min(prgnev.nev), min(ut.ut), min(prgnev.hossz), min(prgnev.crc), "
                "min(prgnev.datum), min(prgnev.id) FROM prgnev, ut, nev_kulcsid, kulcs WHERE "
                "(prgnev.utid=ut.id AND prgnev.nev like ?1 AND ut.ut Like ?2 AND "
                "prgnev.id=nev_kulcsid.id AND nev_kulcsid.kulcsid=kulcs.id AND (kulcs.kulcs "
                "IN (%1))) GROUP BY prgnev.nev||ut.ut HAVING COUNT(prgnev.nev)=%2 ORDER BY 2 ASC")
                .arg(marks(3, n), Module1::Str(n)),
            QVariantList{condition.namePattern, condition.pathPattern} + values(keys)};
    return RecordSource{
        QStringLiteral(
            "SELECT min(ut.ut), min(ut.id) FROM ut, ut_kulcsid, kulcsut WHERE "
            "(ut.id=ut_kulcsid.id AND ut.ut Like ?1 AND ut_kulcsid.kulcsid=kulcsut.id AND "
            "(kulcsut.nev IN (%1))) GROUP BY ut.ut HAVING COUNT(ut.ut)=%2 ORDER BY 1 ASC")
            .arg(marks(2, n), Module1::Str(n)),
        QVariantList{condition.pathPattern} + values(keys)};
}

void assignFileKeywords(store::Database& db, const queries::Condition& c)
{
    const QVariantList patterns{c.namePattern, c.pathPattern};
    for (int k = 1; k < c.keywords.entries.size(); ++k) {
        const qint64 key =
            db.scalar(QStringLiteral("SELECT kulcs.id FROM kulcs WHERE kulcs.kulcs=?1"),
                      {c.keywords.entries.at(k)})
                .toLongLong();
        db.exec(QStringLiteral(
                    "DELETE FROM nev_kulcsid WHERE rowid IN (SELECT nev_kulcsid.rowid FROM "
                    "prgnev, ut, nev_kulcsid WHERE prgnev.utid=ut.id AND prgnev.nev like ?1 "
                    "AND ut.ut like ?2 AND prgnev.id=nev_kulcsid.id AND nev_kulcsid.kulcsid=%1)")
                    .arg(Module1::Str(key)),
                patterns);
        if (c.keywords.isSelected(k))
            db.exec(QStringLiteral(
                        "INSERT INTO nev_kulcsid (id, kulcsid) SELECT u1.id, '%1' FROM prgnev "
                        "u1, ut WHERE u1.nev LIKE ?1 AND ut.ut LIKE ?2 AND u1.utid=ut.id ")
                        .arg(Module1::Str(key)),
                    patterns);
    }
}

void assignFolderKeywords(store::Database& db, const queries::Condition& c)
{
    for (int k = 1; k < c.keywords.entries.size(); ++k) {
        const qint64 key =
            db.scalar(QStringLiteral("SELECT kulcsut.id FROM kulcsut WHERE kulcsut.nev=?1"),
                      {c.keywords.entries.at(k)})
                .toLongLong();
        db.exec(QStringLiteral(
                    "DELETE FROM ut_kulcsid WHERE rowid IN (SELECT ut_kulcsid.rowid FROM "
                    "prgnev, ut, ut_kulcsid WHERE prgnev.utid=ut.id AND prgnev.nev like ?1 AND "
                    "ut.ut like ?2 AND ut.id=ut_kulcsid.id AND ut_kulcsid.kulcsid=%1)")
                    .arg(Module1::Str(key)),
                {c.namePattern, c.pathPattern});
        if (c.keywords.isSelected(k))
            db.exec(QStringLiteral(
                        "INSERT OR IGNORE INTO ut_kulcsid (id, kulcsid) SELECT u1.id, '%1' FROM "
                        "ut u1, ut_kulcsid WHERE  u1.ut LIKE ?1 AND ut_kulcsid.id=u1.id")
                        .arg(Module1::Str(key)),
                    {c.pathPattern});
    }
}

void deleteFiles(store::Database& db, const QString& namePattern, const QString& pathPattern)
{
    const QVariantList patterns{namePattern, pathPattern};
    db.exec(QStringLiteral(
                "DELETE FROM nev_kulcsid WHERE rowid IN (SELECT nev_kulcsid.rowid FROM "
                "nev_kulcsid, ut, prgnev WHERE nev_kulcsid.id=prgnev.id AND prgnev.utid=ut.id "
                "AND prgnev.nev Like ?1 AND ut.ut Like ?2)"),
            patterns);
    db.exec(QStringLiteral(
                "DELETE FROM prgnev WHERE rowid IN (SELECT prgnev.rowid FROM prgnev, ut WHERE "
                "prgnev.utid=ut.id AND prgnev.nev Like ?1 AND ut.ut Like ?2)"),
            patterns);
    db.exec(Module1::kOrphanLinksCleanup);
    db.exec(Module1::kOrphanFoldersCleanup);
}

} // namespace literal
