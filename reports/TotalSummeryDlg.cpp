#include "reports/TotalSummeryDlg.h"

#include "calllog/CallFigures.h"
#include "reports/ChooseTimeDlg.h"
#include "reports/SummaryLines.h"
#include "ui/ListHelpers.h"
#include "ui/WinApp.h"

#include <memory>
#include <string>

BEGIN_MESSAGE_MAP(CTotalSummeryDlg, CDialog)
    ON_COMMAND(ID_TOTAL_OK, &CTotalSummeryDlg::OnOK)
END_MESSAGE_MAP()

CTotalSummeryDlg::CTotalSummeryDlg(CWnd* pParent) : CDialog(CTotalSummeryDlg::IDD, pParent)
{
    m_smsStore.Open();
}

CTotalSummeryDlg::~CTotalSummeryDlg()
{
    m_smsStore.Close();
}

void CTotalSummeryDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TOTAL_LIST, m_list);
}

BOOL CTotalSummeryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_TOTAL_SUMMERY_MENU))
        return FALSE;

    InitTotalList();
    if (m_bByTime)
        ShowTotalsByTime();
    else
        ShowTotals();
    return TRUE;
}

void CTotalSummeryDlg::OnOK()
{
    CDialog::OnOK();
}

void CTotalSummeryDlg::InitTotalList()
{
    m_imageList.Create(32, 32, ILC_MASK, 0, 5);
    for (UINT nIcon : {IDI_INCOMING_CALL, IDI_OUTGOING_CALL, IDI_MISSED_CALL, IDI_SMS_RECEIVED, IDI_SMS_SENT})
        AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nIcon)));

    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.SetImageList(&m_imageList, LVSIL_SMALL);
    m_list.InsertColumn(0, L"Name", LVCFMT_CENTER);
    FitListToClient();

    SetControlFont(m_list.m_hWnd, 2);
}

void CTotalSummeryDlg::FitListToClient()
{
    RECT rc {};
    GetClientRect(&rc);
    m_list.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    // The column fills the list inside its border, so that no line scrolls sideways.
    RECT rcList {};
    m_list.GetClientRect(&rcList);
    m_list.SetColumnWidth(0, rcList.right - rcList.left);
}

void CTotalSummeryDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    // Without its menu bar the dialog was never laid out.
    if (m_menuBar.GetMenuId() != 0)
        FitListToClient();
}

void CTotalSummeryDlg::ShowTotals()
{
    CWaitCursor wait;
    m_list.DeleteAllItems();

    CallFigures figures;
    GetTotalCallFigures(m_callLog, &figures);
    int nInSms = 0, nOutSms = 0;
    m_smsStore.GetInboxCount(&nInSms);
    m_smsStore.GetSentCount(&nOutSms);

    InsertTotalLines(figures.nIncomingSeconds, figures.nOutgoingSeconds, figures.nMissed, nInSms, nOutSms);
}

void CTotalSummeryDlg::ShowTotalsByTime()
{
    // The user picks the dates under the normal cursor; only the counting
    // below is shown as busy.
    auto pTimeDlg = std::make_unique<CChooseTimeDlg>();
    if (pTimeDlg->DoModal() == IDCANCEL)
        return;
    CWaitCursor wait;
    m_list.DeleteAllItems();
    TimeRange range = pTimeDlg->m_range;
    pTimeDlg.reset();

    CallFigures figures;
    GetTotalCallFiguresInRange(m_callLog, range, &figures);
    int nInSms = 0, nOutSms = 0;
    m_smsStore.GetInboxCountInRange(range.start, range.end, &nInSms);
    m_smsStore.GetSentCountInRange(range.start, range.end, &nOutSms);

    InsertTotalLines(figures.nIncomingSeconds, figures.nOutgoingSeconds, figures.nMissed, nInSms, nOutSms);
}

void CTotalSummeryDlg::InsertTotalLines(int64_t nIncomingSeconds, int64_t nOutgoingSeconds, int nMissed, int nInSms,
                                        int nOutSms)
{
    std::wstring strLines[5] = {IncomingCallLine(nIncomingSeconds), OutgoingCallLine(nOutgoingSeconds),
                                MissedCallLine(nMissed), ReceivedSmsLine(nInSms), SentSmsLine(nOutSms)};

    for (int i = 0; i < 5; ++i) {
        LVITEMW item {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = strLines[i].data();
        item.iImage = i;
        m_list.InsertItem(&item);
    }
}
