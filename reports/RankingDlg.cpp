#include "reports/RankingDlg.h"

#include "figures/Export.h"
#include "phone/PhoneActions.h"
#include "platform/PlatformTime.h"
#include "platform/WideText.h"
#include "reports/ActivityDlg.h"
#include "reports/CallerSummeryDlg.h"
#include "reports/ChooseTimeDlg.h"
#include "ui/FileDialog.h"
#include "ui/ListHelpers.h"
#include "ui/MessageBox.h"
#include "ui/WinApp.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>

BEGIN_MESSAGE_MAP(CRankingDlg, CDialog)
    ON_COMMAND(ID_RANKING_CALL_LOG, &CRankingDlg::OnAnalyseCallLog)
    ON_COMMAND(ID_RANKING_SMS, &CRankingDlg::OnAnalyseSms)
    ON_COMMAND(ID_RANKING_DIAL, &CRankingDlg::OnDial)
    ON_COMMAND(ID_RANKING_SEND_SMS, &CRankingDlg::OnSendSms)
    ON_COMMAND(ID_RANKING_EXPORT, &CRankingDlg::OnExport)
    ON_COMMAND(ID_RANKING_ACTIVITY, &CRankingDlg::OnActivity)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 0, &CRankingDlg::OnSortBy<RankingColumn::Caller>)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 1, &CRankingDlg::OnSortBy<RankingColumn::Total>)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 2, &CRankingDlg::OnSortBy<RankingColumn::Incoming>)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 3, &CRankingDlg::OnSortBy<RankingColumn::Outgoing>)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 4, &CRankingDlg::OnSortBy<RankingColumn::Missed>)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 5, &CRankingDlg::OnSortBy<RankingColumn::Received>)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 6, &CRankingDlg::OnSortBy<RankingColumn::Sent>)
    ON_COMMAND(ID_RANKING_SORT_FIRST + 7, &CRankingDlg::OnSortBy<RankingColumn::Last>)
    ON_COMMAND(ID_RANKING_RANGE_FIRST + 0, &CRankingDlg::OnRange<0>)
    ON_COMMAND(ID_RANKING_RANGE_FIRST + 1, &CRankingDlg::OnRange<1>)
    ON_COMMAND(ID_RANKING_RANGE_FIRST + 2, &CRankingDlg::OnRange<2>)
    ON_COMMAND(ID_RANKING_RANGE_FIRST + 3, &CRankingDlg::OnRange<3>)
    ON_COMMAND(ID_RANKING_RANGE_FIRST + 4, &CRankingDlg::OnRange<4>)
    ON_COMMAND(ID_RANKING_RANGE_FIRST + 5, &CRankingDlg::OnRange<5>)
    ON_COMMAND(ID_RANKING_RANGE_FIRST + 6, &CRankingDlg::OnRange<6>)
    ON_NOTIFY(LVN_ITEMACTIVATE, IDC_RANKING_LIST, &CRankingDlg::OnItemActivate)
    ON_NOTIFY(LVN_COLUMNCLICK, IDC_RANKING_LIST, &CRankingDlg::OnColumnClick)
END_MESSAGE_MAP()

namespace {

struct ColumnLook {
    const wchar_t* pszHeading;
    int nFormat;
    int nPercent; // of the list's width
};

// No icons and short headings, so that the seven columns fit the phone's
// width with the caller's name still readable.
const ColumnLook kColumnLooks[] = {
    {L"Caller", LVCFMT_LEFT, 26}, {L"In", LVCFMT_RIGHT, 14},   {L"Out", LVCFMT_RIGHT, 14},
    {L"Miss", LVCFMT_RIGHT, 8},   {L"Rcvd", LVCFMT_RIGHT, 8},  {L"Sent", LVCFMT_RIGHT, 8},
    {L"Last", LVCFMT_RIGHT, 18},
};

// What a cell adds to its text's width, on both sides together.
constexpr int kCellMargins = 10;

// A talk time short enough for a column: hours, minutes and seconds.
std::wstring ShortDuration(int64_t nSeconds)
{
    wchar_t szText[32];
    std::swprintf(szText, std::size(szText), L"%lld:%02lld:%02lld", static_cast<long long>(nSeconds / 3600),
                  static_cast<long long>(nSeconds / 60 % 60), static_cast<long long>(nSeconds % 60));
    return szText;
}

bool IsZero(const FILETIME& ft)
{
    return FileTimeToTicks(ft) == 0;
}

} // namespace

