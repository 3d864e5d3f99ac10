#include "szuro.h"

#include "BulkOperations.h"
#include "SearchViews.h"
#include "platform/BusyCursor.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "platform/Skipped.h"
#include "shared/MainHost.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "shared/Subject.h"
#include "store/DataSource.h"
#include "widgets/HelpKey.h"
#include "widgets/KeywordList.h"
#include "widgets/PatternBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using platform::MessageBox;

namespace {

const QString kAnyPattern = QStringLiteral("*");

// The two lines of the question asked before a mode changes the catalog.
QString confirmation(int mode)
{
    switch (mode) {
    case szuro::FileKeywords:
        return QStringLiteral("Ön arra készűl, hogy a feltételeknek megfelelő Progran neveket\r\n"
                              " és kulcsokat össze rendelje! Folytatja a műveletet ?");
    case szuro::FolderKeywords:
        return QStringLiteral("Ön arra készűl, hogy a feltételeknek megfelelő Utakat\r\n"
                              "és kulcsokat össze rendelje! Folytatja a műveletet ?");
    default:
        return QStringLiteral("Ön TÖRŐLNI készűl a feltételeknek megfelelő rekordokat !\r\n"
                              "Ez visszavonhatatlan művelet, mégis folytatja ?");
    }
}

QString operationCaption(int mode)
{
    switch (mode) {
    case szuro::FileKeywords:
        return QStringLiteral("Programok <--> kulcsok összerendelése");
    case szuro::FolderKeywords:
        return QStringLiteral("Utak <--> kulcsok összerendelése");
    case szuro::Deletion:
        return QStringLiteral("! Rekordok TŐRLÉSE !");
    default:
        return QStringLiteral("Laza illesztésű szűrők:");
    }
}

} // namespace

szuro::szuro(MainHost& host, ConditionOwner& owner, int mode, QWidget* parent)
    : FormDialog(parent, "szuro", QStringLiteral("Szűrő meghatározás")), m_host(host),
      m_owner(owner), m_mode(mode)
{
    setModal(true);
    buildControls();
    resize(460, 400);
    widgets::setHelpTopic(this, QStringLiteral("szuro"));
}

szuro::~szuro() = default;

