#include "MainDlg.h"

// The commands of the main menu that open the other screens. They arrive
// with those screens; until then choosing them does nothing.

void CMainDlg::OnAnalyseCallLog() {}

void CMainDlg::OnAnalyseSms() {}

void CMainDlg::OnSendSms() {}

void CMainDlg::OnDial() {}

void CMainDlg::OnSummaryTotal() {}

void CMainDlg::OnSummaryByTime() {}

void CMainDlg::OnAbout() {}
