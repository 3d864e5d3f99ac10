#pragma once

#include "PatternHistory.h"
#include "SearchViews.h"

#include "widgets/FormDialog.h"

#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class KeywordList;
class MainHost;
class PatternBox;

namespace store {
class DataSource;
}

// The compound search: file-name and path patterns and the two keyword
// lists together; the result becomes the main window's view.
class kerdes : public FormDialog
{
    Q_OBJECT
public:
    explicit kerdes(MainHost& host, QWidget* parent = nullptr);
    ~kerdes() override;

    // Loads the window and shows it modally; nothing is shown when the
    // keyword lists cannot be read.
    int run();
    // The same without waiting: the window closes itself later.
    void showModeless();

    PatternBox *prgnev, *utnev;
    KeywordList *prgkulcs, *utkulcs;
    QCheckBox* utchk;
    QPushButton *keres, *nem;
    store::DataSource *prg, *ut;
    QGroupBox *Frame1, *Frame2;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    QLabel* Image1;

    void keres_Click();
    void nem_Click();
    void prgnev_KeyDown(int key) { searchKey(key); }
    void utnev_KeyDown(int key) { searchKey(key); }
    void prgkulcs_KeyDown(int key) { searchKey(key); }
    void utkulcs_KeyDown(int key) { searchKey(key); }
    void utchk_KeyDown(int key) { searchKey(key); }

    // What the controls ask for now.
    queries::CompoundSearch search() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    void searchKey(int key);
    void closeKeywordSources();

    // FormDialog
    bool loadForm() override;
    void unloadForm() override;

    MainHost& m_host;
    std::optional<queries::PatternHistory> m_names;
    std::optional<queries::PatternHistory> m_paths;
};
