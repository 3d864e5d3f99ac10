#pragma once

#include "mainwin/PathTree.h"
#include "mainwin/PathTreeController.h"
#include "mainwin/fokep.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>
#include <memory>

// The main window's controls, found by their object names, and the windows
// it has opened, found among the program's windows.
class FokepControls
{
public:
    explicit FokepControls(const fokep& w) : m_w(w) {}

    DataGrid* tabla1() const { return get<DataGrid>("tabla1"); }
    store::DataSource* Data1() const { return get<store::DataSource>("Data1"); }
    store::DataSource* Datafa() const { return get<store::DataSource>("Datafa"); }
    PathTree* Fa() const { return get<PathTree>("Fa"); }
    PathTreeController* tree() const { return get<PathTreeController>(nullptr); }
    QLabel* elem() const { return get<QLabel>("elem"); }
    QLabel* kij() const { return get<QLabel>("kij"); }
    QProgressBar* bar() const { return get<QProgressBar>("bar"); }
    QToolButton* gye() const { return get<QToolButton>("gye"); }
    QToolButton* gyors() const { return get<QToolButton>("gyors"); }
    QToolButton* elore() const { return get<QToolButton>("elore"); }
    QToolButton* vegere() const { return get<QToolButton>("vegere"); }
    QMenu* menu(const char* name) const { return get<QMenu>(name); }
    QAction* action(const char* name) const { return get<QAction>(name); }

    // A window of the program by its name; none when it is not open (or gone).
    template <typename Form> static Form* form(const char* name)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name))
                if (auto* form = qobject_cast<Form*>(w))
                    return form;
        return nullptr;
    }

private:
    template <typename T> T* get(const char* name) const
    {
        T* found = name ? m_w.findChild<T*>(QLatin1String(name)) : m_w.findChild<T*>();
        if (!found)
            qFatal("the main window has no %s", name ? name : "such child");
        return found;
    }

    const fokep& m_w;
};

inline FokepControls ui(const fokep& w)
{
    return FokepControls(w);
}
inline FokepControls ui(const std::unique_ptr<fokep>& w)
{
    return FokepControls(*w);
}
