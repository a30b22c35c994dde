#include "ui/MessageBox.h"

#include "ui/Dialog.h"
#include "ui/DialogObservers.h"
#include "ui/UiObjects.h"
#include "ui/WinApp.h"

#include <QApplication>
#include <QMessageBox>

namespace {

MessageBoxHook& Hook()
{
    static MessageBoxHook s_hook;
    return s_hook;
}

QMessageBox::Icon IconOf(UINT uType)
{
    switch (uType & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    LPCWSTR pszText = lpText ? lpText : L"";
    LPCWSTR pszCaption = lpCaption ? lpCaption : L"Error";
    if (Hook())
        return Hook()(hWnd, pszText, pszCaption, uType);
    if (int nAnswer = 0; NotifyMessageBox(pszText, pszCaption, uType, &nAnswer))
        return nAnswer;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    QWidget* pOwner = hWnd ? hWnd->window() : nullptr;
    if (!pOwner && CDialog::GetActiveDialog())
        pOwner = CDialog::GetActiveDialog()->GetFrameWindow();
    QMessageBox box(IconOf(uType), QStringFromWide(pszCaption), QStringFromWide(pszText), QMessageBox::Ok, pOwner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return IDOK;
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    Hook() = std::move(hook);
}

// A window's shortcut lives with the boxes, so that windows need nothing of
// the dialogs a box opens over.
int CWnd::MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType)
{
    if (!lpszCaption)
        lpszCaption = AfxGetApp() && AfxGetApp()->m_pszAppName ? AfxGetApp()->m_pszAppName : L"Error";
    return MessageBoxW(m_hWnd, lpszText, lpszCaption, nType);
}
