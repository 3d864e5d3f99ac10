#pragma once

#include <QDialog>

class MainHost;
class QLineEdit;
class QPushButton;

// "Másolatok keresése": asks for the smallest length and puts the files that
// may be copies of one another into the main window's grid.
class masolat : public QDialog
{
    Q_OBJECT
public:
    explicit masolat(MainHost& host, QWidget* parent = nullptr);

    QLineEdit* hossz;
    QPushButton* keres;
    QPushButton* nem;

    void keres_Click();

private:
    MainHost& m_host;
};
