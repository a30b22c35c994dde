#include "ui/Dialog.h"

#include "ui/Controls.h"
#include "ui/DialogObservers.h"
#include "ui/ListCtrl.h"
#include "ui/ScreenSize.h"
#include "ui/UiObjects.h"
#include "ui/Widgets.h"

#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QPointer>
#include <QScreen>

#include <algorithm>

struct CDialog::Impl {
    struct Control {
        int nId;
        QWidget* pWidget;
        std::unique_ptr<CWnd> pWnd;
    };

    const DialogTemplate* pTemplate = nullptr;
    // A guarded pointer: the frame is also its owner's child.
    QPointer<CDialogFrame> pFrame;
    // The main window keeps the size the user gives it for the next run, and
    // fits the screen with its frame once it has one.
    bool bRememberSize = false;
    bool bFitToScreen = false;
    std::vector<Control> controls;
    // Members bound by data exchange; they lose their window with the dialog's.
    std::vector<CWnd*> bound;
    const MenuTemplate* pMenu = nullptr;
    QEventLoop* pLoop = nullptr;
    bool bInRun = false;
    bool bEnded = false;
    int nResult = -1;
};

namespace {

std::vector<CDialog*>& Stack()
{
    static std::vector<CDialog*> s_stack;
    return s_stack;
}

// The object a template control is handed out as by GetDlgItem.
std::unique_ptr<CWnd> MakeControlObject(const DialogItemTemplate& item)
{
    if (SameClassName(item.pszClass, WC_LISTVIEWW))
        return std::make_unique<CListCtrl>();
    if (SameClassName(item.pszClass, WC_LISTBOXW))
        return std::make_unique<CListBox>();
    if (SameClassName(item.pszClass, DATETIMEPICK_CLASSW))
        return std::make_unique<CDateTimeCtrl>();
    if (SameClassName(item.pszClass, WC_STATICW))
        return std::make_unique<CStatic>();
    return std::make_unique<CWnd>();
}

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    long long nProduct = static_cast<long long>(nNumber) * nNumerator;
    long long nHalf = nDenominator / 2;
    return static_cast<int>(nProduct >= 0 ? (nProduct + nHalf) / nDenominator : (nProduct - nHalf) / nDenominator);
}

} // namespace

namespace {

std::wstring& TitleSuffix()
{
    static std::wstring s_strSuffix;
    return s_strSuffix;
}

QString WindowTitle(LPCWSTR pszCaption)
{
    QString strCaption = QStringFromWide(pszCaption);
    return TitleSuffix().empty() ? strCaption
                                 : strCaption + QStringLiteral(" - ") + QStringFromWide(TitleSuffix().c_str());
}

} // namespace

void CDialog::SetWindowTitleSuffix(const std::wstring& strSuffix)
{
    TitleSuffix() = strSuffix;
    for (CDialog* pDialog : ModalDialogs()) {
        if (pDialog->m_pImpl->pFrame && pDialog->m_pImpl->pTemplate)
            pDialog->m_pImpl->pFrame->setWindowTitle(WindowTitle(pDialog->m_pImpl->pTemplate->pszCaption));
    }
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate)
    , m_pParentWnd(pParentWnd)
    , m_pImpl(std::make_unique<Impl>())
{}

CDialog::~CDialog()
{
    DestroyDialogWindow();
}

