#include "ArchiveNodes.h"

#include "store/Database.h"

#include <QHash>
#include <utility>

bool splitStoredFolder(const QString& stored, QString& parent, QString& name)
{
    const qsizetype cut = stored.lastIndexOf(QLatin1Char('\\'));
    if (cut < 0 || cut == stored.size() - 1)
        return false;
    const qsizetype first = stored.indexOf(QLatin1Char('\\'));
    // The root keeps its backslash ("-CD_1- E:\"), as it is stored.
    parent = cut == first ? stored.left(cut + 1) : stored.left(cut);
    name = stored.mid(cut + 1);
    return true;
}

QSet<QString> archiveFolders(const store::Database& db, const QStringList& storedPaths)
{
    // Grouped by parent: each parent's files read once, however many
    // folders it holds (a look-up per folder also reads them all when none
    // matches, and pays a statement's locking besides).
    QHash<QString, QList<std::pair<QString, QString>>> byParent; // parent: (stored, name)
    QStringList parents;
    QString parent, name;
    for (const QString& stored : storedPaths) {
        if (!splitStoredFolder(stored, parent, name))
            continue;
        auto& children = byParent[parent];
        if (children.isEmpty())
            parents << parent;
        children.append({stored, name});
    }
    QSet<QString> found;
    store::Statement st = db.prepare(
        QStringLiteral("SELECT prgnev.nev FROM ut, prgnev WHERE ut.ut=?1 AND prgnev.utid=ut.id"));
    QSet<QString> names;
    for (const QString& p : std::as_const(parents)) {
        names.clear();
        st.bindText(1, p);
        while (st.step())
            names.insert(st.value(0).toString());
        st.reset();
        for (const auto& [stored, child] : std::as_const(byParent[p]))
            if (names.contains(child))
                found.insert(stored);
    }
    return found;
}
