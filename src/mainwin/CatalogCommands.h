#pragma once

#include "CatalogSession.h"
#include "platform/FileDialog.h"

#include <QString>

class CatalogBinding;
class MainHost;
struct SharedState;
struct AppPaths;

// The "File" menu's catalog commands: open, new, save as, compact.
class CatalogCommands
{
public:
    CatalogCommands(SharedState& state, const AppPaths& paths, MainHost& host,
                    CatalogBinding& binding, CatalogSession& session);

    void Fnyit();  // open
    void Fuj();    // new from the template
    void mas();    // save as
    void Ftomor(); // compact; silent while the automatic-compaction flag is set

    static const QString kDialogFilter;
    static QString compactionReport(qint64 before, qint64 after);
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
    CatalogBinding& m_binding;
    CatalogSession& m_session;
    QString m_dialogFileName; // the common dialog keeps its last name unless cleared
};
