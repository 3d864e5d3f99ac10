#include "kerdes.h"

#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "shared/HostScopes.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "shared/Subject.h"
#include "store/DataSource.h"
#include "widgets/HelpKey.h"
#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"
#include "widgets/PictureButton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using platform::MessageBox;

namespace {

// A disc under a magnifying glass.
QPixmap searchPicture()
{
    constexpr int kSize = 48;
    return widgets::drawnPicture(
               [](QPainter& p) {
                   p.setPen(QPen(QColor(0x60, 0x60, 0x70), 1.5));
                   QRadialGradient shine(QPointF(18, 18), 17);
                   shine.setColorAt(0, QColor(0xf4, 0xf4, 0xfa));
                   shine.setColorAt(0.6, QColor(0xb8, 0xc8, 0xe8));
                   shine.setColorAt(1, QColor(0xd8, 0xb8, 0xe0));
                   p.setBrush(shine);
                   p.drawEllipse(QPointF(18, 18), 16, 16);
                   p.setBrush(Qt::white);
                   p.drawEllipse(QPointF(18, 18), 4, 4);
                   p.setPen(QPen(QColor(0x5a, 0x3a, 0x1a), 6, Qt::SolidLine, Qt::RoundCap));
                   p.drawLine(QPointF(36, 36), QPointF(44, 44));
                   p.setPen(QPen(QColor(0x30, 0x30, 0x30), 3));
                   p.setBrush(QColor(0xcc, 0xe6, 0xff, 0x90));
                   p.drawEllipse(QPointF(29, 29), 9, 9);
               },
               kSize)
        .pixmap(kSize, kSize);
}

bool isEnterOrEscape(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

kerdes::kerdes(MainHost& host, QWidget* parent)
    : FormDialog(parent, "kerdes", QStringLiteral("Lekérdezés")), m_host(host)
{
    prg = new store::DataSource(this);
    prg->setObjectName(QStringLiteral("prg"));
    ut = new store::DataSource(this);
    ut->setObjectName(QStringLiteral("ut"));
    buildControls();
    widgets::setHelpTopic(this, QStringLiteral("530"));
}

kerdes::~kerdes() = default;

void kerdes::buildControls()
{
    auto label = [this](const char* name, const QString& text, const QString& tip = {}) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setToolTip(tip);
        return l;
    };
    auto frame = [this](const char* name, const QString& title) {
        auto* f = new QGroupBox(title, this);
        f->setObjectName(QLatin1String(name));
        return f;
    };
    auto pattern = [this](const char* name, const QString& tip) {
        auto* box = new PatternBox(this);
        box->setObjectName(QLatin1String(name));
        box->setToolTip(tip);
        box->setMinimumContentsLength(24);
        return box;
    };
    auto keywords = [this](const char* name, const QString& tip) {
        auto* list = new KeywordList(this);
        list->setObjectName(QLatin1String(name));
        list->setToolTip(tip);
        list->setDefaultRule(true);
        return list;
    };
    auto button = [this](const char* name, const QString& text, const QString& tip = {}) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };

    Image1 = label("Image1", QString());
    Image1->setPixmap(searchPicture());
    Label3 = label("Label3", QStringLiteral("Laza illesztésű szűrők"),
                   QStringLiteral("Csak a kijelölt kulcsok vesznek részt a keresésben!"));
    QFont heading = Label3->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.25);
    Label3->setFont(heading);

    Frame1 = frame("Frame1", QStringLiteral("Szűrők"));
    Label4 = label("Label4", QStringLiteral("Program név:"));
    Label5 = label("Label5", QStringLiteral("Elérési út:"));
    prgnev = pattern("prgnev", QStringLiteral("File névben keresi a *ab*cd*...* mintát"));
    utnev = pattern("utnev", QStringLiteral("Útban keresi a *ab*cd*...* mintát"));
    Label4->setBuddy(prgnev);
    Label5->setBuddy(utnev);
    auto* patterns = new QGridLayout(Frame1);
    patterns->addWidget(Label4, 0, 0);
    patterns->addWidget(prgnev, 0, 1);
    patterns->addWidget(Label5, 1, 0);
    patterns->addWidget(utnev, 1, 1);
    patterns->setColumnStretch(1, 1);

    Frame2 = frame("Frame2", QStringLiteral("Kulcsok"));
    Label1 = label("Label1", QStringLiteral("Program"));
    Label2 = label("Label2", QStringLiteral("Könyvtár"));
    Label6 = label("Label6", QStringLiteral("ÉS"));
    Label6->setAlignment(Qt::AlignCenter);
    prgkulcs = keywords("prgkulcs", QStringLiteral("Választható program kulcsok"));
    utkulcs = keywords("utkulcs", QStringLiteral("Választható út kulcsok"));
    auto* lists = new QGridLayout(Frame2);
    lists->addWidget(Label1, 0, 0);
    lists->addWidget(Label2, 0, 2);
    lists->addWidget(prgkulcs, 1, 0);
    lists->addWidget(Label6, 1, 1);
    lists->addWidget(utkulcs, 1, 2);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);
    lists->setRowStretch(1, 1);

    utchk = new QCheckBox(QStringLiteral("Út orientált keresés"), this);
    utchk->setObjectName(QStringLiteral("utchk"));
    utchk->setToolTip(QStringLiteral("Azonos mappák kiszűrése"));
    utchk->installEventFilter(this);
    keres = button("keres", QStringLiteral("Lekérdezés"), QStringLiteral("A minták lekérdezése"));
    nem = button("nem", QStringLiteral("Mégsem"));

    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addWidget(Label3, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(utchk);
    bottom->addStretch(1);
    bottom->addWidget(keres);
    bottom->addWidget(nem);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(Frame1);
    all->addWidget(Frame2, 1);
    all->addLayout(bottom);
    const QList<QWidget*> order{prgnev, utnev, prgkulcs, utkulcs, utchk, keres, nem};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));

    connect(prgnev, &PatternBox::KeyDown, this, &kerdes::prgnev_KeyDown);
    connect(utnev, &PatternBox::KeyDown, this, &kerdes::utnev_KeyDown);
    connect(prgkulcs, &KeywordList::KeyDown, this, &kerdes::prgkulcs_KeyDown);
    connect(utkulcs, &KeywordList::KeyDown, this, &kerdes::utkulcs_KeyDown);
    connect(keres, &QPushButton::clicked, this, &kerdes::keres_Click);
    connect(nem, &QPushButton::clicked, this, &kerdes::nem_Click);
    resize(520, 480);
}

