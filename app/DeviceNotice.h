#pragma once

// Tells the user, once each, what went wrong reading the device: a store
// left by an interrupted import, a damaged one, one that could not be read
// to its end. Whenever a dialog has opened and waits for input, the problems
// met while it was being filled are shown over it, one message box each, so
// that the figures on it are never taken for the whole story.

#include "ui/DialogObservers.h"

// Shows the problems met since the last showing over hWnd's window, after
// waiting for a check of the store that is running.
void ShowDeviceProblems(HWND hWnd);

class CDeviceNotice : public CDialogObserver
{
public:
    // Watches the dialogs for as long as it lives.
    CDeviceNotice();
    ~CDeviceNotice() override;
    CDeviceNotice(const CDeviceNotice&) = delete;
    CDeviceNotice& operator=(const CDeviceNotice&) = delete;

    void OnDialogWaiting(CDialog& dlg) override;
};
