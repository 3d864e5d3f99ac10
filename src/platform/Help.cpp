#include "Help.h"

#include "MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <functional>

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

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text, const QString& tip,
                        QStyle::StandardPixmap icon)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    return b;
}

void addKey(QWidget* window, const QKeySequence& key, const std::function<void()>& run)
{
    auto* a = new QAction(window);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(a, &QAction::triggered, window, run);
    window->addAction(a);
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("help"));
    setWindowTitle(QStringLiteral("Polcozó súgó"));

    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("browser"));
    browser->setOpenExternalLinks(true);
    vissza = toolButton(this, "vissza", QStringLiteral("Vissza"),
                        QStringLiteral("Vissza az előzőleg megnézett helyre (Alt+Balra)"),
                        QStyle::SP_ArrowBack);
    elore = toolButton(this, "elore", QStringLiteral("Előre"),
                       QStringLiteral("Előre a később megnézett helyre (Alt+Jobbra)"),
                       QStyle::SP_ArrowForward);
    tartalom = toolButton(this, "tartalom", QStringLiteral("Tartalom"),
                          QStringLiteral("A súgó tartalomjegyzéke"), QStyle::SP_DirHomeIcon);
    vissza->setEnabled(false);
    elore->setEnabled(false);

    auto* cim = new QLabel(QStringLiteral("Keresés:"), this);
    keres = new QLineEdit(this);
    keres->setObjectName(QStringLiteral("keres"));
    keres->setToolTip(QStringLiteral("A keresett szöveg ebben a súgóban (Ctrl+F); "
                                     "Enter: a következő előfordulás"));
    keres->setClearButtonEnabled(true);
    cim->setBuddy(keres);
    elozo = toolButton(this, "elozo", QStringLiteral("Előző"),
                       QStringLiteral("A keresett szöveg előző előfordulása (Shift+F3)"),
                       QStyle::SP_ArrowUp);
    kovetkezo = toolButton(this, "kovetkezo", QStringLiteral("Következő"),
                           QStringLiteral("A keresett szöveg következő előfordulása (F3)"),
                           QStyle::SP_ArrowDown);
    nincs = new QLabel(QStringLiteral("Nem található."), this);
    nincs->setObjectName(QStringLiteral("nincs"));
    nincs->hide();

    auto* tools = new QHBoxLayout;
    tools->addWidget(vissza);
    tools->addWidget(elore);
    tools->addWidget(tartalom);
    tools->addStretch();
    tools->addWidget(cim);
    tools->addWidget(keres);
    tools->addWidget(elozo);
    tools->addWidget(kovetkezo);
    tools->addWidget(nincs);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(tools);
    layout->addWidget(browser);

    connect(browser, &QTextBrowser::backwardAvailable, vissza, &QWidget::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, elore, &QWidget::setEnabled);
    connect(vissza, &QToolButton::clicked, browser, &QTextBrowser::backward);
    connect(elore, &QToolButton::clicked, browser, &QTextBrowser::forward);
    connect(tartalom, &QToolButton::clicked, this, [this] {
        QUrl url = browser->source();
        url.setFragment(QStringLiteral("tartalom"));
        browser->setSource(url);
    });
    connect(keres, &QLineEdit::returnPressed, this, [this] { findNext(); });
    connect(keres, &QLineEdit::textChanged, nincs, &QWidget::hide);
    connect(kovetkezo, &QToolButton::clicked, this, [this] { findNext(); });
    connect(elozo, &QToolButton::clicked, this, [this] { findNext(true); });

    addKey(this, QKeySequence(Qt::ALT | Qt::Key_Left), [this] { browser->backward(); });
    addKey(this, QKeySequence(Qt::ALT | Qt::Key_Right), [this] { browser->forward(); });
    addKey(this, QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        keres->setFocus(Qt::ShortcutFocusReason);
        keres->selectAll();
    });
    addKey(this, QKeySequence(Qt::Key_F3), [this] { findNext(); });
    addKey(this, QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findNext(true); });
    resize(720, 600);
}

bool HelpWindow::findNext(bool backward)
{
    const QString text = keres->text();
    if (text.isEmpty()) {
        nincs->hide();
        return false;
    }
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = browser->find(text, flags);
    if (!found) {
        QTextCursor from = browser->textCursor();
        from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        browser->setTextCursor(from);
        found = browser->find(text, flags);
    }
    nincs->setVisible(!found);
    return found;
}

Help::Help(QObject* parent) : QObject(parent) {}

Help::~Help()
{
    // Never a widget after the application is gone.
    if (QCoreApplication::instance())
        delete m_window.data();
}

Help& Help::application()
{
    // Never destroyed: its window goes when the program ends.
    static Help* help = new Help;
    return *help;
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
    showTopic(QString::number(topic));
}

void Help::showTopic(const QString& topic)
{
    if (recording().active) {
        recording().requests << QStringLiteral("topic ") + topic;
        return;
    }
    open(topic);
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
        m_window = new HelpWindow;
        m_window->setAttribute(Qt::WA_DeleteOnClose);
    }
    QUrl url = QUrl::fromLocalFile(m_file);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    m_window->browser->setSource(url);
    if (anchor.isEmpty())
        m_window->browser->scrollToAnchor(QString());
    m_window->show();
    // A modal window would block the help asked for from it; kept over
    // that window, the help takes input beside it.
    if (QWindow* handle = m_window->windowHandle()) {
        QWidget* modal = QApplication::activeModalWidget();
        handle->setTransientParent(
            modal && modal != m_window.data() ? modal->window()->windowHandle() : nullptr);
    }
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
