#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace store {
class DataSource;
}

// Shows a data source's current view in a grid. Cells are asked of the data
// source row by row as they are drawn, so only the visible pages are read.
class ResultModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultModel(store::DataSource& source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Captions by position; the view's own column names show where none is set.
    void setCaptions(const QStringList& captions);

    // The text a cell shows.
    QString cellText(qint64 row, int column) const;

    // One empty row after the last row of the view, marked "*" at its left:
    // the row a user picks to add a row. Off by default.
    void setEmptyRow(bool on);
    bool hasEmptyRow() const { return m_emptyRow; }
    // Whether 'row' is that empty row.
    bool isEmptyRow(qint64 row) const
    {
        return m_emptyRow && !m_columns.isEmpty() && row == m_rows;
    }

private:
    void reload();

    store::DataSource& m_source;
    QStringList m_columns;
    QStringList m_captions;
    int m_rows = 0; // rows of the view, the empty row not counted
    int m_dateColumn = -1;
    bool m_emptyRow = false;
};
