#pragma once

#include <QHash>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

// The main window's rules that need no window: where the controls go and
// which "Műveletek" items are enabled.
namespace FokepRules {

// Control geometries in twips, by control name, for an inner size of w x h
// twips; nothing when the outer size is too small to lay out.
std::optional<QHash<QString, QRect>> layout(double outerWidth, double outerHeight, double w,
                                            double h);

struct MuvState
{
    bool muvf = false; // also the button gye
    bool osszm = false;
    bool mv = false;
    bool browse = false; // mki, uge, ugv, korny
};

// lengthText: column 2 of the grid's current row ("----" on a folder row).
MuvState muvEnabling(qint64 selectionCount, qint64 recordCount, const QString& lengthText);

// Most rows the clipboard copy accepts.
constexpr qint64 kClipboardLimit = 500;

} // namespace FokepRules
