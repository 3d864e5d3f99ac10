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
#include "shared/Module1.h"
#include "shared/Version.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "store/Settings.h"
#include "widgets/TwipsLayout.h"
#include "widgets/DataGrid.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>
#include <QWindow>
#include <exception>

namespace {

const QString kOpenedPrefix = QStringLiteral("Megnyitva: ");

// The main window's picture buttons show the picture named as the button.
QToolButton* pictureButton(QWidget* parent, const char* name, const QString& tooltip)
{
    return widgets::pictureButton(new QToolButton(parent), name,
                                  QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name))),
                                  tooltip);
}

} // namespace

fokep::fokep(const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent), m_paths(paths), m_commands(m_state, m_paths, *this)
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

    help = new platform::Help(this);
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
    m_state.programFolder = m_paths.programFolder;
    m_state.settings = store::readSettings(m_paths.settingsFile, m_paths.programFolder);
    m_startMaximized = m_state.settings.windowState == store::Settings::kWindowMaximized;

    QString notice;
    const bool opened = openLastCatalog(notice);
    if (m_splash)
        m_splash->close();
    if (opened && !notice.isEmpty())
        platform::MessageBox::show(this, notice, platform::MessageBox::Buttons::Ok,
                                   m_retryCatalog.isEmpty()
                                       ? platform::MessageBox::Icon::Information
                                       : platform::MessageBox::Icon::Exclamation);
    return opened;
}

namespace {

// Why a catalog that is there did not open, as the start-up message says it.
QString openFailureReason(int number)
{
    switch (number) {
    case platform::err::FileAlreadyOpen:
        return QStringLiteral("Egy másik program éppen használja !");
    case platform::err::PermissionDenied:
        return QStringLiteral("Hozzáférés megtagadva !");
    case platform::err::NotADatabase:
        return QStringLiteral("Sérült vagy ismeretlen adatbázis !");
    case platform::err::DeviceIO:
        return QStringLiteral("Olvasási hiba a lemezen !");
    case platform::err::PathFileAccess:
        return QStringLiteral("Ez egy mappa, nem adatbázis !");
    default:
        return QStringLiteral("#") + Module1::Str(number) + QStringLiteral(". hiba !");
    }
}

QString cannotOpenText(const QString& path, int number)
{
    return QStringLiteral("Nem lehet megnyitni a legutóbbi adatbázist:\r\n") + path +
           QStringLiteral("\r\n") + openFailureReason(number);
}

} // namespace

// The last catalog, or a fresh default catalog. A catalog that is simply gone
// is replaced without a word; one that is there but does not open is named
// with the reason and tried again at the next start. 'notice' gets what the
// user must hear, also where a filled default catalog was set aside.
bool fokep::openLastCatalog(QString& notice)
{
    const QString templateFile = m_paths.templateFile();
    QString& last = m_state.settings.lastCatalog;
    QString keptAs;
    try {
        try {
            if (store::isTemplate(last, templateFile)) {
                keptAs = store::resetFromTemplate(templateFile, m_paths.defaultCatalog);
                last = m_paths.defaultCatalog;
            }
            bindLastCatalog();
        } catch (const platform::Error& e) {
            const int n = e.number();
            const bool gone = n == platform::err::FileNotFound ||
                              n == platform::err::PathNotFound || n == platform::err::BadFileName;
            const bool isDefault = store::sameFile(last, m_paths.defaultCatalog);
            if (!gone && isDefault && n == platform::err::FileAlreadyOpen) {
                // Held by another program: it is not moved from under it.
                notice =
                    cannotOpenText(last, n) +
                    QStringLiteral("\r\n\r\nZárja be a másik programot, majd indítsa újra ezt !");
                throw;
            }
            if (!gone) {
                m_retryCatalog = last;
                notice = cannotOpenText(last, n);
            }
            keptAs = store::resetFromTemplate(templateFile, m_paths.defaultCatalog);
            // The user's catalog was the default one: it is now where it was set aside.
            if (!gone && isDefault && !keptAs.isEmpty())
                m_retryCatalog = keptAs;
            last = m_paths.defaultCatalog;
            bindLastCatalog();
            if (!gone)
                notice += QStringLiteral("\r\n\r\nHelyette egy üres adatbázis nyílt meg:\r\n") +
                          last + QStringLiteral("\r\nA következő indításkor újra megpróbálom.");
        }
    } catch (const platform::Error& e) {
        if (m_splash)
            m_splash->close();
        if (notice.isEmpty())
            notice = QStringLiteral("A program nem indítható: az üres adatbázis sablonja (") +
                     templateFile + QStringLiteral(") hiányzik vagy sérült.\n") + e.detail();
        platform::MessageBox::show(this, notice, platform::MessageBox::Buttons::Ok,
                                   platform::MessageBox::Icon::Critical);
        return false;
    }
    if (!keptAs.isEmpty())
        notice += (notice.isEmpty() ? QString() : QStringLiteral("\r\n\r\n")) +
                  CatalogCommands::keptAsideText(keptAs);
    return true;
}

void fokep::bindLastCatalog()
{
    const QString path = m_state.settings.lastCatalog;
    tabla1->setCaption(kOpenedPrefix + path);
    m_commands.bindBaseView(path, true);
    kfriss->setChecked(m_state.settings.contextRefresh != 0);
    auttom->setChecked(m_state.settings.autoCompact != 0);
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
    setBusy(true);
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
    setBusy(false);
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
    setEnabledUnlessPending(muvf, s.muvf);
    setEnabledUnlessPending(gye, s.muvf);
    setEnabledUnlessPending(osszm, s.osszm);
    setEnabledUnlessPending(mv, s.mv);
    for (QAction* a : {mki, uge, ugv, korny})
        setEnabledUnlessPending(a, s.browse);
}

void fokep::minden_Click()
{
    setBusy(true);
    showProgress(50);
    try {
        setView({CatalogCommands::kBaseView, {}, true, {}, false});
    } catch (const platform::Error&) {
    }
    showProgress(90);
    Form_Activate();
    showProgress(100);
    hideProgress();
    setBusy(false);
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
    runModal(m_epito, [this] { return new epito(host(), driveSource, this); });
}

// The host interface

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
    if (failure)
        std::rethrow_exception(failure);
}

void fokep::refreshView()
{
    try {
        Data1->refresh();
    } catch (const platform::Error&) {
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

// Another catalog is heard of as damaged once again. The settings file names
// the catalog in force from now on, so a crash does not lose it.
void fokep::catalogBound(const QString& path, bool fresh)
{
    if (m_tree->catalogBound(path, fresh))
        m_damageReported = false;
    store::writeSettings(m_paths.settingsFile, settingsToSave());
}

// A last catalog that did not open at start is tried again next time,
// unless the user has moved on to another catalog since.
store::Settings fokep::settingsToSave() const
{
    store::Settings saved = m_state.settings;
    if (!m_retryCatalog.isEmpty() && saved.lastCatalog == m_paths.defaultCatalog)
        saved.lastCatalog = m_retryCatalog;
    return saved;
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
    m_state.settings.windowState = isMaximized() && !isMinimized()
                                       ? store::Settings::kWindowMaximized
                                       : store::Settings::kWindowNormal;
    m_state.settings.contextRefresh = kfriss->isChecked() ? -1 : 0;
    m_state.settings.autoCompact = auttom->isChecked() ? -1 : 0;
    store::writeSettings(m_paths.settingsFile, settingsToSave());
}

void fokep::closeEvent(QCloseEvent* e)
{
    Form_Unload();
    e->accept();
    QApplication::quit();
}
