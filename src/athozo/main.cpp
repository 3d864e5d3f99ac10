// The copier the program starts for each folder it brings back:
//   athozo "D:\GAMES\DOOM\*.*" "C:\MENTES\DOOM\*.*" /S /C /F /H /R /Y
// Exits with 0 when everything was copied (and listed, with /F), 1 when something was not, 2 on
// arguments that make no copy.

#include "CopierJob.h"
#include "CopierWindow.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "shared/AppPaths.h"

#include <QApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A closed standard descriptor would be handed to the next file opened (a
// folder, a copied file, the window system's connection), and the listing
// and messages would go there.
void openMissingStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    openMissingStandardDescriptors();
    // A listing nobody reads is a failed write, not the end of the copy.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto parsed = athozo::parseArguments(arguments, platform::DriveTable::system());
    // The copy starts while the window is being made.
    std::unique_ptr<athozo::BackgroundCopy> copy;
    if (const athozo::Job* job = std::get_if<athozo::Job>(&parsed)) {
        copy = std::make_unique<athozo::BackgroundCopy>(*job, stdout);
        copy->start();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("athozo"));
    // The help lies beside the program, as beside polcozo.
    AppPaths paths;
    paths.programFolder = QCoreApplication::applicationDirPath();
    platform::Help::application().setHelpFile(paths.helpFile());
    if (const QString* error = std::get_if<QString>(&parsed)) {
        std::fprintf(stderr, "%s\n", error->toUtf8().constData());
        platform::MessageBox::show(*error, platform::MessageBox::Buttons::Ok,
                                   platform::MessageBox::Icon::Critical);
        return 2;
    }
    athozo::CopierWindow window(std::move(copy));
    window.show();
    window.start();
    QApplication::exec();
    return window.exitCode();
}
