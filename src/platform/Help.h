#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QTextBrowser;

namespace platform {

// The program's help: an HTML file shown in a help window of its own. Topic
// numbers are anchors in the file.
class Help : public QObject
{
    Q_OBJECT
public:
    explicit Help(QObject* parent = nullptr);
    ~Help() override;

    void setHelpFile(const QString& path);
    QString helpFile() const { return m_file; }

    void showContents();
    void showTopic(int topic);
    void quit();
    bool isShown() const;

    // Test seam: requests are recorded ("contents", "topic 250", "quit")
    // instead of opening a window.
    static void startRecording();
    static void stopRecording();
    static QStringList requests();

private:
    void open(const QString& anchor);

    QString m_file;
    QPointer<QTextBrowser> m_window;
};

} // namespace platform
