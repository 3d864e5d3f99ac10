#pragma once

#include "ImageList.h"
#include "shared/TreeBuilder.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QTreeWidget>

// The path tree Fa: nodes with keys, tags and images from the image list,
// numbered from 1 in the order they were added.
class PathTree : public QTreeWidget, public TreeNodes
{
    Q_OBJECT
public:
    explicit PathTree(QWidget* parent = nullptr);

    // TreeNodes
    int count() const override { return int(m_nodes.size()); }
    int add(const QString& parentKey, const QString& key, const QString& text,
            const QString& image) override;
    void addStoredPath(const QString& key, const QString& storedPath) override;
    QStringList storedPaths(int index) const;
    // File nodes by what they show: a folder's name may end like a file key.
    bool isFileNode(int index) const;

    void clearNodes();
    // Nodes added while a Building lives reach the widget in one piece when
    // it ends: a model signal for each node is most of a large tree's cost.
    class Building
    {
    public:
        explicit Building(PathTree& tree) : m_tree(tree) { m_tree.m_building = true; }
        ~Building() { m_tree.takePending(); }
        Building(const Building&) = delete;
        Building& operator=(const Building&) = delete;

    private:
        PathTree& m_tree;
    };
    QTreeWidgetItem* node(int index) const; // 1-based; nullptr outside
    int indexOf(const QTreeWidgetItem* item) const;
    int indexOfKey(const QString& key) const { return m_keys.value(key, 0); }
    QString key(int index) const;
    QString tag(int index) const;
    void setTag(int index, const QString& tag);
    // An archive's folder node keeps its "close" and "open" keys but shows
    // the archive's pictures for them.
    void setImage(int index, const QString& image);
    QString image(int index) const;
    void setArchive(int index);
    bool isArchiveNode(int index) const { return m_archives.contains(index); }
    // The texts from the root down to the node, joined by "\".
    QString fullPath(int index) const;
    // Expands the node's ancestors, scrolls to it and selects it.
    void ensureVisible(int index);

Q_SIGNALS:
    // A mouse button went down over the tree.
    void MouseDown(Qt::MouseButton button, const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    void takePending();

    ImageList m_images;
    bool m_building = false;
    QList<QTreeWidgetItem*> m_pending; // top nodes not in the widget yet
    QList<QTreeWidgetItem*> m_nodes;
    QHash<QString, int> m_keys;
    QSet<int> m_archives;
};