int kerdes::run()
{
    setModal(true);
    return FormDialog::run();
}

void kerdes::showModeless()
{
    setModal(false);
    if (!Form_Load())
        return;
    show();
    raise();
    activateWindow();
}

bool kerdes::loadForm()
{
    queries::loadHistories(m_host, m_names, m_paths);
    prgnev->setEntries(m_names->entries());
    utnev->setEntries(m_paths->entries());
    m_host.setMainEnabled(false);

    try {
        const QString catalog = m_host.catalogPath();
        prg->setDatabaseName(catalog);
        ut->setDatabaseName(catalog);
        prgkulcs->setEntries(keywordTexts(prg->database(), Subject::filesSubject()));
        utkulcs->setEntries(keywordTexts(ut->database(), Subject::foldersSubject()));
    } catch (const platform::Error& e) {
        MessageBox::show(this,
                         QStringLiteral("A kulcsszavak nem olvashatók, a keresés nem indítható!"
                                        "\r\n") +
                             platform::engineReason(e),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        Form_Unload();
        return false;
    }
    prgkulcs->selectOnly({0});
    utkulcs->selectOnly({0});
    prgnev->setEditText(QStringLiteral("*"));
    utnev->setEditText(QStringLiteral("*"));
    // Each opening is a fresh window.
    utchk->setChecked(false);
    prgnev->setFocus();
    return true;
}

queries::CompoundSearch kerdes::search() const
{
    return {prgnev->currentText(),
            utnev->currentText(),
            {prgkulcs->entries(), prgkulcs->selectedFlags()},
            {utkulcs->entries(), utkulcs->selectedFlags()},
            utchk->isChecked()};
}

void kerdes::keres_Click()
{
    if (!isLoaded())
        return;
    BusyScope busy(m_host);
    const queries::CompoundSearch s = search();
    m_names->remember(s.namePattern);
    m_paths->remember(s.pathPattern);
    prgnev->setEntries(m_names->entries());
    utnev->setEntries(m_paths->entries());

    m_host.showProgress(10, 100);
    const queries::SearchView view = queries::compoundSearchView(s);
    m_host.showProgress(80);
    try {
        m_host.setView({view.source.sql, view.source.params, view.baseView, view.caption,
                        view.folderList, view.source.countSql});
        m_host.showProgress(100);
    } catch (const platform::Error& e) {
        busy.end();
        MessageBox::show(
            this, QStringLiteral("A lekérdezés nem sikerült!\r\n") + platform::engineReason(e),
            MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
    }
    busy.end();
    accept();
}

void kerdes::nem_Click()
{
    reject();
}

void kerdes::searchKey(int key)
{
    if (key == Qt::Key_Escape)
        nem_Click();
    else
        keres_Click();
}

// A check box has no use for Enter and Escape; here they search and close.
bool kerdes::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == utchk && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (isEnterOrEscape(key)) {
            utchk_KeyDown(key == Qt::Key_Escape ? Qt::Key_Escape : Qt::Key_Return);
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

// Every way out (Mégsem, Escape, the close box, the search) unloads.
void kerdes::unloadForm()
{
    m_host.setMainEnabled(true);
    closeKeywordSources();
    m_host.hideProgress();
    queries::storeHistories(m_host, *m_names, *m_paths);
}

void kerdes::closeKeywordSources()
{
    for (store::DataSource* source : {prg, ut})
        if (source->isOpen())
            source->closeDatabase();
}
