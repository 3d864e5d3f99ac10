#include "epito.h"

#include "archives/ArchiveChild.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "platform/Skipped.h"
#include "shared/HostScopes.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "store/Database.h"
#include "widgets/HelpKey.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

// The folder list follows the walk at most this often; redrawing it for
// every folder would cost more than the scan.
constexpr qint64 kFollowMs = 150;

QIcon startPicture()
{
    return widgets::drawnPicture([](QPainter& p) {
        const QPolygonF arrow{QPointF(9, 6), QPointF(27, 16), QPointF(9, 26)};
        p.setBrush(QColor(0x2e, 0x9e, 0x3b));
        p.setPen(QPen(QColor(0x1b, 0x63, 0x24), 1.5));
        p.drawPolygon(arrow);
    });
}

QIcon stopPicture()
{
    return widgets::drawnPicture([](QPainter& p) {
        const QPolygonF sign{QPointF(11, 3),  QPointF(21, 3),  QPointF(29, 11), QPointF(29, 21),
                             QPointF(21, 29), QPointF(11, 29), QPointF(3, 21),  QPointF(3, 11)};
        p.setBrush(QColor(0xcc, 0x22, 0x22));
        p.setPen(QPen(Qt::white, 2));
        p.drawPolygon(sign);
        p.fillRect(QRectF(9, 14, 14, 4), Qt::white);
    });
}

} // namespace

epito::epito(MainHost& host, DriveSource drives, QWidget* parent)
    : FormDialog(parent, "epito", QStringLiteral("Adatbázis létrehozása/bővítése")), m_host(host),
      m_driveSource(std::move(drives)), m_walk(m_drives, *this), m_update(m_drives, *this)
{
    setModal(true);
    buildControls();
    resize(640, 440);
    widgets::setHelpTopic(this, QStringLiteral("280"));
}

epito::~epito() = default;

