#include "Help.h"

#include "MessageBox.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace platform {

namespace {

struct Recording
{
    bool active = false;
    QStringList requests;
};

Recording& recording()
{
    static Recording r;
    return r;
}

} // namespace

Help::Help(QObject* parent) : QObject(parent) {}

Help::~Help()
{
    delete m_window.data();
}

void Help::setHelpFile(const QString& path)
{
    m_file = path;
}

void Help::showContents()
{
    if (recording().active) {
        recording().requests << QStringLiteral("contents");
        return;
    }
    open(QString());
}

void Help::showTopic(int topic)
{
    if (recording().active) {
        recording().requests << QStringLiteral("topic %1").arg(topic);
        return;
    }
    open(QString::number(topic));
}

void Help::quit()
{
    if (recording().active) {
        recording().requests << QStringLiteral("quit");
        return;
    }
    if (m_window)
        m_window->close();
}

bool Help::isShown() const
{
    return m_window && m_window->isVisible();
}

void Help::open(const QString& anchor)
{
    if (!QFileInfo::exists(m_file)) {
        MessageBox::show(QStringLiteral("A súgó nem található: ") + m_file, MessageBox::Buttons::Ok,
                         MessageBox::Icon::Exclamation);
        return;
    }
    if (!m_window) {
        m_window = new QTextBrowser;
        m_window->setObjectName(QStringLiteral("help"));
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->setWindowTitle(QStringLiteral("Polcozó súgó"));
        m_window->setOpenExternalLinks(true);
        m_window->resize(640, 560);
    }
    QUrl url = QUrl::fromLocalFile(m_file);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    m_window->setSource(url);
    if (anchor.isEmpty())
        m_window->scrollToAnchor(QString());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void Help::startRecording()
{
    recording() = Recording{true, {}};
}

void Help::stopRecording()
{
    recording() = Recording{};
}

QStringList Help::requests()
{
    return recording().requests;
}

} // namespace platform
