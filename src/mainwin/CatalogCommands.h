#pragma once

#include "platform/FileDialog.h"

#include <QString>

class MainHost;
struct SharedState;
struct AppPaths;

// Where a command shows its progress while binding a catalog: after Data1 is
// pointed at it, and after Data1 has read it (-1: not shown).
struct BindProgress
{
    int pointed = -1;
    int refreshed = -1;
};

// The "File" menu's catalog commands: open, new, save as, compact.
class CatalogCommands
{
public:
    CatalogCommands(SharedState& state, const AppPaths& paths, MainHost& host);

    void Fnyit();  // open
    void Fuj();    // new from the template
    void mas();    // save as
    void Ftomor(); // compact; silent while the automatic-compaction flag is set

    // Binds both data sources to 'path' with the base view, once the file is
    // known to be a catalog; throws platform::Error (3343 for any other file).
    void bindBaseView(const QString& path, bool fresh = false, BindProgress progress = {});

    static const QString kBaseView;
    static const QString kDialogFilter;
    static QString compactionReport(qint64 before, qint64 after);
    // Where a filled default catalog went before it was made afresh.
    static QString keptAsideText(const QString& keptAs);
    // The common dialog, set up as every catalog command sets it up.
    platform::FileDialog::Options dialog1(platform::FileDialog::Mode mode,
                                          const QString& title) const;

private:
    void closeSources();
    void rebind(const QString& path, bool fresh = false, BindProgress progress = {});
    void rebindInForce();
    void bindFreshDefault();
    std::optional<QString> askTargetName(const QString& title);
    enum class JetOutcome { Done, OpenAgain };
    JetOutcome openJet(const QString& jetPath);

    SharedState& m_state;
    const AppPaths& m_paths;
    MainHost& m_host;
    QString m_dialogFileName; // the common dialog keeps its last name unless cleared
};
