// The program's entry lives apart from the application object: it is the
// one place that puts Qt, the automation and the application together.

#include "ui/WinApp.h"

#include "resources/Resource.h"
#include "ui/Automation.h"
#include "ui/ImageList.h"
#include "ui/UiObjects.h"

#include <QApplication>

int AfxWinMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ringtally"));
    // Settings (the window's size) go to ~/.config/ringtally, beside the
    // device in ~/.local/share/ringtally.
    QApplication::setOrganizationName(QStringLiteral("ringtally"));
    // Every window the program opens, message boxes included, shows its icon.
    if (HICON hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
        QApplication::setWindowIcon(hIcon->icon);
    // The dialogs run their own loops and end the program by returning;
    // closing a window must not end them from outside.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!CAutomation::StartFromEnvironment())
        return 2;
    int nCode = 0;
    if (CWinApp* pApp = AfxGetApp())
        nCode = pApp->InitInstance() ? pApp->Run() : pApp->ExitInstance();
    return CAutomation::Finish(nCode);
}
