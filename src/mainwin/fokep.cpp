#include "fokep.h"

#include "FokepRules.h"
#include "PathTree.h"
#include "ViewScans.h"
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
#include "widgets/DataGrid.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <exception>

namespace {

const QString kOpenedPrefix = QStringLiteral("Megnyitva: ");
const char* const kHelpTopic = "helpTopic";

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
    connectGridAndTree();
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
    connect(tabla1, &DataGrid::SelChange, this, &fokep::tabla1_SelChange);

    Fa = new PathTree(client);
    Fa->setObjectName(QStringLiteral("Fa"));

    vegere = pictureButton(client, "vegere", QStringLiteral("Ugrás a végére"));
    elore = pictureButton(client, "elore", QStringLiteral("Ugrás az elejére"));
    gye = pictureButton(client, "gye", QStringLiteral("Kijelölt file-ok előhozása"));
    gyors = pictureButton(client, "gyors", QStringLiteral("Szűrés megadása"));
    connect(vegere, &QToolButton::clicked, this, &fokep::vegere_Click);
    connect(elore, &QToolButton::clicked, this, &fokep::elore_Click);
    m_pending << gye << gyors;
    gye->setEnabled(false);
    gyors->setEnabled(false);

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

QAction* fokep::addItem(QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& shortcut, int helpTopic)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(shortcut);
    if (helpTopic)
        a->setProperty(kHelpTopic, helpTopic);
    return a;
}

