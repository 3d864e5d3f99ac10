// The main window's openers of the keyword windows.

#include "fokep.h"
#include "keywords/Szerkeszto.h"
#include "keywords/kulcslap.h"

void fokep::kulcs_Click()
{
    runModal(m_kulcslap, [this] { return new kulcslap(host(), this); });
}

void fokep::f_kmeg_Click()
{
    openSzerkeszto(true);
}

void fokep::u_kmeg_Click()
{
    openSzerkeszto(false);
}

// The subject is the window's for its whole life. It is a window of its own,
// not this one's child, so that minimising this window leaves it in sight;
// it goes when it is closed, or with this window.
void fokep::openSzerkeszto(bool files)
{
    if (m_szerkeszto)
        return;
    auto* w = new Szerkeszto(host(), files);
    w->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QObject::destroyed, w, [w] { delete w; });
    if (w->run())
        m_szerkeszto = w;
    else
        delete w;
}
