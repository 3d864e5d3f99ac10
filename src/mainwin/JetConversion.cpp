#include "JetConversion.h"

#include "CatalogBinding.h"
#include "jetimport/JetChild.h"
#include "platform/ErrorNumbers.h"
#include "shared/MainHost.h"
#include "widgets/HelpKey.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

namespace JetConversion {

namespace {

struct Program
{
    QString program;
    QStringList leading;
    bool set = false;
};

Program& program()
{
    static Program p;
    return p;
}

// The small window with the Cancel button.
class StopWindow : public QDialog
{
public:
    explicit StopWindow(QWidget* parent) : QDialog(parent)
    {
        setObjectName(QLatin1String(kWindowName));
        setWindowTitle(QStringLiteral("Átalakítás"));
        widgets::setHelpTopic(this, QStringLiteral("jet"));
        setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
        auto* text = new QLabel(QStringLiteral("A régi katalógus átalakítása folyik..."), this);
        auto* cancel = new QPushButton(QStringLiteral("Mégse"), this);
        cancel->setObjectName(QLatin1String(kCancelName));
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(cancel);
        buttons->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(text);
        layout->addLayout(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
};

void removeTemporary(const jetimport::child::Report& report)
{
    if (!report.temporary.isEmpty())
        QFile::remove(report.temporary);
}

[[noreturn]] void damaged()
{
    const QString message = jetimport::damagedMessage();
    throw platform::Error(platform::err::NotADatabase, message, message);
}

} // namespace

void setProgram(const QString& p, const QStringList& leadingArguments)
{
    program() = {p, leadingArguments, true};
}

void resetProgram()
{
    program() = {};
}

std::optional<jetimport::ImportResult> run(MainHost& host, CatalogBinding& binding,
                                           const QString& jetPath, const QString& templateFile,
                                           const QString& target)
{
    const Program& p = program();
    QProcess child;
    child.setProgram(p.set ? p.program : QCoreApplication::applicationFilePath());
    child.setArguments((p.set ? p.leading : QStringList{QLatin1String(jetimport::child::kOption)}) +
                       QStringList{jetPath, templateFile, target});
    child.setStandardInputFile(QProcess::nullDevice());
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    jetimport::child::ReportReader reader(target);
    int shown = -1;
    const auto readReport = [&] {
        // A child that writes nonsense is past saving: it is not waited for.
        if (!reader.feed(child.readAllStandardOutput()))
            child.kill();
        const int percent = reader.report().percent;
        if (percent != shown) {
            shown = percent;
            host.showProgress(percent * 9 / 10);
        }
    };

    StopWindow window(binding.dialogParent());
    QEventLoop loop;
    bool finished = false;
    bool cancelled = false;
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &loop, readReport);
    QObject::connect(&child, &QProcess::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&window, &QDialog::rejected, &loop, [&] {
        cancelled = true;
        loop.quit();
    });

    child.start();
    if (!child.waitForStarted(-1))
        throw platform::Error(platform::err::FileNotFound, child.program());
    window.open();
    if (!finished)
        loop.exec();
    window.hide();
    if (cancelled && !finished) {
        child.kill();
        child.waitForFinished(-1);
        readReport();
        removeTemporary(reader.report());
        return std::nullopt;
    }
    child.waitForFinished(-1);
    readReport();

    const jetimport::child::Report& report = reader.report();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || !reader.complete()) {
        removeTemporary(report);
        damaged();
    }
    if (!report.done) {
        removeTemporary(report);
        throw platform::Error(report.errorNumber, report.detail, report.detail);
    }
    return report.result;
}

} // namespace JetConversion
