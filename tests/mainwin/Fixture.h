#pragma once

#include "FokepControls.h"
#include "ProgramFolder.h"
#include "mainwin/fokep.h"
#include "platform/FileDialog.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"

#include <memory>

// A program folder with the message boxes, file dialogs and help scripted,
// and the main window started in it.
struct Fixture : ProgramFolder
{
    Fixture()
    {
        platform::MessageBox::startScript();
        platform::FileDialog::startScript();
        platform::Help::startRecording();
    }
    ~Fixture()
    {
        platform::MessageBox::stopScript();
        platform::FileDialog::stopScript();
        platform::Help::stopRecording();
    }

    // A running window on 'catalog', its start-up messages taken.
    std::unique_ptr<fokep> startOn(const QString& catalog) const
    {
        writeSettings(catalog);
        auto w = start();
        platform::MessageBox::takeShown();
        return w;
    }

    std::unique_ptr<fokep> start() const
    {
        auto w = std::make_unique<fokep>(paths);
        return w->start() ? std::move(w) : nullptr;
    }
};
