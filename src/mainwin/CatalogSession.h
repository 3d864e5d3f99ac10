#pragma once

#include "platform/MessageKinds.h"
#include "store/Settings.h"

#include <QString>

class CatalogBinding;
class MainHost;
struct AppPaths;
struct SharedState;

// Where a command shows its progress while binding a catalog: after Data1 is
// pointed at it, and after Data1 has read it (-1: not shown).
struct BindProgress
{
    int pointed = -1;
    int refreshed = -1;
};

// Which catalog the main window has open, and what outlives a run: reading
// and writing the settings record, opening the last catalog at start with
// its recovery rules, binding both data sources to a catalog. The window
// shows what it says; it holds no widget.
class CatalogSession
{
public:
    CatalogSession(SharedState& state, const AppPaths& paths, MainHost& host,
                   CatalogBinding& binding);

    static const QString kBaseView;     // Data1's record source on the base view
    static const QString kOpenedPrefix; // the grid's caption before the catalog's path

    // The settings record into the shared state; defaults when there is none.
    void loadSettings();

    // What the start-up left for the user to read. Not opened: the program
    // cannot run, and 'notice' says why.
    struct Start
    {
        bool opened = false;
        QString notice; // empty when there is nothing to say
        platform::MessageKinds::Icon icon = platform::MessageKinds::Icon::Information;
    };
    // The last catalog, or a fresh default catalog. A catalog that is simply
    // gone is replaced without a word; one that is there but does not open
    // is named with the reason and tried again at the next start. A filled
    // default catalog made afresh is set aside first, and the notice says where.
    Start openLast();

    // Binds both data sources to 'path' with the base view, once the file is
    // known to be a catalog; throws platform::Error (3343 for any other
    // file). 'path' is then the last catalog, and the settings record names
    // it, so a crash does not lose it.
    void bindBaseView(const QString& path, bool fresh = false, BindProgress progress = {});
    // The grid's caption, then bindBaseView.
    void bindWithCaption(const QString& path, bool fresh = false, BindProgress progress = {});
    // The default catalog made afresh from the template, in force; where a
    // filled one was set aside, or empty.
    QString bindFreshDefault();

    // The last catalog when it did not open at start, else empty.
    const QString& retryCatalog() const { return m_retryCatalog; }
    // The record as the next start should find it: a last catalog that did
    // not open is tried again, unless the user has moved on to another one.
    store::Settings settingsToSave() const;
    bool saveSettings() const;
    // At shut-down: the window's state and the two options go into the
    // settings, which are written.
    void shutDown(quint8 windowState, bool contextRefresh, bool autoCompact);

    // Where a filled default catalog went before it was made afresh.
    static QString keptAsideText(const QString& keptAs);

private:
    SharedState& m_state;
    const AppPaths& m_paths;
    MainHost& m_host;
    CatalogBinding& m_binding;
    QString m_retryCatalog;
};
