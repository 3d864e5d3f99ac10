#pragma once

#include <QDialog>

// A window of the program shown as a dialog. Form_Load readies it each time
// it is shown, Form_Activate runs when the program shows it, and Form_Unload
// once when it closes, however it closes. The main window counts it among
// its own windows when it takes the focus back.
class FormDialog : public QDialog
{
    Q_OBJECT
public:
    // Loaded, then shown until it closes; Rejected when it refused to load.
    int run();
    // False when the window cannot be used; it is then unloaded again.
    bool Form_Load();
    void Form_Unload();
    bool isLoaded() const { return m_loaded; }
    virtual void Form_Activate() {}

    void done(int result) override;

protected:
    FormDialog(QWidget* parent, const char* name, const QString& title);

    virtual bool loadForm() = 0;
    virtual void unloadForm() = 0;
    // Not when the window system shows it again (after a minimise).
    void showEvent(QShowEvent* e) override;

private:
    bool m_loaded = false;
};
