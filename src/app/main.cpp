#include "mainwin/fokep.h"
#include "shared/AppPaths.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("polcozo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Polcozó"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/about/polcozo.png")));

    fokep window(AppPaths::forApplication());
    if (!window.start())
        return 1;
    return QApplication::exec();
}
