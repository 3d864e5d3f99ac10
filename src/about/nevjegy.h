#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>

class QLabel;
class QPushButton;

struct NevjegyLayout
{
    QSize window;
    QRect Picture1;
    QRect Label1;
    QRect Label2;
    QRect kesz;
};

// Fits the window to the picture and the title: 3 % wider than a title wider
// than the picture, else 10 % wider than the picture; the controls centred,
// stacked with a gap of 'gap' units. All sizes in one unit.
NevjegyLayout layoutNevjegy(QSize picture, QSize label1, QSize label2, QSize kesz, int gap);

// The about box, also the start-up window (then without its button).
class nevjegy : public QDialog
{
    Q_OBJECT
public:
    explicit nevjegy(QWidget* parent = nullptr);

    // As the start-up window: no button, shown without waiting.
    void showAsSplash();

    QLabel* Picture1;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* kesz;

    static QString versionLine();

private:
    void Form_Load();
    void kesz_Click();
};
