#pragma once

#include <QHash>
#include <QRect>
#include <QString>
#include <optional>

namespace keywords {

// Where the key-assignment window's controls go, in twips, by control name,
// for an inner size of w x h twips: the grid on the left over most of the
// width, the keyword list on the right over about a sixth, the buttons and
// the progress bar along the bottom. Nothing when the window is smaller than
// 4800 x 4000 twips (outer size), as a minimised window is.
std::optional<QHash<QString, QRect>> szerkesztoLayout(double outerWidth, double outerHeight,
                                                      double w, double h);

} // namespace keywords
