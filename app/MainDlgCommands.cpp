#include "app/MainDlg.h"

#include "phone/PhoneActions.h"
#include "reports/AboutDlg.h"
#include "reports/CallerSummeryDlg.h"
#include "reports/TotalSummeryDlg.h"
#include "ui/MessageBox.h"

#include <memory>

// The commands of the main menu that open the other screens. Each screen is
// made for one showing and destroyed when its run returns.

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

void CMainDlg::OnSendSms()
{
    WCHAR szNumber[255];
    WCHAR szName[255];
    if (GetSelectedItemText(szNumber, 2, 255) != 0)
        return;
    // The row's name goes along for the messaging application to show.
    SendSms(szNumber, GetSelectedItemText(szName, 0, 255) == 0 ? szName : nullptr);
}

void CMainDlg::OnDial()
{
    WCHAR szNumber[255];
    if (GetSelectedItemText(szNumber, 2, 255) == 0)
        DialNumber(szNumber);
}

void CMainDlg::OnSummaryTotal()
{
    auto pDlg = std::make_unique<CTotalSummeryDlg>();
    pDlg->DoModal();
}

void CMainDlg::OnSummaryByTime()
{
    auto pDlg = std::make_unique<CTotalSummeryDlg>();
    pDlg->m_bByTime = 1;
    pDlg->DoModal();
}

void CMainDlg::OnAbout()
{
    auto pDlg = std::make_unique<CAboutDlg>();
    pDlg->DoModal();
}
