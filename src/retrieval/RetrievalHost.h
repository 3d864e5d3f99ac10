#pragma once

#include "platform/Drives.h"
#include "platform/MessageKinds.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace retrieval {

// The grid's columns a copy reads: the file name and the stored folder path.
struct SelectedRow
{
    QString name; // column 0 ("*" on a folder row)
    QString path; // column 1, e.g. "-CD_1- E:\GAMES\DOOM"
};

// What a copy run needs from the window that starts it (and, through the
// window, from the main window's grid and bar).
class RetrievalHost
{
public:
    using Answer = platform::MessageKinds::Answer;
    using Buttons = platform::MessageKinds::Buttons;
    using Icon = platform::MessageKinds::Icon;

    virtual ~RetrievalHost() = default;

    // The selection, in marking order.
    virtual qsizetype selectionCount() = 0;
    // Column 1 of every selected row, in selection order.
    virtual QStringList selectedPaths() = 0;
    // Makes element 0 of the selection the grid's current row and reads it.
    virtual SelectedRow firstSelected() = 0;
    // Drops these elements (positions in ascending order) from the selection.
    virtual void removeSelected(const QList<qsizetype>& positions) = 0;

    // The main window's bar, minimum 0; shown by showBar.
    virtual void showBar(int maximum, int value) = 0;
    virtual void hideBar() = 0;

    // A message box with the application title.
    virtual Answer ask(const QString& text, Buttons buttons, Icon icon) = 0;
    // Starts a program without waiting for it; false when it could not start.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;

    virtual QChar sourceDrive() = 0;     // chosen in forras
    virtual QChar targetDrive() = 0;     // chosen in celdrv
    virtual QString targetFolder() = 0;  // celdir's path: "C:\MENTES"
    virtual QString programFolder() = 0; // native, where the copier lies
    // The drives as mounted now; a swapped disc may be mounted elsewhere.
    virtual platform::DriveTable drives() = 0;

    // Closes the window; its unload hides the bar and runs the record counter.
    virtual void unload() = 0;
};

} // namespace retrieval
