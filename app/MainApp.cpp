#include "app/MainApp.h"

#include "app/DeviceNotice.h"
#include "app/MainDlg.h"
#include "platform/DeviceName.h"

CMainApp::CMainApp() = default;

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
