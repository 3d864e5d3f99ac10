#include "PictureButton.h"

#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

namespace widgets {

void dressPictureButton(QAbstractButton* button, const char* name, const QIcon& picture,
                        const QString& tip, int pictureSize)
{
    button->setObjectName(QLatin1String(name));
    button->setIcon(picture);
    button->setIconSize(QSize(pictureSize, pictureSize));
    button->setToolTip(tip);
    if (auto* tool = qobject_cast<QToolButton*>(button))
        tool->setAutoRaise(false);
    if (auto* push = qobject_cast<QPushButton*>(button))
        push->setAutoDefault(false);
}

QIcon drawnPicture(const std::function<void(QPainter&)>& draw, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QIcon(pm);
}

} // namespace widgets
