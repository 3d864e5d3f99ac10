#include "kulcslap.h"

#include "Pictures.h"
#include "platform/MessageBox.h"
#include "shared/MainHost.h"
#include "shared/Module1.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/HelpKey.h"
#include "widgets/PictureButton.h"
#include "widgets/ResultModel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

using keywords::KeywordList;

namespace {

struct ListTexts
{
    const char* column;
    QString caption;
    QString tip;
};

const ListTexts& texts(KeywordList list)
{
    static const ListTexts files{"kulcs", QStringLiteral("FILE kulcs"),
                                 QStringLiteral("A létező File kulcs")};
    static const ListTexts folders{"nev", QStringLiteral("ÚT kulcs"),
                                   QStringLiteral("A létező út kulcs")};
    return list == KeywordList::Files ? files : folders;
}

} // namespace

kulcslap::kulcslap(MainHost& host, QWidget* parent)
    : FormDialog(parent, "kulcslap", QStringLiteral("Kulcsok")), m_host(host),
      m_lists([this](const keywords::Message& m) {
          return platform::MessageBox::show(this, m.text, m.buttons, m.icon);
      })
{
    setModal(true);
    buildControls();
    resize(560, 440);
    widgets::setHelpTopic(this, QStringLiteral("290"));
}

kulcslap::~kulcslap() = default;

