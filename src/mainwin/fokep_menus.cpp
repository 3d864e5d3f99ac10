// The main window's menus: the table of entries with their names, captions,
// shortcuts and help topics, and what each command runs.

#include "PathTreeController.h"
#include "checker/DuplicatesPrompt.h"
#include "checker/ellenor.h"
#include "fokep.h"
#include "platform/ErrorNumbers.h"
#include "platform/Help.h"
#include "platform/Skipped.h"
#include "store/DataSource.h"
#include "widgets/Menus.h"

#include <QAbstractButton>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

void fokep::buildMenus()
{
    using QKS = QKeySequence;
    using widgets::addItem;
    using widgets::addMenu;
    using widgets::addSeparator;
    QMenuBar* bar = menuBar();

    // clang-format off
    f1 = addMenu(bar, "f1", QStringLiteral("File"));
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

    sz1 = addMenu(bar, "sz1", QStringLiteral("Szerkesztés"));
    szauto = addItem(sz1, "szauto", QStringLiteral("Automatikus feltőltés"), {}, 280);
    k = addSeparator(sz1, "k");
    kulcs = addItem(sz1, "kulcs", QStringLiteral("Kúlcsszavak szerkesztése"), QKS(Qt::CTRL | Qt::Key_S), 290);
    szkezi = addMenu(sz1, "szkezi", QStringLiteral("Kulcs összerendelés"), 300);
    f_kmeg = addItem(szkezi, "f_kmeg", QStringLiteral("FILE-Kulcs megadás"), QKS(Qt::CTRL | Qt::Key_H), 300);
    u_kmeg = addItem(szkezi, "u_kmeg", QStringLiteral("ÚT-Kulcs megadás"), QKS(Qt::CTRL | Qt::Key_G), 300);

    muv = addMenu(bar, "muv", QStringLiteral("Műveletek"), 250);
    uge = addItem(muv, "uge", QStringLiteral("Ugrás az elejére"), QKS(Qt::CTRL | Qt::Key_E), 250);
    ugv = addItem(muv, "ugv", QStringLiteral("Ugrás a végére"), QKS(Qt::CTRL | Qt::Key_V), 250);
    mki = addItem(muv, "mki", QStringLiteral("Mindet kijelöl"), QKS(Qt::CTRL | Qt::Key_A), 250);
    mv = addItem(muv, "mv", QStringLiteral("Másolás a vágólapra"), QKS(Qt::CTRL | Qt::Key_C), 250);
    osszm = addItem(muv, "osszm", QStringLiteral("Összméret számítás"), QKS(Qt::CTRL | Qt::Key_O), 250);
    korny = addItem(muv, "korny", QStringLiteral("Környezet nézet"), QKS(Qt::CTRL | Qt::Key_F), 250);
    muvf = addItem(muv, "muvf", QStringLiteral("Előhozás"), {}, 250);
    ellen = addItem(muv, "ellen", QStringLiteral("Lemez ellenőrzése"), {}, 260);

    ker1 = addMenu(bar, "ker1", QStringLiteral("Keresés"), 530);
    kossze = addItem(ker1, "kossze", QStringLiteral("Összetett keresés"), QKS(Qt::CTRL | Qt::Key_K), 530);
    minden = addItem(ker1, "minden", QStringLiteral("Minden adat"), QKS(Qt::CTRL | Qt::Key_M), 10);
    masol = addItem(ker1, "masol", QStringLiteral("Másolatok keresése"), {}, 540);

    Sug = addMenu(bar, "Sug", QStringLiteral("Súgó"));
    Sug1 = addItem(Sug, "Sug1", QStringLiteral("Témakörök"), {}, 10);
    aq = addSeparator(Sug, "aq");
    nev = addItem(Sug, "nev", QStringLiteral("Névjegy"));
    // clang-format on

    // The path tree's pop-up menu; never on the bar.
    fam = new QMenu(QStringLiteral("fam"), this);
    fam->setObjectName(QStringLiteral("fam"));
    famas = addItem(fam, "famas", QStringLiteral("Másolás a vágólapra"));

    // The topics the numbers above leave open: sections of the help by name.
    for (QAction* a : {f1->menuAction(), Fuj, Fnyit, mas, lement, Ftomor, Fki})
        widgets::setHelpTopic(a, QStringLiteral("file"));
    for (QAction* a : {beal->menuAction(), kfriss, auttom})
        widgets::setHelpTopic(a, QStringLiteral("beallitasok"));
    widgets::setHelpTopic(nev, QStringLiteral("nevjegy"));
    widgets::setHelpTopic(famas, QStringLiteral("250"));

    auto* menuHelp = new widgets::MenuHelp(*help, this);
    menuHelp->watch(bar);
    menuHelp->watch(fam);
    auto* helpKey = new QAction(this);
    helpKey->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpKey, &QAction::triggered, this, &fokep::Sug1_Click);
    addAction(helpKey);
}

void fokep::connectCommands()
{
    connect(Fuj, &QAction::triggered, this, &fokep::Fuj_Click);
    connect(Fnyit, &QAction::triggered, this, &fokep::Fnyit_Click);
    connect(mas, &QAction::triggered, this, &fokep::mas_Click);
    connect(lement, &QAction::triggered, this, &fokep::lement_Click);
    connect(Ftomor, &QAction::triggered, this, &fokep::Ftomor_Click);
    connect(Fki, &QAction::triggered, this, &fokep::Fki_Click);
    connect(muv, &QMenu::aboutToShow, this, &fokep::muvEnabling);
    connect(uge, &QAction::triggered, this, &fokep::elore_Click);
    connect(ugv, &QAction::triggered, this, &fokep::vegere_Click);
    connect(mki, &QAction::triggered, this, &fokep::mki_Click);
    connect(mv, &QAction::triggered, this, &fokep::mv_Click);
    connect(osszm, &QAction::triggered, this, &fokep::osszm_Click);
    connect(korny, &QAction::triggered, this, &fokep::korny_Click);
    connect(minden, &QAction::triggered, this, &fokep::minden_Click);
    connect(Sug1, &QAction::triggered, this, &fokep::Sug1_Click);
    connect(famas, &QAction::triggered, this, &fokep::famas_Click);
    connect(vegere, &QAbstractButton::clicked, this, &fokep::vegere_Click);
    connect(elore, &QAbstractButton::clicked, this, &fokep::elore_Click);

    // The windows.
    opener(szauto, &fokep::szauto_Click);
    opener(kulcs, &fokep::kulcs_Click);
    opener(f_kmeg, &fokep::f_kmeg_Click);
    opener(u_kmeg, &fokep::u_kmeg_Click);
    opener(kossze, &fokep::kossze_Click);
    opener(gyors, &fokep::gyors_Click);
    opener(muvf, &fokep::muvf_Click);
    opener(gye, &fokep::muvf_Click);
    opener(nev, &fokep::nev_Click);
    connect(ellen, &QAction::triggered, this, [this] {
        QString current;
        try {
            if (Data1->isOpen() && !Data1->bof() && !Data1->eof())
                current = Data1->value(1).toString();
        } catch (const platform::Error& e) {
            platform::logSkipped("the current row for the medium check", e);
        }
        ellenor(host(), m_driveSource, current, this).run();
        modalFormClosed();
    });
    connect(masol, &QAction::triggered, this, [this] {
        masolat(host(), this).exec();
        modalFormClosed();
    });
}

void fokep::opener(QAction* item, Handler handler)
{
    connect(item, &QAction::triggered, this, handler);
}

void fokep::opener(QAbstractButton* button, Handler handler)
{
    connect(button, &QAbstractButton::clicked, this, handler);
}
