#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

namespace platform {
class Help;
}

// Menus written as a table: each entry named as its control (also its
// objectName), with its caption, shortcut and help topic.
namespace widgets {

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption, int helpTopic = 0);
QMenu* addMenu(QMenu* parent, const char* name, const QString& caption, int helpTopic = 0);
QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = {}, int helpTopic = 0);
QAction* addSeparator(QMenu* menu, const char* name);
// The help topic of a menu entry; 0 when it has none.
int helpTopic(const QAction* entry);

// F1 on a highlighted menu entry opens that entry's help topic; on an entry
// without a topic of its own, the help's contents, as F1 anywhere else in
// the window does.
class MenuHelp : public QObject
{
    Q_OBJECT
public:
    explicit MenuHelp(platform::Help& help, QObject* parent = nullptr);
    // The bar and every menu on it, submenus included; call once they are built.
    void watch(QMenuBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    platform::Help& m_help;
};

} // namespace widgets
