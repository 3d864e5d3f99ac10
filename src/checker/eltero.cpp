#include "eltero.h"

#include "platform/ErrorNumbers.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "shared/AppPaths.h"
#include "widgets/HelpKey.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

using platform::MessageBox;

eltero::eltero(const QString& catalogPath, const QString& programFolder, const QString& medium,
               const QString& summary, const QList<checker::Finding>& findings, QWidget* parent)
    : QDialog(parent), m_catalogPath(catalogPath), m_programFolder(programFolder), m_medium(medium),
      m_findings(findings)
{
    setObjectName(QStringLiteral("eltero"));
    setWindowTitle(QStringLiteral("Eltérések: ") + medium);
    widgets::setHelpTopic(this, QStringLiteral("eltero"));
    auto named = [](auto* control, const char* name) {
        control->setObjectName(QLatin1String(name));
        return control;
    };
    osszeg = named(new QLabel(summary, this), "osszeg");
    lista = named(new QTableView(this), "lista");
    mentes = named(new QPushButton(QStringLiteral("Mentés"), this), "mentes");
    bezar = named(new QPushButton(QStringLiteral("Bezár"), this), "bezar");
    mentes->setToolTip(QStringLiteral("Az eltérések mentése szöveges file-ba"));
    mentes->setEnabled(!findings.isEmpty());

    m_model = new QStandardItemModel(0, 5, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Eltérés"), QStringLiteral("Elérési út"),
                                        QStringLiteral("Név"), QStringLiteral("Nyilvántartva"),
                                        QStringLiteral("Találva")});
    for (const checker::Finding& f : findings) {
        QList<QStandardItem*> row;
        for (const QString& text :
             {checker::kindText(f.kind), f.folder, f.name, f.recorded, f.found}) {
            auto* item = new QStandardItem(text);
            item->setEditable(false);
            row << item;
        }
        m_model->appendRow(row);
    }
    lista->setModel(m_model);
    lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    lista->verticalHeader()->hide();
    lista->horizontalHeader()->setStretchLastSection(true);
    lista->resizeColumnsToContents();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(osszeg);
    layout->addWidget(lista, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(mentes);
    buttons->addWidget(bezar);
    layout->addLayout(buttons);

    connect(mentes, &QPushButton::clicked, this, &eltero::mentes_Click);
    connect(bezar, &QPushButton::clicked, this, &QDialog::accept);
    resize(760, 420);
}

void eltero::mentes_Click()
{
    platform::FileDialog::Options o;
    o.mode = platform::FileDialog::Mode::Save;
    o.title = QStringLiteral("Eltérések mentése");
    o.initialFolder = AppPaths::dialogFolder(m_programFolder, m_catalogPath);
    o.filter = QStringLiteral("Szöveges dokumentum (.txt)|*.txt|Minden file (*.*)|*.*");
    o.defaultExtension = QStringLiteral("*.txt");
    for (;;) {
        const std::optional<QString> path = platform::FileDialog::run(this, o);
        if (!path)
            return;
        if (QFileInfo::exists(*path) &&
            MessageBox::show(this, QStringLiteral("A File már létezik ! Felülírjam?"),
                             MessageBox::Buttons::OkCancel,
                             MessageBox::Icon::Question) != MessageBox::Answer::Ok)
            return;
        try {
            checker::writeFindings(*path, m_catalogPath, m_medium, m_findings);
            return;
        } catch (const platform::Error& e) {
            MessageBox::show(
                this,
                QStringLiteral("Nem tudok hozzáférni az meghajtóhoz vagy úthoz !\r\n") + e.detail(),
                MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        }
    }
}
