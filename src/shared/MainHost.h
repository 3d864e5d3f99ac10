#pragma once

#include "store/Settings.h"

#include <QString>
#include <QVariantList>
#include <array>

struct SharedState;

// What the main window offers the other windows. A window gets it when it is
// made and reaches the main window in no other way, so its logic can be
// tested against a fake host. It reads the shared state; what it may change
// there, it changes through the setters below. The open catalog's data
// sources and their binding are not part of it.
class MainHost
{
public:
    // A view of Data1, as setView puts it in force.
    struct View
    {
        QString recordSource;    // SQL text or a table name
        QVariantList params;     // bound to ?1, ?2, ...: user text never goes into the SQL
        bool baseView = false;   // the view is the base view "SELECT * FROM alapfile"
        QString captionText;     // shown after "Leválogatási nézet: " while not the base view
        bool folderList = false; // the rows are folders, not files
        // When set, counts the rows from the same parameters without putting
        // them in order: counting a large ordered view costs as much as reading it.
        QString countSql = {};
    };
    using PatternSlots = std::array<QString, store::Settings::kHistorySize>;

    virtual ~MainHost() = default;

    // What the main window keeps for the whole run.
    virtual const SharedState& state() const = 0;
    // The builder has written into the catalog: the next activation may compact it.
    virtual void setBuilderChanged() = 0;
    // Data1 shows the base view again (its record source was not changed).
    virtual void setBaseView() = 0;
    // The file-name and path pattern histories, as the settings keep them.
    virtual void setPatternHistories(const PatternSlots& names, const PatternSlots& paths) = 0;
    // The builder's options, as the settings keep them.
    virtual void setBuilderOptions(bool updateMedium, bool crcScan, bool archiveScan) = 0;
    // The catalog the main window has open.
    virtual QString catalogPath() = 0;

    // The view: Data1 gets the record source and its parameters and reads
    // it; the base-view flag, the view caption text and the folder-list flag
    // are set, and the record counter runs. Throws platform::Error when the
    // view cannot be read; the flags are set and the count (0) taken even
    // then. The grid shows the new caption and count at the next activation.
    virtual void setView(const View& view) = 0;
    // Data1 reads its view again; the grid's column captions are restored.
    virtual void refreshView() = 0;
    // Counts the rows of Data1's view, and the selection, into the shared state.
    virtual void recordCounter() = 0;
    // The main window's activation steps: captions, counters, the tree's
    // placeholder on an empty view, the automatic compaction.
    virtual void activationSteps() = 0;

    // The progress bar: range 0 to 'maximum', at 'value', shown. Every
    // command states its range, never running on the one another left.
    virtual void showProgress(int value, int maximum) = 0;
    void showProgress(int value) { showProgress(value, 100); }
    virtual void hideProgress() = 0;
    // The hourglass pointer.
    virtual void setBusy(bool busy) = 0;

    // The main window's menus and client area. The window itself stays
    // enabled, so the windows it owns stay usable.
    virtual void setMainEnabled(bool enabled) = 0;
    // Minimised while another window stands in for it; restored to the state
    // the settings keep (normal or maximised).
    virtual void minimizeMain() = 0;
    virtual void restoreMain() = 0;

    // The path tree. Whether "Környezet nézet firssítése" (kfriss) is checked.
    virtual bool contextRefresh() = 0;
    // Builds the tree afresh for the medium of the grid's current row;
    // nothing on an empty view.
    virtual void rebuildTree() = 0;
};
