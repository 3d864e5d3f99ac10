#include "DataGrid.h"

#include "ResultModel.h"
#include "platform/Skipped.h"
#include "store/DataSource.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

DataGrid::DataGrid(store::DataSource& source, QWidget* parent) : QFrame(parent), m_source(source)
{
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAutoFillBackground(true);
    m_caption->setBackgroundRole(QPalette::Mid);
    m_caption->setContentsMargins(4, 2, 4, 2);
    m_caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_caption->hide();
    layout->addWidget(m_caption);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("view"));
    m_model = new ResultModel(source, this);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setAlternatingRowColors(true);
    // Fixed row heights keep a million rows as cheap as a hundred.
    QHeaderView* rows = m_view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    rows->setFixedWidth(18);
    m_view->horizontalHeader()->setHighlightSections(false);
    // Wide enough for a date with its time.
    m_view->horizontalHeader()->setDefaultSectionSize(
        m_view->fontMetrics().horizontalAdvance(QStringLiteral("0000. 00. 00. 00:00:00")) + 16);
    layout->addWidget(m_view, 1);

    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    m_view->viewport()->setMouseTracking(true);
    connect(m_view, &QAbstractItemView::doubleClicked, this, &DataGrid::DblClick);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                // The grid is bound: its current row is the data source's.
                if (current.isValid() && current.row() != m_source.absolutePosition()) {
                    try {
                        m_source.setAbsolutePosition(current.row());
                    } catch (const std::exception& e) {
                        platform::logSkipped("DataGrid current row", e);
                    }
                }
                if (!m_readingColumn)
                    Q_EMIT RowColChange();
            });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DataGrid::syncSelection);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_bookmarks.clear();
        m_marked.clear();
        Q_EMIT SelChange();
    });
    connect(&m_source, &store::DataSource::currentRowChanged, this, &DataGrid::followCurrentRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DataGrid::updatePlaceholder);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &DataGrid::updatePlaceholder);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &DataGrid::updatePlaceholder);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &DataGrid::updatePlaceholder);
}

void DataGrid::setPlaceholderText(const QString& text)
{
    if (!m_placeholder) {
        if (text.isEmpty())
            return;
        // Over the viewport, letting the mouse through to the table.
        m_placeholder = new QLabel(m_view->viewport());
        m_placeholder->setObjectName(QStringLiteral("placeholder"));
        m_placeholder->setWordWrap(true);
        m_placeholder->setAlignment(Qt::AlignCenter);
        m_placeholder->setTextFormat(Qt::PlainText);
        m_placeholder->setContentsMargins(24, 24, 24, 24);
        m_placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_placeholder->setForegroundRole(QPalette::PlaceholderText);
    }
    m_placeholder->setText(text);
    updatePlaceholder();
}

bool DataGrid::isPlaceholderShown() const
{
    return m_placeholder && !m_placeholder->isHidden();
}

void DataGrid::updatePlaceholder()
{
    if (!m_placeholder)
        return;
    m_placeholder->setGeometry(m_view->viewport()->rect());
    m_placeholder->setVisible(!m_placeholder->text().isEmpty() && m_model->rowCount() == 0);
}

// Select-all and copy are the menu's commands, with their own limits; the
// table must not do them on its own when the menu items are disabled.
bool DataGrid::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_view && e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Copy))
            return true;
        const int k = key->key();
        if ((k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape) &&
            isSignalConnected(QMetaMethod::fromSignal(&DataGrid::KeyDown))) {
            Q_EMIT KeyDown(k == Qt::Key_Escape ? Qt::Key_Escape : Qt::Key_Return);
            return true;
        }
        const QString text = key->text();
        if (text.size() == 1 && text.at(0).isPrint() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            Q_EMIT KeyPress(text.at(0));
            return true;
        }
    }
    if (watched == m_view->viewport()) {
        switch (e->type()) {
        case QEvent::Resize:
            updatePlaceholder();
            break;
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(e);
            Q_EMIT MouseMove(m->buttons(), m->position().y());
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // The right button opens the pop-up menu and the middle one
            // scrolls; neither touches the marks.
            if (static_cast<QMouseEvent*>(e)->button() & (Qt::RightButton | Qt::MiddleButton))
                return true;
            break;
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(e);
            Q_EMIT MouseUp(m->button(), m->globalPosition().toPoint());
            if (m->button() & (Qt::RightButton | Qt::MiddleButton))
                return true;
            break;
        }
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, e);
}

