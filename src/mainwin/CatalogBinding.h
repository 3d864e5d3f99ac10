#pragma once

#include <QString>

class QWidget;

namespace store {
class DataSource;
}

// What the main window lends the catalog session, its catalog commands and
// the Jet conversion, and nothing else: its two data sources, the grid's
// caption, the parent of their message boxes. The other windows never see it.
class CatalogBinding
{
public:
    virtual ~CatalogBinding() = default;

    // Data1 (the grid's) and Datafa (the tree's) themselves.
    virtual store::DataSource& data1() = 0;
    virtual store::DataSource& datafa() = 0;
    // The parent of the catalog commands' message boxes and file dialogs.
    virtual QWidget* dialogParent() = 0;
    // The caption above the grid ("Megnyitva: " and the catalog path).
    virtual void setGridCaption(const QString& caption) = 0;
    // Both data sources now show the catalog 'path'; 'fresh' when its
    // contents are new to the window (opened, created, saved as).
    virtual void catalogBound(const QString& path, bool fresh) = 0;
};
