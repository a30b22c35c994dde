#pragma once

#include "calllog/CallLog.h"
#include "resources/Resource.h"
#include "sms/SmsStore.h"
#include "ui/CommandBar.h"
#include "ui/Dialog.h"
#include "ui/ImageList.h"
#include "ui/ListCtrl.h"

#include <string>

// "SUMMERY": one caller in a few lines with icons. Calls mode shows the
// talk times, the missed calls and the time since the caller last called;
// SMS mode the messages either way and the time since the latest one. By
// Time replaces either with the call and message figures of a range of days.
class CCallerSummeryDlg : public CDialog
{
public:
    explicit CCallerSummeryDlg(CWnd* pParent = nullptr);
    ~CCallerSummeryDlg() override;

    enum { IDD = IDD_CALLER_SUMMERY };

    CCommandBar m_menuBar;
    CListCtrl m_list;
    CImageList m_imageList;
    std::wstring m_strName;
    std::wstring m_strNumber;
    CCallLog m_callLog;
    CSmsStore m_smsStore;
    int m_nMode = 0;

protected:
    // Image indexes of the lines; the elapsed-time line names one past the
    // last image and so shows no icon.
    enum {
        IMAGE_PERSON,
        IMAGE_INCOMING,
        IMAGE_MISSED,
        IMAGE_OUTGOING,
        IMAGE_SMS_RECEIVED,
        IMAGE_SMS_SENT,
        IMAGE_WARNING,
        IMAGE_NONE,
    };

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSize(UINT nType, int cx, int cy) override;

    void InitSummaryList();
    // Makes the list cover the client area with its one column as wide.
    void FitListToClient();
    void ShowCallSummary();
    void ShowSmsSummary();
    void AddLine(LPCWSTR pszText, int nImage);
    void AddNameLine();

    void OnAnalyseByTime();
    void OnDial();
    void OnSendSms();
    void OnGetCallList();
    void OnSummeryCancel();

    DECLARE_MESSAGE_MAP()
};