void epito::buildControls()
{
    Drive1 = new DriveListBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new FolderListBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setDrives(&m_drives);
    File1 = new FileListBox(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setDrives(&m_drives);

    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    cimke4 = label("cimke4", QStringLiteral("Út előtag:"));
    cimke3 = label("cimke3", QStringLiteral("A megnyitott adatbázis:"));
    cimke2 = label("cimke2", QStringLiteral("nincs"));
    cimke2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cimke2->setWordWrap(true);
    cimke1 = label("cimke1", QStringLiteral("Rögzitve:"));

    elotag = new QLineEdit(this);
    elotag->setObjectName(QStringLiteral("elotag"));
    elotag->installEventFilter(this);
    cimke4->setBuddy(elotag);

    auto button = [this](const char* name, const QString& text, const QIcon& picture,
                         const QString& tip = {}) {
        return widgets::pictureButton(new QPushButton(text, this), name, picture, tip, 20);
    };
    startgomb = button("startgomb", QStringLiteral("Start"), startPicture());
    stopgomb = button("stopgomb", QString(), stopPicture(), QStringLiteral("Leállítás"));
    kesz = button("kesz", QStringLiteral("Kész"), QIcon());

    frissites = new QCheckBox(QStringLiteral("Frissítés"), this);
    frissites->setObjectName(QStringLiteral("frissites"));
    frissites->setToolTip(
        QStringLiteral("A már rögzített lemez adatait frissíti, a kulcsszavak megmaradnak."));
    crc32 = new QCheckBox(QStringLiteral("CRC-32"), this);
    crc32->setObjectName(QStringLiteral("crc32"));
    crc32->setToolTip(QStringLiteral("Ellenőrző összeg (CRC-32) számítása"));
    archivum = new QCheckBox(QStringLiteral("Archívumok"), this);
    archivum->setObjectName(QStringLiteral("archivum"));
    archivum->setToolTip(QStringLiteral("Az archívumok (ZIP, 7z, ISO, tar...) tartalmát is "
                                        "rögzíti, egy szint mélységig"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(Drive1, 0, 0);
    grid->addWidget(cimke3, 0, 1);
    grid->addWidget(Dir1, 1, 0, 2, 1);
    grid->addWidget(cimke2, 1, 1);
    grid->addWidget(File1, 2, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(cimke4);
    row->addWidget(elotag, 1);
    row->addWidget(frissites);
    row->addWidget(crc32);
    row->addWidget(archivum);
    row->addSpacing(12);
    row->addWidget(startgomb);
    row->addWidget(stopgomb);
    row->addSpacing(12);
    row->addWidget(kesz);
    grid->addLayout(row, 3, 0, 1, 2);
    grid->addWidget(cimke1, 4, 0, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    connect(Drive1, &DriveListBox::Change, this, &epito::Drive1_Change);
    connect(Drive1, &DriveListBox::aboutToPopup, this, &epito::readDrives);
    connect(Dir1, &FolderListBox::Change, this, &epito::Dir1_Change);
    connect(elotag, &QLineEdit::textChanged, this, &epito::elotag_Change);
    connect(startgomb, &QPushButton::clicked, this, &epito::startgomb_Click);
    connect(stopgomb, &QPushButton::clicked, this, &epito::stopgomb_Click);
    connect(kesz, &QPushButton::clicked, this, &epito::kesz_Click);
    connect(frissites, &QCheckBox::toggled, this, &epito::rememberOptions);
    connect(crc32, &QCheckBox::toggled, this, &epito::rememberOptions);
    connect(archivum, &QCheckBox::toggled, this, &epito::rememberOptions);
}

builder::ArchiveScan epito::archiveScan() const
{
    builder::ArchiveScan scan;
    scan.on = archivum->isChecked();
    scan.child = {archives::childProgram(m_host.state().programFolder)};
    return scan;
}

void epito::rememberOptions()
{
    if (!isLoaded())
        return;
    m_host.setBuilderOptions(frissites->isChecked(), crc32->isChecked(), archivum->isChecked());
}

void epito::readDrives()
{
    m_drives = m_driveSource ? m_driveSource() : platform::DriveTable::system();
    Drive1->setTable(m_drives);
}

bool epito::loadForm()
{
    m_closeAfterScan = false;
    m_catalogPath = m_host.catalogPath();
    cimke2->setText(m_catalogPath);
    cimke1->setText(QStringLiteral("Rögzitve:"));
    elotag->clear();
    stopgomb->setEnabled(false);
    startgomb->setEnabled(false);
    kesz->setEnabled(true);
    {
        const QSignalBlocker a(frissites), b(crc32), c(archivum);
        frissites->setChecked(m_host.state().settings.updateMedium);
        crc32->setChecked(m_host.state().settings.crcScan);
        archivum->setChecked(m_host.state().settings.archiveScan);
    }
    m_host.setMainEnabled(false);
    readDrives();
    if (Drive1->count() > 0)
        Drive1->setDrive(Drive1->itemData(Drive1->count() - 1).toChar());
    return true;
}

void epito::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    Form_Activate();
}

void epito::Form_Activate()
{
    elotag->setFocus();
}

void epito::Drive1_Change()
{
    const QChar letter = Drive1->drive();
    try {
        if (!m_drives.isReady(letter))
            throw platform::Error(platform::err::DiskNotReady, QString(letter));
        Dir1->setPath(platform::DrivePath::root(letter));
    } catch (const platform::Error&) {
        platform::MessageBox::show(this,
                                   QStringLiteral("Nem áll készen a meghajto!\r\n"
                                                  "Ellenőrizze, majd próbálja újra!"),
                                   platform::MessageBox::Buttons::Ok);
        if (letter != QLatin1Char('C'))
            Drive1->setDrive(QLatin1Char('C'));
    }
}

void epito::Dir1_Change()
{
    File1->setPath(Dir1->path());
}

void epito::elotag_Change()
{
    startgomb->setEnabled(!elotag->text().isEmpty());
}

bool epito::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == elotag && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            // A second scan or a close cannot start in the middle of a scan.
            if (!m_scanning) {
                if (key == Qt::Key_Escape)
                    kesz_Click();
                else
                    startgomb_Click();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

// Escape means Kész in the label box only; anywhere else it must not close
// the window past the clean-up, as a dialog's own Escape would.
void epito::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void epito::startgomb_Click()
{
    if (m_scanning)
        return;
    // Re-read the medium, in case the disc was changed.
    const QChar drive = Drive1->drive();
    const QString path = Dir1->path();
    Drive1->setDrive(QLatin1Char('C'));
    Drive1->setDrive(drive);
    if (Drive1->drive() != drive) {
        backToIdle();
        return;
    }
    try {
        Dir1->setPath(path);
    } catch (const platform::Error& e) {
        platform::logSkipped("epito::startgomb_Click", e);
    }

    kesz->setEnabled(false);
    startgomb->setEnabled(false);
    m_walk.stopRequest = false;
    stopgomb->setEnabled(true);
    m_walk.abandonMark = false;

    const QString label = elotag->text();
    if (label.isEmpty()) {
        platform::MessageBox::show(
            this,
            QStringLiteral("Nem adta meg az út előtagot! Pl: CD_1...\r\n"
                           "Így nem lehet megkülömböztetni a külömböző lemezeken szereplő, de "
                           "azonos elérési utakat!"),
            platform::MessageBox::Buttons::Ok);
        startgomb->setEnabled(false);
        stopgomb->setEnabled(false);
        backToIdle();
        return;
    }

    m_scanning = true;
    Drive1->setEnabled(false);
    Dir1->setLocked(true);
    frissites->setEnabled(false);
    crc32->setEnabled(false);
    archivum->setEnabled(false);
    const QString start = Dir1->path();
    m_walkPath = start;
    m_sinceShown.start();
    const bool ran = frissites->isChecked() ? runUpdate(start, label) : runWalk(start, label);
    m_scanning = false;
    Drive1->setEnabled(true);
    Dir1->setLocked(false);
    frissites->setEnabled(true);
    crc32->setEnabled(true);
    archivum->setEnabled(true);
    if (!ran) {
        backToIdle();
        return;
    }
    m_walkPath = frissites->isChecked() ? start : m_walk.openFolder();
    showWalkPosition();

    m_host.refreshView();
    if (m_walk.abandonMark || m_closeAfterScan) {
        close();
        return;
    }
    backToIdle();
}

bool epito::runWalk(const QString& start, const QString& label)
{
    try {
        m_walk.tablanyit(m_catalogPath);
    } catch (const platform::Error& e) {
        // Without its statements the walk could record nothing.
        platform::MessageBox::show(this,
                                   QStringLiteral("A megnyitott adatbázisba nem lehet írni!\r\n") +
                                       platform::engineReason(e),
                                   platform::MessageBox::Buttons::Ok,
                                   platform::MessageBox::Icon::Critical);
        return false;
    }
    m_walk.crc = crc32->isChecked();
    m_walk.archives = archiveScan();
    if (m_walk.setOpenFolder(start))
        m_walk.konyvbejar(start, label);
    m_walk.close();
    if (m_walk.abandonMark)
        return true;
    QString text;
    if (m_walk.crc && m_walk.unreadableFiles() > 0)
        text = QStringLiteral("A rögzítés kész, de nem olvasható, ellenőrző "
                              "összeg nélkül rögzített file:") +
               Module1::Str(m_walk.unreadableFiles());
    const QString archiveNotes =
        builder::archiveText(m_walk.damagedArchives(), m_walk.limitedArchives());
    if (!archiveNotes.isEmpty())
        text = text.isEmpty() ? QStringLiteral("A rögzítés kész.\r\n") + archiveNotes
                              : text + QStringLiteral("\r\n") + archiveNotes;
    if (!text.isEmpty())
        platform::MessageBox::show(this, text, platform::MessageBox::Buttons::Ok,
                                   platform::MessageBox::Icon::Exclamation);
    return true;
}

bool epito::runUpdate(const QString& start, const QString& label)
{
    m_update.stopRequest = false;
    m_update.crc = crc32->isChecked();
    m_update.archives = archiveScan();
    BusyScope busy(m_host);
    const builder::MediumUpdate::Outcome outcome = m_update.run(m_catalogPath, start, label);
    busy.end();
    if (outcome != builder::MediumUpdate::Outcome::Failed)
        platform::MessageBox::show(this, m_update.resultText(outcome),
                                   platform::MessageBox::Buttons::Ok,
                                   platform::MessageBox::Icon::Information);
    return true;
}

void epito::backToIdle()
{
    kesz->setEnabled(true);
    stopgomb->setEnabled(false);
    elotag->clear();
    startgomb->setEnabled(false);
}

void epito::stopgomb_Click()
{
    m_walk.stopRequest = true;
    m_update.stopRequest = true;
}

void epito::kesz_Click()
{
    BusyScope busy(m_host);
    m_host.showProgress(33);
    // A catalog that refuses the clean-up keeps its empty folders, and their
    // links with them; closing goes on.
    try {
        store::Database dmunka = store::Database::open(m_catalogPath);
        Module1::orphanCleanup(dmunka, [this] { m_host.showProgress(66); });
    } catch (const platform::Error& e) {
        platform::logSkipped("epito::kesz_Click", e);
    }
    m_host.showProgress(100);
    busy.end();
    close();
    m_host.setBuilderChanged();
}

void epito::done(int result)
{
    if (m_scanning) {
        // Closing mid-scan: stop, and close once the walk has unwound.
        m_walk.stopRequest = true;
        m_update.stopRequest = true;
        m_closeAfterScan = true;
        return;
    }
    FormDialog::done(result);
}

void epito::unloadForm()
{
    m_host.setMainEnabled(true);
    m_host.hideProgress();
    m_walk.close();
    m_host.recordCounter();
}

// The walk's reports

void epito::folderOpened(const QString& drivePath)
{
    m_walkPath = drivePath;
}

void epito::yieldToUser()
{
    if (m_sinceShown.elapsed() >= kFollowMs) {
        showWalkPosition();
        m_sinceShown.start();
    }
    QCoreApplication::processEvents();
}

void epito::showWalkPosition()
{
    if (m_walkPath == Dir1->path())
        return;
    try {
        Dir1->setPath(m_walkPath);
    } catch (const platform::Error& e) {
        platform::logSkipped("epito::showWalkPosition", e);
    }
}

void epito::folderRecorded(qint64 lastFileId)
{
    cimke1->setText(QStringLiteral("Rögzitve: ") + Module1::Str(lastFileId));
}

void epito::fileVanished()
{
    QApplication::beep();
}

void epito::recordingFailed(const QString& message)
{
    platform::MessageBox::show(this, message, platform::MessageBox::Buttons::Ok);
    elotag->clear();
}
