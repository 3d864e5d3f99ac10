#pragma once

#include "shared/MainHost.h"
#include "shared/SharedState.h"
#include "store/DataSource.h"

#include <QList>

// A main window for the tests of the other windows: it records what a window
// asks of it. A test sets up its shared state directly.
struct FakeHost : MainHost
{
    SharedState shared;
    QString catalog;

    bool mainEnabled = true, minimized = false, busy = false;
    int progress = -1; // -1: hidden
    int progressMaximum = 100;
    int refreshes = 0, counts = 0, activations = 0, treeRebuilds = 0;
    bool kfriss = false;
    QList<View> views;

    const SharedState& state() const override { return shared; }
    void setBuilderChanged() override { shared.builderChanged = true; }
    void setBaseView() override { shared.baseView = true; }
    void setBuilderOptions(bool updateMedium, bool crcScan, bool archiveScan) override
    {
        shared.settings.updateMedium = updateMedium;
        shared.settings.crcScan = crcScan;
        shared.settings.archiveScan = archiveScan;
    }
    void setPatternHistories(const PatternSlots& names, const PatternSlots& paths) override
    {
        shared.settings.namePatterns = names;
        shared.settings.pathPatterns = paths;
    }
    QString catalogPath() override { return catalog; }
    void setView(const View& view) override
    {
        views << view;
        shared.baseView = view.baseView;
        shared.viewCaption = view.captionText;
        shared.folderList = view.folderList;
        ++counts;
    }
    void refreshView() override { ++refreshes; }
    void recordCounter() override { ++counts; }
    void activationSteps() override { ++activations; }
    void showProgress(int value, int maximum) override
    {
        progress = value;
        progressMaximum = maximum;
    }
    using MainHost::showProgress;
    void hideProgress() override { progress = -1; }
    void setBusy(bool on) override { busy = on; }
    void setMainEnabled(bool enabled) override { mainEnabled = enabled; }
    void minimizeMain() override { minimized = true; }
    void restoreMain() override { minimized = false; }
    bool contextRefresh() override { return kfriss; }
    void rebuildTree() override { ++treeRebuilds; }
};
