#include "nevjegy.h"

#include "shared/Module1.h"
#include "shared/Version.h"
#include "widgets/HelpKey.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <cmath>

NevjegyLayout layoutNevjegy(QSize picture, QSize label1, QSize label2, QSize kesz, int gap)
{
    NevjegyLayout l;
    const double width = label1.width() > picture.width() ? 1.03 * label1.width()
                                                          : 1.1 * picture.width();
    const int w = int(std::lround(width));
    const int h = 2 * picture.height() + label1.height();
    l.window = QSize(w, h);
    auto centred = [w](QSize size, int top) {
        return QRect(int(std::lround(w / 2.0 - size.width() / 2.0)), top, size.width(),
                     size.height());
    };
    l.Picture1 = centred(picture, int(std::lround(h / 3.0 - picture.height() / 1.8)));
    l.Label1 = centred(label1, l.Picture1.y() + l.Picture1.height() + gap);
    l.Label2 = centred(label2, l.Label1.y() + l.Label1.height() + gap);
    l.kesz = centred(kesz, l.Label2.y() + l.Label2.height() + gap);
    return l;
}

QString nevjegy::versionLine()
{
    return QStringLiteral("Verzió: ") + Version::signed_();
}

nevjegy::nevjegy(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("nevjegy"));
    setProperty(Module1::kFormProperty, true);
    setWindowTitle(QStringLiteral("Névjegy"));
    widgets::setHelpTopic(this, QStringLiteral("nevjegy"));
    Q_INIT_RESOURCE(about);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(QPixmap(QStringLiteral(":/about/polcozo.png")));
    Picture1->adjustSize();

    Label1 = new QLabel(QStringLiteral("Polcozó – programgyűjtemény-katalógus"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.2);
    Label1->setFont(title);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));

    kesz = new QPushButton(QStringLiteral("OK"), this);
    kesz->setObjectName(QStringLiteral("kesz"));
    connect(kesz, &QPushButton::clicked, this, &nevjegy::kesz_Click);

    Form_Load();
}

void nevjegy::Form_Load()
{
    Label2->setText(versionLine());
    Label1->adjustSize();
    Label2->adjustSize();
    kesz->adjustSize();
    // The gap is 100 twips, in pixels at the screen's density.
    const double dpi = QApplication::primaryScreen() ? QApplication::primaryScreen()->logicalDotsPerInchY()
                                                     : 96.0;
    const int gap = int(std::lround(100.0 * dpi / 1440.0));
    const NevjegyLayout l =
        layoutNevjegy(Picture1->size(), Label1->size(), Label2->size(), kesz->size(), gap);
    Picture1->setGeometry(l.Picture1);
    Label1->setGeometry(l.Label1);
    Label2->setGeometry(l.Label2);
    kesz->setGeometry(l.kesz);
    setFixedSize(l.window.width(), std::max(l.window.height(), l.kesz.bottom() + 1 + gap));
}

void nevjegy::showAsSplash()
{
    kesz->hide();
    setModal(false);
    show();
}

void nevjegy::kesz_Click()
{
    close();
}
