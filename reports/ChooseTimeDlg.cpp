#include "reports/ChooseTimeDlg.h"

#include "platform/PlatformTime.h"
#include "ui/Controls.h"
#include "ui/Gdi.h"
#include "ui/ListHelpers.h"
#include "ui/MessageBox.h"
#include "ui/RowHeight.h"

BEGIN_MESSAGE_MAP(CChooseTimeDlg, CDialog)
    ON_COMMAND(ID_CHOOSE_TIME_OK, &CChooseTimeDlg::OnChooseOk)
    ON_COMMAND(ID_CHOOSE_TIME_CANCEL, &CChooseTimeDlg::OnChooseCancel)
END_MESSAGE_MAP()

CChooseTimeDlg::CChooseTimeDlg(CWnd* pParent) : CDialog(CChooseTimeDlg::IDD, pParent) {}

CChooseTimeDlg::~CChooseTimeDlg() = default;

BOOL CChooseTimeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_CHOOSE_TIME_MENU))
        return FALSE;

    LayoutControls();
    SetControlFont(GetDlgItem(IDC_START_TIME_LABEL)->m_hWnd, 2);
    SetControlFont(GetDlgItem(IDC_END_TIME_LABEL)->m_hWnd, 1);

    SYSTEMTIME stNow {};
    GetLocalTime(&stNow);
    DateTime_SetSystemtime(GetDlgItem(IDC_START_TIME)->m_hWnd, GDT_VALID, &stNow);
    DateTime_SetSystemtime(GetDlgItem(IDC_END_TIME)->m_hWnd, GDT_VALID, &stNow);
    return TRUE;
}

void CChooseTimeDlg::LayoutControls()
{
    int nRowHeight = GetRowHeight(*this);
    RECT rc {};
    GetClientRect(&rc);
    int nClientWidth = rc.right - rc.left;
    int x = static_cast<int>(0.05 * nClientWidth);
    int w = static_cast<int>(0.8 * nClientWidth);
    int nGap = static_cast<int>(1.2 * nRowHeight);

    GetDlgItem(IDC_START_TIME_LABEL)->MoveWindow(x, 10, w, nRowHeight, TRUE);
    GetDlgItem(IDC_START_TIME)->MoveWindow(x, 10 + nGap, w, nRowHeight, TRUE);
    GetDlgItem(IDC_END_TIME_LABEL)->MoveWindow(x, 10 + nGap + 2 * nRowHeight, w, nRowHeight, TRUE);
    GetDlgItem(IDC_END_TIME)->MoveWindow(x, 10 + 2 * nGap + 2 * nRowHeight, w, nRowHeight, TRUE);
}

void CChooseTimeDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    // Without its menu bar the dialog was never laid out.
    if (m_menuBar.GetMenuId() != 0)
        LayoutControls();
}

void CChooseTimeDlg::OnOK()
{
    SYSTEMTIME stStart {}, stEnd {};
    DateTime_GetSystemtime(GetDlgItem(IDC_START_TIME)->m_hWnd, &stStart);
    DateTime_GetSystemtime(GetDlgItem(IDC_END_TIME)->m_hWnd, &stEnd);

    stStart.wHour = 0;
    stStart.wMinute = 0;
    stStart.wSecond = 0;
    stStart.wMilliseconds = 0;
    // The end keeps the milliseconds the picker reports.
    stEnd.wHour = 23;
    stEnd.wMinute = 59;
    stEnd.wSecond = 59;

    TimeRange range {};
    SystemTimeToFileTime(&stStart, &range.start);
    SystemTimeToFileTime(&stEnd, &range.end);

    // A reversed range would count nothing; the user corrects the dates here.
    if (CompareFileTime(&range.start, &range.end) == 1) {
        MessageBox(L"Start time must greater than End time!", L"Error", MB_OK | MB_ICONERROR);
        return;
    }
    m_range = range;
    EndDialog(IDOK);
}

void CChooseTimeDlg::OnChooseOk()
{
    OnOK();
}

void CChooseTimeDlg::OnChooseCancel()
{
    EndDialog(IDCANCEL);
}

HBRUSH CChooseTimeDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH hBrush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (nCtlColor == CTLCOLOR_STATIC) {
        pDC->SetTextColor(RGB(255, 255, 255));
        pDC->SetBkColor(RGB(0, 0, 64));
    }
    return hBrush;
}
