#include "fokep.h"

#include "FokepRules.h"
#include "PathTree.h"
#include "PathTreeController.h"
#include "about/nevjegy.h"
#include "builder/epito.h"
#include "platform/BusyCursor.h"
#include "platform/ErrorNumbers.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/Skipped.h"
#include "shared/HostScopes.h"
#include "shared/Module1.h"
#include "shared/Version.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Settings.h"
#include "widgets/DataGrid.h"
#include "widgets/PictureButton.h"
#include "widgets/TwipsLayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>
#include <QWindow>
#include <exception>

namespace {

// The main window's picture buttons show the picture named as the button.
QToolButton* pictureButton(QWidget* parent, const char* name, const QString& tooltip)
{
    return widgets::pictureButton(new QToolButton(parent), name,
                                  QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name))),
                                  tooltip);
}

// Shown over the grid while the catalog holds no file: how to begin.
QString emptyCatalogHint(store::DataSource& data, qint64 rows)
{
    if (rows != 0 || !data.isOpen())
        return {};
    try {
        if (data.database().scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM prgnev)")).toBool())
            return {};
    } catch (const platform::Error& e) {
        platform::logSkipped("the empty catalog's hint", e);
        return {};
    }
    return QStringLiteral(
        "A katalógus még üres.\n\n"
        "Egy adathordozó (CD, floppy, USB-kulcs) felvételéhez válassza a Szerkesztés menü "
        "Automatikus feltőltés parancsát. Ott válassza ki a meghajtót, és adja meg a lemez "
        "címkéjét: egy rövid nevet, például CD_1, amelyet a lemezre is érdemes ráírni, mert "
        "előhozáskor a program ezen a néven kéri majd a lemezt. A Start gomb a lemez összes "
        "mappáját és fájlját felveszi a katalógusba.\n\n"
        "Részletek a súgóban: F1.");
}

} // namespace

fokep::fokep(const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent), m_paths(paths), m_session(m_state, m_paths, *this, *this),
      m_commands(m_state, m_paths, *this, *this, m_session)
{
    setObjectName(QStringLiteral("fokep"));
    Q_INIT_RESOURCE(icons);
    buildControls();
    buildMenus();
    connectCommands();
    connectGrid();
    resize(1000, 680);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &fokep::focusWindowChanged);
}

fokep::~fokep() = default;

void fokep::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    Data1 = new store::DataSource(this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Data1->setRecordSource(QStringLiteral("alapfile"));
    Datafa = new store::DataSource(this);
    Datafa->setObjectName(QStringLiteral("Datafa"));

    tabla1 = new DataGrid(*Data1, client);
    tabla1->setObjectName(QStringLiteral("tabla1"));
    tabla1->setCaption(QStringLiteral("Adatbázis nézet"));

    Fa = new PathTree(client);
    Fa->setObjectName(QStringLiteral("Fa"));

    vegere = pictureButton(client, "vegere", QStringLiteral("Ugrás a végére"));
    elore = pictureButton(client, "elore", QStringLiteral("Ugrás az elejére"));
    gye = pictureButton(client, "gye", QStringLiteral("Kijelölt file-ok előhozása"));
    gyors = pictureButton(client, "gyors", QStringLiteral("Szűrés megadása"));

    bar = new QProgressBar(client);
    bar->setObjectName(QStringLiteral("bar"));
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    bar->hide();

    kij = new QLabel(client);
    kij->setObjectName(QStringLiteral("kij"));
    elem = new QLabel(QStringLiteral("Találatok száma"), client);
    elem->setObjectName(QStringLiteral("elem"));

    help = &platform::Help::application();
}

bool fokep::start()
{
    if (!Form_Load())
        return false;
    recordCounter();
    muvEnabling();
    if (m_startMaximized)
        showMaximized();
    else
        show();
    Form_Activate();
    return true;
}

