#include "ui/Wnd.h"

#include "ui/Dialog.h"
#include "ui/UiObjects.h"
#include "ui/Widgets.h"

#include <QFrame>
#include <QVariant>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

const char* const kFontProperty = "ringtally_hfont";
const char* const kBigIconProperty = "ringtally_icon_big";
const char* const kSmallIconProperty = "ringtally_icon_small";

template <typename T> T* HandleProperty(const QObject* pObject, const char* pszName)
{
    return reinterpret_cast<T*>(pObject->property(pszName).value<quintptr>());
}

} // namespace

bool SameClassName(const wchar_t* pszA, const wchar_t* pszB)
{
    for (; *pszA && *pszB; ++pszA, ++pszB) {
        if (std::towlower(static_cast<wint_t>(*pszA)) != std::towlower(static_cast<wint_t>(*pszB)))
            return false;
    }
    return *pszA == *pszB;
}

namespace {

bool IsUnicodeCharacter(wchar_t ch)
{
    auto nCode = static_cast<uint32_t>(ch);
    return nCode <= 0x10FFFF && (nCode < 0xD800 || nCode > 0xDFFF);
}

qsizetype Utf16Units(const wchar_t* pszText, size_t nChars)
{
    qsizetype nUnits = 0;
    for (size_t i = 0; i < nChars; ++i)
        nUnits += IsUnicodeCharacter(pszText[i]) && static_cast<uint32_t>(pszText[i]) > 0xFFFF ? 2 : 1;
    return nUnits;
}

QChar* WriteUtf16(const wchar_t* pszText, size_t nChars, QChar* pOut)
{
    for (size_t i = 0; i < nChars; ++i) {
        auto nCode = static_cast<uint32_t>(pszText[i]);
        if (!IsUnicodeCharacter(pszText[i])) {
            *pOut++ = QChar(QChar::ReplacementCharacter);
        } else if (nCode > 0xFFFF) {
            *pOut++ = QChar(QChar::highSurrogate(nCode));
            *pOut++ = QChar(QChar::lowSurrogate(nCode));
        } else {
            *pOut++ = QChar(static_cast<char16_t>(nCode));
        }
    }
    return pOut;
}

} // namespace

QString QStringFromWide(const wchar_t* pszText, std::ptrdiff_t nLength)
{
    if (!pszText)
        return {};
    size_t nChars = nLength < 0 ? std::wcslen(pszText) : static_cast<size_t>(nLength);
    QString strResult(Utf16Units(pszText, nChars), Qt::Uninitialized);
    WriteUtf16(pszText, nChars, strResult.data());
    return strResult;
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY s_entries[] = {{0, nullptr, 0, nullptr}};
    static const AFX_MSGMAP s_map = {nullptr, &s_entries[0]};
    return &s_map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT nID, UINT nCode) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfn || pEntry->pfnNotify; ++pEntry) {
            if (pEntry->nID == nID && pEntry->nCode == nCode)
                return pEntry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID)
{
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(nID, 0);
    if (!pEntry)
        return FALSE;
    (this->*pEntry->pfn)();
    return TRUE;
}

BOOL CCmdTarget::HasCommandHandler(UINT nID) const
{
    return FindEntry(nID, 0) ? TRUE : FALSE;
}

BOOL CCmdTarget::OnNotifyMsg(NMHDR* pNMHDR, LRESULT* pResult)
{
    if (!pNMHDR || pNMHDR->code == 0)
        return FALSE;
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(static_cast<UINT>(pNMHDR->idFrom), pNMHDR->code);
    if (!pEntry)
        return FALSE;
    LRESULT nResult = 0;
    (this->*pEntry->pfnNotify)(pNMHDR, &nResult);
    if (pResult)
        *pResult = nResult;
    return TRUE;
}

