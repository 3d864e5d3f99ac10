#include "PathTreeController.h"

#include "ArchiveNodes.h"
#include "PathTree.h"
#include "platform/ErrorNumbers.h"
#include "platform/Skipped.h"
#include "shared/HostScopes.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/ResultModel.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTimer>

PathTreeController::PathTreeController(PathTree& fa, store::DataSource& datafa, DataGrid& grid,
                                       MainHost& host, QMenu& fam, QObject* parent)
    : QObject(parent), Fa(fa), Datafa(datafa), m_grid(grid), m_host(host), m_fam(fam)
{
    m_followTimer = new QTimer(this);
    m_followTimer->setSingleShot(true);
    m_followTimer->setInterval(0);
    connect(m_followTimer, &QTimer::timeout, this, &PathTreeController::followMode);
    connect(&Fa, &QTreeWidget::itemCollapsed, this, &PathTreeController::Fa_Collapse);
    connect(&Fa, &QTreeWidget::itemExpanded, this, &PathTreeController::Fa_Expand);
    connect(&Fa, &QTreeWidget::itemClicked, this, &PathTreeController::Fa_NodeClick);
    connect(&Fa, &PathTree::MouseDown, this, &PathTreeController::Fa_MouseDown);
}

void PathTreeController::showPlaceholder(const QString& text)
{
    if (QTreeWidgetItem* first = Fa.node(1))
        first->setExpanded(false);
    Fa.clearNodes();
    Fa.add(QString(), QStringLiteral("a"), text, QStringLiteral("cd"));
}

bool PathTreeController::catalogBound(const QString& path, bool fresh)
{
    const bool restart = fresh || path != m_catalog;
    if (restart) {
        showPlaceholder(QStringLiteral("---"));
        m_marks.aktut.clear();
        m_marks.aktnev.clear();
        m_marks.aktnode = 0;
    }
    m_catalog = path;
    return restart;
}

Module1::TreeProgress PathTreeController::progress()
{
    return {[this](int maximum) {
                m_barMaximum = maximum;
                m_host.showProgress(0, maximum);
            },
            [this](int value) { m_host.showProgress(value, m_barMaximum); }};
}

void PathTreeController::Fa_Collapse(QTreeWidgetItem* node)
{
    const int index = Fa.indexOf(node);
    // A file node is "expanded" too by the tree's expand-all key ('*').
    if (index != 1 && !Fa.isFileNode(index))
        Fa.setImage(index, QStringLiteral("close"));
}

void PathTreeController::Fa_Expand(QTreeWidgetItem* node)
{
    const int index = Fa.indexOf(node);
    if (Fa.isFileNode(index))
        return;
    if (index != 1)
        Fa.setImage(index, QStringLiteral("open"));
    if (Fa.tag(index) != QLatin1String("1"))
        loadFolder(node, true);
}

void PathTreeController::Fa_NodeClick(QTreeWidgetItem* node)
{
    const int index = Fa.indexOf(node);
    m_marks.aktnode = index;
    if (!Fa.isFileNode(index) && Fa.tag(index) != QLatin1String("1")) {
        loadFolder(node, false);
        node->setExpanded(true);
    }
}

void PathTreeController::Fa_MouseDown(Qt::MouseButton button, const QPoint& globalPos)
{
    if (button != Qt::RightButton || m_host.state().recordCount == 0)
        return;
    // The pop-up's copy works on the node under the pointer.
    if (QTreeWidgetItem* under = Fa.itemAt(Fa.viewport()->mapFromGlobal(globalPos)))
        m_marks.aktnode = Fa.indexOf(under);
    m_fam.popup(globalPos);
}

// A folder's files, once per tree; on Expand without the marked file, which
// the context view has already put there.
void PathTreeController::loadFolder(QTreeWidgetItem* node, bool skipMarked)
{
    const int index = Fa.indexOf(node);
    Fa.setTag(index, QStringLiteral("1"));
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    try {
        Module1::loadFolderFiles(Fa, Datafa, Fa.key(index), Fa.storedPaths(index),
                                 skipMarked ? &m_marks.aktnev : nullptr);
    } catch (const platform::Error&) {
        QApplication::beep();
    }
}

// The tree is emptied and Datafa given the folders of the medium 'label'.
void PathTreeController::startTree(const QString& label)
{
    if (QTreeWidgetItem* first = Fa.node(1))
        first->setExpanded(false);
    Fa.clearNodes();
    m_marks.aktnode = 0;
    const Module1::MediumQuery folders = Module1::mediumQuery(Datafa.database(), label);
    Datafa.setRecordSource(folders.sql, folders.params);
    Datafa.refresh();
}

