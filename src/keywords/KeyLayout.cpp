#include "KeyLayout.h"

#include <algorithm>
#include <cmath>

namespace keywords {

std::optional<QHash<QString, QRect>> szerkesztoLayout(double outerWidth, double outerHeight,
                                                      double w, double h)
{
    if (!(outerWidth >= 4800 && outerHeight >= 4000))
        return std::nullopt;
    auto rect = [](double left, double top, double width, double height) {
        return QRect(int(std::lround(left)), int(std::lround(top)), int(std::lround(width)),
                     int(std::lround(height)));
    };
    const double margin = 100;
    const double list = w / 6;     // width of the keyword list
    const double bottom = h - 660; // top of the button row
    const double listLeft = w - margin - list;
    const double keszLeft = w - margin - 540;
    const double barLeft = margin + 3 * 1200 + 200;
    QHash<QString, QRect> g;
    g.insert(QStringLiteral("Fotabla"),
             rect(margin, margin, listLeft - 2 * margin, bottom - 2 * margin));
    g.insert(QStringLiteral("kulcsok"), rect(listLeft, margin, list, bottom - 2 * margin));
    g.insert(QStringLiteral("fel"), rect(margin, bottom, 1100, 480));
    g.insert(QStringLiteral("le"), rect(margin + 1200, bottom, 1100, 480));
    g.insert(QStringLiteral("Ok"), rect(margin + 2400, bottom, 1100, 480));
    g.insert(QStringLiteral("bar"),
             rect(barLeft, bottom + 140, std::max(0.0, keszLeft - 200 - barLeft), 200));
    g.insert(QStringLiteral("kesz"), rect(keszLeft, bottom - 15, 540, 510));
    return g;
}

} // namespace keywords
