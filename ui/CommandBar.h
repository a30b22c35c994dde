#pragma once

// The soft-key menu bar of a dialog, made from a menu resource: each
// top-level item becomes a soft key, left first; a popup item opens its
// menu, a command item sends its command to the dialog.

#include "ui/WinDef.h"

class CDialog;
class CWnd;

class CCommandBar
{
public:
    // FALSE when the parent is not a dialog with a window.
    BOOL Create(CWnd* pParentWnd);
    // FALSE when the bar was not created or the menu does not exist; the
    // dialog's soft keys then stay as they were.
    BOOL InsertMenuBar(UINT nMenuID);
    UINT GetMenuId() const { return m_nMenuId; }

private:
    CDialog* m_pDialog = nullptr;
    UINT m_nMenuId = 0;
};

// Test seam: makes a menu resource look missing, so that a dialog's failure
// path when its menu bar cannot be made can be run.
void SetMenuResourceMissing(UINT nMenuId, bool bMissing);