void PathTreeController::contextView()
{
    if (m_host.state().recordCount == 0)
        return;
    BusyScope busy(m_host);
    ProgressScope bar(m_host);
    m_grid.setCol(1);
    m_marks.aktut = m_grid.text();
    m_grid.setCol(0);
    m_marks.aktnev = m_grid.text();
    m_marks.lemezcimke = Module1::mediumLabel(m_marks.aktut);
    m_grid.setCol(2);
    try {
        if (m_grid.text() == QLatin1String("----")) {
            // A folder row: its first file is the one to mark.
            Datafa.setRecordSource(
                QStringLiteral("SELECT prgnev.nev FROM prgnev, ut WHERE ut.ut=?1 AND "
                               "prgnev.utid=ut.id AND prgnev.nev LIKE ?2"),
                {m_marks.aktut, m_marks.aktnev});
            Datafa.refresh();
            m_marks.aktnev = Datafa.recordCount() > 0 ? Datafa.cell(0, 0).toString() : QString();
        }
        int shown = 0;
        {
            PathTree::Building building(Fa);
            startTree(m_marks.lemezcimke);
            if (m_marks.aktnev.isEmpty()) {
                // A folder without files: the folder itself is shown.
                Module1::faepit(Fa, Datafa, m_marks.lemezcimke, progress());
                shown = Fa.indexOfKey(m_marks.aktut);
            } else {
                shown = Module1::faepit_jelol(Fa, Datafa, m_marks.lemezcimke, m_marks.aktut,
                                              m_marks.aktnev, progress());
            }
            markArchives();
        }
        if (shown)
            Fa.ensureVisible(shown);
        else
            QApplication::beep();
    } catch (const platform::Error&) {
        QApplication::beep();
    }
}

void PathTreeController::rowColChanged()
{
    m_followTimer->start();
}

// The medium part of the current row's path (-CD_1- E:). Read where the
// cursor is: moving it to column 1 would keep the user from ever leaving
// that column.
QString PathTreeController::currentMedium() const
{
    const qint64 row = m_grid.row();
    return row < 0 ? QString() : Module1::utresz(m_grid.model()->cellText(row, 1), 0);
}

void PathTreeController::followMode()
{
    if (!m_host.contextRefresh() || m_host.state().recordCount == 0)
        return;
    const QString medium = currentMedium();
    if (medium.isEmpty())
        return;
    m_marks.aktut = medium;
    m_marks.lemezcimke = Module1::mediumLabel(m_marks.aktut);
    if (QTreeWidgetItem* first = Fa.node(1); first && first->text(0) == m_marks.lemezcimke)
        return;
    buildMediumTree();
}

// As follow mode, whatever medium the tree shows now: the rows under it may
// have changed.
void PathTreeController::rebuildForCurrentRow()
{
    if (m_host.state().recordCount == 0)
        return;
    const QString medium = currentMedium();
    if (medium.isEmpty())
        return;
    m_marks.lemezcimke = Module1::mediumLabel(medium);
    buildMediumTree();
}

// The tree of the medium lemezcimke, its root expanded.
void PathTreeController::buildMediumTree()
{
    const QString label = m_marks.lemezcimke;
    BusyScope busy(m_host);
    ProgressScope bar(m_host);
    try {
        {
            PathTree::Building building(Fa);
            startTree(label);
            Module1::faepit(Fa, Datafa, label, progress());
            markArchives();
        }
        if (QTreeWidgetItem* first = Fa.node(1))
            first->setExpanded(true);
    } catch (const platform::Error&) {
        QApplication::beep();
        // A root with the label, so the next row of this medium does not try again.
        if (!Fa.node(1))
            Fa.add(QString(), QStringLiteral("a"), label, QStringLiteral("cd"));
    }
}

// Archives recorded with their members show as archives. The tree works
// without it, so a catalog that cannot tell only shows plain folders.
void PathTreeController::markArchives()
{
    QStringList stored;
    QList<int> nodeOf; // stored path's node
    for (int i = 2; i <= Fa.count(); ++i) {
        if (Fa.isFileNode(i))
            continue;
        // A folder left without files by the builder's clean-up (a tarball's
        // top, say) has no row of its own: its key is the path it would have.
        QStringList paths = Fa.storedPaths(i);
        if (paths.isEmpty())
            paths << Fa.key(i);
        stored << paths;
        nodeOf.insert(nodeOf.size(), paths.size(), i);
    }
    try {
        for (const qsizetype position : archiveFolders(Datafa.database(), stored))
            Fa.setArchive(nodeOf.at(position));
    } catch (const platform::Error& e) {
        platform::logSkipped("PathTreeController::markArchives", e);
    }
}

void PathTreeController::copyNode()
{
    const int index = m_marks.aktnode;
    if (!Fa.node(index))
        return;
    const QString text =
        Fa.isFileNode(index) ? Fa.node(index)->text(0) : Module1::pathPattern(Fa.fullPath(index));
    QGuiApplication::clipboard()->setText(text);
}
