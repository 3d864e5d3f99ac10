#include "Pictures.h"

#include "widgets/PictureButton.h"

#include <QPainter>
#include <QPolygonF>

namespace keywords::pictures {

namespace {

QIcon arrow(bool pointsDown)
{
    return widgets::drawnPicture([pointsDown](QPainter& p) {
        QPolygonF shape{QPointF(12, 4),  QPointF(20, 4), QPointF(20, 16), QPointF(27, 16),
                        QPointF(16, 28), QPointF(5, 16), QPointF(12, 16)};
        if (!pointsDown)
            for (QPointF& point : shape)
                point.setY(32 - point.y());
        p.setBrush(QColor(0x2f, 0x6f, 0xc0));
        p.setPen(QPen(QColor(0x1c, 0x43, 0x78), 1.5));
        p.drawPolygon(shape);
    });
}

} // namespace

QIcon down()
{
    return arrow(true);
}

QIcon up()
{
    return arrow(false);
}

QIcon remove()
{
    return widgets::drawnPicture([](QPainter& p) {
        p.setPen(QPen(QColor(0xcc, 0x22, 0x22), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
    });
}

QIcon done()
{
    return widgets::drawnPicture([](QPainter& p) {
        p.setPen(QPen(QColor(0x2e, 0x9e, 0x3b), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF tick[] = {QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)};
        p.drawPolyline(tick, 3);
    });
}

} // namespace keywords::pictures
