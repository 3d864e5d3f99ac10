#pragma once

#include <QString>

class QWidget;

namespace widgets {

// F1 anywhere in 'window' opens the program's help at 'topic' (a topic
// number or a named section of the help file); on a highlighted entry of the
// window's menus, at the entry's own topic (see Menus.h), else at the
// window's. Call once the window's menus are built.
void setHelpTopic(QWidget* window, const QString& topic);
// The topic set for 'window' or the nearest window it belongs to; empty when none.
QString windowHelpTopic(const QWidget* window);

} // namespace widgets
