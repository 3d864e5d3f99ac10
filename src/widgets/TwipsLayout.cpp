#include "TwipsLayout.h"

#include <QMainWindow>

void applyTwipsLayout(QMainWindow& window, const TwipsRule& rule)
{
    const double dpiX = window.logicalDpiX();
    const double dpiY = window.logicalDpiY();
    QWidget* central = window.centralWidget();
    const QSize outer = window.frameGeometry().size();
    const QSize inner = central->size();
    const auto geometry =
        rule(pixelsToTwips(outer.width(), dpiX), pixelsToTwips(outer.height(), dpiY),
             pixelsToTwips(inner.width(), dpiX), pixelsToTwips(inner.height(), dpiY));
    if (!geometry)
        return;
    for (auto it = geometry->cbegin(); it != geometry->cend(); ++it) {
        auto* control = central->findChild<QWidget*>(it.key(), Qt::FindDirectChildrenOnly);
        if (!control)
            continue;
        const QRect t = it.value();
        control->setGeometry(twipsToPixels(t.x(), dpiX), twipsToPixels(t.y(), dpiY),
                             twipsToPixels(t.width(), dpiX),
                             twipsToPixels(t.height(), dpiY));
    }
}
