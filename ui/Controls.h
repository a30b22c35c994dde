#pragma once

// The other controls of the templates: static text and icons, the list box
// and the date and time picker.

#include "ui/Wnd.h"

#include <string>

// Static controls
constexpr UINT STM_SETICON = 0x0170;
constexpr UINT STM_GETICON = 0x0171;

// List box
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr LRESULT LB_ERR = -1;

// Date and time picker
constexpr UINT DTM_GETSYSTEMTIME = 0x1001;
constexpr UINT DTM_SETSYSTEMTIME = 0x1002;
constexpr LRESULT GDT_ERROR = -1;
constexpr WPARAM GDT_VALID = 0;
constexpr WPARAM GDT_NONE = 1;

class CStatic : public CWnd
{
public:
    HICON SetIcon(HICON hIcon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon))); }
    HICON GetIcon() const { return reinterpret_cast<HICON>(SendMessage(STM_GETICON)); }
};

// A sorted list box places each new line at its alphabetical place, letter
// case aside.
class CListBox : public CWnd
{
public:
    // The index the line got, or LB_ERR.
    int AddString(LPCWSTR lpszItem) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem))); }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    // The text of line nIndex, empty when there is none.
    std::wstring GetText(int nIndex) const;
};

// The picker holds a full date and time; the user changes only the date.
class CDateTimeCtrl : public CWnd
{
public:
    // GDT_VALID and the value, or GDT_ERROR.
    DWORD GetTime(SYSTEMTIME* pTimeDest) const
    {
        return static_cast<DWORD>(SendMessage(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(pTimeDest)));
    }
    BOOL SetTime(const SYSTEMTIME* pTimeNew)
    {
        return static_cast<BOOL>(SendMessage(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(pTimeNew)));
    }
};

inline LRESULT DateTime_GetSystemtime(HWND hdp, SYSTEMTIME* pst)
{
    return SendMessageW(hdp, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(pst));
}

inline BOOL DateTime_SetSystemtime(HWND hdp, WPARAM gd, const SYSTEMTIME* pst)
{
    return static_cast<BOOL>(SendMessageW(hdp, DTM_SETSYSTEMTIME, gd, reinterpret_cast<LPARAM>(pst)));
}
