#pragma once

// The Qt widgets behind the windows: the dialog's frame with its title bar
// and soft-key bar, and the controls of the dialog templates. Only ui/ and
// its tests see these.

#include "resources/ResourceTypes.h"
#include "ui/WinDef.h"

#include <QDateEdit>
#include <QListWidget>
#include <QWidget>

class CDialog;
class CWnd;

// What every control window made from a template knows of itself, and the
// messages it answers.
class CControlWindow
{
public:
    explicit CControlWindow(const DialogItemTemplate& item) : m_nId(item.nId), m_dwStyle(item.dwStyle) {}
    virtual ~CControlWindow() = default;
    // Answers a message of the control's own; false when it has none.
    virtual bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }
    // Hands updates held back while the window was hidden to the view.
    virtual void Flush() {}

    int m_nId;
    DWORD m_dwStyle;
};

// The dialog's client area: the window the dialog's own code sees.
class CDialogClient : public QWidget
{
public:
    CDialogClient(CDialog* pDialog, QWidget* pParent);
    CDialog* Dialog() const { return m_pDialog; }
    // The dialog's control with the given id, or nullptr (what GetDlgItem
    // answers for the client area).
    CWnd* ControlById(int nID) const;

private:
    CDialog* m_pDialog;
};

class CTitleBar : public QWidget
{
public:
    CTitleBar(CDialog* pDialog, QWidget* pParent);
    void SetCaption(const QString& strCaption);
    void ShowDoneButton(bool bShow);
    bool IsDoneButtonShown() const { return m_bDone; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    QRect DoneRect() const;

    CDialog* m_pDialog;
    QString m_strCaption;
    bool m_bDone = false;
    bool m_bPressed = false;
};

class CSoftKeyBar : public QWidget
{
public:
    CSoftKeyBar(CDialog* pDialog, QWidget* pParent);
    // Shows the soft keys of a menu; nullptr leaves the bar empty.
    void SetMenu(const MenuTemplate* pMenu);
    const MenuTemplate* Menu() const { return m_pMenu; }
    // Acts as a tap on soft key 0 (left) or 1 (right).
    void ActivateKey(int nKey);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    QRect KeyRect(int nKey) const;
    int KeyAt(const QPoint& pt) const;

    CDialog* m_pDialog;
    const MenuTemplate* m_pMenu = nullptr;
    int m_nPressed = -1;
};

// One dialog on the device screen: title bar, client area, soft-key bar.
// The main window is a window of its own that the user can resize. A dialog
// opened over another is a dialog window that belongs to its owner's frame
// (the window manager keeps it above its owner): it takes the owner's place
// and size, follows the owner's size and has none of its own, as every
// screen of the phone has the screen's size. On a new size the bars stay at
// the top and the bottom, and the dialog lays itself out again.
class CDialogFrame : public QWidget
{
public:
    CDialogFrame(CDialog* pDialog, CDialogFrame* pOwner, QSize size);
    CTitleBar* TitleBar() const { return m_pTitle; }
    CDialogClient* Client() const { return m_pClient; }
    CSoftKeyBar* SoftKeys() const { return m_pKeys; }
    // The place of the client area between the two bars.
    QRect FullClientRect() const;
    // Puts the client area between the bars now and whenever the size changes.
    void SetClientFullScreen();
    // Once the window manager has framed the window (and its frame's size is
    // known), makes the whole of it fit the screen's available area.
    void FitOnScreenWhenFramed() { m_bFitPending = true; }
    // The size of the window as a normal window (not maximised).
    QSize NormalSize() const;
    // Whether the window has been given another size since it opened.
    bool IsResizedSinceOpened() const { return NormalSize() != m_sizeOpened; }

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void moveEvent(QMoveEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void PlaceBars();
    void FitOnScreenIfFramed();

    CDialog* m_pDialog;
    CTitleBar* m_pTitle;
    CDialogClient* m_pClient;
    CSoftKeyBar* m_pKeys;
    bool m_bFullClient = false;
    bool m_bFitPending = false;
    QSize m_sizeOpened;
};

constexpr int kTitleBarHeight = 36;
constexpr int kSoftKeyBarHeight = 36;

// The dialog a control window belongs to, as the window its own code sees,
// or nullptr.
CWnd* DialogOfWindow(const QWidget* pWidget);

// Static text; asks its dialog for its colours each time it paints.
class CStaticWidget : public QWidget, public CControlWindow
{
public:
    CStaticWidget(const DialogItemTemplate& item, QWidget* pParent);
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // The colours of the last paint: text, text background, brush.
    COLORREF m_crText = 0;
    COLORREF m_crBk = 0;
    COLORREF m_crBrush = 0;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    HICON m_hIcon = nullptr;
};

class CListBoxWidget : public QListWidget, public CControlWindow
{
public:
    CListBoxWidget(const DialogItemTemplate& item, QWidget* pParent);
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    int AddString(const QString& strText);
};

class CDateTimeWidget : public QDateEdit, public CControlWindow
{
public:
    CDateTimeWidget(const DialogItemTemplate& item, QWidget* pParent);
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    const SYSTEMTIME& Value() const { return m_st; }
    BOOL SetValue(const SYSTEMTIME& st);

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    // The picked date with the time of day as last set.
    SYSTEMTIME m_st {};
};

// Creates the window of one template control in the dialog's client area.
QWidget* CreateControlWindow(const DialogItemTemplate& item, const QRect& rect, QWidget* pParent);
