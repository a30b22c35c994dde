#pragma once

// The shapes of the program's dialog templates and soft-key menus, and the
// window and control styles they carry, with the platform's values.

#include "platform/PlatformTypes.h"

#include <vector>

// Window styles
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD DS_SETFONT = 0x00000040;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_CAPTIONOKBTN = 0x80000000;

// List view styles
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SORTASCENDING = 0x0010;
constexpr DWORD LVS_SORTDESCENDING = 0x0020;
constexpr DWORD LVS_ALIGNLEFT = 0x0800;
constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;

// List box styles
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;

// Static control styles
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_ICON = 0x0003;

// Date and time picker styles
constexpr DWORD DTS_SHORTDATEFORMAT = 0x0000;
constexpr DWORD DTS_RIGHTALIGN = 0x0020;

// Control classes of the templates, by their platform names.
inline constexpr const wchar_t* WC_LISTVIEWW = L"SysListView32";
inline constexpr const wchar_t* WC_LISTBOXW = L"LISTBOX";
inline constexpr const wchar_t* WC_STATICW = L"STATIC";
inline constexpr const wchar_t* DATETIMEPICK_CLASSW = L"SysDateTimePick32";

struct DialogItemTemplate {
    const wchar_t* pszClass;
    const wchar_t* pszText;
    int nId;
    DWORD dwStyle;
    // Position and size in dialog units.
    short x, y, cx, cy;
    // The icon resource a static icon control shows, else 0.
    UINT nIcon = 0;
};

struct DialogTemplate {
    UINT nId;
    DWORD dwStyle;
    DWORD dwExStyle;
    const wchar_t* pszCaption;
    // Size in dialog units.
    short cx, cy;
    WORD wPointSize;
    const wchar_t* pszFaceName;
    std::vector<DialogItemTemplate> items;
};

// A menu item is a command when nId is non-zero, else a popup of its items.
struct MenuItemTemplate {
    const wchar_t* pszCaption;
    UINT nId;
    std::vector<MenuItemTemplate> popup;
};

struct MenuTemplate {
    UINT nId;
    // The top-level items: the soft keys, left first.
    std::vector<MenuItemTemplate> items;
};

// nullptr when the program has no such resource.
const DialogTemplate* FindDialogTemplate(UINT nId);
const MenuTemplate* FindMenuTemplate(UINT nId);
// The path of an icon's drawing in the compiled-in resources (":/icons/N.svg"),
// or nullptr.
const char* FindIconResource(UINT nId);
// The image sizes in pixels an icon resource holds, smallest first.
std::vector<int> IconResourceSizes(UINT nId);
// Every icon resource id, in ascending order.
const std::vector<UINT>& IconResourceIds();
// Makes the compiled-in resources reachable; idempotent.
void InitResources();
