#include "ResultModel.h"

#include "mainwin/ViewScans.h"
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
            m_rows = int(std::min<qint64>(m_source.recordCount(), std::numeric_limits<int>::max()));
        } catch (const std::exception&) {
            m_rows = 0;
        }
    }
    m_dateColumn = ViewScans::dateColumn(m_columns);
    endResetModel();
}

int ResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString ResultModel::cellText(qint64 row, int column) const
{
    return ViewScans::displayText(m_source.cell(row, column), column == m_dateColumn);
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
        return QVariant();
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
