#include "tests/support/UiTestGuards.h"
#include "tests/ui/ProbeDlg.h"
#include "ui/Automation.h"
#include "ui/FileDialog.h"
#include "ui/ImageList.h"
#include "ui/MessageBox.h"
#include "ui/Widgets.h"
#include "ui/WinApp.h"

#include <QGuiApplication>
#include <QIcon>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

RECT ClientRect(CWnd& wnd)
{
    RECT rc {-1, -1, -1, -1};
    wnd.GetClientRect(&rc);
    return rc;
}

} // namespace

TEST(Dialog, ModalRunEndsWithTheResultGiven)
{
    {
        CAutomationSession session("ok\n");
        CProbeDlg dlg(154);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_events, std::vector<std::string>({"OnOK"}));
        EXPECT_EQ(session.Output(), "closed\t154\t1\n");
        EXPECT_EQ(session.Finish(), 0);
    }
    {
        CAutomationSession session("cancel\n");
        CProbeDlg dlg(154);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(session.Output(), "closed\t154\t2\n");
    }
    {
        // Ended while it initialises: the run returns before any step.
        CAutomationSession session;
        CProbeDlg dlg(154);
        dlg.m_onInit = [](CProbeDlg& d) { d.EndDialog(7); };
        EXPECT_EQ(dlg.DoModal(), 7);
        EXPECT_EQ(session.Output(), "closed\t154\t7\n");
    }
    CAutomationSession session;
    CProbeDlg missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(session.Output(), "");
}

TEST(Dialog, ShellInitialisationFillsTheScreenBetweenTheBars)
{
    struct Case {
        const char* pszScreen;
        int nWidth;
        int nHeight;
    };
    for (Case c :
         {Case {nullptr, 480, 640}, Case {"320x480", 320, 480}, Case {"big", 480, 640}, Case {"20x30", 480, 640}}) {
        std::unique_ptr<CScreenSize> pScreen = c.pszScreen ? std::make_unique<CScreenSize>(c.pszScreen) : nullptr;
        CAutomationSession session;
        CProbeDlg dlg(102);
        RECT rc {};
        QSize frame;
        bool bDone = false;
        const MenuTemplate* pMenu = FindMenuTemplate(139);
        session.AddAction([&](CDialog& d) {
            rc = ClientRect(d);
            frame = d.GetFrameWindow()->size();
            bDone = d.IsDoneButtonShown();
            pMenu = d.GetSoftKeyMenu();
        });
        dlg.DoModal();
        EXPECT_EQ(frame, QSize(c.nWidth, c.nHeight)) << (c.pszScreen ? c.pszScreen : "default");
        EXPECT_EQ(rc.left, 0);
        EXPECT_EQ(rc.top, 0);
        EXPECT_EQ(rc.right, c.nWidth);
        EXPECT_EQ(rc.bottom, c.nHeight - kTitleBarHeight - kSoftKeyBarHeight);
        EXPECT_TRUE(bDone);
        EXPECT_EQ(pMenu, nullptr) << "the soft-key bar starts empty";
    }
}

TEST(Dialog, TemplatesAreLaidOutInDialogUnits)
{
    CAutomationSession session;
    CProbeDlg dlg(102);
    dlg.m_bCallBaseInit = false;
    QRect list;
    RECT rc {};
    bool bDone = false;
    session.AddAction([&](CDialog& d) {
        list = d.GetDlgItem(1001)->m_hWnd->geometry();
        rc = ClientRect(d);
        bDone = d.IsDoneButtonShown();
    });
    dlg.DoModal();
    // The list sits at 20, 24 and is 60 x 50 units; the dialog 156 x 129.
    EXPECT_GT(list.x(), 0);
    EXPECT_NEAR(list.width(), 3 * list.x(), 2);
    EXPECT_NEAR(list.height() * 24, list.y() * 50, 50);
    EXPECT_NEAR(rc.right * 20, list.x() * 156, 160);
    EXPECT_NEAR(rc.bottom * 24, list.y() * 129, 130);
    EXPECT_TRUE(bDone) << "template 102 asks for the Done button itself";
}

