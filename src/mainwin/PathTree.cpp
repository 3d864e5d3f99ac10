#include "PathTree.h"

#include <QMouseEvent>

namespace {

constexpr int kIndexRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kTagRole = Qt::UserRole + 2;
constexpr int kImageRole = Qt::UserRole + 3;

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
    auto* item = parent ? new QTreeWidgetItem(parent, QStringList{text})
                        : new QTreeWidgetItem(this, QStringList{text});
    m_nodes.append(item);
    const int index = int(m_nodes.size());
    m_keys.insert(key, index);
    item->setData(0, kIndexRole, index);
    item->setData(0, kKeyRole, key);
    item->setData(0, kTagRole, QString());
    setImage(index, image);
    // A folder's files come on first opening: until then it offers to open.
    if (image == QLatin1String("close"))
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return index;
}

void PathTree::addStoredPath(const QString& key, const QString& storedPath)
{
    QStringList& paths = m_stored[key];
    if (!paths.contains(storedPath))
        paths.append(storedPath);
}

bool PathTree::isFileNode(int index) const
{
    const QString shown = image(index);
    return shown == QLatin1String("elem") || shown == QLatin1String("jelolt");
}

void PathTree::clearNodes()
{
    clear();
    m_nodes.clear();
    m_keys.clear();
    m_stored.clear();
    m_archives.clear();
}

QTreeWidgetItem* PathTree::node(int index) const
{
    return index >= 1 && index <= m_nodes.size() ? m_nodes.at(index - 1) : nullptr;
}

int PathTree::indexOf(const QTreeWidgetItem* item) const
{
    return item ? item->data(0, kIndexRole).toInt() : 0;
}

QString PathTree::key(int index) const
{
    const QTreeWidgetItem* item = node(index);
    return item ? item->data(0, kKeyRole).toString() : QString();
}

QString PathTree::tag(int index) const
{
    const QTreeWidgetItem* item = node(index);
    return item ? item->data(0, kTagRole).toString() : QString();
}

void PathTree::setTag(int index, const QString& tag)
{
    if (QTreeWidgetItem* item = node(index))
        item->setData(0, kTagRole, tag);
}

void PathTree::setImage(int index, const QString& image)
{
    if (QTreeWidgetItem* item = node(index)) {
        item->setData(0, kImageRole, image);
        const bool archive = m_archives.contains(index) &&
                             (image == QLatin1String("close") || image == QLatin1String("open"));
        item->setIcon(0, m_images.image(archive ? QStringLiteral("archiv") + image : image));
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
    return item ? item->data(0, kImageRole).toString() : QString();
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
