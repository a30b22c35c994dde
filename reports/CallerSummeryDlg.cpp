#include "reports/CallerSummeryDlg.h"

#include "calllog/CallFigures.h"
#include "calllog/DurationText.h"
#include "phone/PhoneActions.h"
#include "reports/CallDetailDlg.h"
#include "reports/ChooseTimeDlg.h"
#include "reports/SummaryLines.h"
#include "sms/SmsFigures.h"
#include "ui/ListHelpers.h"
#include "ui/WinApp.h"

#include <memory>

BEGIN_MESSAGE_MAP(CCallerSummeryDlg, CDialog)
    ON_COMMAND(ID_SUMMERY_BY_TIME, &CCallerSummeryDlg::OnAnalyseByTime)
    ON_COMMAND(ID_SUMMERY_DIAL, &CCallerSummeryDlg::OnDial)
    ON_COMMAND(ID_SUMMERY_SEND_SMS, &CCallerSummeryDlg::OnSendSms)
    ON_COMMAND(ID_SUMMERY_GET_CALL_LIST, &CCallerSummeryDlg::OnGetCallList)
    ON_COMMAND(ID_SUMMERY_CANCEL, &CCallerSummeryDlg::OnSummeryCancel)
END_MESSAGE_MAP()

namespace {

bool IsZero(const FILETIME& ft)
{
    return ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0;
}

} // namespace

CCallerSummeryDlg::CCallerSummeryDlg(CWnd* pParent) : CDialog(CCallerSummeryDlg::IDD, pParent)
{
    m_smsStore.Open();
}

CCallerSummeryDlg::~CCallerSummeryDlg()
{
    m_smsStore.Close();
}

void CCallerSummeryDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SUMMARY_LIST, m_list);
}

BOOL CCallerSummeryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_CALLER_SUMMERY_MENU))
        return FALSE;

    InitSummaryList();

    CWaitCursor wait;
    if (m_nMode != 0)
        ShowSmsSummary();
    else
        ShowCallSummary();
    wait.Restore();
    return TRUE;
}

void CCallerSummeryDlg::InitSummaryList()
{
    m_imageList.Create(32, 32, ILC_MASK, 0, 7);
    for (UINT nIcon : {IDI_PERSON, IDI_INCOMING_CALL, IDI_MISSED_CALL, IDI_OUTGOING_CALL, IDI_SMS_RECEIVED,
                       IDI_SMS_SENT, IDI_WARNING})
        AppendIcon(m_imageList.GetSafeHandle(), LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nIcon)));

    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.SetImageList(&m_imageList, LVSIL_SMALL);
    m_list.InsertColumn(0, L"Name", LVCFMT_CENTER);
    FitListToClient();

    SetControlFont(m_list.m_hWnd, 2);
}

void CCallerSummeryDlg::FitListToClient()
{
    RECT rc;
    GetClientRect(&rc);
    m_list.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    m_list.SetColumnWidth(0, rc.right - rc.left);
}

void CCallerSummeryDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    // Without its menu bar the dialog was never laid out.
    if (m_menuBar.GetMenuId() != 0)
        FitListToClient();
}

void CCallerSummeryDlg::AddLine(LPCWSTR pszText, int nImage)
{
    m_list.InsertItem(m_list.GetItemCount(), pszText, nImage);
}

void CCallerSummeryDlg::AddNameLine()
{
    AddLine((L"Name:" + m_strName).c_str(), IMAGE_PERSON);
}

void CCallerSummeryDlg::ShowCallSummary()
{
    m_list.DeleteAllItems();

    CallFigures figures;
    FILETIME ftLastCall {};
    GetCallerCallFigures(m_callLog, m_strName.c_str(), &figures, &ftLastCall);

    AddNameLine();
    AddLine(IncomingCallLine(figures.nIncomingSeconds).c_str(), IMAGE_INCOMING);
    AddLine(MissedCallLine(figures.nMissed).c_str(), IMAGE_MISSED);
    AddLine(OutgoingCallLine(figures.nOutgoingSeconds).c_str(), IMAGE_OUTGOING);
    // A key with no call left in the log (it changed after the main list was
    // read) has no latest call to count the time from.
    if (IsZero(ftLastCall)) {
        AddLine(L"No call", IMAGE_WARNING);
    } else {
        std::wstring strSince;
        FormatTimeSince(ftLastCall, strSince);
        AddLine(L"No call for:", IMAGE_WARNING);
        AddLine(strSince.c_str(), IMAGE_NONE);
    }

    for (int nLine = 0; nLine < m_list.GetItemCount(); ++nLine)
        m_list.EnsureVisible(nLine, FALSE);
}

void CCallerSummeryDlg::ShowSmsSummary()
{
    m_list.DeleteAllItems();

    CallerSmsFigures figures;
    GetCallerSmsFigures(m_smsStore, m_strName.c_str(), &figures);

    AddNameLine();
    AddLine(ReceivedSmsLine(figures.nReceived).c_str(), IMAGE_SMS_RECEIVED);
    AddLine(SentSmsLine(figures.nSent).c_str(), IMAGE_SMS_SENT);
    if (IsZero(figures.ftLast)) {
        AddLine(L"No sms", IMAGE_WARNING);
    } else {
        std::wstring strSince;
        FormatTimeSince(figures.ftLast, strSince);
        AddLine(L"No sms for", IMAGE_WARNING);
        AddLine(strSince.c_str(), IMAGE_NONE);
        m_list.EnsureVisible(4, FALSE);
    }

    for (int nLine = 0; nLine < 4; ++nLine)
        m_list.EnsureVisible(nLine, FALSE);
}

void CCallerSummeryDlg::OnAnalyseByTime()
{
    TimeRange range;
    {
        auto pChooseTime = std::make_unique<CChooseTimeDlg>();
        if (pChooseTime->DoModal() == IDCANCEL)
            return;
        range = pChooseTime->m_range;
    }

    m_list.DeleteAllItems();

    CallFigures figures;
    GetCallerCallFiguresInRange(m_callLog, m_strName.c_str(), range, &figures);
    int nReceived = 0, nSent = 0;
    m_smsStore.GetCallerInboxCountInRange(range.start, range.end, m_strName.c_str(), &nReceived);
    m_smsStore.GetCallerSentCountInRange(range.start, range.end, m_strName.c_str(), &nSent);

    AddNameLine();
    AddLine(IncomingCallLine(figures.nIncomingSeconds).c_str(), IMAGE_INCOMING);
    AddLine(MissedCallLine(figures.nMissed).c_str(), IMAGE_MISSED);
    AddLine(OutgoingCallLine(figures.nOutgoingSeconds).c_str(), IMAGE_OUTGOING);
    AddLine(ReceivedSmsLine(nReceived).c_str(), IMAGE_SMS_RECEIVED);
    AddLine(SentSmsLine(nSent).c_str(), IMAGE_SMS_SENT);
}

void CCallerSummeryDlg::OnGetCallList()
{
    auto pCallList = std::make_unique<CCallDetailDlg>();
    pCallList->m_strName = m_strName;
    pCallList->m_strNumber = m_strNumber;
    pCallList->DoModal();
}

void CCallerSummeryDlg::OnDial()
{
    DialNumber(m_strNumber.c_str());
}

void CCallerSummeryDlg::OnSendSms()
{
    SendSms(m_strNumber.c_str(), m_strName.c_str());
}

void CCallerSummeryDlg::OnSummeryCancel()
{
    OnOK();
}
