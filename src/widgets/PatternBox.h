#pragma once

#include <QComboBox>
#include <QStringList>

// An editable drop-down for a pattern: its list holds the pattern history
// (empty entries included, as the history keeps them), its edit text is the
// pattern. Typing never adds to the list: the window decides what enters the
// history.
class PatternBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PatternBox(QWidget* parent = nullptr);

    // Replaces the list, keeping the edit text.
    void setEntries(const QStringList& entries);
    QStringList entries() const;

Q_SIGNALS:
    // Enter or Escape pressed in the box (not while its list is open).
    void KeyDown(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};
