#include "PatternBox.h"

#include <QKeyEvent>
#include <QLineEdit>

PatternBox::PatternBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(10);
    // The history holds patterns as typed; completing them would change what
    // the user meant.
    setCompleter(nullptr);
    lineEdit()->installEventFilter(this);
}

void PatternBox::setEntries(const QStringList& entries)
{
    const QString text = currentText();
    clear();
    addItems(entries);
    setCurrentIndex(-1);
    setEditText(text);
}

QStringList PatternBox::entries() const
{
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

bool PatternBox::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == lineEdit() && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            emit KeyDown(key == Qt::Key_Escape ? Qt::Key_Escape : Qt::Key_Return);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, e);
}

void PatternBox::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        emit KeyDown(key == Qt::Key_Escape ? Qt::Key_Escape : Qt::Key_Return);
        e->accept();
        return;
    }
    QComboBox::keyPressEvent(e);
}
