// The main window's path tree: its events, the context view and follow mode.

#include "PathTree.h"
#include "fokep.h"
#include "platform/BusyCursor.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "shared/Module1.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/ResultModel.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

void fokep::connectGridAndTree()
{
    m_followTimer = new QTimer(this);
    m_followTimer->setSingleShot(true);
    m_followTimer->setInterval(0);
    connect(m_followTimer, &QTimer::timeout, this, &fokep::followMode);
    connect(tabla1, &DataGrid::DblClick, this, &fokep::tabla1_DblClick);
    connect(tabla1, &DataGrid::RowColChange, this, &fokep::tabla1_RowColChange);
    connect(tabla1, &DataGrid::MouseMove, this, &fokep::tabla1_MouseMove);
    connect(tabla1, &DataGrid::MouseUp, this, &fokep::tabla1_MouseUp);
    connect(tabla1, &DataGrid::KeyPress, this, &fokep::tabla1_KeyPress);
    connect(Fa, &QTreeWidget::itemCollapsed, this, &fokep::Fa_Collapse);
    connect(Fa, &QTreeWidget::itemExpanded, this, &fokep::Fa_Expand);
    connect(Fa, &QTreeWidget::itemClicked, this, &fokep::Fa_NodeClick);
    connect(Fa, &PathTree::MouseDown, this, &fokep::Fa_MouseDown);
    connect(mki, &QAction::triggered, this, &fokep::mki_Click);
    connect(osszm, &QAction::triggered, this, &fokep::osszm_Click);
    connect(korny, &QAction::triggered, this, &fokep::korny_Click);
    connect(lement, &QAction::triggered, this, &fokep::lement_Click);
    connect(famas, &QAction::triggered, this, &fokep::famas_Click);
    // Queued: the damage may be found while the grid paints.
    for (store::DataSource* source : {Data1, Datafa})
        connect(source, &store::DataSource::damaged, this, &fokep::catalogDamaged,
                Qt::QueuedConnection);
}

// A tree of another catalog would load its folders from this one.
void fokep::catalogBound(const QString& path, bool fresh)
{
    if (fresh || path != m_treeCatalog) {
        if (QTreeWidgetItem* first = Fa->node(1))
            first->setExpanded(false);
        Fa->clearNodes();
        addRootNode(QStringLiteral("---"));
        m_state.aktut.clear();
        m_state.aktnev.clear();
        m_state.aktnode = 0;
        m_damageReported = false;
    }
    m_treeCatalog = path;
}

// Rows the engine cannot read are never passed off as a shorter view: the
// user hears once per opened catalog that it is damaged. A catalog that did
// not open at all has had its own message.
void fokep::catalogDamaged(const QString& path)
{
    if (m_damageReported || path != Data1->databaseName())
        return;
    m_damageReported = true;
    platform::MessageBox::show(
        this,
        QStringLiteral("Az adatbázis sérült, nem minden adata olvasható:\r\n") + path +
            QStringLiteral("\r\nAmit most mutat, hiányos lehet. Nyisson meg egy másikat, vagy "
                           "egy korábbi mentését !"),
        platform::MessageBox::Buttons::Ok, platform::MessageBox::Icon::Critical);
}

Module1::TreeProgress fokep::treeProgress()
{
    return {[this](int maximum) { showProgress(0, maximum); },
            [this](int value) { bar->setValue(value); }};
}

void fokep::Fa_Collapse(QTreeWidgetItem* node)
{
    const int index = Fa->indexOf(node);
    if (index != 1)
        Fa->setImage(index, QStringLiteral("close"));
}

void fokep::Fa_Expand(QTreeWidgetItem* node)
{
    const int index = Fa->indexOf(node);
    if (index != 1)
        Fa->setImage(index, QStringLiteral("open"));
    if (Fa->tag(index) != QLatin1String("1"))
        loadFolder(node, true);
}

void fokep::Fa_NodeClick(QTreeWidgetItem* node)
{
    const int index = Fa->indexOf(node);
    m_state.aktnode = index;
    if (!Fa->isFileNode(index) && Fa->tag(index) != QLatin1String("1")) {
        loadFolder(node, false);
        node->setExpanded(true);
    }
}

void fokep::Fa_MouseDown(Qt::MouseButton button, const QPoint& globalPos)
{
    if (button != Qt::RightButton || m_state.recordCount == 0)
        return;
    // The pop-up's copy works on the node under the pointer.
    if (QTreeWidgetItem* under = Fa->itemAt(Fa->viewport()->mapFromGlobal(globalPos)))
        m_state.aktnode = Fa->indexOf(under);
    fam->popup(globalPos);
}

