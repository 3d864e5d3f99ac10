#pragma once

#include "shared/TreeBuilder.h"

#include <QObject>
#include <QPoint>
#include <QString>

class DataGrid;
class MainHost;
class PathTree;
class QMenu;
class QTimer;
class QTreeWidgetItem;

namespace store {
class DataSource;
}

// What the path tree Fa does: it shows one medium at a time, built for the
// grid's current row (context view, follow mode, the host's rebuild), and
// lists a folder's files when the folder is first opened. It reads the grid
// and never moves it; its queries run on Datafa. It keeps the medium label,
// the marked path and name and the last clicked node itself.
class PathTreeController : public QObject
{
    Q_OBJECT
public:
    // 'fam' is the tree's pop-up menu.
    struct Marks
    {
        QString lemezcimke; // the medium label of the tree being built
        QString aktut;      // the path the last context view took from the grid
        QString aktnev;     // the file it marked
        int aktnode = 0;    // the node last clicked
    };

    PathTreeController(PathTree& Fa, store::DataSource& Datafa, DataGrid& grid, MainHost& host,
                       QMenu& fam, QObject* parent = nullptr);

    // The tree of the current row's medium with the row's file marked, or
    // the first file of the row's folder on a folder row.
    void contextView();
    // The grid's current row or column changed: follow mode runs once the
    // events pending now are done, so it never runs in the middle of a
    // command that moves the grid, and a burst of moves runs it once.
    void rowColChanged();
    // While kfriss is checked: the tree of the current row's medium, built
    // only when the tree shows another one.
    void followMode();
    // The tree of the current row's medium, whatever the tree shows now.
    void rebuildForCurrentRow();

    // Only a root placeholder with 'text' ("---" after start, "----" on an empty view).
    void showPlaceholder(const QString& text);
    // Data1 and Datafa now show 'path'. A tree of another catalog would load
    // its folders from this one: it is started afresh, and true returned.
    bool catalogBound(const QString& path, bool fresh);
    const Marks& marks() const { return m_marks; }
    // The pop-up's copy: a file node by its name, a folder by its path pattern.
    void copyNode();

    void Fa_Collapse(QTreeWidgetItem* node);
    void Fa_Expand(QTreeWidgetItem* node);
    void Fa_NodeClick(QTreeWidgetItem* node);
    void Fa_MouseDown(Qt::MouseButton button, const QPoint& globalPos);

private:
    void loadFolder(QTreeWidgetItem* node, bool skipMarked);
    void startTree(const QString& label);
    void buildMediumTree();
    void markArchives();
    QString currentMedium() const;
    Module1::TreeProgress progress();

    PathTree& Fa;
    store::DataSource& Datafa;
    DataGrid& m_grid;
    MainHost& m_host;
    QMenu& m_fam;
    QTimer* m_followTimer;
    QString m_catalog; // the catalog the tree was built from
    int m_barMaximum = 0;
    Marks m_marks;
};
