#pragma once

#include "platform/TimeRange.h"
#include "resources/Resource.h"
#include "ui/CommandBar.h"
#include "ui/Dialog.h"

// Asks for a range of whole days: a start date and an end date, both
// inclusive. The by-time reports run it and read m_range after IDOK.
class CChooseTimeDlg : public CDialog
{
public:
    explicit CChooseTimeDlg(CWnd* pParent = nullptr);
    ~CChooseTimeDlg() override;

    enum { IDD = IDD_CHOOSE_TIME };

    // Written by the accept step only; zero before it.
    TimeRange m_range {};

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) override;

    void OnSize(UINT nType, int cx, int cy) override;
    // Places the labels and the date pickers by the client width and the
    // dialog font's row height.
    void LayoutControls();
    void OnChooseOk();
    void OnChooseCancel();

    CCommandBar m_menuBar;

    DECLARE_MESSAGE_MAP()
};
