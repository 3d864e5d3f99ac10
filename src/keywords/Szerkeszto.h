#pragma once

#include "RecordKeys.h"
#include "queries/szuro.h"

#include <QMainWindow>

class DataGrid;
class KeywordList;
class MainHost;
class QAction;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

// The key-assignment window: every file (or every folder) of the catalog in
// the grid Fotabla, the subject's keywords in kulcsok, the current record's
// keywords selected there and stored with Tárolás. Modeless; the main window
// is minimised and disabled while it is open. Its menu opens the condition
// dialog, which drives its grid, progress bar and enabled state.
class Szerkeszto : public QMainWindow, private ConditionOwner
{
    Q_OBJECT
public:
    // files: the subject the opening command chose (files or folders).
    Szerkeszto(MainHost& host, bool files, QWidget* parent = nullptr);
    ~Szerkeszto() override;

    // Loads the window and shows it; false (nothing shown) when the catalog
    // cannot be read, which the user has been told.
    bool run();

    keywords::RecordKeys& keys() { return m_keys; }
    int dialogMode() const { return m_dialogMode; }

    DataGrid* Fotabla;
    KeywordList* kulcsok;
    QPushButton* fel;
    QPushButton* le;
    QPushButton* Ok;
    QToolButton* kesz;
    QProgressBar* bar;
    QMenu* muv;
    QAction *osz, *prgg, *utg, *rekt, *mkesz;

    bool Form_Load();
    void Form_Activate();
    void Fotabla_RowColChange();
    void Fotabla_KeyDown(int key);
    void Fotabla_MouseMove(Qt::MouseButtons buttons, double y);
    void kulcsok_KeyDown(int key);
    void Ok_Click();
    void fel_Click();
    void le_Click();
    void kesz_Click();
    void mkesz_Click() { kesz_Click(); }
    void osz_Click() { openSzuro(szuro::Search); }
    void prgg_Click() { openSzuro(szuro::FileKeywords); }
    void utg_Click() { openSzuro(szuro::FolderKeywords); }
    void rekt_Click() { openSzuro(szuro::Deletion); }
    void Form_Resize();
    void Form_Unload();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // ConditionOwner
    const Subject& subject() const override { return m_keys.subject(); }
    store::DataSource& records() override { return m_keys.D1; }
    QProgressBar* progressBar() override { return bar; }
    void setOwnerEnabled(bool enabled) override;

    void buildControls();
    void buildMenus();
    void setColumns();
    void showKeywords();
    void openSzuro(int mode);

    MainHost& m_host;
    keywords::RecordKeys m_keys;
    int m_dialogMode = 0;
    qint64 m_shownRow = -1; // the row whose keywords kulcsok shows
    double m_previousY = 0; // the pointer at the previous move over the grid
    bool m_loaded = false;
};
