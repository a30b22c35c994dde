#include "app/MainDlg.h"

#include "calllog/DurationText.h"
#include "platform/PlatformTime.h"
#include "ui/Gdi.h"
#include "ui/ListHelpers.h"
#include "ui/WinApp.h"

#include <cwchar>

BEGIN_MESSAGE_MAP(CMainDlg, CDialog)
    ON_COMMAND(ID_MENU_EXIT, &CMainDlg::OnExit)
    ON_COMMAND(ID_ANALYSE_CALL_LOG, &CMainDlg::OnAnalyseCallLog)
    ON_COMMAND(ID_ANALYSE_SMS, &CMainDlg::OnAnalyseSms)
    ON_COMMAND(ID_MENU_SEND_SMS, &CMainDlg::OnSendSms)
    ON_COMMAND(ID_MENU_DIAL, &CMainDlg::OnDial)
    ON_COMMAND(ID_SUMMARY_TOTAL, &CMainDlg::OnSummaryTotal)
    ON_COMMAND(ID_SUMMARY_BY_TIME, &CMainDlg::OnSummaryByTime)
    ON_COMMAND(ID_MENU_ABOUT, &CMainDlg::OnAbout)
    ON_NOTIFY(LVN_ITEMACTIVATE, IDC_CALL_LOG_LIST, &CMainDlg::OnItemActivate)
    ON_COMMAND(ID_MENU_OPEN_DEVICE, &CMainDlg::OnOpenDevice)
    ON_COMMAND(ID_MENU_IMPORT_BACKUP, &CMainDlg::OnImportBackup)
    ON_COMMAND(ID_VIEW_REFRESH, &CMainDlg::OnRefresh)
END_MESSAGE_MAP()

CMainDlg::CMainDlg(CWnd* pParent)
    : CDialog(CMainDlg::IDD, pParent)
{
    m_hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CALL_LOG_LIST, m_list);
}

BOOL CMainDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // Without its menu the window shows the list as the template left it.
    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_MAIN_MENU))
        return FALSE;

    CWaitCursor wait;
    InitListColumns();
    FillCallList();
    wait.Restore();
    return TRUE;
}

void CMainDlg::InitListColumns()
{
    m_imageList.Create(32, 32, ILC_MASK, 0, 4);
    AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_INCOMING_CALL)));
    AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_MISSED_CALL)));
    AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_OUTGOING_CALL)));

    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.SetImageList(&m_imageList, LVSIL_SMALL);

    m_list.InsertColumn(0, L"Name", LVCFMT_CENTER);
    m_list.InsertColumn(1, L"Time", LVCFMT_CENTER);
    m_list.InsertColumn(2, L"No", LVCFMT_LEFT);
    FitListToClient();

    SetControlFont(m_list.m_hWnd, 2);
}

void CMainDlg::FitListToClient()
{
    RECT rc;
    GetClientRect(&rc);
    m_list.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    int nWidth = rc.right - rc.left;
    m_list.SetColumnWidth(0, nWidth / 2 - 10);
    m_list.SetColumnWidth(1, nWidth / 2 + 10);
}

void CMainDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    // Without its menu bar the list was never fitted and keeps the
    // template's place.
    if (m_menuBar.GetMenuId() != 0)
        FitListToClient();
}

void CMainDlg::FillCallList()
{
    m_list.DeleteAllItems();
    CALLLOGENTRY entry;
    for (int nRow = 0; m_callLog.GetEntry(nRow, &entry) == 0; ++nRow) {
        LVITEMW item {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = nRow;
        item.pszText = entry.pszName ? entry.pszName : entry.pszNumber;
        item.iImage = entry.iom == IOM_INCOMING ? 0 : entry.iom == IOM_MISSED ? 1 : 2;
        m_list.InsertItem(&item);

        SYSTEMTIME st {};
        FileTimeToSystemTime(&entry.ftStartTime, &st);
        wchar_t szTime[32];
        FormatCallStart(st, szTime);
        m_list.SetItemText(nRow, 1, szTime);
        m_list.SetItemText(nRow, 2, entry.pszNumber);

        m_callLog.FreeEntry(&entry);
    }
}

int CMainDlg::GetSelectedItemText(LPWSTR pszText, int nColumn, int nCapacity)
{
    int nItem = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (nItem == -1)
        return -1;
    LVITEMW item {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.iSubItem = nColumn;
    item.pszText = pszText;
    item.cchTextMax = nCapacity;
    return m_list.GetItem(&item) ? 0 : -1;
}

void CMainDlg::OnExit()
{
    OnOK();
}

void CMainDlg::OnItemActivate(NMHDR*, LRESULT*)
{
    OnAnalyseCallLog();
}