bool fokep::Form_Load()
{
    help->setHelpFile(m_paths.helpFile());
    m_state.builderChanged = false;
    m_state.autoCompacting = false;

    m_splash = new nevjegy(this);
    m_splash->setAttribute(Qt::WA_DeleteOnClose);
    m_splash->showAsSplash();
    setWindowTitle(QStringLiteral("Polcozó V") + Version::plain());
    QApplication::processEvents();

    m_state.folderList = false;
    m_session.loadSettings();
    m_startMaximized = m_state.settings.windowState == store::Settings::kWindowMaximized;

    const CatalogSession::Start start = m_session.openLast();
    if (start.opened) {
        kfriss->setChecked(m_state.settings.contextRefresh != 0);
        auttom->setChecked(m_state.settings.autoCompact != 0);
    }
    if (m_splash)
        m_splash->close();
    if (!start.notice.isEmpty())
        platform::MessageBox::show(this, start.notice, platform::MessageBox::Buttons::Ok,
                                   start.icon);
    return start.opened;
}

void fokep::selectionCounter()
{
    kij->setText(Module1::selectionCountText(tabla1->selCount()));
}

void fokep::recordCounter()
{
    selectionCounter();
    try {
        Data1->moveLast();
        const qint64 count = Data1->absolutePosition() + 1;
        Data1->moveFirst();
        m_state.recordCount = count;
        m_state.recordCountText = Module1::recordCountText(count);
    } catch (const platform::Error&) {
        m_state.recordCount = 0;
        m_state.recordCountText = Module1::kUncountedText;
    }
}

void fokep::viewCaption()
{
    tabla1->setPlaceholderText(emptyCatalogHint(*Data1, m_state.recordCount));
    tabla1->setToolTip(m_state.baseView
                           ? QStringLiteral("Teljes nézet")
                           : QStringLiteral("Leválogatási nézet: ") + m_state.viewCaption);
    tabla1->setColumnCaptions({QStringLiteral("Program név"), QStringLiteral("Elérési út"),
                               QStringLiteral("Hossz (byte)"), QStringLiteral("CRC32"),
                               QStringLiteral("Dátum")});
    tabla1->setColumnWidth(1, twipsToPixels(4500, logicalDpiX()));
    tabla1->setColumnHidden(3, true);
    elem->setText(m_state.recordCountText);
    const bool rows = m_state.recordCount != 0;
    elore->setEnabled(rows);
    vegere->setEnabled(rows);
}

void fokep::Form_Activate()
{
    BusyScope busy(host());
    viewCaption();
    if (m_state.recordCount == 0)
        m_tree->showPlaceholder(QStringLiteral("----"));
    if (tabla1->selCount() == 0)
        gye->setEnabled(false);
    if (auttom->isChecked() && m_state.builderChanged) {
        m_state.builderChanged = false;
        m_state.autoCompacting = true;
        m_commands.Ftomor();
        m_state.autoCompacting = false;
    }
}

void fokep::muvEnabling()
{
    const qint64 selected = tabla1->selCount();
    QString length;
    if (selected != 0) {
        tabla1->setCol(2);
        length = tabla1->text();
    }
    const FokepRules::MuvState s = FokepRules::muvEnabling(selected, m_state.recordCount, length);
    muvf->setEnabled(s.muvf);
    gye->setEnabled(s.muvf);
    osszm->setEnabled(s.osszm);
    mv->setEnabled(s.mv);
    for (QAction* a : {mki, uge, ugv, korny})
        a->setEnabled(s.browse);
}

void fokep::minden_Click()
{
    BusyScope busy(host());
    ProgressScope progress(host(), 50);
    try {
        setView({CatalogSession::kBaseView, {}, true, {}, false});
    } catch (const platform::Error& e) {
        platform::logSkipped("fokep::minden_Click", e);
    }
    progress.show(90);
    Form_Activate();
    progress.show(100);
    progress.end();
    busy.end();
}

void fokep::Fki_Click()
{
    close();
}

void fokep::Sug1_Click()
{
    help->showContents();
}

void fokep::nev_Click()
{
    nevjegy box(this);
    box.exec();
}

void fokep::szauto_Click()
{
    runModal(m_epito, [this] { return new epito(host(), m_driveSource, this); });
}

// The host interface

void fokep::setBuilderChanged()
{
    m_state.builderChanged = true;
}

void fokep::setBaseView()
{
    m_state.baseView = true;
}

void fokep::setBuilderOptions(bool updateMedium, bool crcScan, bool archiveScan)
{
    m_state.settings.updateMedium = updateMedium;
    m_state.settings.crcScan = crcScan;
    m_state.settings.archiveScan = archiveScan;
}

void fokep::setPatternHistories(const PatternSlots& names, const PatternSlots& paths)
{
    m_state.settings.namePatterns = names;
    m_state.settings.pathPatterns = paths;
}