QAction* fokep::addSeparator(QMenu* menu, const char* name)
{
    QAction* a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

QMenu* fokep::addMenu(QMenu* parentMenu, const char* name, const QString& caption, int helpTopic)
{
    QMenu* m = parentMenu ? parentMenu->addMenu(caption) : menuBar()->addMenu(caption);
    m->setObjectName(QLatin1String(name));
    m->menuAction()->setObjectName(QLatin1String(name));
    if (helpTopic)
        m->menuAction()->setProperty(kHelpTopic, helpTopic);
    m->installEventFilter(this);
    return m;
}

void fokep::buildMenus()
{
    menuBar()->installEventFilter(this);
    using QKS = QKeySequence;

    f1 = addMenu(nullptr, "f1", QStringLiteral("File"));
    Fuj = addItem(f1, "Fuj", QStringLiteral("Új adatbázis"), QKS(Qt::CTRL | Qt::Key_U));
    Fnyit = addItem(f1, "Fnyit", QStringLiteral("Megnyitás"), QKS(Qt::CTRL | Qt::Key_L));
    mas = addItem(f1, "mas", QStringLiteral("Mentés másképp"), QKS(Qt::CTRL | Qt::Key_Z));
    j = addSeparator(f1, "j");
    lement = addItem(f1, "lement", QStringLiteral("Leválogatás mentése"), QKS(Qt::CTRL | Qt::Key_J));
    Ftomor = addItem(f1, "Ftomor", QStringLiteral("Tömörítés"), QKS(Qt::CTRL | Qt::Key_T));
    i = addSeparator(f1, "i");
    beal = addMenu(f1, "beal", QStringLiteral("Beállítások"));
    kfriss = addItem(beal, "kfriss", QStringLiteral("Környezet nézet firssítése"));
    auttom = addItem(beal, "auttom", QStringLiteral("Automatikus tömörítés"));
    kfriss->setCheckable(true);
    auttom->setCheckable(true);
    z = addSeparator(f1, "z");
    Fki = addItem(f1, "Fki", QStringLiteral("Kilépés"));

    sz1 = addMenu(nullptr, "sz1", QStringLiteral("Szerkesztés"));
    szauto = addItem(sz1, "szauto", QStringLiteral("Automatikus feltőltés"), {}, 280);
    k = addSeparator(sz1, "k");
    kulcs = addItem(sz1, "kulcs", QStringLiteral("Kúlcsszavak szerkesztése"), QKS(Qt::CTRL | Qt::Key_S), 290);
    szkezi = addMenu(sz1, "szkezi", QStringLiteral("Kulcs összerendelés"), 300);
    f_kmeg = addItem(szkezi, "f_kmeg", QStringLiteral("FILE-Kulcs megadás"), QKS(Qt::CTRL | Qt::Key_H), 300);
    u_kmeg = addItem(szkezi, "u_kmeg", QStringLiteral("ÚT-Kulcs megadás"), QKS(Qt::CTRL | Qt::Key_G), 300);

    muv = addMenu(nullptr, "muv", QStringLiteral("Műveletek"), 250);
    uge = addItem(muv, "uge", QStringLiteral("Ugrás az elejére"), QKS(Qt::CTRL | Qt::Key_E), 250);
    ugv = addItem(muv, "ugv", QStringLiteral("Ugrás a végére"), QKS(Qt::CTRL | Qt::Key_V), 250);
    mki = addItem(muv, "mki", QStringLiteral("Mindet kijelöl"), QKS(Qt::CTRL | Qt::Key_A), 250);
    mv = addItem(muv, "mv", QStringLiteral("Másolás a vágólapra"), QKS(Qt::CTRL | Qt::Key_C), 250);
    osszm = addItem(muv, "osszm", QStringLiteral("Összméret számítás"), QKS(Qt::CTRL | Qt::Key_O), 250);
    korny = addItem(muv, "korny", QStringLiteral("Környezet nézet"), QKS(Qt::CTRL | Qt::Key_F), 250);
    muvf = addItem(muv, "muvf", QStringLiteral("Előhozás"), {}, 250);

    ker1 = addMenu(nullptr, "ker1", QStringLiteral("Keresés"), 530);
    kossze = addItem(ker1, "kossze", QStringLiteral("Összetett keresés"), QKS(Qt::CTRL | Qt::Key_K), 530);
    minden = addItem(ker1, "minden", QStringLiteral("Minden adat"), QKS(Qt::CTRL | Qt::Key_M), 10);

    Sug = addMenu(nullptr, "Sug", QStringLiteral("Súgó"));
    Sug1 = addItem(Sug, "Sug1", QStringLiteral("Témakörök"), {}, 10);
    aq = addSeparator(Sug, "aq");
    nev = addItem(Sug, "nev", QStringLiteral("Névjegy"));

    auto* helpKey = new QAction(this);
    helpKey->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpKey, &QAction::triggered, this, &fokep::Sug1_Click);
    addAction(helpKey);

    // The path tree's pop-up menu; never on the bar.
    fam = new QMenu(QStringLiteral("fam"), this);
    fam->setObjectName(QStringLiteral("fam"));
    famas = addItem(fam, "famas", QStringLiteral("Másolás a vágólapra"));

    connect(Fuj, &QAction::triggered, this, &fokep::Fuj_Click);
    connect(Fnyit, &QAction::triggered, this, &fokep::Fnyit_Click);
    connect(mas, &QAction::triggered, this, &fokep::mas_Click);
    connect(Ftomor, &QAction::triggered, this, &fokep::Ftomor_Click);
    connect(Fki, &QAction::triggered, this, &fokep::Fki_Click);
    connect(minden, &QAction::triggered, this, &fokep::minden_Click);
    connect(Sug1, &QAction::triggered, this, &fokep::Sug1_Click);
    connect(nev, &QAction::triggered, this, &fokep::nev_Click);
    connect(uge, &QAction::triggered, this, &fokep::elore_Click);
    connect(ugv, &QAction::triggered, this, &fokep::vegere_Click);
    connect(mv, &QAction::triggered, this, &fokep::mv_Click);
    connect(muv, &QMenu::aboutToShow, this, &fokep::muvEnabling);

    connect(szauto, &QAction::triggered, this, &fokep::szauto_Click);
    for (QAction* a : {kulcs, f_kmeg, u_kmeg, muvf, kossze}) {
        m_pending << a;
        a->setEnabled(false);
    }
}

