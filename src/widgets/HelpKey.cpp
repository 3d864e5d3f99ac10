#include "HelpKey.h"

#include "Menus.h"
#include "platform/Help.h"

#include <QAction>
#include <QMenuBar>
#include <QWidget>

namespace widgets {

namespace {

const char* const kWindowTopic = "windowHelpTopic";

} // namespace

void setHelpTopic(QWidget* window, const QString& topic)
{
    const bool first = !window->property(kWindowTopic).isValid();
    window->setProperty(kWindowTopic, topic);
    if (!first)
        return;
    auto* key = new QAction(window);
    key->setObjectName(QStringLiteral("helpKey"));
    key->setShortcut(QKeySequence(Qt::Key_F1));
    key->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(key, &QAction::triggered, window, [window] {
        platform::Help& help = platform::Help::application();
        const QString t = windowHelpTopic(window);
        if (t.isEmpty())
            help.showContents();
        else
            help.showTopic(t);
    });
    window->addAction(key);
    auto* menus = new MenuHelp(platform::Help::application(), window);
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        menus->watch(bar);
}

QString windowHelpTopic(const QWidget* window)
{
    for (const QWidget* w = window; w; w = w->parentWidget()) {
        const QVariant topic = w->property(kWindowTopic);
        if (topic.isValid())
            return topic.toString();
    }
    return {};
}

} // namespace widgets
