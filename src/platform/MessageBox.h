#pragma once

#include "MessageKinds.h"

#include <QList>
#include <QString>

class QWidget;

namespace platform {

// Every message box of the program goes through here, so tests can read what
// was shown and script the user's answer.
class MessageBox : public MessageKinds
{
public:
    struct Shown
    {
        QString text;
        Buttons buttons;
        Icon icon;
        QString title;
    };

    static Answer show(QWidget* parent, const QString& text, Buttons buttons = Buttons::Ok,
                       Icon icon = Icon::None);
    static Answer show(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None)
    {
        return show(nullptr, text, buttons, icon);
    }

    // The application title shown in every box's caption.
    static QString title();

    // Test seam: while scripting, nothing is shown; each box takes the next
    // scripted answer (or the first button when the script is empty).
    static void startScript(const QList<Answer>& answers = {});
    static void addAnswers(const QList<Answer>& answers);
    static void stopScript();
    static QList<Shown> shown();
    static QList<Shown> takeShown();
};

} // namespace platform
