#pragma once

#include "calllog/CallLog.h"
#include "figures/Activity.h"
#include "resources/Resource.h"
#include "sms/SmsStore.h"
#include "ui/CommandBar.h"
#include "ui/Dialog.h"

#include <optional>
#include <string>

class QWidget;

// When one caller, or the whole phone, calls and texts: a chart of the calls
// (incoming, outgoing, missed, stacked) and the texts (received, sent) per
// month over everything or per day of a range, or a grid of the hours of the
// week shaded by the number of calls and texts.
class CActivityDlg : public CDialog
{
public:
    explicit CActivityDlg(CWnd* pParent = nullptr);
    ~CActivityDlg() override;

    enum { IDD = IDD_ACTIVITY };

    // Set before the run: the caller key (none: the whole phone) and the
    // range (none: everything).
    std::optional<std::wstring> m_strName;
    std::optional<TimeRange> m_range;

    void GetDumpLines(std::vector<std::vector<std::wstring>>* pLines) const override;

protected:
    BOOL OnInitDialog() override;
    void OnSize(UINT nType, int cx, int cy) override;

    void CountAndShow();
    void ShowView();
    void FitViewToClient();

    void OnBars();
    void OnHours();
    void OnByTime();
    void OnEverything();

    CCommandBar m_menuBar;
    CCallLog m_callLog;
    CSmsStore m_smsStore;
    ActivityFigures m_figures;
    bool m_bHours = false;
    // The view of the chart, a child of the client area that the dialog
    // makes anew for each view.
    QWidget* m_pView = nullptr;

    DECLARE_MESSAGE_MAP()
};
