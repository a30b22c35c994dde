#pragma once

#include "ui/WinApp.h"

// The application object: runs the main window and ends the program when
// it closes.
class CMainApp : public CWinApp
{
public:
    CMainApp();
    // Takes the device to read (--device PATH or PATH); answers help, the
    // version and usage errors without a window.
    BOOL ParseCommandLine(const std::vector<std::string>& args, int* pnExitCode) override;
    BOOL InitInstance() override;
};
