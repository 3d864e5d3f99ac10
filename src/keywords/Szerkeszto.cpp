#include "Szerkeszto.h"

#include "KeyLayout.h"
#include "Pictures.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "platform/Skipped.h"
#include "shared/MainHost.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/HelpKey.h"
#include "widgets/KeywordList.h"
#include "widgets/Menus.h"
#include "widgets/PictureButton.h"
#include "widgets/ResultModel.h"
#include "widgets/TwipsLayout.h"

#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace {

constexpr int kPathColumnTwips = 4000;

} // namespace

Szerkeszto::Szerkeszto(MainHost& host, bool files, QWidget* parent)
    : QMainWindow(parent), m_host(host), m_keys(files, [this](const keywords::Message& m) {
          return platform::MessageBox::show(this, m.text, m.buttons, m.icon);
      })
{
    setObjectName(QStringLiteral("Szerkeszto"));
    setProperty(Module1::kFormProperty, true);
    buildControls();
    buildMenus();
    resize(920, 600);
    widgets::setHelpTopic(this, QStringLiteral("300"));
}

Szerkeszto::~Szerkeszto() = default;

void Szerkeszto::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    Fotabla = new DataGrid(m_keys.D1, client);
    Fotabla->setObjectName(QStringLiteral("Fotabla"));
    // The grid has one record at a time: the one whose keywords the list shows.
    Fotabla->view()->setSelectionMode(QAbstractItemView::SingleSelection);
    kulcsok = new KeywordList(client);
    kulcsok->setObjectName(QStringLiteral("kulcsok"));
    kulcsok->setToolTip(QStringLiteral("Létező kulcsok"));

    auto button = [client](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, client);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };
    fel = button("fel", QStringLiteral("Elejére"), QStringLiteral("Ugrás az elejére"));
    le = button("le", QStringLiteral("Végére"), QStringLiteral("Ugrás a végére"));
    Ok = button("Ok", QStringLiteral("Tárolás"), QStringLiteral("Összerendelés felvétele"));
    Ok->installEventFilter(this);
    kesz = widgets::pictureButton(new QToolButton(client), "kesz", keywords::pictures::done(),
                                  QStringLiteral("Kész"));

    bar = new QProgressBar(client);
    bar->setObjectName(QStringLiteral("bar"));
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    bar->hide();

    connect(Fotabla, &DataGrid::RowColChange, this, &Szerkeszto::Fotabla_RowColChange);
    connect(Fotabla, &DataGrid::KeyDown, this, &Szerkeszto::Fotabla_KeyDown);
    connect(Fotabla, &DataGrid::MouseMove, this, &Szerkeszto::Fotabla_MouseMove);
    connect(kulcsok, &KeywordList::KeyDown, this, &Szerkeszto::kulcsok_KeyDown);
    connect(Ok, &QPushButton::clicked, this, &Szerkeszto::Ok_Click);
    connect(fel, &QPushButton::clicked, this, &Szerkeszto::fel_Click);
    connect(le, &QPushButton::clicked, this, &Szerkeszto::le_Click);
    connect(kesz, &QToolButton::clicked, this, &Szerkeszto::kesz_Click);
}

void Szerkeszto::buildMenus()
{
    using widgets::addItem;
    using widgets::addSeparator;
    muv = widgets::addMenu(menuBar(), "muv", QStringLiteral("Műveletek"));
    osz = addItem(muv, "osz", QStringLiteral("Összetett szűrők"));
    prgg = addItem(muv, "prgg", QStringLiteral("Programok <--> kulcsok göngyölése"));
    utg = addItem(muv, "utg", QStringLiteral("Utak <--> kulcsok göngyölése"));
    addSeparator(muv, "s1");
    rekt = addItem(muv, "rekt", QStringLiteral("Rekordok tőrlése !"));
    addSeparator(muv, "s2");
    mkesz = addItem(muv, "mkesz", QStringLiteral("Kész"));
    for (QAction* a : {muv->menuAction(), osz, prgg, utg, rekt})
        widgets::setHelpTopic(a, QStringLiteral("szuro"));
    connect(osz, &QAction::triggered, this, &Szerkeszto::osz_Click);
    connect(prgg, &QAction::triggered, this, &Szerkeszto::prgg_Click);
    connect(utg, &QAction::triggered, this, &Szerkeszto::utg_Click);
    connect(rekt, &QAction::triggered, this, &Szerkeszto::rekt_Click);
    connect(mkesz, &QAction::triggered, this, &Szerkeszto::mkesz_Click);
}

bool Szerkeszto::run()
{
    if (!Form_Load())
        return false;
    if (m_host.state().settings.windowState == store::Settings::kWindowMaximized)
        showMaximized();
    else
        show();
    Form_Activate();
    return true;
}

