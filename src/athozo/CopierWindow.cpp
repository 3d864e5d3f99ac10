#include "CopierWindow.h"

#include "widgets/HelpKey.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <cstdio>

namespace athozo {

namespace {

constexpr int kBarSteps = 1000;
constexpr int kPollMs = 100;

QLabel* value(QWidget* parent, const char* name, const QString& text = {})
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setTextFormat(Qt::PlainText);
    l->setMinimumWidth(420);
    return l;
}

} // namespace

CopierWindow::CopierWindow(Job job, std::FILE* log, QWidget* parent)
    : CopierWindow(std::make_unique<BackgroundCopy>(std::move(job), log), parent)
{
}

CopierWindow::CopierWindow(std::unique_ptr<BackgroundCopy> copy, QWidget* parent)
    : QWidget(parent), m_copy(std::move(copy))
{
    setWindowTitle(QStringLiteral("athozo - másolás"));
    widgets::setHelpTopic(this, QStringLiteral("athozo"));
    forras = value(this, "forras", m_copy->job().sourceText);
    cel = value(this, "cel", m_copy->job().targetText);
    aktualis = value(this, "aktualis");
    bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("bar"));
    bar->setRange(0, kBarSteps);
    bar->setValue(0);
    hibacim = new QLabel(QStringLiteral("Nem sikerült:"), this);
    hibacim->setObjectName(QStringLiteral("hibacim"));
    hibak = new QListWidget(this);
    hibak->setObjectName(QStringLiteral("hibak"));
    hibacim->hide();
    hibak->hide();
    gomb = new QPushButton(QStringLiteral("Leállítás"), this);
    gomb->setObjectName(QStringLiteral("gomb"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Forrás:"), this), 0, 0);
    grid->addWidget(forras, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Cél:"), this), 1, 0);
    grid->addWidget(cel, 1, 1);
    grid->addWidget(bar, 2, 0, 1, 2);
    grid->addWidget(aktualis, 3, 0, 1, 2);
    grid->addWidget(hibacim, 4, 0, 1, 2);
    grid->addWidget(hibak, 5, 0, 1, 2);
    grid->addWidget(gomb, 6, 1, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    connect(gomb, &QPushButton::clicked, this, &QWidget::close);
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &CopierWindow::poll);
}

CopierWindow::~CopierWindow()
{
    m_copy->stop();
}

void CopierWindow::start()
{
    if (m_finished || m_timer.isActive())
        return;
    m_timer.start();
    m_copy->whenFinished(
        [this] { QMetaObject::invokeMethod(this, &CopierWindow::poll, Qt::QueuedConnection); });
    m_copy->start();
}

void CopierWindow::poll()
{
    if (m_finished)
        return;
    const Progress::State s = m_copy->progress().state();
    const qint64 total = std::max<qint64>(s.totalBytes, 1);
    bar->setValue(s.finished ? kBarSteps : int(std::min(s.doneBytes, total) * kBarSteps / total));
    aktualis->setText(s.current.isEmpty() ? QString()
                                          : displayName(m_copy->job().sourceText, s.current));
    for (; m_shownFailures < s.failures.size(); ++m_shownFailures) {
        const Failure& f = s.failures.at(m_shownFailures);
        hibak->addItem(f.name + QStringLiteral(": ") + f.reason);
    }
    if (s.listingFailed && !m_listingShown) {
        m_listingShown = true;
        hibak->addItem(listingProblemText());
    }
    if ((!s.failures.isEmpty() || s.listingFailed) && hibak->isHidden()) {
        hibacim->show();
        hibak->show();
    }
    if (!s.finished)
        return;
    m_copy->wait();
    m_timer.stop();
    // Also where the listing was to go, for a caller that reads no window.
    if (s.listingFailed)
        std::fprintf(stderr, "%s\n", listingProblemText().toUtf8().constData());
    m_finished = true;
    m_exitCode =
        s.failures.isEmpty() && !s.listingFailed && !m_copy->progress().cancelled() ? 0 : 1;
    if (m_exitCode == 0) {
        close();
        return;
    }
    aktualis->setText(QStringLiteral("Másolva: ") + QString::number(s.copiedFiles) +
                      QStringLiteral(" / ") + QString::number(s.files) + QStringLiteral(" fájl"));
    gomb->setText(QStringLiteral("Bezárás"));
}

void CopierWindow::closeEvent(QCloseEvent* e)
{
    // Closed while copying: the file being copied is given up, nothing half
    // written is left, and the copy counts as failed.
    if (!m_finished) {
        m_copy->stop();
        m_timer.stop();
        m_finished = true;
        m_exitCode = 1;
    }
    e->accept();
}

} // namespace athozo
