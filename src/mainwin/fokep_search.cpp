// The main window's openers of the compound search.

#include "fokep.h"
#include "queries/kerdes.h"

void fokep::kossze_Click()
{
    if (m_kerdes && m_kerdes->isVisible()) {
        m_kerdes->activateWindow();
        return;
    }
    m_state.baseView = false;
    runModal(m_kerdes, [this] { return new kerdes(host(), this); });
}

// Shown without waiting: the activation steps follow when it closes, as
// after a modal window.
void fokep::gyors_Click()
{
    if (!m_kerdes)
        m_kerdes = new kerdes(host(), this);
    if (m_kerdes->isVisible()) {
        m_kerdes->activateWindow();
        return;
    }
    m_kerdes->showModeless();
    if (m_kerdes->isVisible())
        connect(m_kerdes, &QDialog::finished, this, &fokep::modalFormClosed,
                Qt::SingleShotConnection);
}