// A folder's files, once per tree; on Expand without the marked file, which
// the context view has already put there.
void fokep::loadFolder(QTreeWidgetItem* node, bool skipMarked)
{
    const int index = Fa->indexOf(node);
    Fa->setTag(index, QStringLiteral("1"));
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    try {
        Module1::loadFolderFiles(*Fa, *Datafa, Fa->key(index), Fa->storedPaths(index),
                                 skipMarked ? &m_state.aktnev : nullptr);
    } catch (const platform::Error&) {
        QApplication::beep();
    }
}

// The tree is emptied and Datafa given the folders of the medium 'label'.
void fokep::startTree(const QString& label)
{
    if (QTreeWidgetItem* first = Fa->node(1))
        first->setExpanded(false);
    Fa->clearNodes();
    m_state.aktnode = 0;
    Datafa->setRecordSource(Module1::kMediumQuery, {Module1::mediumPattern(label)});
    Datafa->refresh();
}

void fokep::contextView()
{
    if (m_state.recordCount == 0)
        return;
    setBusy(true);
    tabla1->setCol(1);
    m_state.aktut = tabla1->text();
    tabla1->setCol(0);
    m_state.aktnev = tabla1->text();
    m_state.lemezcimke = Module1::mediumLabel(m_state.aktut);
    tabla1->setCol(2);
    try {
        if (tabla1->text() == QLatin1String("----")) {
            // A folder row: its first file is the one to mark.
            Datafa->setRecordSource(
                QStringLiteral("SELECT prgnev.nev FROM prgnev, ut WHERE ut.ut=?1 AND "
                               "prgnev.utid=ut.id AND prgnev.nev LIKE ?2"),
                {m_state.aktut, m_state.aktnev});
            Datafa->refresh();
            m_state.aktnev = Datafa->recordCount() > 0 ? Datafa->cell(0, 0).toString() : QString();
        }
        startTree(m_state.lemezcimke);
        int shown = 0;
        if (m_state.aktnev.isEmpty()) {
            // A folder without files: the folder itself is shown.
            Module1::faepit(*Fa, *Datafa, m_state.lemezcimke, treeProgress());
            shown = Fa->indexOfKey(m_state.aktut);
        } else {
            shown = Module1::faepit_jelol(*Fa, *Datafa, m_state.lemezcimke, m_state.aktut,
                                         m_state.aktnev, treeProgress());
        }
        if (shown)
            Fa->ensureVisible(shown);
        else
            QApplication::beep();
    } catch (const platform::Error&) {
        QApplication::beep();
    }
    hideProgress();
    setBusy(false);
}

// Runs once the events that moved the grid are done (see tabla1_RowColChange).
void fokep::followMode()
{
    if (!kfriss->isChecked() || m_state.recordCount == 0)
        return;
    // Read where the cursor is; moving it to column 1 would keep the user
    // from ever leaving that column.
    const qint64 row = tabla1->row();
    const QString medium = row < 0 ? QString() : Module1::utresz(tabla1->model()->cellText(row, 1), 0);
    if (medium.isEmpty())
        return;
    m_state.aktut = medium;
    m_state.lemezcimke = Module1::mediumLabel(m_state.aktut);
    if (QTreeWidgetItem* first = Fa->node(1); first && first->text(0) == m_state.lemezcimke)
        return;
    buildMediumTree();
}

// The tree of the medium lemezcimke, its root expanded.
void fokep::buildMediumTree()
{
    setBusy(true);
    try {
        startTree(m_state.lemezcimke);
        Module1::faepit(*Fa, *Datafa, m_state.lemezcimke, treeProgress());
        if (QTreeWidgetItem* first = Fa->node(1))
            first->setExpanded(true);
    } catch (const platform::Error&) {
        QApplication::beep();
        // A root with the label, so the next row of this medium does not try again.
        if (!Fa->node(1))
            addRootNode(m_state.lemezcimke);
    }
    hideProgress();
    setBusy(false);
}

// As follow mode, whatever medium the tree shows now: the rows under it may
// have changed.
void fokep::rebuildTree()
{
    if (m_state.recordCount == 0)
        return;
    const qint64 row = tabla1->row();
    const QString medium =
        row < 0 ? QString() : Module1::utresz(tabla1->model()->cellText(row, 1), 0);
    if (medium.isEmpty())
        return;
    m_state.lemezcimke = Module1::mediumLabel(medium);
    buildMediumTree();
}

void fokep::tabla1_DblClick()
{
    contextView();
}

// Follow mode waits for the events that are pending, so it never runs in the
// middle of a command that moves the grid, and a burst of moves runs it once.
void fokep::tabla1_RowColChange()
{
    m_followTimer->start();
}

void fokep::famas_Click()
{
    const int index = m_state.aktnode;
    if (!Fa->node(index))
        return;
    const QString text = Fa->isFileNode(index) ? Fa->node(index)->text(0)
                                                            : Module1::pathPattern(Fa->fullPath(index));
    QGuiApplication::clipboard()->setText(text);
}
