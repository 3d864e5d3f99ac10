#include "DuplicatesPrompt.h"

#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "queries/Duplicates.h"
#include "shared/MainHost.h"
#include "shared/Module1.h"
#include "widgets/HelpKey.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using platform::MessageBox;

masolat::masolat(MainHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("masolat"));
    setProperty(Module1::kFormProperty, true);
    setWindowTitle(QStringLiteral("Másolatok keresése"));
    widgets::setHelpTopic(this, QStringLiteral("540"));
    setModal(true);
    auto named = [](auto* control, const char* name) {
        control->setObjectName(QLatin1String(name));
        return control;
    };
    hossz = named(new QLineEdit(QStringLiteral("1"), this), "hossz");
    hossz->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,18}")), hossz));
    hossz->setToolTip(QStringLiteral("Csak az ennél nem kisebb file-ok között keres"));
    keres = named(new QPushButton(QStringLiteral("Keresés"), this), "keres");
    nem = named(new QPushButton(QStringLiteral("Mégsem"), this), "nem");
    keres->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel(QStringLiteral("Legkisebb hossz (byte):"), this));
    line->addWidget(hossz, 1);
    layout->addWidget(new QLabel(
        QStringLiteral(
            "Az azonos hosszú és CRC-jű file-ok listája (hiányzó CRC-nél a hossz dönt)."),
        this));
    layout->addLayout(line);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(keres);
    buttons->addWidget(nem);
    layout->addLayout(buttons);
    connect(keres, &QPushButton::clicked, this, &masolat::keres_Click);
    connect(nem, &QPushButton::clicked, this, &QDialog::reject);
}

void masolat::keres_Click()
{
    const qint64 least = std::max<qint64>(1, hossz->text().toLongLong());
    const queries::SearchView view = queries::duplicatesView(least);
    m_host.setBusy(true);
    m_host.showProgress(10, 100);
    try {
        m_host.setView({view.source.sql, view.source.params, view.baseView, view.caption,
                        view.folderList, view.source.countSql});
    } catch (const platform::Error& e) {
        m_host.setBusy(false);
        MessageBox::show(
            this, QStringLiteral("A lekérdezés nem sikerült!\r\n") + platform::engineReason(e),
            MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
    }
    m_host.hideProgress();
    m_host.setBusy(false);
    accept();
}
