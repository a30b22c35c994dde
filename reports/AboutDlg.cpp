#include "reports/AboutDlg.h"

#include "ui/ListHelpers.h"
#include "ui/RowHeight.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
    ON_COMMAND(ID_ABOUT_OK, &CAboutDlg::OnOK)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(CAboutDlg::IDD, pParent) {}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ABOUT_LIST, m_listBox);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_ABOUT_MENU))
        return FALSE;

    // The list box sorts the lines; the product line finds its own place.
    m_listBox.AddString(L"Ringtally 2.1(PPC)");
    m_listBox.AddString(L"Project: the Ringtally source tree, see README.md");
    m_listBox.AddString(L"Report a problem: the project's issue tracker");
    m_listBox.AddString(L"Licence: GPL-3.0-or-later, see LICENSE");

    LayoutControls();
    SetControlFont(m_listBox.m_hWnd, 2);
    return TRUE;
}

void CAboutDlg::LayoutControls()
{
    int nRowHeight = GetRowHeight(*this);
    RECT rcDialog {}, rcIcon {};
    GetClientRect(&rcDialog);
    GetDlgItem(IDC_ABOUT_ICON)->GetClientRect(&rcIcon);
    m_listBox.MoveWindow(10, rcIcon.bottom + nRowHeight, rcDialog.right - 20, 5 * nRowHeight, TRUE);
}

void CAboutDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    // Without its menu bar the dialog was never laid out.
    if (m_menuBar.GetMenuId() != 0)
        LayoutControls();
}

void CAboutDlg::OnOK()
{
    CDialog::OnOK();
}
