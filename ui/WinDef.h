#pragma once

// The user-interface side of the platform's base types: window, icon, font,
// device context and image list handles, geometry records, colours and the
// standard command identifiers. Handles are opaque; the Qt objects behind
// them stay inside ui/.

#include "platform/PlatformTypes.h"

#include <cstdint>

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

class QWidget;
struct IconObject;
struct FontObject;
struct BrushObject;
struct DeviceContext;
struct ImageListObject;
struct ModuleObject;

// A window is the Qt widget that stands for it.
using HWND = QWidget*;
using HICON = IconObject*;
using HFONT = FontObject*;
using HBRUSH = BrushObject*;
using HGDIOBJ = void*;
using HDC = DeviceContext*;
using HIMAGELIST = ImageListObject*;
using HMODULE = ModuleObject*;
using HINSTANCE = ModuleObject*;
using FARPROC = void (*)();

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LPINT = int*;
using COLORREF = DWORD;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b)
{
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF rgb) { return static_cast<BYTE>(rgb & 0xff); }
constexpr BYTE GetGValue(COLORREF rgb) { return static_cast<BYTE>((rgb >> 8) & 0xff); }
constexpr BYTE GetBValue(COLORREF rgb) { return static_cast<BYTE>((rgb >> 16) & 0xff); }

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;

struct SIZE {
    LONG cx;
    LONG cy;
};
using LPSIZE = SIZE*;

// A resource named by its number.
inline LPCWSTR MAKEINTRESOURCEW(UINT nId)
{
    return reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(nId));
}
inline bool IS_INTRESOURCE(LPCWSTR psz)
{
    return (reinterpret_cast<uintptr_t>(psz) >> 16) == 0;
}

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
// The command F5 sends to the active dialog: read again what it shows.
constexpr UINT ID_VIEW_REFRESH = 0xE140;

// Window messages the program sends.
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// What a window's size change is (OnSize).
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SIZE_MAXIMIZED = 2;

// The head of every control notification (WM_NOTIFY).
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
