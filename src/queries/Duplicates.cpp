#include "Duplicates.h"

#include <algorithm>

namespace queries {

namespace {

// A recorded CRC as eight hexadecimal digits also where the engine kept
// all-digit texts as numbers, so equal CRCs sort next to each other in text order.
const QString kCrcKey =
    QStringLiteral("CASE typeof(p.crc) WHEN 'integer' THEN printf('%08d', p.crc) ELSE p.crc END");

// Each test seeks the (length, CRC) index; the last one only runs for files
// without a CRC, which match any other file of their length.
const QString kMatchesAnother = QStringLiteral(
    "(EXISTS (SELECT 1 FROM prgnev q WHERE q.hossz = p.hossz AND q.crc = p.crc AND q.id <> p.id) "
    "OR EXISTS (SELECT 1 FROM prgnev q WHERE q.hossz = p.hossz AND q.crc IS NULL AND q.id <> p.id) "
    "OR EXISTS (SELECT 1 FROM prgnev q WHERE q.hossz = p.hossz AND q.crc = '' AND q.id <> p.id) "
    "OR ((p.crc IS NULL OR p.crc = '') AND EXISTS (SELECT 1 FROM prgnev q WHERE q.hossz = "
    "p.hossz AND q.id <> p.id)))");

} // namespace

QString duplicatesCaption(qint64 minimumLength)
{
    QString text = QStringLiteral("azonos hosszú és CRC-jű file-ok");
    if (minimumLength > 1)
        text += QStringLiteral(", legalább %1 byte").arg(minimumLength);
    return text;
}

SearchView duplicatesView(qint64 minimumLength)
{
    const qint64 least = std::max<qint64>(1, minimumLength);
    SearchView view;
    view.baseView = false;
    view.folderList = false;
    view.caption = duplicatesCaption(least);
    // The length index gives the lengths in order; only the files of one
    // length at a time are put in order behind it.
    view.source.sql =
        QStringLiteral("SELECT p.nev AS nev, u1.ut AS ut, p.hossz AS hossz, p.crc AS crc, "
                       "p.datum AS datum FROM prgnev p CROSS JOIN ut u1 WHERE p.hossz >= ?1 AND "
                       "u1.id = p.utid AND %1 ORDER BY p.hossz DESC, (p.crc IS NOT NULL AND "
                       "p.crc <> ''), %2, u1.ut, p.nev, p.id")
            .arg(kMatchesAnother, kCrcKey);
    view.source.params = {least};
    // Counted per length from the index alone: where a file of the length
    // has no CRC, every file of it is listed; otherwise those whose CRC
    // another shares.
    view.source.countSql = QStringLiteral(
        "SELECT coalesce(sum(CASE WHEN missing > 0 THEN files ELSE shared END), 0) FROM "
        "(SELECT sum(k) AS files, sum(CASE WHEN missing THEN k ELSE 0 END) AS missing, "
        "sum(CASE WHEN NOT missing AND k > 1 THEN k ELSE 0 END) AS shared FROM "
        "(SELECT hossz, (crc IS NULL OR crc = '') AS missing, count(*) AS k FROM prgnev "
        "WHERE hossz >= ?1 GROUP BY hossz, crc) GROUP BY hossz HAVING sum(k) > 1)");
    return view;
}

} // namespace queries