TEST(Dialog, CommandsReachTheFirstHandlerInTheMessageMap)
{
    CAutomationSession session;
    CProbeDlg dlg(154);
    BOOL bUnknown = TRUE;
    session.AddAction([&](CDialog& d) {
        EXPECT_TRUE(d.SendCommand(32814));
        EXPECT_TRUE(d.SendCommand(32811));
        bUnknown = d.SendCommand(4242);
        EXPECT_TRUE(d.HasCommandHandler(IDOK));
        EXPECT_TRUE(d.HasCommandHandler(IDCANCEL));
        EXPECT_FALSE(d.HasCommandHandler(32780));
    });
    session.AddScript("ok\n");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(bUnknown);
    EXPECT_EQ(dlg.m_events, std::vector<std::string>({"first", "second", "OnOK"}));
}

TEST(Dialog, DataExchangeBindsTheMemberForOneRun)
{
    for (int nRun = 0; nRun < 2; ++nRun) {
        CAutomationSession session;
        CProbeDlg dlg(129, 0, 1002);
        HWND hBound = nullptr, hItem = nullptr;
        bool bTyped = false, bNone = false;
        session.AddAction([&](CDialog& d) {
            hBound = dlg.m_list.m_hWnd;
            hItem = d.GetDlgItem(1002)->m_hWnd;
            bTyped = dynamic_cast<CListCtrl*>(d.GetDlgItem(1002)) != nullptr;
            bNone = d.GetDlgItem(1003) == nullptr;
        });
        dlg.DoModal();
        EXPECT_NE(hBound, nullptr);
        EXPECT_EQ(hBound, hItem);
        EXPECT_TRUE(bTyped);
        EXPECT_TRUE(bNone);
        EXPECT_EQ(dlg.m_list.m_hWnd, nullptr) << "the member loses its window with the dialog";
        EXPECT_EQ(dlg.m_hWnd, nullptr);
    }
}

TEST(Dialog, MenuBarComesFromAMenuResource)
{
    struct Case {
        UINT nMenu;
        bool bMissing;
        bool bMade;
    };
    for (Case c :
         {Case {155, false, true}, Case {139, false, true}, Case {9999, false, false}, Case {155, true, false}}) {
        SetMenuResourceMissing(c.nMenu, c.bMissing);
        CAutomationSession session;
        CProbeDlg dlg(154, c.nMenu);
        UINT nShown = 0;
        session.AddAction([&](CDialog& d) { nShown = d.GetSoftKeyMenu() ? d.GetSoftKeyMenu()->nId : 0; });
        dlg.DoModal();
        SetMenuResourceMissing(c.nMenu, false);
        EXPECT_EQ(dlg.m_bMenuMade, c.bMade) << c.nMenu;
        EXPECT_EQ(nShown, c.bMade ? c.nMenu : 0u) << c.nMenu;
    }
    CCommandBar bar;
    EXPECT_FALSE(bar.InsertMenuBar(155));
    CWnd notADialog;
    EXPECT_FALSE(bar.Create(&notADialog));
    CProbeDlg closed(154);
    EXPECT_FALSE(bar.Create(&closed)) << "a dialog without its window";
}

