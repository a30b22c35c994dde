#pragma once

// The application object, the program's entry, and the wait cursor.

#include "ui/Wnd.h"

#include <string>
#include <vector>

// The one application object of the process. The framework calls
// InitInstance once; when it returns FALSE the program ends without a
// message loop of the framework's own.
class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    // Takes the program's own arguments (those Qt has left, without the
    // program's name) before anything is shown. TRUE goes on; FALSE ends the
    // program at once with *pnExitCode. The base takes none and ignores them.
    virtual BOOL ParseCommandLine(const std::vector<std::string>& args, int* pnExitCode);
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
    // Names where settings would be kept. Nothing is stored under it.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);

    LPCWSTR m_pszAppName;
    LPCWSTR m_pszRegistryKey = nullptr;
    CWnd* m_pMainWnd = nullptr;

private:
    std::wstring m_strRegistryKey;
};

CWinApp* AfxGetApp();
// The program's instance handle, with which its resources are loaded.
HINSTANCE AfxGetInstanceHandle();
// The program's entry: makes the Qt application (which takes Qt's own
// options from the command line), hands the rest of the command line to the
// application object, runs a script named by RINGTALLY_AUTOMATION, and runs
// the application object. Returns the exit status.
int AfxWinMain(int argc, char** argv);

// Registers the shell's extra dialog controls. None of the program's
// templates uses one, so there is nothing to register here.
BOOL SHInitExtraControls();

// Shows the wait cursor from construction until Restore or destruction.
class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore();

private:
    bool m_bShown = false;
};
