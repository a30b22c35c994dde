// The program's entry lives apart from the application object: it is the
// one place that puts Qt, the automation and the application together.

#include "ui/WinApp.h"

#include "resources/Resource.h"
#include "ui/Automation.h"
#include "ui/ImageList.h"
#include "ui/UiObjects.h"

#include <QApplication>

#include <algorithm>
#include <string>
#include <vector>

int AfxWinMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ringtally"));
    // The desktop entry that installing puts in place, for the window's icon
    // and name in the desktop's task list.
    QGuiApplication::setDesktopFileName(QStringLiteral("ringtally"));
    // Settings (the window's size) go to ~/.config/ringtally, beside the
    // device in ~/.local/share/ringtally.
    QApplication::setOrganizationName(QStringLiteral("ringtally"));
    // Every window the program opens, message boxes included, shows its icon.
    if (HICON hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
        QApplication::setWindowIcon(hIcon->icon);
    // The dialogs run their own loops and end the program by returning;
    // closing a window must not end them from outside.
    QApplication::setQuitOnLastWindowClosed(false);
    CWinApp* pApp = AfxGetApp();
    int nCode = 0;
    // QApplication has taken its own options out of argv and counted argc down.
    if (pApp && !pApp->ParseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc), &nCode))
        return nCode;
    if (!CAutomation::StartFromEnvironment())
        return 2;
    if (pApp)
        nCode = pApp->InitInstance() ? pApp->Run() : pApp->ExitInstance();
    return CAutomation::Finish(nCode);
}
