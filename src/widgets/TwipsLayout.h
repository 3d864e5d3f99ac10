#pragma once

#include <QHash>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

class QMainWindow;

constexpr int kTwipsPerInch = 1440;

inline int twipsToPixels(double twips, double dpi)
{
    return int(twips * dpi / kTwipsPerInch + 0.5);
}
inline double pixelsToTwips(int pixels, double dpi)
{
    return pixels * kTwipsPerInch / dpi;
}

// A window's resize rule: control geometries in twips by control name, from the
// outer and inner sizes in twips; nothing when the window is too small.
using TwipsRule = std::function<std::optional<QHash<QString, QRect>>(double outerWidth, double outerHeight,
                                                                      double innerWidth, double innerHeight)>;

// Places the central widget's named children by 'rule' at the window's resolution.
void applyTwipsLayout(QMainWindow& window, const TwipsRule& rule);
