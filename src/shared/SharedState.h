#pragma once

#include "store/Settings.h"

#include <QString>

// What the main window keeps for the whole run and the other windows read.
// One instance, owned by the main window and handed to the windows that need it.
struct SharedState
{
    store::Settings settings;   // loaded at start, written at exit
    QString programFolder;      // the folder of the program, no trailing slash
    bool baseView = true;       // Data1 shows the base view
    QString viewCaption;        // what the current filtered view shows
    qint64 recordCount = 0;     // rows in the current view
    QString recordCountText;    // the same, as elem shows it
    bool builderChanged = false; // set by the builder's Kész, consumed by automatic compaction
    bool autoCompacting = false; // a compaction started by the activation steps is running
    bool folderList = false;     // the grid shows the folders-only search result
};