bool CDialog::CreateDialogWindow()
{
    Impl& d = *m_pImpl;
    d.pTemplate = FindDialogTemplate(m_nIDTemplate);
    if (!d.pTemplate)
        return false;
    const DialogTemplate& dlg = *d.pTemplate;

    // A dialog opened from another takes its place and size, as full-screen
    // dialogs do, and belongs to its window.
    const std::vector<CDialog*>& stack = Stack();
    CDialogFrame* pOwnerFrame = nullptr;
    for (auto it = stack.rbegin(); it != stack.rend() && !pOwnerFrame; ++it) {
        if (*it != this)
            pOwnerFrame = (*it)->m_pImpl->pFrame;
    }
    if (pOwnerFrame) {
        d.pFrame = new CDialogFrame(this, pOwnerFrame, pOwnerFrame->size());
        d.pFrame->move(pOwnerFrame->pos());
        d.pFrame->setWindowIcon(pOwnerFrame->windowIcon());
        d.pFrame->setWindowModality(Qt::ApplicationModal);
    } else {
        ScreenSizeChoice choice = ChooseScreenSize();
        QScreen* pScreen = QGuiApplication::primaryScreen();
        QRect available = pScreen ? pScreen->availableGeometry() : QRect(QPoint(0, 0), choice.size);
        QSize size = choice.bFitToScreen ? FitSizeInto(choice.size, available.size()) : choice.size;
        d.pFrame = new CDialogFrame(this, nullptr, size);
        d.bRememberSize = choice.bRemember;
        d.bFitToScreen = choice.bFitToScreen;
        QRect placed(QPoint(0, 0), size);
        placed.moveCenter(available.center());
        d.pFrame->move(MoveRectInto(placed, available).topLeft());
    }

    QString strCaption = QStringFromWide(dlg.pszCaption);
    d.pFrame->setWindowTitle(TitleSuffix().empty()
                                 ? strCaption
                                 : strCaption + QStringLiteral(" - ") + QStringFromWide(TitleSuffix().c_str()));
    d.pFrame->TitleBar()->SetCaption(strCaption);
    d.pFrame->TitleBar()->ShowDoneButton((dlg.dwExStyle & WS_EX_CAPTIONOKBTN) != 0);
    CDialogClient* pClient = d.pFrame->Client();
    pClient->setWindowTitle(strCaption);

    // Dialog units follow the dialog font: a quarter of its average
    // character width across, an eighth of its height down.
    QFont font = pClient->font();
    if (dlg.dwStyle & DS_SETFONT) {
        font = QFont(QStringFromWide(dlg.pszFaceName));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSize(dlg.wPointSize);
        pClient->setFont(font);
    }
    QFontMetrics metrics(font);
    int nBaseX =
        (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) /
        2;
    int nBaseY = metrics.height();
    auto mapRect = [&](int x, int y, int cx, int cy) {
        return QRect(MulDiv(x, nBaseX, 4), MulDiv(y, nBaseY, 8), MulDiv(cx, nBaseX, 4), MulDiv(cy, nBaseY, 8));
    };
    pClient->setGeometry(mapRect(0, 0, dlg.cx, dlg.cy).translated(0, kTitleBarHeight));
    for (const DialogItemTemplate& item : dlg.items) {
        QWidget* pWidget = CreateControlWindow(item, mapRect(item.x, item.y, item.cx, item.cy), pClient);
        if (!pWidget)
            continue;
        std::unique_ptr<CWnd> pWnd = MakeControlObject(item);
        pWnd->m_hWnd = pWidget;
        d.controls.push_back(Impl::Control {item.nId, pWidget, std::move(pWnd)});
    }
    m_hWnd = pClient;
    return true;
}

void CDialog::DestroyDialogWindow()
{
    Impl& d = *m_pImpl;
    for (CWnd* pWnd : d.bound)
        pWnd->m_hWnd = nullptr;
    d.bound.clear();
    d.controls.clear();
    d.pMenu = nullptr;
    m_hWnd = nullptr;
    if (d.pFrame) {
        if (d.bRememberSize && d.pFrame->IsResizedSinceOpened())
            RememberScreenSize(d.pFrame->NormalSize());
        d.pFrame->hide();
        delete d.pFrame;
        d.pFrame = nullptr;
    }
    d.bRememberSize = false;
    d.bFitToScreen = false;
}

INT_PTR CDialog::DoModal()
{
    Impl& d = *m_pImpl;
    if (d.bInRun || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return -1;
    if (!CreateDialogWindow()) {
        DestroyDialogWindow();
        return -1;
    }
    d.bInRun = true;
    d.bEnded = false;
    d.nResult = -1;
    Stack().push_back(this);

    OnInitDialog();
    if (!d.bEnded) {
        // The window first shows with its lists complete.
        for (const Impl::Control& control : d.controls) {
            if (auto* pControl = dynamic_cast<CControlWindow*>(control.pWidget))
                pControl->Flush();
        }
        if (d.bFitToScreen)
            d.pFrame->FitOnScreenWhenFramed();
        d.pFrame->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            d.pFrame->raise();
            d.pFrame->activateWindow();
        }
        QEventLoop loop;
        d.pLoop = &loop;
        NotifyDialogWaiting(*this);
        // An observer may have ended the run while it was told; a loop
        // started after its exit was asked for would not end.
        if (!d.bEnded)
            loop.exec(QEventLoop::DialogExec);
        d.pLoop = nullptr;
    }

    INT_PTR nResult = d.nResult;
    DestroyDialogWindow();
    auto it = std::find(Stack().begin(), Stack().end(), this);
    if (it != Stack().end())
        Stack().erase(it);
    d.bInRun = false;
    NotifyDialogClosed(*this, nResult);
    return nResult;
}

