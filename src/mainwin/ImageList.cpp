#include "ImageList.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

// The file the context view marks: a file with a red arrow on it.
QIcon markedFile(const QIcon& file)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(0, 0, file.pixmap(32, 32));
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(0xd0, 0x20, 0x20));
    p.drawPolygon(QPolygonF{QPointF(1, 12), QPointF(12, 12), QPointF(12, 5), QPointF(24, 18),
                            QPointF(12, 31), QPointF(12, 24), QPointF(1, 24)});
    p.end();
    return QIcon(pm);
}

} // namespace

ImageList::ImageList()
{
    QStyle* style = QApplication::style();
    m_images.insert(QStringLiteral("cd"), QIcon(QStringLiteral(":/icons/cd.png")));
    m_images.insert(QStringLiteral("close"), style->standardIcon(QStyle::SP_DirClosedIcon));
    m_images.insert(QStringLiteral("open"), style->standardIcon(QStyle::SP_DirOpenIcon));
    const QIcon file = style->standardIcon(QStyle::SP_FileIcon);
    m_images.insert(QStringLiteral("elem"), file);
    m_images.insert(QStringLiteral("jelolt"), markedFile(file));
}
