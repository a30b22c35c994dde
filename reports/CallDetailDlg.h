#pragma once

#include "calllog/CallLog.h"
#include "resources/Resource.h"
#include "ui/CommandBar.h"
#include "ui/Dialog.h"
#include "ui/ImageList.h"
#include "ui/ListCtrl.h"

#include <string>
#include <vector>

// "Call list": every call of one caller, missed calls first, then incoming,
// then outgoing, each block in call log order. Dial and Send SMS act on the
// caller's number whatever row is selected.
class CCallDetailDlg : public CDialog
{
public:
    explicit CCallDetailDlg(CWnd* pParent = nullptr);
    ~CCallDetailDlg() override;

    enum { IDD = IDD_CALL_DETAIL };

    CCommandBar m_menuBar;
    CListCtrl m_list;
    CImageList m_imageList;
    std::wstring m_strName;
    std::wstring m_strNumber;
    int m_nRow = 0;
    CCallLog m_callLog;

protected:
    // What one call contributes to its row.
    struct CallRow {
        std::wstring strName;
        std::wstring strNumber;
        FILETIME ftStart;
    };

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSize(UINT nType, int cx, int cy) override;

    void InitCallList();
    // Makes the list cover the client area, Name and Time sharing its width.
    void FitListToClient();
    void FillCallList();
    // Appends the rows of one direction, already picked out of the log.
    void AddCallsOfType(int nType, const std::vector<CallRow>& calls);

    void OnDial();
    void OnSendSms();
    void OnCallListCancel();

    DECLARE_MESSAGE_MAP()
};
