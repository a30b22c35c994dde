#pragma once

#include "resources/Resource.h"
#include "ui/CommandBar.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

// The program icon over a list of the product line and where to find the
// project, report a problem and read the licence.
class CAboutDlg : public CDialog
{
public:
    explicit CAboutDlg(CWnd* pParent = nullptr);
    ~CAboutDlg() override;

    enum { IDD = IDD_ABOUT };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnSize(UINT nType, int cx, int cy) override;
    // Places the list below the icon, as wide as the client area allows.
    void LayoutControls();

    CCommandBar m_menuBar;
    CListBox m_listBox;

    DECLARE_MESSAGE_MAP()
};
