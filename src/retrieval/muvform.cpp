#include "muvform.h"

#include "CopyRun.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"
#include "platform/Skipped.h"
#include "shared/HostScopes.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/HelpKey.h"
#include "widgets/ResultModel.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

muvform::muvform(MainHost& host, DataGrid& grid, DriveSource drives, QWidget* parent)
    : FormDialog(parent, "muvform", QStringLiteral("File/mappák előhozása (másolása)")),
      m_host(host), m_grid(grid), m_driveSource(std::move(drives))
{
    setModal(true);
    buildControls();
    resize(600, 380);
    widgets::setHelpTopic(this, QStringLiteral("elohozas"));
}

muvform::~muvform() = default;

void muvform::buildControls()
{
    auto named = [](auto* control, const char* name) {
        control->setObjectName(QLatin1String(name));
        return control;
    };
    Frame2 = named(new QGroupBox(QStringLiteral("Forrás"), this), "Frame2");
    forras = named(new DriveListBox(Frame2), "forras");
    O2 = named(new QRadioButton(QStringLiteral("Minden az adott könyvtárban."), Frame2), "O2");
    O1 = named(new QRadioButton(QStringLiteral("Csak a kijelőlt file-ok."), Frame2), "O1");
    O1->setChecked(true);
    auto* source = new QVBoxLayout(Frame2);
    source->addWidget(forras);
    source->addSpacing(8);
    source->addWidget(O2);
    source->addWidget(O1);
    source->addStretch(1);

    Frame1 = named(new QGroupBox(QStringLiteral("Cél"), this), "Frame1");
    celdrv = named(new DriveListBox(Frame1), "celdrv");
    celdir = named(new FolderListBox(Frame1), "celdir");
    celdir->setDrives(&m_drives);
    auto* target = new QVBoxLayout(Frame1);
    target->addWidget(celdrv);
    target->addWidget(celdir, 1);

    masol = named(new QPushButton(QStringLiteral("Másolás"), this), "masol");
    nem = named(new QPushButton(QStringLiteral("Mégsem"), this), "nem");
    masol->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Frame2, 0, 0);
    grid->addWidget(Frame1, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(masol);
    buttons->addWidget(nem);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 3);

    connect(celdrv, &DriveListBox::Change, this, &muvform::celdrv_Change);
    // A disc put in while the window is open shows when a list is opened.
    connect(forras, &DriveListBox::aboutToPopup, this, &muvform::readDrives);
    connect(celdrv, &DriveListBox::aboutToPopup, this, &muvform::readDrives);
    connect(masol, &QPushButton::clicked, this, &muvform::masol_Click);
    connect(nem, &QPushButton::clicked, this, &muvform::nem_Click);
}

void muvform::readDrives()
{
    const QChar source = forras->drive();
    m_drives = drives();
    forras->setTable(m_drives);
    // The source is the drive the discs go into: another disc in it keeps it chosen.
    if (!source.isNull())
        forras->setDrive(source);
    celdrv->setTable(m_drives);
}

bool muvform::loadForm()
{
    const bool folders = m_host.state().folderList;
    O2->setChecked(folders);
    O1->setChecked(!folders);
    O1->setEnabled(!folders);
    readDrives();
    if (forras->count() > 0)
        forras->setDrive(forras->itemData(forras->count() - 1).toChar());
    openTarget();
    return true;
}

// The last target folder again while it is there, else the home folder, else C:.
void muvform::openTarget()
{
    QStringList candidates{celdir->path(), m_drives.toDrivePath(QDir::homePath()),
                           platform::DrivePath::root(QLatin1Char('C'))};
    for (const QString& folder : candidates) {
        if (folder.isEmpty())
            continue;
        try {
            celdir->setPath(folder);
        } catch (const platform::Error&) {
            continue;
        }
        // The drive list follows the folder without opening the drive's root.
        const QSignalBlocker quiet(celdrv);
        celdrv->setDrive(platform::DrivePath::letter(folder));
        return;
    }
}

void muvform::celdrv_Change()
{
    const QChar letter = celdrv->drive();
    try {
        if (!m_drives.isReady(letter))
            throw platform::Error(platform::err::DiskNotReady, QString(letter));
        celdir->setPath(platform::DrivePath::root(letter));
    } catch (const platform::Error&) {
        platform::MessageBox::show(
            this, QStringLiteral("A meghajtó nem áll készen !  Ellenőrizze, majd próbálja újra"),
            platform::MessageBox::Buttons::Ok);
        if (letter != QLatin1Char('C'))
            celdrv->setDrive(QLatin1Char('C'));
    }
}

void muvform::masol_Click()
{
    // The grid's follow mode lets events through: a second press waits.
    if (m_running)
        return;
    m_running = true;
    BusyScope busy(m_host);
    retrieval::CopyRun(*this).masol(O1->isChecked());
    busy.end();
    m_running = false;
}

void muvform::nem_Click()
{
    close();
}

void muvform::unloadForm()
{
    m_host.hideProgress();
    m_host.recordCounter();
}

// What the copy run asks of the window

qsizetype muvform::selectionCount()
{
    return m_grid.selCount();
}

// Read from the view, so the grid does not move through the selection.
QStringList muvform::selectedPaths()
{
    QStringList paths;
    const QList<qint64>& marks = m_grid.SelBookmarks();
    paths.reserve(marks.size());
    for (const qint64 mark : marks)
        paths.append(m_grid.model()->cellText(mark, 1));
    return paths;
}

retrieval::SelectedRow muvform::firstSelected()
{
    // A view read again meanwhile has dropped the marks: no row, no copy.
    if (m_grid.selCount() == 0)
        return {};
    const qint64 mark = m_grid.SelBookmarks().at(0);
    try {
        m_grid.source().setAbsolutePosition(mark);
    } catch (const platform::Error& e) {
        platform::logSkipped("muvform::firstSelected", e);
    }
    return {m_grid.model()->cellText(mark, 0), m_grid.model()->cellText(mark, 1)};
}

void muvform::removeSelected(const QList<qsizetype>& positions)
{
    m_grid.removeBookmarks(positions);
}

void muvform::showBar(int maximum, int value)
{
    m_host.showProgress(value, maximum);
}

void muvform::hideBar()
{
    m_host.hideProgress();
}

muvform::Answer muvform::ask(const QString& text, Buttons buttons, Icon icon)
{
    return platform::MessageBox::show(this, text, buttons, icon);
}

bool muvform::startDetached(const QString& program, const QStringList& arguments)
{
    return platform::ProcessStarter::startDetached(program, arguments);
}

QChar muvform::sourceDrive()
{
    return forras->drive();
}

QChar muvform::targetDrive()
{
    return celdrv->drive();
}

QString muvform::targetFolder()
{
    return celdir->path();
}

QString muvform::programFolder()
{
    return m_host.state().programFolder;
}

platform::DriveTable muvform::drives()
{
    return m_driveSource ? m_driveSource() : platform::DriveTable::system();
}

void muvform::unload()
{
    close();
}
