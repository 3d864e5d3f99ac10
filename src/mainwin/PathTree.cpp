#include "PathTree.h"

#include <QIcon>
#include <QMouseEvent>

namespace {

// What the tree keeps of a node, as members: item data would cost an
// allocation a role, and the text and picture two more, on every node of a
// large tree.
class PathNode : public QTreeWidgetItem
{
public:
    explicit PathNode(const QString& text) : shown(text) {}

    QVariant data(int column, int role) const override
    {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return shown;
        if (column == 0 && role == Qt::DecorationRole)
            return picture;
        return QTreeWidgetItem::data(column, role);
    }

    void setPicture(const QIcon& icon)
    {
        picture = icon;
        if (treeWidget())
            emitDataChanged();
    }

    int index = 0;
    QString shown;
    QIcon picture;
    QString key;
    QString tag;
    QString image;
    QStringList stored;
};

PathNode* pathNode(QTreeWidgetItem* item)
{
    return static_cast<PathNode*>(item);
}

const PathNode* pathNode(const QTreeWidgetItem* item)
{
    return static_cast<const PathNode*>(item);
}

} // namespace

PathTree::PathTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
}

int PathTree::add(const QString& parentKey, const QString& key, const QString& text,
                  const QString& image)
{
    if (m_keys.contains(key))
        return 0;
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = node(m_keys.value(parentKey, 0));
        if (!parent)
            return 0;
    }
    auto* item = new PathNode(text);
    if (parent)
        parent->addChild(item);
    else if (m_building)
        m_pending.append(item);
    else
        addTopLevelItem(item);
    m_nodes.append(item);
    const int index = int(m_nodes.size());
    m_keys.insert(key, index);
    item->index = index;
    item->key = key;
    setImage(index, image);
    // A folder's files come on first opening: until then it offers to open.
    if (image == QLatin1String("close"))
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return index;
}

void PathTree::addStoredPath(const QString& key, const QString& storedPath)
{
    if (QTreeWidgetItem* item = node(indexOfKey(key))) {
        QStringList& paths = pathNode(item)->stored;
        if (!paths.contains(storedPath))
            paths.append(storedPath);
    }
}

QStringList PathTree::storedPaths(int index) const
{
    const QTreeWidgetItem* item = node(index);
    return item ? pathNode(item)->stored : QStringList();
}

bool PathTree::isFileNode(int index) const
{
    const QString shown = image(index);
    return shown == QLatin1String("elem") || shown == QLatin1String("jelolt");
}

void PathTree::takePending()
{
    m_building = false;
    addTopLevelItems(m_pending);
    m_pending.clear();
}

void PathTree::clearNodes()
{
    qDeleteAll(m_pending);
    m_pending.clear();
    clear();
    m_nodes.clear();
    m_keys.clear();
    m_archives.clear();
}

QTreeWidgetItem* PathTree::node(int index) const
{
    return index >= 1 && index <= m_nodes.size() ? m_nodes.at(index - 1) : nullptr;
}

int PathTree::indexOf(const QTreeWidgetItem* item) const
{
    return item ? pathNode(item)->index : 0;
}

QString PathTree::key(int index) const
{
    const QTreeWidgetItem* item = node(index);
    return item ? pathNode(item)->key : QString();
}

QString PathTree::tag(int index) const
{
    const QTreeWidgetItem* item = node(index);
    return item ? pathNode(item)->tag : QString();
}

void PathTree::setTag(int index, const QString& tag)
{
    if (QTreeWidgetItem* item = node(index))
        pathNode(item)->tag = tag;
}

void PathTree::setImage(int index, const QString& image)
{
    if (QTreeWidgetItem* item = node(index)) {
        pathNode(item)->image = image;
        const bool archive = m_archives.contains(index) &&
                             (image == QLatin1String("close") || image == QLatin1String("open"));
        pathNode(item)->setPicture(
            m_images.image(archive ? QStringLiteral("archiv") + image : image));
    }
}

void PathTree::setArchive(int index)
{
    if (!node(index))
        return;
    m_archives.insert(index);
    setImage(index, image(index));
}

QString PathTree::image(int index) const
{
    const QTreeWidgetItem* item = node(index);
    return item ? pathNode(item)->image : QString();
}

QString PathTree::fullPath(int index) const
{
    QString path;
    for (const QTreeWidgetItem* item = node(index); item; item = item->parent())
        path = path.isEmpty() ? item->text(0) : item->text(0) + QLatin1Char('\\') + path;
    return path;
}

void PathTree::ensureVisible(int index)
{
    QTreeWidgetItem* item = node(index);
    if (!item)
        return;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        up->setExpanded(true);
    scrollToItem(item);
    setCurrentItem(item);
}

void PathTree::mousePressEvent(QMouseEvent* e)
{
    Q_EMIT MouseDown(e->button(), e->globalPosition().toPoint());
    QTreeWidget::mousePressEvent(e);
}
