#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace store {
class DataSource;
}

// Work over a whole view, read in one pass rather than page by page, so it
// stays quick on a million rows.
namespace ViewScans {

// The total of the length column (2) over the rows at 'positions'. A row whose
// length is no number ("----" on a folder row) counts 0.
qint64 lengthTotal(store::DataSource& view, const QList<qint64>& positions,
                   const std::function<void(int done)>& progress = {});

// The texts of the rows at 'positions' as the grid shows them: columns 0, 1,
// 2 and 4, each followed by a TAB (the CRC column stays out).
QHash<qint64, QString> rowTexts(store::DataSource& view, const QList<qint64>& positions,
                                const std::function<void(int done)>& progress = {});

// The first row after 'current' whose name (column 0) begins with 'c',
// letter case ignored, going on from the first row after the last; -1 when
// no row does.
qint64 typeAhead(store::DataSource& view, qint64 current, QChar c);

// The listing file: the catalog path, the count text, the headings, an empty
// line, then each row's columns 0, 1, 2 and 4 as the grid shows them, each
// followed by a TAB (no rows when the view's catalog is not open); CRLF line
// ends, UTF-8. Written beside the target and
// renamed over it, so a failure leaves any old file as it was. Throws
// platform::Error with the file error's number.
void writeListing(store::DataSource& view, const QString& path, const QString& catalogPath,
                  const QString& countText, const std::function<void(qint64 rows)>& progress = {});

// The same rows as comma-separated values for spreadsheet programs: a byte
// order mark, the headings, then each row's columns 0, 1, 2 and 4 as the
// grid shows them; CRLF line ends, UTF-8. Written and failing as the listing.
void writeCsv(store::DataSource& view, const QString& path,
              const std::function<void(qint64 rows)>& progress = {});

} // namespace ViewScans
