#pragma once

#include "calllog/CallLog.h"
#include "resources/Resource.h"
#include "ui/CommandBar.h"
#include "ui/Dialog.h"
#include "ui/ImageList.h"
#include "ui/ListCtrl.h"

// The main window: the phone's call log, one row per call record, and the
// soft-key menu from which every other screen opens.
class CMainDlg : public CDialog
{
public:
    explicit CMainDlg(CWnd* pParent = nullptr);
    ~CMainDlg() override;

    enum { IDD = IDD_RINGTALLY_DIALOG };

    // Copies column nColumn of the first selected row into pszText (at most
    // nCapacity - 1 characters and a terminating zero). 0 on success, -1
    // when no row is selected or the text cannot be read.
    int GetSelectedItemText(LPWSTR pszText, int nColumn, int nCapacity);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSize(UINT nType, int cx, int cy) override;

    void InitListColumns();
    // Makes the list cover the client area, Name and Time sharing its width.
    void FitListToClient();
    void FillCallList();

    void OnExit();
    void OnAnalyseCallLog();
    void OnAnalyseSms();
    void OnSendSms();
    void OnDial();
    void OnSummaryTotal();
    void OnSummaryByTime();
    void OnAbout();
    void OnOpenDevice();
    void OnImportBackup();
    void OnRefresh();
    // Enter or a double click on a row: as "Analyse" > "Call Log".
    void OnItemActivate(NMHDR* pNMHDR, LRESULT* pResult);

    HICON m_hIcon;
    CCommandBar m_menuBar;
    CListCtrl m_list;
    CImageList m_imageList;
    CCallLog m_callLog;

    DECLARE_MESSAGE_MAP()
};
