#include "MainDlg.h"

#include "CallerSummeryDlg.h"
#include "MessageBox.h"

#include <memory>

// The commands of the main menu that open the other screens. They arrive
// with those screens; until then choosing them does nothing.

namespace {

// Opens the caller summary for the selected row: calls mode 0, SMS mode 1.
void AnalyseSelection(CMainDlg& dlg, int nMode)
{
    wchar_t szName[255];
    wchar_t szNumber[255];
    if (dlg.GetSelectedItemText(szName, 0, 255) != 0 || dlg.GetSelectedItemText(szNumber, 2, 255) != 0) {
        MessageBoxW(dlg.m_hWnd, L"Please select a item from the list", L"Error", MB_ICONERROR);
        return;
    }
    auto pSummery = std::make_unique<CCallerSummeryDlg>();
    pSummery->m_strName = szName;
    pSummery->m_strNumber = szNumber;
    pSummery->m_nMode = nMode;
    pSummery->DoModal();
}

} // namespace

void CMainDlg::OnAnalyseCallLog()
{
    AnalyseSelection(*this, 0);
}

void CMainDlg::OnAnalyseSms()
{
    AnalyseSelection(*this, 1);
}

void CMainDlg::OnSendSms() {}

void CMainDlg::OnDial() {}

void CMainDlg::OnSummaryTotal() {}

void CMainDlg::OnSummaryByTime() {}

void CMainDlg::OnAbout() {}
