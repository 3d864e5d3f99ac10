#include "jetimport/JetChild.h"
#include "mainwin/fokep.h"
#include "shared/AppPaths.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv)
{
    // Started by the program itself to convert a Jet catalog: no window.
    if (const int code = jetimport::child::mainFor(argc, argv); code >= 0)
        return code;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("polcozo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Polcozó"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/about/polcozo.png")));

    // The program speaks Hungarian whatever the desktop's language: so do Qt's own dialogs.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_hu"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    fokep window(AppPaths::forApplication());
    if (!window.start())
        return 1;
    return QApplication::exec();
}