CRankingDlg::CRankingDlg(CWnd* pParent) : CDialog(CRankingDlg::IDD, pParent)
{
    m_smsStore.Open();
}

CRankingDlg::~CRankingDlg()
{
    m_smsStore.Close();
}

void CRankingDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_RANKING_LIST, m_list);
}

BOOL CRankingDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_RANKING_MENU))
        return FALSE;

    InitRankingList();
    CountRows();
    return TRUE;
}

void CRankingDlg::InitRankingList()
{
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kColumnLooks)); ++i)
        m_list.InsertColumn(i, kColumnLooks[i].pszHeading, kColumnLooks[i].nFormat);
    m_list.EnableColumnClick();
    FitListToClient();
    SetControlFont(m_list.m_hWnd, 0);
}

void CRankingDlg::FitListToClient()
{
    RECT rc {};
    GetClientRect(&rc);
    m_list.MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    RECT rcList {};
    m_list.GetClientRect(&rcList);
    int nWidth = rcList.right - rcList.left;
    int widths[std::size(kColumnLooks)];
    for (size_t i = 0; i < std::size(kColumnLooks); ++i)
        widths[i] = nWidth * kColumnLooks[i].nPercent / 100;
    // A talk time of a hundred hours or more, as years of calls with one
    // person add up to, is wider than its column was made for: the talk
    // columns widen to the longest one shown, with the room that the date
    // column has to spare, then the caller's.
    int64_t nLongest = 0;
    for (const CallerRankingRow& row : m_rows)
        nLongest = std::max({nLongest, row.calls.nIncomingSeconds, row.calls.nOutgoingSeconds});
    int nTalk = m_list.GetStringWidth(ShortDuration(nLongest).c_str()) + kCellMargins;
    int nDateSpare = std::max(0, widths[6] - m_list.GetStringWidth(L"0000-00-00") - kCellMargins);
    for (size_t i : {1, 2}) {
        int nMore = std::max(0, nTalk - widths[i]);
        int nFromDate = std::min(nMore, nDateSpare);
        nDateSpare -= nFromDate;
        widths[i] += nMore;
        widths[6] -= nFromDate;
        widths[0] -= nMore - nFromDate;
    }
    for (size_t i = 0; i < std::size(kColumnLooks); ++i)
        m_list.SetColumnWidth(static_cast<int>(i), widths[i]);
}

void CRankingDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    // Without its menu bar the dialog was never laid out.
    if (m_menuBar.GetMenuId() != 0)
        FitListToClient();
}

void CRankingDlg::CountRows()
{
    CWaitCursor wait;
    if (!m_bSourceRead) {
        m_source.Read(m_callLog, m_smsStore);
        m_bSourceRead = true;
    }
    m_source.GetRows(m_range ? &*m_range : nullptr, &m_rows);
    if (m_sortColumn != RankingColumn::Total)
        SortCallerRanking(&m_rows, m_sortColumn);
    SetCaption((L"Ranking: " + RangeText(m_range ? &*m_range : nullptr)).c_str());
    ShowRows();
    FitListToClient();
}

void CRankingDlg::ShowRows()
{
    m_list.DeleteAllItems();
    for (const CallerRankingRow& row : m_rows) {
        int nItem = m_list.InsertItem(m_list.GetItemCount(), row.strKey.c_str(), -1);
        m_list.SetItemText(nItem, 1, ShortDuration(row.calls.nIncomingSeconds).c_str());
        m_list.SetItemText(nItem, 2, ShortDuration(row.calls.nOutgoingSeconds).c_str());
        m_list.SetItemText(nItem, 3, std::to_wstring(row.calls.nMissed).c_str());
        m_list.SetItemText(nItem, 4, std::to_wstring(row.nReceived).c_str());
        m_list.SetItemText(nItem, 5, std::to_wstring(row.nSent).c_str());
        m_list.SetItemText(nItem, 6, IsZero(row.ftLast) ? L"" : DateText(row.ftLast).c_str());
    }
}

