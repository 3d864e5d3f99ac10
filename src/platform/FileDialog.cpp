#include "FileDialog.h"

#include "ScriptedAnswers.h"

#include <QApplication>
#include <QFileDialog>
#include <QRegularExpression>

namespace platform {

namespace {

ScriptedAnswers<std::optional<QString>, FileDialog::Options>& script()
{
    static ScriptedAnswers<std::optional<QString>, FileDialog::Options> s;
    return s;
}

} // namespace

QStringList FileDialog::nameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // Names on Linux are case-sensitive; catalogs copied from other systems may be *.MDB.
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*"); // on Linux "*.*" would want a dot in the name
        for (const QString& p : QStringList(patterns))
            if (p.toUpper() != p)
                patterns << p.toUpper();
        result << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

std::optional<QString> FileDialog::run(QWidget* parent, const Options& options)
{
    if (script().active())
        return script().answer(options, std::nullopt);

    QFileDialog dialog(parent);
    setUp(dialog, options);

    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (busy)
        QApplication::restoreOverrideCursor();
    if (!accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void FileDialog::setUp(QFileDialog& dialog, const Options& options)
{
    dialog.setWindowTitle(options.title);
    dialog.setDirectory(options.initialFolder);
    dialog.setAcceptMode(options.mode == Mode::Open ? QFileDialog::AcceptOpen
                                                    : QFileDialog::AcceptSave);
    dialog.setFileMode(options.mode == Mode::Open ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
    // The program asks before replacing a file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(nameFilters(options.filter));
    QString suffix = options.defaultExtension;
    suffix.remove(QStringLiteral("*."));
    dialog.setDefaultSuffix(suffix);
    // A name typed without extension takes the one of the type chosen, when
    // that type names one ("CSV (*.csv)"); "every file" keeps the default.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, suffix](const QString& filter) {
            static const QRegularExpression single(QStringLiteral("\\(\\*\\.(\\w+)[ )]"));
            const QRegularExpressionMatch m = single.match(filter);
            dialog.setDefaultSuffix(m.hasMatch() ? m.captured(1).toLower() : suffix);
        });
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
}

void FileDialog::startScript(const QList<std::optional<QString>>& answers)
{
    script().start(answers);
}

void FileDialog::addAnswers(const QList<std::optional<QString>>& answers)
{
    script().add(answers);
}

void FileDialog::stopScript()
{
    script().stop();
}

QList<FileDialog::Options> FileDialog::shown()
{
    return script().requests();
}

QList<FileDialog::Options> FileDialog::takeShown()
{
    return script().takeRequests();
}

} // namespace platform