QString fokep::catalogPath()
{
    return Data1->databaseName();
}

void fokep::setView(const View& view)
{
    std::exception_ptr failure;
    try {
        Data1->setRecordSource(view.recordSource, view.params, view.countSql);
        Data1->refresh();
    } catch (const platform::Error&) {
        failure = std::current_exception();
    }
    m_state.baseView = view.baseView;
    m_state.viewCaption = view.captionText;
    m_state.folderList = view.folderList;
    recordCounter();
    tabla1->setPlaceholderText(emptyCatalogHint(*Data1, m_state.recordCount));
    if (failure)
        std::rethrow_exception(failure);
}

void fokep::refreshView()
{
    try {
        Data1->refresh();
    } catch (const platform::Error& e) {
        platform::logSkipped("fokep::refreshView", e);
    }
    viewCaption();
}

// Every command states the bar's range before its first value: a command
// must not run on the range the last one left (a tree build's folder count).
void fokep::showProgress(int value, int maximum)
{
    if (bar->minimum() != 0 || bar->maximum() != maximum)
        bar->setRange(0, maximum);
    bar->setValue(value);
    bar->show();
}

void fokep::hideProgress()
{
    bar->hide();
}

void fokep::setBusy(bool busy)
{
    platform::setBusyPointer(busy);
}

// Menus and the client area only: disabling the window itself would also
// disable the builder, which is its child.
void fokep::setMainEnabled(bool enabled)
{
    centralWidget()->setEnabled(enabled);
    menuBar()->setEnabled(enabled);
}

void fokep::minimizeMain()
{
    showMinimized();
}

void fokep::restoreMain()
{
    if (m_state.settings.windowState == store::Settings::kWindowMaximized)
        showMaximized();
    else
        showNormal();
}

bool fokep::contextRefresh()
{
    return kfriss->isChecked();
}

void fokep::rebuildTree()
{
    m_tree->rebuildForCurrentRow();
}

void fokep::setGridCaption(const QString& caption)
{
    tabla1->setCaption(caption);
}

// Another catalog is heard of as damaged once again.
void fokep::catalogBound(const QString& path, bool fresh)
{
    if (m_tree->catalogBound(path, fresh))
        m_damageReported = false;
}

// Rows the engine cannot read are never passed off as a shorter view: the
// user hears once per opened catalog that it is damaged. A catalog that did
// not open at all has had its own message.
void fokep::catalogDamaged(const QString& path)
{
    if (m_damageReported || path != Data1->databaseName())
        return;
    m_damageReported = true;
    platform::MessageBox::show(
        this,
        QStringLiteral("Az adatbázis sérült, nem minden adata olvasható:\r\n") + path +
            QStringLiteral("\r\nAmit most mutat, hiányos lehet. Nyisson meg egy másikat, vagy "
                           "egy korábbi mentését !"),
        platform::MessageBox::Buttons::Ok, platform::MessageBox::Icon::Critical);
}

// A modal window of the program has closed: this window is the active one
// again. The activation steps run here rather than on the window system's
// focus change, which may come late or, without a window manager, never.
void fokep::modalFormClosed()
{
    m_formWasActive = false;
    if (!m_unloaded)
        Form_Activate();
}

// The activation steps run when the window becomes active again after another
// window of the program; not after a message box, a file dialog or another program.
void fokep::focusWindowChanged(QWindow* now)
{
    const bool cameBack = now && now == windowHandle() && m_formWasActive;
    m_formWasActive = false;
    if (now) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == now && w != this)
                m_formWasActive = w->property(Module1::kFormProperty).toBool();
    }
    if (cameBack && isVisible() && !m_unloaded)
        Form_Activate();
}

void fokep::Form_Resize()
{
    applyTwipsLayout(*this, FokepRules::layout);
}

void fokep::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    Form_Resize();
}

void fokep::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    help->quit();
    // A minimised window comes back normal.
    m_session.shutDown(isMaximized() && !isMinimized() ? store::Settings::kWindowMaximized
                                                       : store::Settings::kWindowNormal,
                       kfriss->isChecked(), auttom->isChecked());
}

void fokep::closeEvent(QCloseEvent* e)
{
    Form_Unload();
    e->accept();
    QApplication::quit();
}
