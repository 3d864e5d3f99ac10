#include "FokepRules.h"

#include <cmath>

namespace FokepRules {

std::optional<QHash<QString, QRect>> layout(double outerWidth, double outerHeight, double w,
                                            double h)
{
    if (!(outerWidth > 2800 && outerHeight > 2000))
        return std::nullopt;
    auto rect = [](double left, double top, double width, double height) {
        return QRect(int(std::lround(left)), int(std::lround(top)), int(std::lround(width)),
                     int(std::lround(height)));
    };
    QHash<QString, QRect> g;
    g.insert(QStringLiteral("tabla1"), rect(100, 600, 0.75 * w, h - 1000));
    g.insert(QStringLiteral("Fa"), rect(0.765 * w, 600, 0.22 * w, h - 1000));
    g.insert(QStringLiteral("kij"), rect(w - 4200, h - 310, 2000, 240));
    g.insert(QStringLiteral("elem"), rect(w - 2100, h - 310, 2000, 240));
    g.insert(QStringLiteral("vegere"), rect(100, 0, 540, 510));
    g.insert(QStringLiteral("elore"), rect(740, 0, 540, 510));
    g.insert(QStringLiteral("gye"), rect(1380, 0, 540, 510));
    g.insert(QStringLiteral("gyors"), rect(w - 650, 0, 540, 510));
    g.insert(QStringLiteral("bar"), rect(200, h - 300, 3000, 200));
    return g;
}

MuvState muvEnabling(qint64 selectionCount, qint64 recordCount, const QString& lengthText)
{
    MuvState s;
    s.muvf = selectionCount != 0;
    s.osszm = selectionCount != 0 && lengthText != QLatin1String("----");
    s.mv = selectionCount != 0 && selectionCount <= kClipboardLimit;
    s.browse = recordCount != 0;
    return s;
}

} // namespace FokepRules
