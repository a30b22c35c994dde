#include "MainDlg.h"

#include "AboutDlg.h"
#include "PhoneActions.h"
#include "TotalSummeryDlg.h"

#include <memory>

// The commands of the main menu that open the other screens. Each screen is
// made for one showing and destroyed when its run returns.

void CMainDlg::OnAnalyseCallLog() {}

void CMainDlg::OnAnalyseSms() {}

void CMainDlg::OnSendSms()
{
    WCHAR szNumber[255];
    if (GetSelectedItemText(szNumber, 2, 255) == 0)
        SendSms(szNumber);
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