void CDialog::EndDialog(int nResult)
{
    Impl& d = *m_pImpl;
    d.nResult = nResult;
    if (!d.bInRun)
        return;
    d.bEnded = true;
    if (d.pLoop)
        d.pLoop->exit();
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    SHINITDLGINFO shidi {};
    shidi.dwMask = SHIDIM_FLAGS;
    shidi.hDlg = m_hWnd;
    shidi.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_EMPTYMENU;
    SHInitDialog(&shidi);
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*)
{}

void CDialog::OnSize(UINT, int, int) {}

void CDialog::FrameResized()
{
    Impl& d = *m_pImpl;
    if (!IsRunning() || !d.pFrame)
        return;
    QSize client = d.pFrame->Client()->size();
    OnSize(d.pFrame->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED, client.width(), client.height());
}

HBRUSH CDialog::OnCtlColor(CDC*, CWnd*, UINT)
{
    return DialogBackgroundBrush();
}

BOOL CDialog::SendCommand(UINT nID)
{
    return OnCmdMsg(nID);
}

const std::vector<CDialog*>& CDialog::ModalDialogs()
{
    return Stack();
}

CDialog* CDialog::GetActiveDialog()
{
    return Stack().empty() ? nullptr : Stack().back();
}

bool CDialog::IsRunning() const
{
    return m_pImpl->pLoop && !m_pImpl->bEnded;
}

std::vector<CWnd*> CDialog::GetControls() const
{
    std::vector<CWnd*> controls;
    for (const Impl::Control& control : m_pImpl->controls)
        controls.push_back(control.pWnd.get());
    return controls;
}

CWnd* CDialog::ControlById(int nID) const
{
    for (const Impl::Control& control : m_pImpl->controls) {
        if (control.nId == nID)
            return control.pWnd.get();
    }
    return nullptr;
}

const MenuTemplate* CDialog::GetSoftKeyMenu() const
{
    return m_pImpl->pMenu;
}

HWND CDialog::GetFrameWindow() const
{
    return m_pImpl->pFrame;
}

bool CDialog::IsDoneButtonShown() const
{
    return m_pImpl->pFrame && m_pImpl->pFrame->TitleBar()->IsDoneButtonShown();
}

void CDialog::ApplyShellFlags(DWORD dwFlags)
{
    Impl& d = *m_pImpl;
    if (!d.pFrame)
        return;
    if (dwFlags & SHIDIF_DONEBUTTON)
        d.pFrame->TitleBar()->ShowDoneButton(true);
    if (dwFlags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG))
        d.pFrame->SetClientFullScreen();
    if (dwFlags & SHIDIF_EMPTYMENU)
        SetSoftKeyMenu(nullptr);
}

void CDialog::SetSoftKeyMenu(const MenuTemplate* pMenu)
{
    Impl& d = *m_pImpl;
    d.pMenu = pMenu;
    if (d.pFrame)
        d.pFrame->SoftKeys()->SetMenu(pMenu);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (!pDX || !pDX->m_pDlgWnd || rControl.m_hWnd)
        return;
    CWnd* pItem = pDX->m_pDlgWnd->ControlById(nIDC);
    if (!pItem)
        return;
    rControl.m_hWnd = pItem->m_hWnd;
    pDX->m_pDlgWnd->m_pImpl->bound.push_back(&rControl);
}

BOOL SHInitDialog(PSHINITDLGINFO pshidi)
{
    if (!pshidi || !(pshidi->dwMask & SHIDIM_FLAGS))
        return FALSE;
    auto* pClient = dynamic_cast<CDialogClient*>(pshidi->hDlg);
    if (!pClient)
        return FALSE;
    pClient->Dialog()->ApplyShellFlags(pshidi->dwFlags);
    return TRUE;
}