void szuro::buildControls()
{
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    Label1 = label("Label1", QStringLiteral("FILE név:"));
    Label2 = label("Label2", QStringLiteral("Helye:"));
    Label3 = label("Label3", QStringLiteral("ÉS"));
    Label4 = label("Label4", QStringLiteral("Laza illesztésű szűrők:"));
    Label4->setToolTip(QStringLiteral("Aktuális művelet"));
    QFont bold = Label4->font();
    bold.setBold(true);
    Label4->setFont(bold);
    Label5 = label("Label5", QStringLiteral("ÉS"));
    Label6 = label("Label6", QStringLiteral("Kulcsai:"));
    for (QLabel* l : {Label3, Label5})
        l->setAlignment(Qt::AlignCenter);

    filenev = new PatternBox(this);
    filenev->setObjectName(QStringLiteral("filenev"));
    filenev->setToolTip(QStringLiteral("Keresési minat (*ab*cd*...)"));
    ut = new PatternBox(this);
    ut->setObjectName(QStringLiteral("ut"));
    ut->setToolTip(QStringLiteral("Útban keresi a mintát"));
    kul = new KeywordList(this);
    kul->setObjectName(QStringLiteral("kul"));
    kul->setToolTip(QStringLiteral("Létező kulcsok"));
    kul->setDefaultRule(true);
    Label1->setBuddy(filenev);
    Label2->setBuddy(ut);
    Label6->setBuddy(kul);

    kesz = new QPushButton(QStringLiteral("Keresés"), this);
    kesz->setObjectName(QStringLiteral("kesz"));
    kesz->setToolTip(QStringLiteral("Végrahajtás"));
    kesz->installEventFilter(this);
    megsem = new QPushButton(QStringLiteral("Mégsem"), this);
    megsem->setObjectName(QStringLiteral("megsem"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label4, 0, 0, 1, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(filenev, 1, 1);
    grid->addWidget(Label3, 2, 1);
    grid->addWidget(Label2, 3, 0);
    grid->addWidget(ut, 3, 1);
    grid->addWidget(Label5, 4, 1);
    grid->addWidget(Label6, 5, 0, Qt::AlignTop);
    grid->addWidget(kul, 5, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(kesz);
    buttons->addWidget(megsem);
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1);

    connect(filenev, &PatternBox::KeyDown, this, &szuro::controlKeyDown);
    connect(ut, &PatternBox::KeyDown, this, &szuro::controlKeyDown);
    connect(kul, &KeywordList::KeyDown, this, &szuro::controlKeyDown);
    connect(kesz, &QPushButton::clicked, this, &szuro::kesz_Click);
    connect(megsem, &QPushButton::clicked, this, &szuro::megsem_Click);
}

bool szuro::loadForm()
{
    queries::loadHistories(m_host, m_names, m_paths);
    filenev->setEntries(m_names->entries());
    ut->setEntries(m_paths->entries());
    filenev->setEditText(kAnyPattern);
    ut->setEditText(kAnyPattern);
    m_owner.setOwnerEnabled(false);
    Label4->setText(operationCaption(m_mode));
    kesz->setText(m_mode == Search ? QStringLiteral("Keresés") : QStringLiteral("Módosítás"));
    // The deletion takes no keywords.
    const bool keywords = m_mode != Deletion;
    kul->setEnabled(keywords);
    Label5->setEnabled(keywords);
    Label6->setEnabled(keywords);
    return true;
}

void szuro::Form_Activate()
{
    const Subject& subject = m_owner.subject();
    for (QWidget* w : std::initializer_list<QWidget*>{filenev, Label1, Label3})
        w->setEnabled(subject.files);
    QStringList entries;
    try {
        entries = keywordTexts(m_owner.records().database(), subject);
    } catch (const platform::Error& e) {
        MessageBox::show(this,
                         QStringLiteral("A kulcsok listája nem olvasható!\r\n") +
                             platform::engineReason(e),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
    }
    kul->setEntries(entries);
    kul->selectOnly({0});
    (subject.files ? static_cast<QWidget*>(filenev) : static_cast<QWidget*>(ut))->setFocus();
}

void szuro::controlKeyDown(int key)
{
    if (key == Qt::Key_Return)
        kesz_Click();
    else if (key == Qt::Key_Escape)
        megsem_Click();
}

bool szuro::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == kesz && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        megsem_Click();
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void szuro::kesz_Click()
{
    m_names->remember(filenev->currentText());
    m_paths->remember(ut->currentText());
    filenev->setEntries(m_names->entries());
    ut->setEntries(m_paths->entries());

    m_owner.progressBar()->setRange(0, 100);
    if (m_mode != Search && !confirmed())
        return;
    platform::setBusyPointer(true);
    setBar(10);
    if (!runMode()) {
        endWork();
        return;
    }
    search();
    endWork();
    accept();
}

bool szuro::confirmed()
{
    return MessageBox::show(this, confirmation(m_mode), MessageBox::Buttons::YesNo,
                            MessageBox::Icon::Exclamation) == MessageBox::Answer::Yes;
}

// The mode's change to the catalog, all of it or nothing; false when it
// failed, which the user has been told.
bool szuro::runMode()
{
    const queries::Condition condition{
        filenev->currentText(), ut->currentText(), {kul->entries(), kul->selectedFlags()}};
    const queries::Progress progress = [this](int value) { setBar(value); };
    try {
        switch (m_mode) {
        case FileKeywords:
            queries::assignFileKeywords(m_owner.records().database(), condition, progress);
            break;
        case FolderKeywords:
            queries::assignFolderKeywords(m_owner.records().database(), condition, progress);
            break;
        case Deletion: {
            m_owner.progressBar()->hide();
            platform::setBusyPointer(false);
            if (MessageBox::show(this,
                                 QStringLiteral("Törli a következő feltételek alapján:\r\n"
                                                "Programnevek: ") +
                                     condition.namePattern + QStringLiteral("   Utak: ") +
                                     condition.pathPattern + QStringLiteral(" az adatbázist ?"),
                                 MessageBox::Buttons::OkCancel,
                                 MessageBox::Icon::Question) != MessageBox::Answer::Ok)
                return true;
            platform::setBusyPointer(true);
            setBar(m_owner.progressBar()->value());
            queries::deleteFiles(m_owner.records().database(), condition.namePattern,
                                 condition.pathPattern, progress);
            refreshMain();
            break;
        }
        default:
            break;
        }
    } catch (const platform::Error& e) {
        endWork();
        MessageBox::show(this,
                         QStringLiteral("A művelet nem hajtható végre, az adatbázis nem "
                                        "változott!\r\n") +
                             platform::engineReason(e),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        return false;
    }
    return true;
}

// The main window shows what is left after a deletion, its tree too when it follows the grid.
void szuro::refreshMain()
{
    m_host.refreshView();
    m_host.recordCounter();
    if (m_host.contextRefresh() && m_host.state().recordCount > 0)
        m_host.rebuildTree();
}

// The matching records that carry every chosen keyword, into the owner's grid.
void szuro::search()
{
    const Subject& subject = m_owner.subject();
    const queries::Condition condition{
        filenev->currentText(), ut->currentText(), {kul->entries(), kul->selectedFlags()}};
    const std::optional<queries::RecordSource> source =
        queries::conditionSearch(subject, condition);
    if (!source)
        return;
    setBar(90);
    store::DataSource& D1 = m_owner.records();
    try {
        if (source->countSql.isEmpty())
            D1.setRecordSource(source->sql, source->params);
        else
            D1.setRecordSource(source->sql, source->params, source->countSql);
        D1.refresh();
    } catch (const platform::Error& e) {
        endWork();
        MessageBox::show(
            this, QStringLiteral("A keresés nem hajtható végre!\r\n") + platform::engineReason(e),
            MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        // The grid goes back to every record rather than showing nothing.
        try {
            D1.setRecordSource(subject.recordSql);
            D1.refresh();
        } catch (const platform::Error& e) {
            platform::logSkipped("szuro::search", e);
        }
        return;
    }
    setBar(100);
}

void szuro::setBar(int value)
{
    QProgressBar* bar = m_owner.progressBar();
    bar->setValue(value);
    bar->show();
    bar->repaint();
}

void szuro::endWork()
{
    m_owner.progressBar()->hide();
    platform::setBusyPointer(false);
}

void szuro::megsem_Click()
{
    close();
}

void szuro::unloadForm()
{
    queries::storeHistories(m_host, *m_names, *m_paths);
    m_owner.setOwnerEnabled(true);
    m_owner.progressBar()->hide();
    platform::setBusyPointer(false);
}
