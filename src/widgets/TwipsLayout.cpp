#include "TwipsLayout.h"

#include "mainwin/FokepRules.h"

#include <QMainWindow>

void applyTwipsLayout(QMainWindow& window, const TwipsRule& rule)
{
    const double dpiX = window.logicalDpiX();
    const double dpiY = window.logicalDpiY();
    QWidget* central = window.centralWidget();
    const QSize outer = window.frameGeometry().size();
    const QSize inner = central->size();
    const auto geometry =
        rule(FokepRules::pixelsToTwips(outer.width(), dpiX), FokepRules::pixelsToTwips(outer.height(), dpiY),
             FokepRules::pixelsToTwips(inner.width(), dpiX), FokepRules::pixelsToTwips(inner.height(), dpiY));
    if (!geometry)
        return;
    for (auto it = geometry->cbegin(); it != geometry->cend(); ++it) {
        auto* control = central->findChild<QWidget*>(it.key(), Qt::FindDirectChildrenOnly);
        if (!control)
            continue;
        const QRect t = it.value();
        control->setGeometry(FokepRules::twipsToPixels(t.x(), dpiX), FokepRules::twipsToPixels(t.y(), dpiY),
                             FokepRules::twipsToPixels(t.width(), dpiX),
                             FokepRules::twipsToPixels(t.height(), dpiY));
    }
}
