#include "MessageBox.h"

#include "ScriptedAnswers.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

ScriptedAnswers<MessageBox::Answer, MessageBox::Shown>& script()
{
    static ScriptedAnswers<MessageBox::Answer, MessageBox::Shown> s;
    return s;
}

MessageBox::Answer firstButton(MessageBox::Buttons buttons)
{
    switch (buttons) {
    case MessageBox::Buttons::YesNo:
        return MessageBox::Answer::Yes;
    case MessageBox::Buttons::RetryCancel:
        return MessageBox::Answer::Retry;
    default:
        return MessageBox::Answer::Ok;
    }
}

} // namespace

QString MessageBox::title()
{
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Polcozó") : name;
}

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& text, Buttons buttons,
                                    Icon icon)
{
    if (script().active())
        return script().answer({text, buttons, icon, title()}, firstButton(buttons));

    QMessageBox box(parent);
    box.setWindowTitle(title());
    QString shownText = text;
    shownText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shownText);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    QPushButton* first = nullptr;
    QPushButton* second = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        first = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        break;
    case Buttons::OkCancel:
        first = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        second = box.addButton(QStringLiteral("Mégse"), QMessageBox::RejectRole);
        break;
    case Buttons::YesNo:
        first = box.addButton(QStringLiteral("Igen"), QMessageBox::YesRole);
        second = box.addButton(QStringLiteral("Nem"), QMessageBox::NoRole);
        break;
    case Buttons::RetryCancel:
        first = box.addButton(QStringLiteral("Újra"), QMessageBox::AcceptRole);
        second = box.addButton(QStringLiteral("Mégse"), QMessageBox::RejectRole);
        break;
    }
    box.setDefaultButton(first);
    if (second)
        box.setEscapeButton(second);
    // The busy pointer of a long command must not hide the box's buttons.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();

    const bool firstChosen = box.clickedButton() == first || (!second && box.clickedButton() == nullptr);
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return firstChosen ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
        return firstChosen ? Answer::Yes : Answer::No;
    case Buttons::RetryCancel:
        return firstChosen ? Answer::Retry : Answer::Cancel;
    }
    return Answer::Ok;
}

void MessageBox::startScript(const QList<Answer>& answers)
{
    script().start(answers);
}

void MessageBox::addAnswers(const QList<Answer>& answers)
{
    script().add(answers);
}

void MessageBox::stopScript()
{
    script().stop();
}

QList<MessageBox::Shown> MessageBox::shown()
{
    return script().requests();
}

QList<MessageBox::Shown> MessageBox::takeShown()
{
    return script().takeRequests();
}

} // namespace platform