bool Szerkeszto::Form_Load()
{
    const QString catalog = m_host.catalogPath();
    if (!m_keys.load(catalog))
        return false;
    m_loaded = true;
    Fotabla->setCaption(catalog);
    m_host.minimizeMain();
    m_host.setMainEnabled(false);
    m_dialogMode = 0;
    const bool files = m_keys.subject().files;
    setWindowTitle(files ? QStringLiteral("Programok <--> kulcsok összerendelő")
                         : QStringLiteral("Utak <--> kulcsok összerendelő"));
    utg->setEnabled(!files);
    prgg->setEnabled(files);
    rekt->setEnabled(files);
    return true;
}

void Szerkeszto::Form_Activate()
{
    setColumns();
    kulcsok->setEntries(m_keys.activate());
    // A view read afresh has no current row yet; the grid starts on its first.
    if (m_keys.D1.bof()) {
        try {
            m_keys.D1.moveFirst();
        } catch (const platform::Error& e) {
            platform::logSkipped("Szerkeszto::Form_Activate", e);
        }
    }
    showKeywords();
}

void Szerkeszto::setColumns()
{
    const int pathWidth = twipsToPixels(kPathColumnTwips, logicalDpiX());
    if (m_keys.subject().files) {
        Fotabla->setColumnCaptions({QStringLiteral("Program név"), QStringLiteral("Út"),
                                    QStringLiteral("Hossz"), QStringLiteral("CRC32"),
                                    QStringLiteral("Dátum"), QStringLiteral("Száma")});
        for (int c = 0; c < 6; ++c)
            Fotabla->setColumnHidden(c, c == 3);
        Fotabla->setColumnWidth(1, pathWidth);
    } else {
        Fotabla->setColumnCaptions({QStringLiteral("Út"), QStringLiteral("Száma")});
        Fotabla->setColumnHidden(0, false);
        Fotabla->setColumnHidden(1, false);
        Fotabla->setColumnWidth(0, pathWidth);
    }
    Fotabla->view()->viewport()->update();
}

// The list shows the keywords linked to the grid's current record, and
// nothing else: what the user changes there is stored with Tárolás.
void Szerkeszto::showKeywords()
{
    m_shownRow = Fotabla->row();
    // Marked also when the program moved it (first and last row, a new view).
    if (m_shownRow >= 0 && m_shownRow < Fotabla->model()->rowCount())
        Fotabla->view()->selectionModel()->select(Fotabla->model()->index(int(m_shownRow), 0),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
    kulcsok->selectOnly(m_keys.kulcsmutat());
}

void Szerkeszto::Fotabla_RowColChange()
{
    // Another column of the same row keeps what the user has chosen so far.
    if (Fotabla->row() != m_shownRow)
        showKeywords();
}

void Szerkeszto::Fotabla_KeyDown(int key)
{
    if (key == Qt::Key_Return)
        kulcsok->setFocus();
    else if (key == Qt::Key_Escape)
        close();
}

void Szerkeszto::Fotabla_MouseMove(Qt::MouseButtons buttons, double y)
{
    if (buttons & Qt::MiddleButton) {
        if (y > m_previousY)
            Fotabla->scrollRows(1);
        else if (y < m_previousY)
            Fotabla->scrollRows(-1);
    }
    m_previousY = y;
}

void Szerkeszto::kulcsok_KeyDown(int key)
{
    if (key == Qt::Key_Return)
        Ok_Click();
    Fotabla->view()->setFocus();
}

void Szerkeszto::Ok_Click()
{
    m_keys.kulcstarol(kulcsok->selectedRows());
}

bool Szerkeszto::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Ok && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void Szerkeszto::fel_Click()
{
    try {
        m_keys.D1.moveFirst();
    } catch (const platform::Error& e) {
        platform::logSkipped("Szerkeszto::fel_Click", e);
    }
}

void Szerkeszto::le_Click()
{
    try {
        m_keys.D1.moveLast();
    } catch (const platform::Error& e) {
        platform::logSkipped("Szerkeszto::le_Click", e);
    }
}

void Szerkeszto::kesz_Click()
{
    close();
}

void Szerkeszto::openSzuro(int mode)
{
    m_dialogMode = mode;
    // Disabled under the dialog, the control in use loses the focus; it gets it back.
    const QPointer<QWidget> focused = focusWidget();
    szuro dialog(m_host, *this, mode, this);
    dialog.run();
    Form_Activate();
    if (focused)
        focused->setFocus();
}

// The central area and the menu: the window itself stays enabled, so the
// condition dialog, its child, stays usable.
void Szerkeszto::setOwnerEnabled(bool enabled)
{
    centralWidget()->setEnabled(enabled);
    menuBar()->setEnabled(enabled);
}

void Szerkeszto::Form_Resize()
{
    applyTwipsLayout(*this, keywords::szerkesztoLayout);
}

void Szerkeszto::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    Form_Resize();
}

void Szerkeszto::closeEvent(QCloseEvent* e)
{
    Form_Unload();
    QMainWindow::closeEvent(e);
}

void Szerkeszto::Form_Unload()
{
    if (!m_loaded)
        return;
    m_loaded = false;
    m_host.restoreMain();
    m_host.setMainEnabled(true);
    m_keys.close();
    m_host.refreshView();
    m_host.recordCounter();
    m_host.setBaseView();
    m_host.activationSteps();
}
