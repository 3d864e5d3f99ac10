#pragma once

#include "shared/MainHost.h"
#include "shared/SharedState.h"
#include "store/DataSource.h"

#include <QList>

// A main window for the tests of the other windows: it records what a window
// asks of it. Its data sources are real; nothing binds them unless a test does.
struct FakeHost : MainHost
{
    SharedState shared;
    QString catalog;
    store::DataSource Data1;
    store::DataSource Datafa;

    bool mainEnabled = true, minimized = false, busy = false;
    int progress = -1; // -1: hidden
    int progressMaximum = 100;
    int refreshes = 0, counts = 0, activations = 0, treeRebuilds = 0;
    bool kfriss = false;
    QList<View> views;

    SharedState& state() override { return shared; }
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
    store::DataSource& data1() override { return Data1; }
    store::DataSource& datafa() override { return Datafa; }
    QWidget* dialogParent() override { return nullptr; }
    void setGridCaption(const QString&) override {}
    void catalogBound(const QString&, bool) override {}
};
