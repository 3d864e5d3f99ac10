#pragma once

#include "KeywordLists.h"

#include <QDialog>

class DataGrid;
class MainHost;
class QLabel;
class QLineEdit;
class QToolButton;

// The keyword list editor: the file keywords (prgkul) and the folder keywords
// (utkul), each ending with the empty row that adds a keyword, and the editor
// sor that adds or renames. Modal; the main window is disabled while it is open.
class kulcslap : public QDialog
{
    Q_OBJECT
public:
    explicit kulcslap(MainHost& host, QWidget* parent = nullptr);
    ~kulcslap() override;

    // Loads the window and shows it modally.
    int run();

    keywords::KeywordLists& lists() { return m_lists; }

    DataGrid* prgkul;
    DataGrid* utkul;
    QToolButton *lef, *felf, *torolf;
    QToolButton *leu, *felu, *torolu;
    QLabel* Label1;
    QLineEdit* sor;
    QToolButton* kesz;

    void Form_Load();
    void Form_Activate();
    void lef_Click() { szerkeszt(keywords::KeywordList::Files); }
    void leu_Click() { szerkeszt(keywords::KeywordList::Folders); }
    void felf_Click() { felvesz(keywords::KeywordList::Files); }
    void felu_Click() { felvesz(keywords::KeywordList::Folders); }
    void torolf_Click() { torles(keywords::KeywordList::Files); }
    void torolu_Click() { torles(keywords::KeywordList::Folders); }
    void sor_KeyPress(int key);
    void kesz_Click();
    void Form_Unload();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void buildControls();
    DataGrid* grid(keywords::KeywordList list) const;
    void gridKeyDown(keywords::KeywordList list, int key);
    void szerkeszt(keywords::KeywordList list);
    void felvesz(keywords::KeywordList list);
    void torles(keywords::KeywordList list);
    void showCurrentRow(keywords::KeywordList list);
    void dressGrid(keywords::KeywordList list);

    MainHost& m_host;
    keywords::KeywordLists m_lists;
    bool m_loaded = false;
};
