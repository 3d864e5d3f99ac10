#pragma once

#include "PatternHistory.h"

#include "widgets/FormDialog.h"

#include <optional>

class KeywordList;
class MainHost;
class PatternBox;
class QLabel;
class QProgressBar;
class QPushButton;
struct Subject;

namespace store {
class DataSource;
}

// What the condition dialog drives of the key-assignment window that opens
// it: the subject, the records of its grid (the search lands there), its
// progress bar and its enabled state.
class ConditionOwner
{
public:
    virtual ~ConditionOwner() = default;
    virtual const Subject& subject() const = 0;
    virtual store::DataSource& records() = 0;
    virtual QProgressBar* progressBar() = 0;
    virtual void setOwnerEnabled(bool enabled) = 0;
};

// The condition dialog: a file-name pattern, a path pattern and keywords,
// then by its mode a search (0), the keyword assignment of the matching
// files (1) or folders (2), or the deletion of the matching files (3), each
// followed by the search into the owner's grid.
class szuro : public FormDialog
{
    Q_OBJECT
public:
    enum Mode
    {
        Search = 0,
        FileKeywords = 1,
        FolderKeywords = 2,
        Deletion = 3
    };

    szuro(MainHost& host, ConditionOwner& owner, int mode, QWidget* parent = nullptr);
    ~szuro() override;

    int mode() const { return m_mode; }

    PatternBox* filenev;
    PatternBox* ut;
    KeywordList* kul;
    QPushButton* kesz;
    QPushButton* megsem;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;

    void Form_Activate() override;
    void kesz_Click();
    void megsem_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    void controlKeyDown(int key);
    bool confirmed();
    bool runMode();
    void refreshMain();
    void search();
    void setBar(int value);
    void endWork();

    // FormDialog
    bool loadForm() override;
    void unloadForm() override;

    MainHost& m_host;
    ConditionOwner& m_owner;
    int m_mode;
    std::optional<queries::PatternHistory> m_names;
    std::optional<queries::PatternHistory> m_paths;
};
