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

// An archive: a parcel with a zip down its middle, lid raised when open.
QIcon archivePicture(bool open)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor dark(0x7a, 0x52, 0x1e);
    p.setPen(QPen(dark, 1.5));
    p.setBrush(QColor(0xe3, 0xb5, 0x6b));
    p.drawRoundedRect(QRectF(3, 9, 26, 20), 2, 2);
    p.setBrush(QColor(0xf0, 0xcc, 0x8c));
    if (open)
        p.drawPolygon(QPolygonF{QPointF(3, 9), QPointF(29, 9), QPointF(25, 2), QPointF(7, 2)});
    else
        p.drawRoundedRect(QRectF(2, 5, 28, 6), 1.5, 1.5);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    for (int y = open ? 10 : 12; y < 28; y += 3) {
        p.drawLine(QPointF(14, y), QPointF(16, y));
        p.drawLine(QPointF(16, y + 1.5), QPointF(18, y + 1.5));
    }
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
    m_images.insert(QStringLiteral("archivclose"), archivePicture(false));
    m_images.insert(QStringLiteral("archivopen"), archivePicture(true));
}
