#pragma once

#include "calllog/CallLog.h"
#include "resources/Resource.h"
#include "sms/SmsStore.h"
#include "ui/CommandBar.h"
#include "ui/Dialog.h"
#include "ui/ImageList.h"
#include "ui/ListCtrl.h"

// The totals of the whole phone: incoming and outgoing talk time, missed
// calls, received and sent SMS, over everything or, with m_bByTime, within
// a range of days the user chooses first.
class CTotalSummeryDlg : public CDialog
{
public:
    explicit CTotalSummeryDlg(CWnd* pParent = nullptr);
    ~CTotalSummeryDlg() override;

    enum { IDD = IDD_TOTAL_SUMMERY };

    // Set before the run: nonzero asks for a time range first.
    BOOL m_bByTime = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnSize(UINT nType, int cx, int cy) override;

    void InitTotalList();
    // Makes the list cover the client area, its column as wide as its inside.
    void FitListToClient();
    void ShowTotals();
    void ShowTotalsByTime();
    void InsertTotalLines(int64_t nIncomingSeconds, int64_t nOutgoingSeconds, int nMissed, int nInSms, int nOutSms);

    CListCtrl m_list;
    CImageList m_imageList;
    CCommandBar m_menuBar;
    CCallLog m_callLog;
    CSmsStore m_smsStore;

    DECLARE_MESSAGE_MAP()
};
