#pragma once

#include "CatalogBinding.h"
#include "CatalogCommands.h"
#include "CatalogSession.h"
#include "platform/Drives.h"
#include "shared/AppPaths.h"
#include "shared/MainHost.h"
#include "shared/SharedState.h"

#include <QMainWindow>
#include <QPointer>
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

// The main window: the result grid and the path tree, the menus, and the
// program's life cycle. Its catalog session keeps which catalog is open. The
// other windows reach it through its host interface; its controls carry
// their names as object names.
class fokep : public QMainWindow, private MainHost, private CatalogBinding
{
    Q_OBJECT
public:
    using DriveSource = std::function<platform::DriveTable()>;

    explicit fokep(const AppPaths& paths, QWidget* parent = nullptr);
    ~fokep() override;

    // Loading steps, record counter, "Műveletek" enabling, then the window is
    // shown and activated. False when no catalog could be opened at all.
    bool start();

    // What the other windows get of this one.
    MainHost& host() { return *this; }
    const SharedState& state() const override { return m_state; }
    const AppPaths& paths() const { return m_paths; }
    // Where the builder and retrieval find the machine's drives; tests point it at folders.
    void setDriveSource(DriveSource source) { m_driveSource = std::move(source); }
    const DriveSource& driveSource() const { return m_driveSource; }

    // The enabling of "Műveletek" and its buttons, as the menu does when it opens.
    void muvEnabling();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // MainHost
    void setBuilderChanged() override;
    void setBaseView() override;
    void setBuilderOptions(bool updateMedium, bool crcScan, bool archiveScan) override;
    void setPatternHistories(const PatternSlots& names, const PatternSlots& paths) override;
    QString catalogPath() override;
    void setView(const View& view) override;
    void refreshView() override;
    void recordCounter() override;
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
    // CatalogBinding
    store::DataSource& data1() override { return *Data1; }
    store::DataSource& datafa() override { return *Datafa; }
    QWidget* dialogParent() override { return this; }
    void setGridCaption(const QString& caption) override;
    void catalogBound(const QString& path, bool fresh) override;

    // Handlers
    bool Form_Load();
    void Form_Activate();
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

    void buildControls();
    void buildMenus();
    void connectCommands();
    void connectGrid();
    void selectionCounter();
    void viewCaption();
    void catalogDamaged(const QString& path);
    void focusWindowChanged(QWindow* now);
    void modalFormClosed();
    void openSzerkeszto(bool files);

    // The commands that open other windows.
    using Handler = void (fokep::*)();
    void opener(QAction* item, Handler handler);
    void opener(QAbstractButton* button, Handler handler);

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
    CatalogSession m_session;
    CatalogCommands m_commands;
    DriveSource m_driveSource;

    // Controls
    store::DataSource* Datafa = nullptr;
    PathTree* Fa = nullptr;
    QToolButton* gye = nullptr;
    QProgressBar* bar = nullptr;
    QToolButton* vegere = nullptr;
    QToolButton* elore = nullptr;
    QToolButton* gyors = nullptr;
    store::DataSource* Data1 = nullptr;
    DataGrid* tabla1 = nullptr;
    QLabel* kij = nullptr;
    QLabel* elem = nullptr;
    platform::Help* help = nullptr;

    // Menus
    QMenu* f1 = nullptr;
    QAction *Fuj, *Fnyit, *mas, *j, *lement, *Ftomor, *i;
    QMenu* beal = nullptr;
    QAction *kfriss, *auttom, *z, *Fki;
    QMenu* sz1 = nullptr;
    QAction *szauto, *k, *kulcs;
    QMenu* szkezi = nullptr;
    QAction *f_kmeg, *u_kmeg;
    QMenu* muv = nullptr;
    QAction *uge, *ugv, *mki, *mv, *osszm, *korny, *muvf, *ellen;
    QMenu* ker1 = nullptr;
    QAction *kossze, *minden, *masol;
    QMenu* Sug = nullptr;
    QAction *Sug1, *aq, *nev;
    QMenu* fam = nullptr;
    QAction* famas = nullptr;

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
    bool m_damageReported = false; // the open catalog was found damaged and the user told
};