int CWnd::GetDlgCtrlID() const
{
    auto* pControl = dynamic_cast<CControlWindow*>(m_hWnd);
    return pControl ? pControl->m_nId : 0;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    auto* pClient = dynamic_cast<CDialogClient*>(m_hWnd);
    return pClient ? pClient->ControlById(nID) : nullptr;
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    if (!lpRect)
        return;
    *lpRect = RECT {0, 0, 0, 0};
    if (!m_hWnd)
        return;
    // The client area lies inside a control's border.
    QSize size = m_hWnd->size();
    if (auto* pFrame = dynamic_cast<QFrame*>(m_hWnd))
        size = pFrame->contentsRect().size();
    lpRect->right = size.width();
    lpRect->bottom = size.height();
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    if (!m_hWnd)
        return;
    m_hWnd->setGeometry(x, y, std::max(0, nWidth), std::max(0, nHeight));
    if (bRepaint)
        m_hWnd->update();
}

void CWnd::SetFont(HFONT hFont, BOOL bRedraw)
{
    SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw);
}

HFONT CWnd::GetFont() const
{
    return reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessageW(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    if (!m_hWnd)
        return nullptr;
    return HandleProperty<IconObject>(m_hWnd->window(), bBigIcon ? kBigIconProperty : kSmallIconProperty);
}

int CWnd::GetWindowTextLength() const
{
    return m_hWnd ? static_cast<int>(m_hWnd->windowTitle().toStdWString().size()) : 0;
}

int CWnd::GetWindowText(LPWSTR lpszString, int nMaxCount) const
{
    if (!lpszString || nMaxCount <= 0)
        return 0;
    std::wstring strText = m_hWnd ? m_hWnd->windowTitle().toStdWString() : std::wstring();
    size_t nCopy = std::min(strText.size(), static_cast<size_t>(nMaxCount - 1));
    std::wmemcpy(lpszString, strText.data(), nCopy);
    lpszString[nCopy] = L'\0';
    return static_cast<int>(nCopy);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return SendMessageW(m_hWnd, message, wParam, lParam);
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT)
{
    return DialogBackgroundBrush();
}

LRESULT SendMessageW(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (!hWnd)
        return 0;
    if (auto* pControl = dynamic_cast<CControlWindow*>(hWnd)) {
        LRESULT nResult = 0;
        if (pControl->HandleMessage(uMsg, wParam, lParam, &nResult))
            return nResult;
    }
    switch (uMsg) {
    case WM_SETFONT: {
        auto hFont = reinterpret_cast<HFONT>(wParam);
        LOGFONTW lf {};
        if (hFont && GetObjectW(hFont, sizeof(lf), &lf) == sizeof(lf)) {
            hWnd->setFont(hFont->font);
            hWnd->setProperty(kFontProperty, QVariant::fromValue(reinterpret_cast<quintptr>(hFont)));
        } else {
            hWnd->setFont(QFont());
            hWnd->setProperty(kFontProperty, QVariant());
        }
        if (lParam)
            hWnd->update();
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(HandleProperty<FontObject>(hWnd, kFontProperty));
    case WM_NOTIFY: {
        auto* pClient = dynamic_cast<CDialogClient*>(hWnd);
        if (!pClient || !pClient->Dialog()->IsRunning())
            return 0;
        LRESULT nResult = 0;
        pClient->Dialog()->OnNotifyMsg(reinterpret_cast<NMHDR*>(lParam), &nResult);
        return nResult;
    }
    case WM_SETICON: {
        QWidget* pWindow = hWnd->window();
        const char* pszProperty = wParam == ICON_BIG ? kBigIconProperty : kSmallIconProperty;
        auto* hOld = HandleProperty<IconObject>(pWindow, pszProperty);
        auto hIcon = reinterpret_cast<HICON>(lParam);
        pWindow->setProperty(pszProperty, QVariant::fromValue(reinterpret_cast<quintptr>(hIcon)));
        // The window manager shows one icon; the big one has every size.
        HICON hShown = HandleProperty<IconObject>(pWindow, kBigIconProperty);
        if (!hShown)
            hShown = HandleProperty<IconObject>(pWindow, kSmallIconProperty);
        pWindow->setWindowIcon(hShown ? hShown->icon : QIcon());
        return reinterpret_cast<LRESULT>(hOld);
    }
    default:
        return 0;
    }
}
