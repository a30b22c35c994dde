#pragma once

#include "calllog/CallLog.h"
#include "figures/CallerRanking.h"
#include "figures/RankingRange.h"
#include "resources/Resource.h"
#include "sms/SmsStore.h"
#include "ui/CommandBar.h"
#include "ui/Dialog.h"
#include "ui/ListCtrl.h"

#include <optional>
#include <vector>

// Who the owner talks to and texts most: one row per caller with the talk
// times, missed calls, texts either way and the day of the latest call or
// text, over everything or a range that the menu chooses (shown in the
// caption), sorted by any column. The selected row opens the caller
// summary, or is dialled or texted.
class CRankingDlg : public CDialog
{
public:
    explicit CRankingDlg(CWnd* pParent = nullptr);
    ~CRankingDlg() override;

    enum { IDD = IDD_RANKING };

    // The list's columns, in their order; the total talk time that the rows
    // are first sorted by has no column of its own.
    static constexpr RankingColumn kColumns[] = {
        RankingColumn::Caller,   RankingColumn::Incoming, RankingColumn::Outgoing, RankingColumn::Missed,
        RankingColumn::Received, RankingColumn::Sent,     RankingColumn::Last,
    };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT nType, int cx, int cy) override;

    void InitRankingList();
    void FitListToClient();
    // Counts the rows of the current range and shows them; the device is
    // read the first time only, and a new range is counted from that.
    void CountRows();
    void ShowRows();
    void SortBy(RankingColumn column);
    void ChoosePeriod(RankingPeriod period);
    // The row selected in the list, or nullptr.
    const CallerRankingRow* SelectedRow() const;
    void AnalyseSelection(int nMode);

    void OnAnalyseCallLog();
    void OnAnalyseSms();
    void OnDial();
    void OnSendSms();
    void OnExport();
    void OnActivity();
    template <RankingColumn column> void OnSortBy() { SortBy(column); }
    template <int nPeriod> void OnRange() { ChoosePeriod(static_cast<RankingPeriod>(nPeriod)); }
    void OnItemActivate(NMHDR* pNMHDR, LRESULT* pResult);
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);

    CListCtrl m_list;
    CCommandBar m_menuBar;
    CCallLog m_callLog;
    CSmsStore m_smsStore;
    CCallerRankingSource m_source;
    bool m_bSourceRead = false;
    std::optional<TimeRange> m_range;
    RankingColumn m_sortColumn = RankingColumn::Total;
    std::vector<CallerRankingRow> m_rows;

    DECLARE_MESSAGE_MAP()
};