TEST(Dialog, ADialogOpenedWhileAnotherInitialisesTakesTheNextSteps)
{
    CAutomationSession session("expect 154\ncancel\nexpect 131\nok\n");
    CProbeDlg outer(131);
    INT_PTR nInner = 0;
    QPoint outerPos, innerPos;
    outer.m_onInit = [&](CProbeDlg&) {
        CProbeDlg inner(154);
        inner.m_onInit = [&](CProbeDlg& d) {
            outerPos = outer.GetFrameWindow()->pos();
            innerPos = d.GetFrameWindow()->pos();
        };
        nInner = inner.DoModal();
    };
    EXPECT_EQ(outer.DoModal(), IDOK);
    EXPECT_EQ(nInner, IDCANCEL);
    EXPECT_EQ(session.Output(), "closed\t154\t2\nclosed\t131\t1\n");
    EXPECT_EQ(session.Errors(), "");
    EXPECT_EQ(innerPos, outerPos) << "a dialog opens over its owner";
}

TEST(Dialog, MessageBoxesGoToTheHookOrThePrintedLine)
{
    std::wstring strText, strCaption;
    UINT uType = 0;
    {
        CMessageBoxHookGuard hook([&](HWND, LPCWSTR lpText, LPCWSTR lpCaption, UINT uBoxType) {
            strText = lpText;
            strCaption = lpCaption;
            uType = uBoxType;
            return 42;
        });
        EXPECT_EQ(MessageBoxW(nullptr, L"Please select a item from the list", L"Error", MB_ICONERROR), 42);
    }
    EXPECT_EQ(strText, L"Please select a item from the list");
    EXPECT_EQ(strCaption, L"Error");
    EXPECT_EQ(uType, MB_ICONERROR);

    CAutomationSession session;
    EXPECT_EQ(MessageBoxW(nullptr, L"Start time must greater than End time!", L"Error", MB_ICONERROR), IDOK);
    CWnd wnd;
    EXPECT_EQ(wnd.MessageBox(L"no caption"), IDOK);
    EXPECT_EQ(session.Output(), "messagebox\tError\tStart time must greater than End time!\n"
                                "messagebox\tError\tno caption\n");
}

// The desktop window's title names what the window shows beside the
// template's caption, also for windows already open; the phone's own title
// bar keeps the caption alone.
TEST(Dialog, TheWindowTitleAddsItsSuffixToTheCaption)
{
    QString strBefore, strAfter;
    {
        CAutomationSession session;
        CDialog::SetWindowTitleSuffix(L"mine.db");
        session.AddAction([&](CDialog& d) {
            strBefore = d.GetFrameWindow()->windowTitle();
            CDialog::SetWindowTitleSuffix(L"demo.db (demo)");
            strAfter = d.GetFrameWindow()->windowTitle();
        });
        session.AddScript("ok\n");
        CProbeDlg dlg(131);
        dlg.DoModal();
    }
    CDialog::SetWindowTitleSuffix(L"");
    EXPECT_EQ(strBefore, QStringLiteral("Stat. - mine.db"));
    EXPECT_EQ(strAfter, QStringLiteral("Stat. - demo.db (demo)"));
}

// A file dialog goes to an observer first: the automation answers it with
// the files of its last choose step, once, and cancels it without one.
TEST(Dialog, FileDialogsAreAnsweredByTheAutomation)
{
    CAutomationSession session("choose /a.xml \"/b c.xml\"\n");
    std::vector<std::vector<std::wstring>> answers;
    session.AddAction([&](CDialog&) {
        for (int i = 0; i < 2; ++i) {
            std::vector<std::wstring> files {L"left over"};
            BOOL bChosen = ChooseFiles(nullptr, L"Import backup", L"All files (*)", true, &files);
            EXPECT_EQ(bChosen != FALSE, !files.empty());
            answers.push_back(files);
        }
    });
    session.AddScript("ok\n");
    CProbeDlg dlg(154);
    dlg.DoModal();
    EXPECT_EQ(answers, (std::vector<std::vector<std::wstring>> {{L"/a.xml", L"/b c.xml"}, {}}));
    EXPECT_EQ(session.Output(), "filedialog\tImport backup\nfiledialog\tImport backup\nclosed\t154\t1\n");
}

