#pragma once

// Modal dialogs made from the program's dialog templates, and the shell's
// standard dialog initialisation.

#include "ui/Wnd.h"

#include <memory>
#include <string>
#include <vector>

class CDialog;
struct MenuTemplate;

class CDataExchange
{
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate)
        , m_pDlgWnd(pDlgWnd)
    {}

    BOOL m_bSaveAndValidate;
    CDialog* m_pDlgWnd;
};

// Binds control nIDC of the dialog to rControl (a CListCtrl, CListBox,
// CStatic or CDateTimeCtrl member) for as long as the dialog's window lives.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

constexpr DWORD SHIDIM_FLAGS = 0x0001;
constexpr DWORD SHIDIF_DONEBUTTON = 0x0001;
constexpr DWORD SHIDIF_SIZEDLG = 0x0002;
constexpr DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
constexpr DWORD SHIDIF_SIPDOWN = 0x0008;
constexpr DWORD SHIDIF_EMPTYMENU = 0x0020;

struct SHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
};
using PSHINITDLGINFO = SHINITDLGINFO*;

// The shell's set-up of a dialog: the Done button in the title bar, the
// client area over the whole screen between the title bar and the soft-key
// bar, the input panel lowered (there is none here) and an empty soft-key
// bar. FALSE when hDlg is not a dialog.
BOOL SHInitDialog(PSHINITDLGINFO pshidi);

// A dialog is a top-level window of the device screen's size: a title bar
// with the caption and the Done button, the client area with the template's
// controls, and the soft-key bar. DoModal runs it until EndDialog; a dialog
// opened from another opens over it at the same place and size, as a window
// that belongs to the other's. Commands reach the dialog's message map: IDOK
// (the Done button) runs OnOK, IDCANCEL OnCancel; a control's notification
// (WM_NOTIFY) reaches its ON_NOTIFY entry. When the user gives the window
// another size during the run, OnSize tells the dialog its new client size.
class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the window, initialises it and runs it until EndDialog; returns
    // the result given to EndDialog, or -1 when the window cannot be made.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    UINT GetTemplateId() const { return m_nIDTemplate; }
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) override;

    // What the soft keys, the Done button, dialog observers and tests use.
    // Sends command nID as a menu item would; FALSE when the dialog has no
    // handler for it.
    BOOL SendCommand(UINT nID);
    // The dialogs in their modal runs, the owner first and the active
    // (topmost) one last.
    static const std::vector<CDialog*>& ModalDialogs();
    // What the desktop window's title adds after the caption, " - TEXT", for
    // the windows made from now on (none when empty): the caption in the
    // phone's own title bar stays as the template has it.
    static void SetWindowTitleSuffix(const std::wstring& strSuffix);
    static CDialog* GetActiveDialog();
    // Whether the run is waiting for input (initialised, not yet ended).
    bool IsRunning() const;
    // The template's controls, in the template's order, while the window lives.
    std::vector<CWnd*> GetControls() const;
    // The control with the given id, or nullptr (what GetDlgItem answers).
    CWnd* ControlById(int nID) const;
    // The soft keys the dialog shows, or nullptr.
    const MenuTemplate* GetSoftKeyMenu() const;
    // The whole window (title bar, client area, soft keys), for pictures.
    HWND GetFrameWindow() const;
    bool IsDoneButtonShown() const;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    // The client area is now cx by cy pixels (nType SIZE_RESTORED or
    // SIZE_MAXIMIZED). Called only while the dialog runs, after
    // OnInitDialog: a dialog that computes its layout from the client
    // rectangle computes it again here.
    virtual void OnSize(UINT nType, int cx, int cy);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    friend void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
    friend BOOL SHInitDialog(PSHINITDLGINFO pshidi);
    friend class CCommandBar;
    friend class CDialogFrame;
    struct Impl;

    bool CreateDialogWindow();
    void DestroyDialogWindow();
    void ApplyShellFlags(DWORD dwFlags);
    void SetSoftKeyMenu(const MenuTemplate* pMenu);
    void FrameResized();

    std::unique_ptr<Impl> m_pImpl;
};
