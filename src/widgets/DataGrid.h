#pragma once

#include <QFrame>
#include <QList>
#include <QSet>

class QLabel;
class QTableView;
class QItemSelection;
class ResultModel;

namespace store {
class DataSource;
}

// The data-bound grid: a caption bar over a table of the data source's view.
// It keeps the selection as bookmarks (row positions) in marking order.
class DataGrid : public QFrame
{
    Q_OBJECT
public:
    explicit DataGrid(store::DataSource& source, QWidget* parent = nullptr);

    QString caption() const;
    void setCaption(const QString& caption);

    QTableView* view() const { return m_view; }
    ResultModel* model() const { return m_model; }
    // The data source the grid is bound to; its current row is the grid's.
    store::DataSource& source() const { return m_source; }

    // Column captions, widths (pixels) and visibility, by position.
    void setColumnCaptions(const QStringList& captions);
    void setColumnWidth(int column, int width);
    void setColumnHidden(int column, bool hidden);
    bool isColumnHidden(int column) const;
    int columnWidth(int column) const;

    // The selection, oldest mark first.
    const QList<qint64>& SelBookmarks() const { return m_bookmarks; }
    qint64 selCount() const { return m_bookmarks.size(); }
    void selectRows(qint64 first, qint64 last); // marks a range, as a user would
    // Unmarks the row of element 'index'; the later elements move up.
    void removeBookmark(int index);
    // Unmarks the rows of these elements in one pass: one SelChange.
    void removeBookmarks(const QList<qsizetype>& indexes);
    void clearSelection();

    int col() const;
    void setCol(int column);
    qint64 row() const;
    // The text of the current row's cell in the current column.
    QString text() const;

    // Scrolls the shown rows by 'rows' (negative: up).
    void scrollRows(int rows);

    // An empty row after the last one, for adding a row (see ResultModel).
    void setEmptyRow(bool on);

    // A text shown over the table while it has no row; empty for none.
    void setPlaceholderText(const QString& text);
    // Whether that text is shown now.
    bool isPlaceholderShown() const;

Q_SIGNALS:
    void SelChange();
    void DblClick();
    // The current row or column changed, by the user or by a move of the
    // data source; not when a command makes a column current to read it.
    void RowColChange();
    void MouseMove(Qt::MouseButtons buttons, double y);
    void MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    // A character typed in the grid; the table's own search is off.
    void KeyPress(QChar key);
    // Enter (Qt::Key_Return) or Escape pressed in the grid. While something
    // listens, the keys are the listener's alone; otherwise they go on as before.
    void KeyDown(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void syncSelection(const QItemSelection& selected, const QItemSelection& deselected);
    void followCurrentRow(qint64 row);
    void updatePlaceholder();

    store::DataSource& m_source;
    QLabel* m_caption;
    QLabel* m_placeholder = nullptr;
    QTableView* m_view;
    ResultModel* m_model;
    QList<qint64> m_bookmarks;
    QSet<qint64> m_marked; // the same rows, for lookups
    int m_col = 0;
    bool m_readingColumn = false;
};
