#pragma once

#include "ui/WinApp.h"

// The application object: runs the main window and ends the program when
// it closes.
class CMainApp : public CWinApp
{
public:
    CMainApp();
    BOOL InitInstance() override;
};
