#include "app/MainApp.h"

#include "app/DeviceNotice.h"
#include "app/MainDlg.h"
#include "app/ProgramArgs.h"
#include "platform/DeviceName.h"

#include <cstdio>
#include <cstdlib>

CMainApp::CMainApp() = default;

BOOL CMainApp::ParseCommandLine(const std::vector<std::string>& args, int* pnExitCode)
{
    ProgramArgs parsed = ParseProgramArgs(args);
    if (parsed.action != ProgramArgs::Action::Run) {
        *pnExitCode = PrintProgramAnswer(parsed, stdout, stderr);
        return FALSE;
    }
    // The platform looks the device up in the environment every time it
    // reads it, so naming it there reaches every screen.
    if (!parsed.strDevice.empty())
        ::setenv("RINGTALLY_DEVICE", parsed.strDevice.c_str(), 1);
    return TRUE;
}

BOOL CMainApp::InitInstance()
{
    SHInitExtraControls();
    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CDialog::SetWindowTitleSuffix(DeviceTitle());
    CDeviceNotice notice;
    CMainDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;

    // Nothing runs after the main window: no message loop of the framework's own.
    return FALSE;
}
