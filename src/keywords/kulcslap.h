#pragma once

#include "KeywordLists.h"

#include "widgets/FormDialog.h"

class DataGrid;
class MainHost;
class QLabel;
class QLineEdit;
class QToolButton;

// The keyword list editor: the file keywords (prgkul) and the folder keywords
// (utkul), each ending with the empty row that adds a keyword, and the editor
// sor that adds or renames. Modal; the main window is disabled while it is open.
class kulcslap : public FormDialog
{
    Q_OBJECT
public:
    explicit kulcslap(MainHost& host, QWidget* parent = nullptr);
    ~kulcslap() override;

    keywords::KeywordLists& lists() { return m_lists; }

    DataGrid* prgkul;
    DataGrid* utkul;
    QToolButton *lef, *felf, *torolf;
    QToolButton *leu, *felu, *torolu;
    QLabel* Label1;
    QLineEdit* sor;
    QToolButton* kesz;

    void Form_Activate() override;
    void lef_Click() { szerkeszt(keywords::KeywordList::Files); }
    void leu_Click() { szerkeszt(keywords::KeywordList::Folders); }
    void felf_Click() { felvesz(keywords::KeywordList::Files); }
    void felu_Click() { felvesz(keywords::KeywordList::Folders); }
    void torolf_Click() { torles(keywords::KeywordList::Files); }
    void torolu_Click() { torles(keywords::KeywordList::Folders); }
    void sor_KeyPress(int key);
    void kesz_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    DataGrid* grid(keywords::KeywordList list) const;
    void gridKeyDown(keywords::KeywordList list, int key);
    void szerkeszt(keywords::KeywordList list);
    void felvesz(keywords::KeywordList list);
    void torles(keywords::KeywordList list);
    void showCurrentRow(keywords::KeywordList list);
    void dressGrid(keywords::KeywordList list);

    // FormDialog
    bool loadForm() override;
    void unloadForm() override;

    MainHost& m_host;
    keywords::KeywordLists m_lists;
};
