#include "ui/CommandBar.h"

#include "resources/ResourceTypes.h"
#include "ui/Dialog.h"

#include <set>

namespace {

std::set<UINT>& MissingMenus()
{
    static std::set<UINT> s_missing;
    return s_missing;
}

} // namespace

BOOL CCommandBar::Create(CWnd* pParentWnd)
{
    auto* pDialog = dynamic_cast<CDialog*>(pParentWnd);
    if (!pDialog || !pDialog->m_hWnd)
        return FALSE;
    m_pDialog = pDialog;
    return TRUE;
}

BOOL CCommandBar::InsertMenuBar(UINT nMenuID)
{
    if (!m_pDialog || !m_pDialog->m_hWnd || MissingMenus().count(nMenuID))
        return FALSE;
    const MenuTemplate* pMenu = FindMenuTemplate(nMenuID);
    if (!pMenu)
        return FALSE;
    m_pDialog->SetSoftKeyMenu(pMenu);
    m_nMenuId = nMenuID;
    return TRUE;
}

void SetMenuResourceMissing(UINT nMenuId, bool bMissing)
{
    if (bMissing)
        MissingMenus().insert(nMenuId);
    else
        MissingMenus().erase(nMenuId);
}
