#include "LinkIndexes.h"

#include "store/Database.h"

#include <QStringList>
#include <vector>

namespace queries {

namespace {

struct Index
{
    QString name;
    bool fromCreateIndex; // not a UNIQUE constraint's own index
    QStringList columns;
};

std::vector<Index> indexesOf(const store::Database& db, const QString& table)
{
    std::vector<Index> out;
    store::Statement list =
        db.prepare(QStringLiteral("SELECT name, origin FROM pragma_index_list(?1)"));
    list.bind(1, table);
    while (list.step()) {
        Index index{list.value(0).toString(), list.value(1).toString() == QLatin1String("c"), {}};
        store::Statement info =
            db.prepare(QStringLiteral("SELECT name FROM pragma_index_info(?1) ORDER BY seqno"));
        info.bind(1, index.name);
        while (info.step())
            index.columns << info.value(0).toString();
        out.push_back(index);
    }
    return out;
}

bool startsWith(const Index& index, const QStringList& columns)
{
    return index.columns.mid(0, columns.size()) == columns;
}

bool has(const std::vector<Index>& indexes, const QStringList& columns)
{
    for (const Index& i : indexes)
        if (startsWith(i, columns))
            return true;
    return false;
}

struct Wanted
{
    QString table;
    QString name;
    QStringList columns;
    bool unique = false;
};

const std::vector<Wanted>& wanted()
{
    static const std::vector<Wanted> w{
        {QStringLiteral("nev_kulcsid"),
         QStringLiteral("nev_kulcsid_id_kulcsid"),
         {QStringLiteral("id"), QStringLiteral("kulcsid")},
         true},
        {QStringLiteral("nev_kulcsid"),
         QStringLiteral("nev_kulcsid_kulcsid_id"),
         {QStringLiteral("kulcsid"), QStringLiteral("id")}},
        {QStringLiteral("ut_kulcsid"),
         QStringLiteral("ut_kulcsid_id_kulcsid"),
         {QStringLiteral("id"), QStringLiteral("kulcsid")}},
        {QStringLiteral("ut_kulcsid"),
         QStringLiteral("ut_kulcsid_kulcsid_id"),
         {QStringLiteral("kulcsid"), QStringLiteral("id")}},
        {QStringLiteral("prgnev"),
         QStringLiteral("prgnev_hossz_crc"),
         {QStringLiteral("hossz"), QStringLiteral("crc")}},
    };
    return w;
}

} // namespace

bool hasLinkIndexes(const store::Database& db)
{
    for (const Wanted& w : wanted())
        if (!has(indexesOf(db, w.table), w.columns))
            return false;
    return true;
}

void addLinkIndexes(store::Database& db)
{
    store::Transaction tx(db);
    for (const Wanted& w : wanted()) {
        if (has(indexesOf(db, w.table), w.columns))
            continue;
        const QString columns = w.columns.join(QLatin1Char(','));
        if (w.unique) {
            // Unique as in new catalogs, unless the catalog already repeats a link.
            const bool repeats =
                db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1 GROUP BY %2 "
                                         "HAVING count(*) > 1)")
                              .arg(w.table, columns))
                    .toBool();
            if (!repeats) {
                db.execScript(QStringLiteral("CREATE UNIQUE INDEX %1 ON %2(%3)")
                                  .arg(w.name, w.table, columns));
                continue;
            }
        }
        db.execScript(QStringLiteral("CREATE INDEX %1 ON %2(%3)").arg(w.name, w.table, columns));
    }
    for (const QString& table : {QStringLiteral("nev_kulcsid"), QStringLiteral("ut_kulcsid")}) {
        const std::vector<Index> indexes = indexesOf(db, table);
        for (const Index& i : indexes) {
            if (!i.fromCreateIndex || i.columns.size() != 1)
                continue;
            for (const Index& wider : indexes)
                if (wider.columns.size() > 1 && startsWith(wider, i.columns)) {
                    db.execScript(QStringLiteral("DROP INDEX \"%1\"").arg(i.name));
                    break;
                }
        }
    }
    tx.commit();
}

} // namespace queries
