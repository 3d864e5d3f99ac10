#pragma once

#include <QList>
#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace platform {

// Every file dialog of the program goes through here (the common dialog of
// the windows), so tests can read how it was set up and script the choice.
class FileDialog
{
public:
    enum class Mode { Open, Save };

    struct Options
    {
        Mode mode = Mode::Open;
        QString title;
        QString initialFolder;
        // "Description|pattern|Description|pattern", as the windows write it.
        QString filter;
        QString defaultExtension; // "*.mdb" or "mdb"
        QString fileName;         // preset file name; empty clears the field
        bool hideReadOnly = true;
    };

    // The chosen path, or nothing when the user cancelled.
    static std::optional<QString> run(QWidget* parent, const Options& options);

    // Test seam: each run takes the next scripted answer; nullopt is a cancel
    // (also when the script runs dry).
    static void startScript(const QList<std::optional<QString>>& answers = {});
    static void addAnswers(const QList<std::optional<QString>>& answers);
    static void stopScript();
    static QList<Options> shown();
    static QList<Options> takeShown();

    // "A|*.a|B|*.*" -> the dialog's name filters; "*.*" is every file.
    static QStringList nameFilters(const QString& filter);
    // Sets a dialog up as 'options' say.
    static void setUp(QFileDialog& dialog, const Options& options);
};

} // namespace platform