void kulcslap::buildControls()
{
    prgkul = new DataGrid(m_lists.fkadat, this);
    prgkul->setObjectName(QStringLiteral("prgkul"));
    utkul = new DataGrid(m_lists.ukadat, this);
    utkul->setObjectName(QStringLiteral("utkul"));

    auto button = [this](const char* name, const QIcon& picture, const QString& tip) {
        return widgets::pictureButton(new QToolButton(this), name, picture, tip);
    };
    lef = button("lef", keywords::pictures::down(), QStringLiteral("Szerkeszt"));
    felf = button("felf", keywords::pictures::up(), QStringLiteral("Felvesz/Módosít"));
    torolf = button("torolf", keywords::pictures::remove(), QStringLiteral("Törlés"));
    leu = button("leu", keywords::pictures::down(), QStringLiteral("Szerkeszt"));
    felu = button("felu", keywords::pictures::up(), QStringLiteral("Felvesz/Módosít"));
    torolu = button("torolu", keywords::pictures::remove(), QStringLiteral("Törlés"));
    kesz = button("kesz", keywords::pictures::done(), QStringLiteral("Kész"));

    Label1 = new QLabel(QStringLiteral("Szerkesztő:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    sor = new QLineEdit(this);
    sor->setObjectName(QStringLiteral("sor"));
    sor->setToolTip(QStringLiteral("Kulcsok szerkesztése/másolása"));
    sor->installEventFilter(this);
    Label1->setBuddy(sor);

    auto* layout = new QGridLayout(this);
    layout->addWidget(prgkul, 0, 0);
    layout->addWidget(utkul, 0, 1);
    auto buttons = [](QToolButton* a, QToolButton* b, QToolButton* c) {
        auto* row = new QHBoxLayout;
        row->addWidget(a);
        row->addWidget(b);
        row->addWidget(c);
        row->addStretch(1);
        return row;
    };
    layout->addLayout(buttons(lef, felf, torolf), 1, 0);
    layout->addLayout(buttons(leu, felu, torolu), 1, 1);
    auto* editor = new QHBoxLayout;
    editor->addWidget(Label1);
    editor->addWidget(sor, 1);
    editor->addSpacing(12);
    editor->addWidget(kesz);
    layout->addLayout(editor, 2, 0, 1, 2);
    layout->setRowStretch(0, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);

    for (KeywordList list : {KeywordList::Files, KeywordList::Folders}) {
        DataGrid* g = grid(list);
        g->setToolTip(texts(list).tip);
        g->setEmptyRow(true);
        // One row is chosen at a time: the row the commands act on.
        g->view()->setSelectionMode(QAbstractItemView::SingleSelection);
        g->view()->horizontalHeader()->setStretchLastSection(true);
        connect(g, &DataGrid::DblClick, this, [this, list] { szerkeszt(list); });
        connect(g, &DataGrid::KeyDown, this, [this, list](int key) { gridKeyDown(list, key); });
        connect(g->view(), &QAbstractItemView::clicked, this,
                [this, list](const QModelIndex& index) { m_lists.click(list, index.row()); });
        connect(g, &DataGrid::RowColChange, this,
                [this, list] { m_lists.rowMoved(list, grid(list)->row()); });
    }
    connect(lef, &QToolButton::clicked, this, &kulcslap::lef_Click);
    connect(leu, &QToolButton::clicked, this, &kulcslap::leu_Click);
    connect(felf, &QToolButton::clicked, this, &kulcslap::felf_Click);
    connect(felu, &QToolButton::clicked, this, &kulcslap::felu_Click);
    connect(torolf, &QToolButton::clicked, this, &kulcslap::torolf_Click);
    connect(torolu, &QToolButton::clicked, this, &kulcslap::torolu_Click);
    connect(kesz, &QToolButton::clicked, this, &kulcslap::kesz_Click);
}

DataGrid* kulcslap::grid(KeywordList list) const
{
    return list == KeywordList::Files ? prgkul : utkul;
}

bool kulcslap::loadForm()
{
    m_lists.load();
    sor->clear();
    m_host.setMainEnabled(false);
    return true;
}

void kulcslap::Form_Activate()
{
    m_lists.activate(m_host.catalogPath());
    for (KeywordList list : {KeywordList::Files, KeywordList::Folders}) {
        dressGrid(list);
        showCurrentRow(list);
    }
    sor->setFocus();
}

// The keyword column shows under the list's caption; the key stays out of sight.
void kulcslap::dressGrid(KeywordList list)
{
    DataGrid* g = grid(list);
    const store::DataSource& s = m_lists.source(list);
    const int keyword = s.columnIndex(QLatin1String(texts(list).column));
    QStringList captions;
    for (int c = 0; c < s.columnCount(); ++c) {
        captions << (c == keyword ? texts(list).caption : QString());
        g->setColumnHidden(c, c != keyword);
    }
    g->setColumnCaptions(captions);
}

// The grid marks the row the list's commands act on; a re-read grid has lost its mark.
void kulcslap::showCurrentRow(KeywordList list)
{
    DataGrid* g = grid(list);
    const int rows = g->model()->rowCount();
    if (rows == 0)
        return;
    const int row = int(std::min<qint64>(m_lists.currentRow(list), rows - 1));
    const int column =
        std::max(0, m_lists.source(list).columnIndex(QLatin1String(texts(list).column)));
    const QModelIndex index = g->model()->index(row, column);
    g->view()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
    g->view()->scrollTo(index);
}

void kulcslap::gridKeyDown(KeywordList list, int key)
{
    if (key == Qt::Key_Return)
        szerkeszt(list);
    else if (key == Qt::Key_Escape)
        kesz_Click();
}

void kulcslap::szerkeszt(KeywordList list)
{
    sor->setText(m_lists.szerkeszt(list, grid(list)->row()));
    sor->setFocus();
}

void kulcslap::felvesz(KeywordList list)
{
    sor->setText(m_lists.felvesz(list, sor->text()));
    showCurrentRow(list);
}

void kulcslap::torles(KeywordList list)
{
    m_lists.torles(list);
    showCurrentRow(list);
}

bool kulcslap::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == sor && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            sor_KeyPress(key == Qt::Key_Escape ? Qt::Key_Escape : Qt::Key_Return);
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void kulcslap::sor_KeyPress(int key)
{
    if (key == Qt::Key_Return)
        felvesz(m_lists.currentList());
    else if (key == Qt::Key_Escape)
        kesz_Click();
}

void kulcslap::kesz_Click()
{
    close();
}

void kulcslap::unloadForm()
{
    m_lists.close();
    m_host.setMainEnabled(true);
}
