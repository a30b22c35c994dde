#include "reports/CallDetailDlg.h"

#include "calllog/DurationText.h"
#include "phone/PhoneActions.h"
#include "platform/PlatformTime.h"
#include "ui/ListHelpers.h"
#include "ui/WinApp.h"

#include <cwchar>

BEGIN_MESSAGE_MAP(CCallDetailDlg, CDialog)
    ON_COMMAND(ID_CALL_DETAIL_DIAL, &CCallDetailDlg::OnDial)
    ON_COMMAND(ID_CALL_DETAIL_SEND_SMS, &CCallDetailDlg::OnSendSms)
    ON_COMMAND(ID_CALL_DETAIL_CANCEL, &CCallDetailDlg::OnCallListCancel)
END_MESSAGE_MAP()

CCallDetailDlg::CCallDetailDlg(CWnd* pParent) : CDialog(CCallDetailDlg::IDD, pParent) {}

CCallDetailDlg::~CCallDetailDlg() = default;

void CCallDetailDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CALL_DETAIL_LIST, m_list);
}

BOOL CCallDetailDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_CALL_DETAIL_MENU))
        return FALSE;

    CWaitCursor wait;
    InitCallList();
    FillCallList();
    wait.Restore();
    return TRUE;
}

void CCallDetailDlg::InitCallList()
{
    m_imageList.Create(32, 32, ILC_MASK, 0, 4);
    AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_INCOMING_CALL)));
    AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_MISSED_CALL)));
    AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_OUTGOING_CALL)));

    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.SetImageList(&m_imageList, LVSIL_SMALL);

    m_list.InsertColumn(0, L"Name", LVCFMT_CENTER);
    m_list.InsertColumn(1, L"Time", LVCFMT_CENTER);
    m_list.InsertColumn(2, L"Type", LVCFMT_CENTER, 0);
    m_list.InsertColumn(3, L"Index", LVCFMT_CENTER, 0);
    FitListToClient();

    SetControlFont(m_list.m_hWnd, 2);
}

void CCallDetailDlg::FitListToClient()
{
    RECT rc;
    GetClientRect(&rc);
    m_list.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    int nWidth = rc.right - rc.left;
    m_list.SetColumnWidth(0, nWidth / 2);
    m_list.SetColumnWidth(1, nWidth / 2);
}

void CCallDetailDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    // Without its menu bar the dialog was never laid out.
    if (m_menuBar.GetMenuId() != 0)
        FitListToClient();
}

void CCallDetailDlg::FillCallList()
{
    m_nRow = 0;

    // One read of the log sorts the caller's calls into the three blocks;
    // asking for each call by its position would re-read the log per row.
    std::vector<CallRow> missed, incoming, outgoing;
    m_callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        std::vector<CallRow>* pBlock = entry.iom == IOM_MISSED     ? &missed
                                       : entry.iom == IOM_INCOMING ? &incoming
                                       : entry.iom == IOM_OUTGOING ? &outgoing
                                                                   : nullptr;
        if (pBlock && CCallLog::IsCaller(entry, m_strName.c_str())) {
            LPCWSTR pszName = entry.pszName ? entry.pszName : entry.pszNumber;
            pBlock->push_back(CallRow {pszName ? pszName : L"", entry.pszNumber ? entry.pszNumber : L"",
                                       entry.ftStartTime});
        }
        return true;
    });

    AddCallsOfType(IOM_MISSED, missed);
    AddCallsOfType(IOM_INCOMING, incoming);
    AddCallsOfType(IOM_OUTGOING, outgoing);
}

void CCallDetailDlg::AddCallsOfType(int nType, const std::vector<CallRow>& calls)
{
    int nImage = nType == IOM_INCOMING ? 0 : nType == IOM_MISSED ? 1 : 2;
    for (const CallRow& call : calls) {
        LVITEMW item {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = m_nRow;
        item.pszText = const_cast<LPWSTR>(call.strName.c_str());
        item.iImage = nImage;
        m_list.InsertItem(&item);

        SYSTEMTIME st {};
        FileTimeToSystemTime(&call.ftStart, &st);
        wchar_t szTime[32];
        FormatCallStart(st, szTime);
        m_list.SetItemText(m_nRow, 1, szTime);
        m_list.SetItemText(m_nRow, 2, call.strNumber.c_str());
        ++m_nRow;
    }
}

void CCallDetailDlg::OnDial()
{
    DialNumber(m_strNumber.c_str());
}

void CCallDetailDlg::OnSendSms()
{
    SendSms(m_strNumber.c_str(), m_strName.c_str());
}

void CCallDetailDlg::OnCallListCancel()
{
    EndDialog(IDCANCEL);
}