void DataGrid::scrollRows(int rows)
{
    QScrollBar* bar = m_view->verticalScrollBar();
    bar->setValue(bar->value() + rows);
}

void DataGrid::setEmptyRow(bool on)
{
    m_model->setEmptyRow(on);
}

QString DataGrid::caption() const
{
    return m_caption->text();
}

// A grid without a caption shows no empty bar above its columns.
void DataGrid::setCaption(const QString& caption)
{
    m_caption->setText(caption);
    m_caption->setVisible(!caption.isEmpty());
}

void DataGrid::setColumnCaptions(const QStringList& captions)
{
    m_model->setCaptions(captions);
}

void DataGrid::setColumnWidth(int column, int width)
{
    m_view->setColumnWidth(column, width);
}

int DataGrid::columnWidth(int column) const
{
    return m_view->columnWidth(column);
}

void DataGrid::setColumnHidden(int column, bool hidden)
{
    m_view->setColumnHidden(column, hidden);
}

bool DataGrid::isColumnHidden(int column) const
{
    return m_view->isColumnHidden(column);
}

void DataGrid::syncSelection(const QItemSelection& selected, const QItemSelection& deselected)
{
    const QItemSelectionModel* sm = m_view->selectionModel();
    if (!sm->hasSelection()) {
        m_bookmarks.clear();
        m_marked.clear();
    } else if (!deselected.isEmpty()) {
        QSet<qint64> gone;
        for (const QItemSelectionRange& range : deselected)
            for (int r = range.top(); r <= range.bottom(); ++r)
                // A row still marked through another range stays.
                if (m_marked.contains(r) && !sm->isRowSelected(r, QModelIndex()))
                    gone.insert(r);
        if (!gone.isEmpty()) {
            m_bookmarks.removeIf([&](qint64 r) { return gone.contains(r); });
            m_marked.subtract(gone);
        }
    }
    for (const QItemSelectionRange& range : selected)
        for (int r = range.top(); r <= range.bottom(); ++r)
            if (!m_marked.contains(r)) {
                m_marked.insert(r);
                m_bookmarks.append(r);
            }
    Q_EMIT SelChange();
}

void DataGrid::selectRows(qint64 first, qint64 last)
{
    const QModelIndex top = m_model->index(int(first), 0);
    const QModelIndex bottom = m_model->index(int(last), 0);
    m_view->selectionModel()->select(QItemSelection(top, bottom),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void DataGrid::removeBookmark(int index)
{
    if (index < 0 || index >= m_bookmarks.size())
        return;
    const QModelIndex row = m_model->index(int(m_bookmarks.at(index)), 0);
    m_view->selectionModel()->select(row,
                                     QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void DataGrid::removeBookmarks(const QList<qsizetype>& indexes)
{
    QList<qint64> rows;
    rows.reserve(indexes.size());
    for (const qsizetype index : indexes)
        if (index >= 0 && index < m_bookmarks.size())
            rows.append(m_bookmarks.at(index));
    if (rows.isEmpty())
        return;
    // Neighbouring rows go as one range: thousands of single rows would make
    // the deselection slow.
    std::sort(rows.begin(), rows.end());
    QItemSelection gone;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype j = i;
        while (j + 1 < rows.size() && rows.at(j + 1) <= rows.at(j) + 1)
            ++j;
        gone.append(QItemSelectionRange(m_model->index(int(rows.at(i)), 0),
                                        m_model->index(int(rows.at(j)), 0)));
        i = j + 1;
    }
    m_view->selectionModel()->select(gone,
                                     QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void DataGrid::clearSelection()
{
    m_view->selectionModel()->clearSelection();
}

int DataGrid::col() const
{
    return m_col;
}

void DataGrid::setCol(int column)
{
    m_col = column;
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid()) {
        m_readingColumn = true;
        m_view->selectionModel()->setCurrentIndex(m_model->index(current.row(), column),
                                                  QItemSelectionModel::NoUpdate);
        m_readingColumn = false;
    }
}

qint64 DataGrid::row() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.row() : m_source.absolutePosition();
}

QString DataGrid::text() const
{
    const qint64 r = row();
    return r < 0 ? QString() : m_model->cellText(r, m_col);
}

void DataGrid::followCurrentRow(qint64 row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(int(row), m_col);
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_view->scrollTo(index);
}
