// The main window's opener of the retrieval window.

#include "fokep.h"
#include "retrieval/muvform.h"

void fokep::muvf_Click()
{
    runModal(m_muvform, [this] { return new muvform(host(), *tabla1, m_driveSource, this); });
}
