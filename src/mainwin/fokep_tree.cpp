// The main window's path tree: its events, the context view and follow mode.

#include "DataGrid.h"
#include "PathTree.h"
#include "fokep.h"
#include "platform/BusyCursor.h"
#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"
#include "store/DataSource.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QProgressBar>

void fokep::connectGridAndTree()
{
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
}

Module1::TreeProgress fokep::treeProgress()
{
    return {[this](int maximum) {
                bar->setRange(0, maximum);
                showProgress(0);
            },
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
    if (!Module1::isFileKey(Fa->key(index)) && Fa->tag(index) != QLatin1String("1")) {
        loadFolder(node, false);
        node->setExpanded(true);
    }
}

void fokep::Fa_MouseDown(Qt::MouseButton button, const QPoint& globalPos)
{
    if (button == Qt::RightButton && m_state.recordCount != 0)
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
        Module1::loadFolderFiles(*Fa, *Datafa, Fa->key(index),
                                 skipMarked ? &m_state.aktnev : nullptr);
    } catch (const platform::Error&) {
        QApplication::beep();
    }
}

void fokep::rebuildTree(const QString& label)
{
    if (QTreeWidgetItem* first = Fa->node(1))
        first->setExpanded(false);
    Fa->clearNodes();
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
    if (QTreeWidgetItem* first = Fa->node(1))
        first->setExpanded(false);
    Fa->clearNodes();
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
        rebuildTree(m_state.lemezcimke);
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

void fokep::followMode()
{
    QApplication::processEvents();
    if (!kfriss->isChecked() || m_state.recordCount == 0)
        return;
    tabla1->setCol(1);
    const QString medium = Module1::utresz(tabla1->text(), 0);
    if (medium.isEmpty())
        return; // no current row yet
    m_state.aktut = medium;
    m_state.lemezcimke = Module1::mediumLabel(m_state.aktut);
    if (QTreeWidgetItem* first = Fa->node(1); first && first->text(0) == m_state.lemezcimke)
        return;
    setBusy(true);
    try {
        rebuildTree(m_state.lemezcimke);
        Module1::faepit(*Fa, *Datafa, m_state.lemezcimke, treeProgress());
        if (QTreeWidgetItem* first = Fa->node(1))
            first->setExpanded(true);
    } catch (const platform::Error&) {
        QApplication::beep();
    }
    hideProgress();
    setBusy(false);
}

void fokep::tabla1_DblClick()
{
    contextView();
}

void fokep::tabla1_RowColChange()
{
    // Follow mode yields to the window; a change meanwhile is caught up by the running one.
    if (m_following)
        return;
    m_following = true;
    followMode();
    m_following = false;
}

void fokep::famas_Click()
{
    const int index = m_state.aktnode;
    if (!Fa->node(index))
        return;
    const QString text = Module1::isFileKey(Fa->key(index)) ? Fa->node(index)->text(0)
                                                            : Module1::pathPattern(Fa->fullPath(index));
    QGuiApplication::clipboard()->setText(text);
}