void fokep::setEnabledUnlessPending(QObject* control, bool enabled)
{
    enabled = enabled && !m_pending.contains(control);
    if (auto* a = qobject_cast<QAction*>(control))
        a->setEnabled(enabled);
    else if (auto* w = qobject_cast<QWidget*>(control))
        w->setEnabled(enabled);
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

void fokep::addRootNode(const QString& text)
{
    Fa->add(QString(), QStringLiteral("a"), text, QStringLiteral("cd"));
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
    tabla1->setColumnWidth(1, FokepRules::twipsToPixels(4500, logicalDpiX()));
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
    if (m_state.recordCount == 0) {
        if (QTreeWidgetItem* first = Fa->node(1))
            first->setExpanded(false);
        Fa->clearNodes();
        addRootNode(QStringLiteral("----"));
    }
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

void fokep::tabla1_SelChange()
{
    setEnabledUnlessPending(gye, tabla1->selCount() != 0);
    selectionCounter();
}

void fokep::elore_Click()
{
    try {
        Data1->moveFirst();
    } catch (const platform::Error&) {
    }
}

void fokep::vegere_Click()
{
    try {
        Data1->moveLast();
    } catch (const platform::Error&) {
    }
}

// Copies the selected rows, in marking order, to the clipboard.
void fokep::mv_Click()
{
    setBusy(true);
    const QList<qint64> marks = tabla1->SelBookmarks();
    showProgress(0, int(marks.size()));
    QString text;
    bool read = false;
    try {
        // One pass over the marked rows' stretch, however far apart they lie.
        const QHash<qint64, QString> rows =
            ViewScans::rowTexts(*Data1, marks, [this](int done) { bar->setValue(done); });
        for (const qint64 mark : marks)
            if (rows.contains(mark))
                text += rows.value(mark) + QStringLiteral("\r\n");
        if (!marks.isEmpty())
            Data1->setAbsolutePosition(marks.last());
        read = true;
    } catch (const platform::Error&) {
    }
    // Rows that could not be read are not copied as fewer rows.
    if (read)
        QGuiApplication::clipboard()->setText(text);
    tabla1->setCol(0);
    hideProgress();
    setBusy(false);
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

void fokep::setGridCaption(const QString& caption)
{
    tabla1->setCaption(caption);
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

QString fokep::catalogPath()
{
    return Data1->databaseName();
}

void fokep::setView(const View& view)
{
    std::exception_ptr failure;
    try {
        Data1->setRecordSource(view.recordSource, view.params);
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

void fokep::refreshView()
{
    try {
        Data1->refresh();
    } catch (const platform::Error&) {
    }
    viewCaption();
}

void fokep::szauto_Click()
{
    if (!m_epito)
        m_epito = new epito(*this, driveSource, this);
    m_epito->run();
    modalFormClosed();
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

void fokep::setBusy(bool busy)
{
    platform::setBusyPointer(busy);
}

void fokep::Form_Resize()
{
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    const QSize outer = frameGeometry().size();
    const QSize inner = centralWidget()->size();
    const auto geometry = FokepRules::layout(
        FokepRules::pixelsToTwips(outer.width(), dpiX), FokepRules::pixelsToTwips(outer.height(), dpiY),
        FokepRules::pixelsToTwips(inner.width(), dpiX), FokepRules::pixelsToTwips(inner.height(), dpiY));
    if (!geometry)
        return;
    for (auto it = geometry->cbegin(); it != geometry->cend(); ++it) {
        auto* control = centralWidget()->findChild<QWidget*>(it.key(), Qt::FindDirectChildrenOnly);
        if (!control)
            continue;
        const QRect t = it.value();
        control->setGeometry(FokepRules::twipsToPixels(t.x(), dpiX), FokepRules::twipsToPixels(t.y(), dpiY),
                             FokepRules::twipsToPixels(t.width(), dpiX),
                             FokepRules::twipsToPixels(t.height(), dpiY));
    }
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
    // A last catalog that did not open at start is tried again next time,
    // unless the user has moved on to another catalog since.
    store::Settings saved = m_state.settings;
    if (!m_retryCatalog.isEmpty() && saved.lastCatalog == m_paths.defaultCatalog)
        saved.lastCatalog = m_retryCatalog;
    store::writeSettings(m_paths.settingsFile, saved);
}

void fokep::closeEvent(QCloseEvent* e)
{
    Form_Unload();
    e->accept();
    QApplication::quit();
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

// F1 on a highlighted menu item opens that item's help topic; an item without
// a topic of its own opens the contents, as F1 anywhere else in the window does.
bool fokep::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
        QAction* active = nullptr;
        if (auto* menu = qobject_cast<QMenu*>(watched))
            active = menu->activeAction();
        else if (auto* bar = qobject_cast<QMenuBar*>(watched))
            active = bar->activeAction();
        if (active) {
            if (active->property(kHelpTopic).isValid())
                help->showTopic(active->property(kHelpTopic).toInt());
            else
                help->showContents();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}
