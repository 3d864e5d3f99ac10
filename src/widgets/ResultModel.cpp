#include "ResultModel.h"

#include "store/CellFormat.h"
#include "store/DataSource.h"

#include <QCoreApplication>
#include <exception>
#include <limits>

ResultModel::ResultModel(store::DataSource& source, QObject* parent)
    : QAbstractTableModel(parent), m_source(source)
{
    connect(&m_source, &store::DataSource::refreshed, this, &ResultModel::reload);
    connect(&m_source, &store::DataSource::rowsChanged, this, &ResultModel::reload);
    reload();
}

void ResultModel::reload()
{
    beginResetModel();
    m_columns = m_source.isOpen() ? m_source.columnNames() : QStringList();
    m_rows = 0;
    if (m_source.isOpen()) {
        try {
            // A grid addresses rows with int: a view beyond that shows its first 2^31 rows.
            m_rows = int(std::min<qint64>(m_source.recordCount(),
                                          std::numeric_limits<int>::max() - 1));
        } catch (const std::exception&) {
            m_rows = 0;
        }
    }
    m_dateColumn = store::dateColumn(m_columns);
    endResetModel();
}

int ResultModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    // A view that is not open has no end to add after.
    return m_rows + (m_emptyRow && !m_columns.isEmpty() ? 1 : 0);
}

void ResultModel::setEmptyRow(bool on)
{
    if (on == m_emptyRow)
        return;
    beginResetModel();
    m_emptyRow = on;
    endResetModel();
}

int ResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString ResultModel::cellText(qint64 row, int column) const
{
    if (row >= m_rows)
        return QString();
    return store::displayText(m_source.cell(row, column), column == m_dateColumn);
}

QVariant ResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    return cellText(index.row(), index.column());
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return isEmptyRow(section) ? QVariant(QStringLiteral("*")) : QVariant();
    if (section < m_captions.size() && !m_captions.at(section).isNull())
        return m_captions.at(section);
    return section < m_columns.size() ? QVariant(m_columns.at(section)) : QVariant();
}

void ResultModel::setCaptions(const QStringList& captions)
{
    m_captions = captions;
    if (!m_columns.isEmpty())
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
}
