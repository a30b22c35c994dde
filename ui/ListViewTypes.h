#pragma once

// The report list view's flags and item record under the platform's names,
// shared by the list control and the view behind it.

#include "ui/WinDef.h"

constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr int LVNI_ALL = 0x0000;
constexpr int LVNI_SELECTED = 0x0002;
constexpr int LVSIL_NORMAL = 0;
constexpr int LVSIL_SMALL = 1;
constexpr DWORD LVS_EX_GRIDLINES = 0x00000001;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x00000020;

// The user activates a row: a double click on it, or Enter on the current
// row. Sent to the dialog as WM_NOTIFY with an NMITEMACTIVATE.
constexpr UINT LVN_FIRST = 0U - 100U;
constexpr UINT LVN_ITEMACTIVATE = LVN_FIRST - 14;

struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
};

struct LVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
