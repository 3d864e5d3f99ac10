#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

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
// The help topic of a menu entry: a topic number or a named section; empty
// when it has none.
QString helpTopic(const QAction* entry);
void setHelpTopic(QAction* entry, const QString& topic);

// F1 on a highlighted menu entry opens that entry's help topic; on an entry
// without a topic of its own, the topic of the window the menus belong to
// (see HelpKey.h), or the help's contents when that has none either.
class MenuHelp : public QObject
{
    Q_OBJECT
public:
    // 'window' owns the menus; it also owns this object.
    MenuHelp(platform::Help& help, QWidget* window);
    // The bar and every menu on it, submenus included; call once they are built.
    void watch(QMenuBar* bar);
    // A pop-up menu and its submenus.
    void watch(QMenu* menu);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    platform::Help& m_help;
    QWidget* m_window;
};

} // namespace widgets
