#include "ArchiveNodes.h"

#include "store/Database.h"

#include <QHash>
#include <QSet>
#include <utility>

bool splitStoredFolder(QStringView stored, QStringView& parent, QStringView& name)
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

QList<qsizetype> archiveFolders(const store::Database& db, const QStringList& storedPaths)
{
    // Grouped by parent: each parent's files read once, however many
    // folders it holds (a look-up per folder also reads them all when none
    // matches, and pays a statement's locking besides).
    QHash<QStringView, QList<std::pair<qsizetype, QStringView>>> byParent; // (position, name)
    QList<QStringView> parents;
    QStringView parent, name;
    for (qsizetype i = 0; i < storedPaths.size(); ++i) {
        if (!splitStoredFolder(storedPaths.at(i), parent, name))
            continue;
        auto& children = byParent[parent];
        if (children.isEmpty())
            parents << parent;
        children.append({i, name});
    }
    QList<qsizetype> found;
    store::Statement st = db.prepare(
        QStringLiteral("SELECT prgnev.nev FROM ut, prgnev WHERE ut.ut=?1 AND prgnev.utid=ut.id"));
    QStringList files;
    QSet<QStringView> names; // into 'files'
    for (const QStringView p : std::as_const(parents)) {
        names.clear();
        files.clear();
        st.bindText(1, p.toString());
        while (st.step())
            files << st.value(0).toString();
        st.reset();
        for (const QString& file : std::as_const(files))
            names.insert(file);
        for (const auto& [position, child] : std::as_const(byParent[p]))
            if (names.contains(child))
                found << position;
    }
    return found;
}
