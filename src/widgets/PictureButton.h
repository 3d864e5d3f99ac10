#pragma once

#include <QIcon>
#include <QString>
#include <functional>

class QAbstractButton;
class QPainter;

// The picture buttons of the windows: small buttons that show a picture, a
// caption only where the window gives the button one.
namespace widgets {

void dressPictureButton(QAbstractButton* button, const char* name, const QIcon& picture,
                        const QString& tip, int pictureSize);

// Makes 'button' a picture button named as its control (also its
// objectName), showing 'picture' with 'tip' as its tooltip. A push button
// never becomes the window's default button, so Enter keeps its meaning in
// the window's edit boxes.
template <typename Button>
Button* pictureButton(Button* button, const char* name, const QIcon& picture,
                      const QString& tip = {}, int pictureSize = 24)
{
    dressPictureButton(button, name, picture, tip, pictureSize);
    return button;
}

// A picture drawn in code, so a button needs no image file.
QIcon drawnPicture(const std::function<void(QPainter&)>& draw, int size = 32);

} // namespace widgets
