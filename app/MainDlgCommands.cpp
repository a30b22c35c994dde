#include "app/MainDlg.h"

#include "app/DeviceNotice.h"
#include "device/DeviceStore.h"
#include "phone/PhoneActions.h"
#include "platform/DeviceName.h"
#include "platform/ToolRun.h"
#include "platform/WideText.h"
#include "reports/AboutDlg.h"
#include "reports/ActivityDlg.h"
#include "reports/CallerSummeryDlg.h"
#include "reports/RankingDlg.h"
#include "reports/TotalSummeryDlg.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/WinApp.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

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

void CMainDlg::OnSummaryRanking()
{
    auto pDlg = std::make_unique<CRankingDlg>();
    pDlg->DoModal();
}

void CMainDlg::OnSummaryActivity()
{
    auto pDlg = std::make_unique<CActivityDlg>();
    pDlg->DoModal();
}

void CMainDlg::OnAbout()
{
    auto pDlg = std::make_unique<CAboutDlg>();
    pDlg->DoModal();
}

// The desktop's own commands. Another device is the process's device from
// now on: the stand-ins follow the path they are given and read it anew.
void CMainDlg::OnOpenDevice()
{
    std::vector<std::wstring> files;
    if (!ChooseFiles(m_hWnd, L"Open device", L"Device stores (*.db);;All files (*)", false, &files))
        return;
    ::setenv("RINGTALLY_DEVICE", Utf8FromWide(files.front()).c_str(), 1);
    OnRefresh();
}

// The backups are imported by the device tool, which alone writes the
// store; its report is shown as it gives it.
void CMainDlg::OnImportBackup()
{
    // Real backups never go into the demo: they go into the user's own
    // device, which the window then shows.
    std::string strDevice = DefaultDevicePath();
    if (DeviceIsDemo()) {
        strDevice = OwnDevicePath();
        std::wstring strText = L"The demo phone takes no real backups. They go into your own device, " +
                               WideFromUtf8(strDevice) + L", which Ringtally then shows.";
        MessageBoxW(m_hWnd, strText.c_str(), L"Import backup", MB_ICONINFORMATION);
    }
    std::vector<std::wstring> files;
    if (!ChooseFiles(m_hWnd, L"Import backup", L"Backup files (*.xml);;All files (*)", true, &files))
        return;
    std::vector<std::string> args = {"--device", strDevice, "import", "--"};
    for (const std::wstring& strFile : files)
        args.push_back(Utf8FromWide(strFile));
    ToolRun run;
    {
        std::wstring strNote = L"Importing " + std::to_wstring(files.size()) +
                               (files.size() == 1 ? L" file" : L" files") + L" into " + WideFromUtf8(strDevice) +
                               L"...";
        CProgressNote note(m_hWnd, strNote.c_str());
        run = RunDeviceTool(args);
    }
    std::wstring strReport = WideFromUtf8(run.strOutput);
    while (!strReport.empty() && strReport.back() == L'\n')
        strReport.pop_back();
    if (strReport.empty())
        strReport = run.nStatus == 0 ? L"Imported." : L"The import failed.";
    MessageBoxW(m_hWnd, strReport.c_str(), L"Import backup", run.nStatus == 0 ? MB_ICONINFORMATION : MB_ICONWARNING);
    if (strDevice != DefaultDevicePath() && std::filesystem::exists(strDevice))
        ::setenv("RINGTALLY_DEVICE", strDevice.c_str(), 1);
    OnRefresh();
}

void CMainDlg::OnRefresh()
{
    CDialog::SetWindowTitleSuffix(DeviceTitle());
    CWaitCursor wait;
    FillCallList();
    wait.Restore();
    ShowDeviceProblems(m_hWnd);
}
