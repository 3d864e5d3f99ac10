#include "FormDialog.h"

#include "shared/Module1.h"

#include <QShowEvent>

FormDialog::FormDialog(QWidget* parent, const char* name, const QString& title) : QDialog(parent)
{
    setObjectName(QLatin1String(name));
    setProperty(Module1::kFormProperty, true);
    setWindowTitle(title);
}

int FormDialog::run()
{
    if (!Form_Load())
        return Rejected;
    return exec();
}

bool FormDialog::Form_Load()
{
    m_loaded = true;
    return loadForm();
}

void FormDialog::Form_Unload()
{
    m_loaded = false;
    unloadForm();
}

void FormDialog::done(int result)
{
    if (m_loaded)
        Form_Unload();
    QDialog::done(result);
}

void FormDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        Form_Activate();
}
