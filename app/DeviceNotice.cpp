#include "app/DeviceNotice.h"

#include "platform/DeviceCheck.h"
#include "platform/DeviceProblems.h"
#include "platform/WideText.h"
#include "ui/Dialog.h"
#include "ui/MessageBox.h"

CDeviceNotice::CDeviceNotice()
{
    RegisterDialogObserver(this);
}

CDeviceNotice::~CDeviceNotice()
{
    UnregisterDialogObserver(this);
}

void ShowDeviceProblems(HWND hWnd)
{
    WaitForDeviceCheck();
    for (const DeviceProblem& problem : TakeDeviceProblems()) {
        UINT uIcon = problem.status == DeviceStatus::Corrupt ? MB_ICONERROR : MB_ICONWARNING;
        MessageBoxW(hWnd, WideFromUtf8(problem.strText).c_str(), L"Ringtally", MB_OK | uIcon);
    }
}

void CDeviceNotice::OnDialogWaiting(CDialog& dlg)
{
    ShowDeviceProblems(dlg.GetSafeHwnd());
}
