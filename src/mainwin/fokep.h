#pragma once

#include "CatalogCommands.h"
#include "platform/Drives.h"
#include "shared/AppPaths.h"
#include "shared/MainHost.h"
#include "shared/SharedState.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <functional>

class QAbstractButton;
class QLabel;
class QProgressBar;
class QToolButton;
class PathTree;
class PathTreeController;
class QWindow;
class DataGrid;
class nevjegy;
class epito;
class kulcslap;
class Szerkeszto;
class kerdes;
class muvform;

namespace store {
class DataSource;
}
namespace platform {
class Help;
}

// The main window: holds the open catalog's two data sources, the result grid
// and the path tree, the menus, and the program's life cycle. The other
// windows reach it through its host interface.
class fokep : public QMainWindow, private MainHost
{
    Q_OBJECT
public:
    explicit fokep(const AppPaths& paths, QWidget* parent = nullptr);
    ~fokep() override;

    // Loading steps, record counter, "Műveletek" enabling, then the window is
    // shown and activated. False when no catalog could be opened at all.
    bool start();

    // What the other windows get of this one.
    MainHost& host() { return *this; }
    SharedState& state() override { return m_state; }
    const AppPaths& paths() const { return m_paths; }
    CatalogCommands& catalogCommands() { return m_commands; }
    PathTreeController& tree() { return *m_tree; }

    // Operations the other windows call.
    void recordCounter() override;
    void selectionCounter();
    void viewCaption();
    void Form_Activate();
    void muvEnabling();

    // Controls
    store::DataSource* Datafa;
    PathTree* Fa;
    QToolButton* gye;
    QProgressBar* bar;
    QToolButton* vegere;
    QToolButton* elore;
    QToolButton* gyors;
    store::DataSource* Data1;
    DataGrid* tabla1;
    QLabel* kij;
    QLabel* elem;
    platform::Help* help;

    // Menus
    QMenu* f1;
    QAction *Fuj, *Fnyit, *mas, *j, *lement, *Ftomor, *i;
    QMenu* beal;
    QAction *kfriss, *auttom, *z, *Fki;
    QMenu* sz1;
    QAction *szauto, *k, *kulcs;
    QMenu* szkezi;
    QAction *f_kmeg, *u_kmeg;
    QMenu* muv;
    QAction *uge, *ugv, *mki, *mv, *osszm, *korny, *muvf, *ellen;
    QMenu* ker1;
    QAction *kossze, *minden, *masol;
    QMenu* Sug;
    QAction *Sug1, *aq, *nev;
    QMenu* fam;
    QAction* famas;

    // Handlers
    bool Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Fnyit_Click() { m_commands.Fnyit(); }
    void Fuj_Click() { m_commands.Fuj(); }
    void mas_Click() { m_commands.mas(); }
    void Ftomor_Click() { m_commands.Ftomor(); }
    void minden_Click();
    void mv_Click();
    void Fki_Click();
    void Sug1_Click();
    void nev_Click();
    void szauto_Click();
    void kossze_Click();
    void gyors_Click();
    void muvf_Click();
    void elore_Click();
    void vegere_Click();
    void tabla1_SelChange();
    void tabla1_DblClick();
    void tabla1_RowColChange();
    void tabla1_MouseMove(Qt::MouseButtons buttons, double y);
    void tabla1_MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    void tabla1_KeyPress(QChar key);
    void mki_Click();
    void osszm_Click();
    void korny_Click();
    void lement_Click();
    void famas_Click();
    void kulcs_Click();
    void f_kmeg_Click();
    void u_kmeg_Click();

    // Where the builder and retrieval find the machine's drives; tests point it at folders.
    std::function<platform::DriveTable()> driveSource;
    epito* builderWindow() const { return m_epito; }
    kulcslap* keywordListWindow() const { return m_kulcslap; }
    Szerkeszto* keyAssignmentWindow() const;
    kerdes* searchWindow() const { return m_kerdes; }
    muvform* retrievalWindow() const { return m_muvform; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // MainHost
    QString catalogPath() override;
    void setView(const View& view) override;
    void refreshView() override;
    void activationSteps() override { Form_Activate(); }
    using MainHost::showProgress;
    void showProgress(int value, int maximum) override;
    void hideProgress() override;
    void setBusy(bool busy) override;
    void setMainEnabled(bool enabled) override;
    void minimizeMain() override;
    void restoreMain() override;
    bool contextRefresh() override;
    void rebuildTree() override;
    store::DataSource& data1() override { return *Data1; }
    store::DataSource& datafa() override { return *Datafa; }
    QWidget* dialogParent() override { return this; }
    void setGridCaption(const QString& caption) override;
    void catalogBound(const QString& path, bool fresh) override;

    void buildControls();
    void buildMenus();
    void connectCommands();
    void connectGrid();
    void catalogDamaged(const QString& path);
    bool openLastCatalog(QString& notice);
    store::Settings settingsToSave() const;
    void bindLastCatalog();
    void focusWindowChanged(QWindow* now);
    void modalFormClosed();
    void openSzerkeszto(bool files);

    // The commands that open other windows. An opener without its handler
    // stays disabled until its window is part of the program.
    using Handler = void (fokep::*)();
    void opener(QAction* item, Handler handler);
    void opener(QAbstractButton* button, Handler handler);
    void setEnabledUnlessPending(QObject* control, bool enabled);

    // A modal window of the program: made on first use and kept, loaded and
    // shown by its run(); the activation steps follow when it closes.
    template <typename Form, typename Make> void runModal(Form*& form, Make make)
    {
        if (!form)
            form = make();
        form->run();
        modalFormClosed();
    }

    AppPaths m_paths;
    SharedState m_state;
    CatalogCommands m_commands;
    PathTreeController* m_tree = nullptr;
    QPointer<nevjegy> m_splash;
    epito* m_epito = nullptr;
    kulcslap* m_kulcslap = nullptr;
    QPointer<Szerkeszto> m_szerkeszto;
    kerdes* m_kerdes = nullptr;
    muvform* m_muvform = nullptr;
    bool m_startMaximized = false;
    bool m_unloaded = false;
    bool m_formWasActive = false;
    double m_previousY = 0;        // the pointer at the previous move over the grid
    QString m_sizeText;            // the last total-size result
    QString m_retryCatalog;        // the last catalog, when it did not open at start
    bool m_damageReported = false; // the open catalog was found damaged and the user told
    QSet<QObject*> m_pending;      // openers whose windows are not part of the program yet
};