TEST(Dialog, WaitCursorShowsUntilRestored)
{
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        CWaitCursor wait;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        wait.Restore();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Dialog, WindowIconsGoToTheWholeWindow)
{
    CAutomationSession session;
    CProbeDlg dlg(102);
    HICON hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(128));
    HICON hBig = nullptr, hSmall = nullptr;
    bool bShown = false;
    session.AddAction([&](CDialog& d) {
        EXPECT_EQ(d.SetIcon(hIcon, TRUE), nullptr);
        d.SetIcon(hIcon, FALSE);
        hBig = d.GetIcon(TRUE);
        hSmall = d.GetIcon(FALSE);
        bShown = !d.GetFrameWindow()->windowIcon().isNull();
    });
    dlg.DoModal();
    EXPECT_EQ(hBig, hIcon);
    EXPECT_EQ(hSmall, hIcon);
    EXPECT_TRUE(bShown);
}

TEST(Dialog, DesktopKeysWorkTheSoftKeysAndCancel)
{
    CAutomationSession session;
    CProbeDlg dlg(130, 140, 1003);
    session.AddAction([&](CDialog&) {
        QTest::keyClick(dlg.m_list.m_hWnd, Qt::Key_F1);
        QTest::keyClick(dlg.m_list.m_hWnd, Qt::Key_Escape);
    });
    session.AddScript("dump\n");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_events, std::vector<std::string>({"first"})) << "F1 is the left soft key, here a command";
    EXPECT_EQ(session.Output(), "closed\t130\t2\n") << "Escape cancels before the next step";
}

TEST(Dialog, ANewSizeKeepsTheBarsAtTheEdgesAndLaysTheDialogOutAgain)
{
    CAutomationSession session;
    CProbeDlg dlg(102);
    QRect title, keys, client;
    std::vector<std::pair<int, int>> sizesBefore;
    session.AddAction([&](CDialog& d) {
        sizesBefore = dlg.m_sizes;
        QWidget* pFrame = d.GetFrameWindow();
        pFrame->resize(300, 420);
        pFrame->resize(300, 420);
        for (QWidget* pChild : pFrame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (dynamic_cast<CTitleBar*>(pChild))
                title = pChild->geometry();
            else if (dynamic_cast<CSoftKeyBar*>(pChild))
                keys = pChild->geometry();
            else if (dynamic_cast<CDialogClient*>(pChild))
                client = pChild->geometry();
        }
        pFrame->resize(500, 300);
    });
    dlg.DoModal();
    EXPECT_TRUE(sizesBefore.empty()) << "the size the dialog opened with is the one it initialised for";
    EXPECT_EQ(title, QRect(0, 0, 300, kTitleBarHeight));
    EXPECT_EQ(keys, QRect(0, 420 - kSoftKeyBarHeight, 300, kSoftKeyBarHeight));
    EXPECT_EQ(client, QRect(0, kTitleBarHeight, 300, 420 - kTitleBarHeight - kSoftKeyBarHeight));
    EXPECT_EQ(dlg.m_sizes, (std::vector<std::pair<int, int>> {{300, 348}, {500, 228}}))
        << "once per new size, with the client area's size";
}

