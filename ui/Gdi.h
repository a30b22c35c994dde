#pragma once

// Device contexts, text measurement, fonts and brushes under the platform's
// names. A device context handed out by GetDC carries the default font, as
// on the platform, whatever font the window itself shows.

#include "ui/WinDef.h"

#include <functional>

constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};

constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE DEFAULT_PITCH = 0x00;
constexpr BYTE FIXED_PITCH = 0x01;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;

// What a control asks its dialog about when it is about to paint.
constexpr UINT CTLCOLOR_STATIC = 6;

HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hdc);
// Measures the first cchString characters of pszString in the context's
// font. lpSize gets the width and the height of the character cell; lpnFit
// and alpDx, when given, the number of characters within nMaxExtent and the
// running widths. FALSE on failure.
BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR pszString, int cchString, int nMaxExtent, LPINT lpnFit, LPINT alpDx,
                           LPSIZE lpSize);
COLORREF SetTextColor(HDC hdc, COLORREF crColor);
COLORREF SetBkColor(HDC hdc, COLORREF crColor);

// A positive height is the height of the character cell, a negative one the
// height of the characters alone, in pixels.
HFONT CreateFontIndirectW(const LOGFONTW* plf);
// For a font: copies its description into pv (cb bytes at most) and returns
// the bytes copied; 0 for anything else.
int GetObjectW(HGDIOBJ hObject, int cb, void* pv);
BOOL DeleteObject(HGDIOBJ hObject);

// The device context of a colouring request.
class CDC
{
public:
    explicit CDC(HDC hdc) : m_hDC(hdc) {}
    HDC GetSafeHdc() const { return m_hDC; }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }

    HDC m_hDC;
};

// Test seam: replaces the measurement of GetTextExtentExPointW while set (an
// empty function restores it). The hook fills *pSize and returns TRUE, or
// returns FALSE to make the measurement fail.
using TextExtentHook = std::function<BOOL(LPCWSTR pszString, int cchString, SIZE* pSize)>;
void SetTextExtentHook(TextExtentHook hook);
