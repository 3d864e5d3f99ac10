#pragma once

#include <QString>

// What the builder window needs from the main window.
class BuilderHost
{
public:
    virtual ~BuilderHost() = default;
    virtual QString catalogPath() = 0;
    virtual void setMainEnabled(bool enabled) = 0;
    virtual void showProgress(int value) = 0; // the bar, 0 to 100, made visible
    virtual void hideProgress() = 0;
    virtual void refreshView() = 0;           // Data1 re-reads its view; captions restored
    virtual void recordCounter() = 0;
    virtual void setBuilderChanged() = 0;
};