TEST(Dialog, ADialogOverAnotherBelongsToItsWindowAndFollowsItsSize)
{
    CAutomationSession session;
    CProbeDlg outer(102);
    CProbeDlg inner(154);
    QWidget *pOuterFrame = nullptr, *pInnerFrame = nullptr, *pInnerParent = nullptr;
    QWindow *pTransientFor = nullptr, *pOuterWindow = nullptr;
    Qt::WindowType outerType = Qt::Widget, innerType = Qt::Widget;
    QRect outerGeometry, innerGeometry;
    bool bInnerFixed = false, bSameIcon = false;
    QSize followed;
    outer.m_onFirst = [&](CProbeDlg&) { inner.DoModal(); };
    session.AddAction([&](CDialog& d) {
        d.GetFrameWindow()->setWindowIcon(QIcon(QStringLiteral(":/icons/ringtally.svg")));
        d.SendCommand(32814);
    });
    session.AddAction([&](CDialog& d) {
        pOuterFrame = outer.GetFrameWindow();
        pInnerFrame = d.GetFrameWindow();
        pInnerParent = pInnerFrame->parentWidget();
        pTransientFor = pInnerFrame->windowHandle()->transientParent();
        pOuterWindow = pOuterFrame->windowHandle();
        outerType = pOuterFrame->windowType();
        innerType = pInnerFrame->windowType();
        outerGeometry = pOuterFrame->geometry();
        innerGeometry = pInnerFrame->geometry();
        bInnerFixed = pInnerFrame->minimumSize() == pInnerFrame->maximumSize();
        bSameIcon = pInnerFrame->windowIcon().cacheKey() == pOuterFrame->windowIcon().cacheKey();
        pOuterFrame->resize(360, 500);
        followed = pInnerFrame->size();
    });
    session.AddScript("cancel\n");
    outer.DoModal();
    EXPECT_EQ(outerType, Qt::Window);
    EXPECT_EQ(innerType, Qt::Dialog);
    EXPECT_EQ(pInnerParent, pOuterFrame);
    EXPECT_EQ(pTransientFor, pOuterWindow) << "the window manager keeps the dialog with its owner";
    EXPECT_EQ(innerGeometry, outerGeometry) << "over its owner at the same place and size";
    EXPECT_TRUE(bInnerFixed) << "a dialog has no size of its own";
    EXPECT_TRUE(bSameIcon) << "the owner's icon, not a generic one";
    EXPECT_EQ(followed, QSize(360, 500));
    EXPECT_EQ(inner.m_sizes, (std::vector<std::pair<int, int>> {{360, 428}}));
}

TEST(Dialog, EnterAndADoubleClickOnAListRowReachItsNotifyEntry)
{
    CAutomationSession session;
    CProbeDlg dlg(130, 140, 1003);
    dlg.m_onInit = [](CProbeDlg& d) {
        d.m_list.MoveWindow(0, 0, 300, 300);
        d.m_list.InsertColumn(0, L"Name", LVCFMT_LEFT, 100);
        for (int i = 0; i < 4; ++i)
            d.m_list.InsertItem(i, L"row", -1);
    };
    BOOL bCommand = TRUE;
    session.AddAction([&](CDialog& d) {
        auto* pView = static_cast<QAbstractItemView*>(dlg.m_list.m_hWnd);
        QTest::keyClick(pView, Qt::Key_Return); // no row is current yet
        QTest::keyClick(pView, Qt::Key_Down);
        QTest::keyClick(pView, Qt::Key_Return);
        QTest::keyClick(pView, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(pView, Qt::Key_Return, Qt::ShiftModifier);
        QRect row = pView->visualRect(pView->model()->index(2, 0));
        // As the window system gives a double click: the second press comes
        // with the double click event.
        QTest::mouseClick(pView->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
        QTest::mousePress(pView->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
        QTest::mouseDClick(pView->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
        QTest::mouseRelease(pView->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
        bCommand = d.SendCommand(1003);
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.m_events, std::vector<std::string>({"activate 0", "activate 0", "activate 2", "OnOK"}));
    EXPECT_FALSE(bCommand) << "a notification's entry is no command";

    // A notification outside the run reaches nobody.
    NMITEMACTIVATE nm {{nullptr, 1003, LVN_ITEMACTIVATE}, 1, 0};
    CProbeDlg closed(130, 140, 1003);
    EXPECT_TRUE(closed.OnNotifyMsg(&nm.hdr, nullptr));
    EXPECT_EQ(closed.m_events, std::vector<std::string>({"activate 1"})) << "the message map itself answers";
    nm.hdr.idFrom = 1002;
    EXPECT_FALSE(closed.OnNotifyMsg(&nm.hdr, nullptr));
}
