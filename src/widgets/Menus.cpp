#include "Menus.h"

#include "HelpKey.h"
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
        setHelpTopic(menu->menuAction(), QString::number(helpTopic));
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
        setHelpTopic(a, QString::number(helpTopic));
    return a;
}

QAction* addSeparator(QMenu* menu, const char* name)
{
    QAction* a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

QString helpTopic(const QAction* entry)
{
    return entry ? entry->property(kHelpTopic).toString() : QString();
}

void setHelpTopic(QAction* entry, const QString& topic)
{
    entry->setProperty(kHelpTopic, topic);
}

MenuHelp::MenuHelp(platform::Help& help, QWidget* window)
    : QObject(window), m_help(help), m_window(window)
{
}

void MenuHelp::watch(QMenuBar* bar)
{
    bar->installEventFilter(this);
    for (QMenu* menu : bar->findChildren<QMenu*>())
        menu->installEventFilter(this);
}

void MenuHelp::watch(QMenu* menu)
{
    menu->installEventFilter(this);
    for (QMenu* sub : menu->findChildren<QMenu*>())
        sub->installEventFilter(this);
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
            QString topic = helpTopic(active);
            if (topic.isEmpty())
                topic = windowHelpTopic(m_window);
            if (topic.isEmpty())
                m_help.showContents();
            else
                m_help.showTopic(topic);
            return true;
        }
    }
    return QObject::eventFilter(watched, e);
}

} // namespace widgets
