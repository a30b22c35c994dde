#pragma once

#include "CommandBar.h"
#include "Controls.h"
#include "Dialog.h"
#include "Resource.h"

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

    CCommandBar m_menuBar;
    CListBox m_listBox;

    DECLARE_MESSAGE_MAP()
};
