#pragma once

// Command targets with message maps, and the window wrapper every dialog and
// control class derives from. A CWnd holds nothing but its window handle, so
// a control class may stand for any window of its kind.

#include "ui/WinDef.h"

class CCmdTarget;
class CDC;

using AFX_PMSG = void (CCmdTarget::*)();
using AFX_PNOTIFY = void (CCmdTarget::*)(NMHDR* pNMHDR, LRESULT* pResult);

// A command entry has pfn and nCode 0; a notification entry has pfnNotify
// and the notification's code. An entry with neither handler ends the table.
struct AFX_MSGMAP_ENTRY {
    UINT nID;
    AFX_PMSG pfn;
    UINT nCode;
    AFX_PNOTIFY pfnNotify;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// In the class: DECLARE_MESSAGE_MAP(). In its source file:
//     BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//         ON_COMMAND(ID_SOMETHING, &CMyDlg::OnSomething)
//         ON_NOTIFY(LVN_ITEMACTIVATE, IDC_SOME_LIST, &CMyDlg::OnItemActivate)
//     END_MESSAGE_MAP()
// A command goes to the first entry for its id, a notification to the first
// entry for its code and its control's id, searching the class's own table
// first and then its bases'.
#define DECLARE_MESSAGE_MAP()                                                                                     \
protected:                                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                    \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                \
    {                                                                                                              \
        using TheBaseClass = baseClass;                                                                            \
        static const AFX_MSGMAP_ENTRY s_entries[] = {

#define ON_COMMAND(id, memberFxn) {static_cast<UINT>(id), static_cast<AFX_PMSG>(memberFxn), 0, nullptr},

#define ON_NOTIFY(code, id, memberFxn)                                                                            \
    {static_cast<UINT>(id), nullptr, static_cast<UINT>(code), static_cast<AFX_PNOTIFY>(memberFxn)},

#define END_MESSAGE_MAP()                                                                                          \
        {0, nullptr, 0, nullptr}};                                                                                 \
        static const AFX_MSGMAP s_map = {&TheBaseClass::GetThisMessageMap, &s_entries[0]};                         \
        return &s_map;                                                                                             \
    }

class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;
    // Runs the handler of command nID; FALSE when the object has none.
    BOOL OnCmdMsg(UINT nID);
    // Whether the object has a handler for command nID.
    BOOL HasCommandHandler(UINT nID) const;
    // Runs the handler of the notification pNMHDR->code from control
    // pNMHDR->idFrom; FALSE when the object has none. *pResult starts at 0.
    BOOL OnNotifyMsg(NMHDR* pNMHDR, LRESULT* pResult);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    // The first entry for command nID (nCode 0) or for notification nCode
    // from control nID, in the class's own table and then its bases';
    // nullptr when there is none.
    const AFX_MSGMAP_ENTRY* FindEntry(UINT nID, UINT nCode) const;
};

class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    ~CWnd() override = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    int GetDlgCtrlID() const;
    // The child control with the given id, as an object of its kind
    // (CListCtrl, CListBox, CStatic, CDateTimeCtrl); valid while the window
    // lives. nullptr when there is none.
    CWnd* GetDlgItem(int nID) const;

    void GetClientRect(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE);
    HFONT GetFont() const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    int GetWindowTextLength() const;
    int GetWindowText(LPWSTR lpszString, int nMaxCount) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    int MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = 0);

    // The colours a control of the window gets when it paints: set the text
    // and background colours on pDC and return the brush for the rest.
    virtual HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    HWND m_hWnd = nullptr;
};

// Sends a message to a window and returns its answer. Windows answer
// WM_SETFONT, WM_GETFONT and WM_SETICON; the controls their own messages
// (DTM_*, LB_*); a dialog's client area passes WM_NOTIFY (lParam an NMHDR*)
// to the dialog's message map while the dialog runs; anything else answers 0.
LRESULT SendMessageW(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
