#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace platform {

// The help window: the help file in a browser, with back and forward and a
// search in the page.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The next (or previous) place of the search text, from the cursor on,
    // wrapping round at the end; false when the page does not hold it.
    bool findNext(bool backward = false);

    QTextBrowser* browser;
    QToolButton* vissza;
    QToolButton* elore;
    QToolButton* tartalom;
    QLineEdit* keres;
    QToolButton* kovetkezo;
    QToolButton* elozo;
    QLabel* nincs;
};

// The program's help: an HTML file shown in a help window of its own. Topics
// are anchors in the file: the menus' topic numbers and named sections.
class Help : public QObject
{
    Q_OBJECT
public:
    explicit Help(QObject* parent = nullptr);
    ~Help() override;

    // The help of the running program: one help window, whichever of its
    // windows asks for it.
    static Help& application();

    void setHelpFile(const QString& path);
    QString helpFile() const { return m_file; }

    void showContents();
    void showTopic(int topic);
    void showTopic(const QString& topic);
    void quit();
    bool isShown() const;
    // The window while it exists.
    HelpWindow* viewer() const { return m_window; }

    // Test seam: requests are recorded ("contents", "topic 250", "quit")
    // instead of opening a window.
    static void startRecording();
    static void stopRecording();
    static QStringList requests();

private:
    void open(const QString& anchor);

    QString m_file;
    QPointer<HelpWindow> m_window;
};

} // namespace platform
