#include "ArchiveNodes.h"

#include "store/Database.h"

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
    QSet<QString> found;
    store::Statement st = db.prepare(QStringLiteral(
        "SELECT 1 FROM ut, prgnev WHERE ut.ut=?1 AND prgnev.utid=ut.id AND prgnev.nev=?2 LIMIT 1"));
    QString parent, name;
    for (const QString& stored : storedPaths) {
        if (!splitStoredFolder(stored, parent, name))
            continue;
        st.bindText(1, parent);
        st.bindText(2, name);
        if (st.step())
            found.insert(stored);
        st.reset();
    }
    return found;
}
