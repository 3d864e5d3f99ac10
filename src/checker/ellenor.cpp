#include "ellenor.h"

#include "eltero.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "shared/MainHost.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "store/DataSource.h"
#include "widgets/DriveLists.h"
#include "widgets/HelpKey.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

using platform::MessageBox;

namespace {

constexpr int kScale = 1000; // the bars run in thousandths: totals pass any int

int share(qint64 done, qint64 total)
{
    if (total <= 0)
        return done > 0 ? kScale : 0;
    return int(std::min<qint64>(kScale, done * kScale / total));
}

// The label of a stored path as the builder wrote it: everything between the
// first hyphen and the "- " in front of the drive path, blanks and
// backslashes included.
QString labelOf(const QString& stored)
{
    static const QRegularExpression form(QStringLiteral("^-(.*?)- [A-Za-z]:\\\\"));
    const QRegularExpressionMatch m = form.match(stored);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

ellenor::ellenor(MainHost& host, DriveSource drives, const QString& currentPath, QWidget* parent)
    : QDialog(parent), m_host(host), m_currentPath(currentPath), m_driveSource(std::move(drives))
{
    setObjectName(QStringLiteral("ellenor"));
    setProperty(Module1::kFormProperty, true);
    setWindowTitle(QStringLiteral("Lemez ellenőrzése"));
    widgets::setHelpTopic(this, QStringLiteral("260"));
    setModal(true);
    auto named = [](auto* control, const char* name) {
        control->setObjectName(QLatin1String(name));
        return control;
    };
    Drive1 = named(new DriveListBox(this), "Drive1");
    elotag = named(new QLineEdit(this), "elotag");
    elotag->setToolTip(QStringLiteral("A lemez címkéje, ahogy rögzítéskor megadta (Pl: CD_1)"));
    fileok = named(new QLabel(this), "fileok");
    fbar = named(new QProgressBar(this), "fbar");
    byteok = named(new QLabel(this), "byteok");
    bbar = named(new QProgressBar(this), "bbar");
    for (QProgressBar* b : {fbar, bbar})
        b->setRange(0, kScale);
    startgomb = named(new QPushButton(QStringLiteral("Start"), this), "startgomb");
    stopgomb = named(new QPushButton(QStringLiteral("Stop"), this), "stopgomb");
    kesz = named(new QPushButton(QStringLiteral("Kész"), this), "kesz");
    startgomb->setDefault(true);
    stopgomb->setEnabled(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Meghajtó:"), this), 0, 0);
    grid->addWidget(Drive1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Út előtag:"), this), 1, 0);
    grid->addWidget(elotag, 1, 1);
    grid->addWidget(fileok, 2, 0, 1, 2);
    grid->addWidget(fbar, 3, 0, 1, 2);
    grid->addWidget(byteok, 4, 0, 1, 2);
    grid->addWidget(bbar, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startgomb);
    buttons->addWidget(stopgomb);
    buttons->addWidget(kesz);
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(startgomb, &QPushButton::clicked, this, &ellenor::startgomb_Click);
    connect(stopgomb, &QPushButton::clicked, this, &ellenor::stopgomb_Click);
    connect(kesz, &QPushButton::clicked, this, &ellenor::kesz_Click);
    connect(Drive1, &DriveListBox::aboutToPopup, this, [this] {
        m_drives = m_driveSource ? m_driveSource() : platform::DriveTable::system();
        Drive1->setTable(m_drives);
    });
    resize(460, 220);
}

ellenor::~ellenor()
{
    if (m_thread) {
        m_stop = true;
        m_thread->wait();
        delete m_thread;
    }
}

void ellenor::run()
{
    Form_Load();
    exec();
}

void ellenor::Form_Load()
{
    m_drives = m_driveSource ? m_driveSource() : platform::DriveTable::system();
    Drive1->setTable(m_drives);
    if (!m_drives.drives().isEmpty())
        Drive1->setDrive(m_drives.drives().last().letter);
    elotag->setText(labelOf(m_currentPath));
    fileok->setText(QStringLiteral("File-ok:"));
    byteok->setText(QStringLiteral("Beolvasva:"));
    fbar->setValue(0);
    bbar->setValue(0);
    elotag->setFocus();
}

void ellenor::startgomb_Click()
{
    if (m_thread)
        return;
    const QString label = elotag->text();
    if (label.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Nem adta meg az út előtagot! Pl: CD_1..."),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Exclamation);
        return;
    }
    const QChar drive = Drive1->drive();
    if (drive.isNull() || !m_drives.isReady(drive)) {
        MessageBox::show(this, QStringLiteral("Nem áll készen a meghajto!\r\n"
                                              "Ellenőrizze, majd próbálja újra!"));
        return;
    }
    m_request = {m_host.catalogPath(), drive, label};
    m_progress = std::make_unique<checker::Progress>();
    m_stop = false;
    m_thread = QThread::create([this] {
        m_outcome = checker::checkMedium(m_drives, m_request, m_stop, *m_progress, m_read);
    });
    connect(m_thread, &QThread::finished, this, &ellenor::checkEnded);
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(100);
        connect(m_timer, &QTimer::timeout, this, &ellenor::showProgress);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{startgomb, kesz, elotag, Drive1})
        w->setEnabled(false);
    stopgomb->setEnabled(true);
    m_host.setBusy(true);
    m_timer->start();
    m_thread->start();
}

void ellenor::stopgomb_Click()
{
    m_stop = true;
}

void ellenor::kesz_Click()
{
    if (!m_thread)
        accept();
}

// Closing while the check runs asks it to stop; the window goes when it has.
void ellenor::reject()
{
    if (m_thread) {
        m_stop = true;
        return;
    }
    QDialog::reject();
}

void ellenor::showProgress()
{
    if (!m_progress)
        return;
    const checker::Progress& p = *m_progress;
    const QLocale locale;
    fileok->setText(
        QStringLiteral("File-ok: %1 / %2")
            .arg(locale.toString(p.files.load()), locale.toString(p.totalFiles.load())));
    byteok->setText(QStringLiteral("Beolvasva: %1 / %2")
                        .arg(Module1::sizeText(p.bytes.load(), locale),
                             Module1::sizeText(p.totalBytes.load(), locale)));
    fbar->setValue(share(p.files.load(), p.totalFiles.load()));
    bbar->setValue(share(p.bytes.load(), p.totalBytes.load()));
}

void ellenor::checkEnded()
{
    m_thread->wait();
    delete std::exchange(m_thread, nullptr);
    m_timer->stop();
    showProgress();
    m_host.setBusy(false);
    for (QWidget* w : std::initializer_list<QWidget*>{startgomb, kesz, elotag, Drive1})
        w->setEnabled(true);
    stopgomb->setEnabled(false);

    using End = checker::Outcome::End;
    const checker::Outcome& out = m_outcome;
    const QString medium =
        m_request.label + QStringLiteral(" (") +
        (out.startFolder.isEmpty() ? platform::DrivePath::root(m_request.drive) : out.startFolder) +
        QLatin1Char(')');
    switch (out.end) {
    case End::NoDrive:
        MessageBox::show(this, QStringLiteral("Nem áll készen a meghajto!\r\n"
                                              "Ellenőrizze, majd próbálja újra!"));
        return;
    case End::NotRecorded:
        MessageBox::show(this,
                         QStringLiteral("Ilyen út előtagú lemez nincs az adatbázisban: ") +
                             m_request.label + QStringLiteral(" !"),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Exclamation);
        return;
    case End::CatalogFailed:
        MessageBox::show(this, QStringLiteral("Az adatbázis nem olvasható !\r\n") + out.detail,
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        return;
    case End::MediumGone:
        MessageBox::show(this,
                         QStringLiteral("A lemez elérhetetlenné vált az ellenőrzés közben !\r\n"
                                        "Az adatbázis nem változott."),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        break;
    case End::Stopped:
    case End::Done:
        break;
    }
    QString summary;
    if (out.end == End::Done)
        summary = out.findings.isEmpty()
                      ? QStringLiteral("Nincs eltérés: a lemez megegyezik a rögzítettel.")
                      : QStringLiteral("%1 eltérés.").arg(out.findings.size());
    else
        summary =
            QStringLiteral("Az ellenőrzés félbemaradt; %1 eltérés addig.").arg(out.findings.size());
    summary += QStringLiteral(" %1 / %2 file ellenőrizve.")
                   .arg(m_progress->files.load())
                   .arg(m_progress->totalFiles.load());
    if (m_results)
        m_results->close();
    m_results = new eltero(m_request.catalogPath, m_host.state().programFolder, medium, summary,
                           out.findings, parentWidget());
    m_results->setAttribute(Qt::WA_DeleteOnClose);
    m_results->show();
    accept();
}