void CRankingDlg::SortBy(RankingColumn column)
{
    m_sortColumn = column;
    SortCallerRanking(&m_rows, column);
    ShowRows();
}

void CRankingDlg::ChoosePeriod(RankingPeriod period)
{
    if (period == RankingPeriod::Everything) {
        m_range.reset();
    } else if (period == RankingPeriod::Days) {
        auto pChooseTime = std::make_unique<CChooseTimeDlg>();
        if (pChooseTime->DoModal() == IDCANCEL)
            return;
        m_range = pChooseTime->m_range;
    } else {
        SYSTEMTIME stToday {};
        GetLocalTime(&stToday);
        TimeRange range {};
        GetPeriodRange(period, stToday, &range);
        m_range = range;
    }
    CountRows();
}

const CallerRankingRow* CRankingDlg::SelectedRow() const
{
    int nItem = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (nItem < 0 || nItem >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[static_cast<size_t>(nItem)];
}

void CRankingDlg::AnalyseSelection(int nMode)
{
    const CallerRankingRow* pRow = SelectedRow();
    if (!pRow) {
        MessageBox(L"Please select a item from the list", L"Error", MB_ICONERROR);
        return;
    }
    auto pSummery = std::make_unique<CCallerSummeryDlg>();
    pSummery->m_strName = pRow->strKey;
    pSummery->m_strNumber = pRow->strNumber;
    pSummery->m_nMode = nMode;
    pSummery->DoModal();
}

void CRankingDlg::OnAnalyseCallLog()
{
    AnalyseSelection(0);
}

void CRankingDlg::OnAnalyseSms()
{
    AnalyseSelection(1);
}

void CRankingDlg::OnDial()
{
    if (const CallerRankingRow* pRow = SelectedRow())
        DialNumber(pRow->strNumber.c_str());
}

void CRankingDlg::OnSendSms()
{
    if (const CallerRankingRow* pRow = SelectedRow())
        SendSms(pRow->strNumber.c_str(), pRow->strKey.c_str());
}

// Writes the rows as shown, in their order: JSON for a file named .json,
// else CSV. Only a failure is told.
void CRankingDlg::OnExport()
{
    std::wstring strFile;
    if (!ChooseSaveFile(m_hWnd, L"Export ranking", L"CSV files (*.csv);;JSON files (*.json);;All files (*)", &strFile))
        return;
    bool bJson = strFile.size() >= 5 && strFile.compare(strFile.size() - 5, 5, L".json") == 0;
    std::string strError;
    CWaitCursor wait;
    int nResult = ReplaceFile(
        Utf8FromWide(strFile),
        [&](std::FILE* pOut) { return WriteRankingRows(m_rows, bJson ? ExportFormat::Json : ExportFormat::Csv, pOut); },
        &strError);
    wait.Restore();
    if (nResult != 0)
        MessageBox(WideFromUtf8(strError).c_str(), L"Export", MB_ICONERROR);
}

// The chart of the selected caller, or of the whole phone when no row is
// selected, over the ranking's range.
void CRankingDlg::OnActivity()
{
    auto pActivity = std::make_unique<CActivityDlg>();
    if (const CallerRankingRow* pRow = SelectedRow())
        pActivity->m_strName = pRow->strKey;
    pActivity->m_range = m_range;
    pActivity->DoModal();
}

void CRankingDlg::OnItemActivate(NMHDR*, LRESULT*)
{
    OnAnalyseCallLog();
}

void CRankingDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT*)
{
    int nColumn = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
    if (nColumn >= 0 && nColumn < static_cast<int>(std::size(kColumns)))
        SortBy(kColumns[nColumn]);
}
