#include "Menus.h"

#include "platform/Help.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace widgets {

namespace {

const char* const kHelpTopic = "helpTopic";

QMenu* named(QMenu* menu, const char* name, int helpTopic)
{
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    if (helpTopic)
        menu->menuAction()->setProperty(kHelpTopic, helpTopic);
    return menu;
}

} // namespace

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption, int helpTopic)
{
    return named(bar->addMenu(caption), name, helpTopic);
}

QMenu* addMenu(QMenu* parent, const char* name, const QString& caption, int helpTopic)
{
    return named(parent->addMenu(caption), name, helpTopic);
}

QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut, int helpTopic)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(shortcut);
    if (helpTopic)
        a->setProperty(kHelpTopic, helpTopic);
    return a;
}

QAction* addSeparator(QMenu* menu, const char* name)
{
    QAction* a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

int helpTopic(const QAction* entry)
{
    return entry ? entry->property(kHelpTopic).toInt() : 0;
}

MenuHelp::MenuHelp(platform::Help& help, QObject* parent) : QObject(parent), m_help(help) {}

void MenuHelp::watch(QMenuBar* bar)
{
    bar->installEventFilter(this);
    for (QMenu* menu : bar->findChildren<QMenu*>())
        menu->installEventFilter(this);
}

bool MenuHelp::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
        QAction* active = nullptr;
        if (auto* menu = qobject_cast<QMenu*>(watched))
            active = menu->activeAction();
        else if (auto* bar = qobject_cast<QMenuBar*>(watched))
            active = bar->activeAction();
        if (active) {
            if (const int topic = helpTopic(active))
                m_help.showTopic(topic);
            else
                m_help.showContents();
            return true;
        }
    }
    return QObject::eventFilter(watched, e);
}

} // namespace widgets
