#include "ui/Gdi.h"

#include "ui/UiObjects.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <unordered_map>

namespace {

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

TextExtentHook& ExtentHook()
{
    static TextExtentHook s_hook;
    return s_hook;
}

// Fonts live until DeleteObject, as on the platform. The table itself is
// never destroyed: fonts must not outlive the application's font machinery,
// so they are released when the application object goes.
std::unordered_map<FontObject*, std::unique_ptr<FontObject>>& Fonts()
{
    static auto* s_pFonts = [] {
        auto* pFonts = new std::unordered_map<FontObject*, std::unique_ptr<FontObject>>;
        qAddPostRoutine([] { Fonts().clear(); });
        return pFonts;
    }();
    return *s_pFonts;
}

} // namespace

QColor ColorFromColorRef(COLORREF cr)
{
    return QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}

QFont FontFromLogFont(const LOGFONTW& lf)
{
    QFont font(QString::fromWCharArray(lf.lfFaceName, static_cast<int>(wcsnlen(lf.lfFaceName, LF_FACESIZE))));
    switch (lf.lfPitchAndFamily & 0xF0) {
    case FF_ROMAN:
        font.setStyleHint(QFont::Serif);
        break;
    case FF_SWISS:
        font.setStyleHint(QFont::SansSerif);
        break;
    case FF_MODERN:
        font.setStyleHint(QFont::Monospace);
        break;
    case FF_SCRIPT:
        font.setStyleHint(QFont::Cursive);
        break;
    case FF_DECORATIVE:
        font.setStyleHint(QFont::Decorative);
        break;
    default:
        break;
    }
    if ((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH)
        font.setFixedPitch(true);
    LONG nWeight = lf.lfWeight <= 0 ? FW_NORMAL : std::clamp<LONG>(lf.lfWeight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(nWeight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfHeight < 0) {
        font.setPixelSize(static_cast<int>(-lf.lfHeight));
    } else if (lf.lfHeight > 0) {
        // The cell height includes the leading above the characters, so the
        // characters themselves are somewhat smaller.
        int nPixels = static_cast<int>(lf.lfHeight);
        font.setPixelSize(nPixels);
        while (nPixels > 1 && QFontMetrics(font).height() > lf.lfHeight)
            font.setPixelSize(--nPixels);
    }
    return font;
}

HBRUSH DialogBackgroundBrush()
{
    static BrushObject s_brush {RGB(255, 255, 255)};
    return &s_brush;
}

HDC GetDC(HWND hWnd)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    auto* pDC = new DeviceContext;
    pDC->pWidget = hWnd;
    pDC->font = QGuiApplication::font();
    return pDC;
}

int ReleaseDC(HWND, HDC hdc)
{
    if (!hdc)
        return 0;
    delete hdc;
    return 1;
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR pszString, int cchString, int nMaxExtent, LPINT lpnFit, LPINT alpDx,
                           LPSIZE lpSize)
{
    if (!hdc || !pszString || cchString < 0 || !lpSize)
        return FALSE;
    if (ExtentHook()) {
        if (!ExtentHook()(pszString, cchString, lpSize))
            return FALSE;
        if (lpnFit)
            *lpnFit = cchString;
        return TRUE;
    }
    QFontMetrics metrics(hdc->font);
    QString strText = QString::fromWCharArray(pszString, cchString);
    lpSize->cx = metrics.horizontalAdvance(strText);
    lpSize->cy = metrics.height();
    if (lpnFit || alpDx) {
        int nFit = 0;
        for (int i = 0; i < cchString; ++i) {
            int nWidth = metrics.horizontalAdvance(QString::fromWCharArray(pszString, i + 1));
            if (alpDx)
                alpDx[i] = nWidth;
            if (nWidth <= nMaxExtent)
                nFit = i + 1;
        }
        if (lpnFit)
            *lpnFit = nFit;
    }
    return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF crColor)
{
    if (!hdc)
        return CLR_INVALID;
    return std::exchange(hdc->crText, crColor);
}

COLORREF SetBkColor(HDC hdc, COLORREF crColor)
{
    if (!hdc)
        return CLR_INVALID;
    return std::exchange(hdc->crBk, crColor);
}

HFONT CreateFontIndirectW(const LOGFONTW* plf)
{
    if (!plf || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    auto pFont = std::make_unique<FontObject>();
    pFont->logFont = *plf;
    pFont->font = FontFromLogFont(*plf);
    FontObject* hFont = pFont.get();
    Fonts().emplace(hFont, std::move(pFont));
    return hFont;
}

int GetObjectW(HGDIOBJ hObject, int cb, void* pv)
{
    auto it = Fonts().find(static_cast<FontObject*>(hObject));
    if (it == Fonts().end() || cb <= 0 || !pv)
        return 0;
    int nBytes = std::min<int>(cb, sizeof(LOGFONTW));
    std::memcpy(pv, &it->second->logFont, static_cast<size_t>(nBytes));
    return nBytes;
}

BOOL DeleteObject(HGDIOBJ hObject)
{
    return Fonts().erase(static_cast<FontObject*>(hObject)) ? TRUE : FALSE;
}

void SetTextExtentHook(TextExtentHook hook)
{
    ExtentHook() = std::move(hook);
}
