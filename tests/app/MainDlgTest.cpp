#include "app/MainDlg.h"
#include "app/MainApp.h"
#include "platform/DeviceCheck.h"
#include "platform/DeviceProblems.h"
#include "tests/support/TestDevice.h"
#include "tests/support/UiTestGuards.h"
#include "ui/Automation.h"
#include "ui/CommandBar.h"
#include "ui/Gdi.h"
#include "ui/ImageList.h"
#include "ui/Widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

class CTestMainDlg : public CMainDlg
{
public:
    using CMainDlg::m_hIcon;
    using CMainDlg::m_imageList;
    using CMainDlg::m_list;
    using CMainDlg::m_menuBar;
};

struct MainRun {
    std::string strOutput;
    std::string strErrors;
    int nExit;
};

MainRun RunMain(const std::string& strScript, const CAutomation::Action& action = nullptr)
{
    CAutomationSession session;
    if (action)
        session.AddAction(action);
    session.AddScript(strScript);
    CTestMainDlg dlg;
    dlg.DoModal();
    int nExit = session.Finish();
    return MainRun {session.Output(), session.Errors(), nExit};
}

CTestMainDlg& Main(CDialog& dlg)
{
    return static_cast<CTestMainDlg&>(dlg);
}

} // namespace

TEST(MainDlg, EmptyLogGivesAnEmptyListWithItsColumns)
{
    struct Case {
        const char* pszScreen;
        int nFirst;
        int nSecond;
    };
    // Both columns together take the client width, one pixel less when odd.
    for (Case c : {Case {"480x640", 230, 250}, Case {"481x640", 230, 250}, Case {"240x320", 110, 130}}) {
        CScreenSize screen(c.pszScreen);
        CTestDevice device;
        int nColumns = 0, nFirst = 0, nSecond = 0, nThird = 0;
        MainRun run = RunMain("dump\n", [&](CDialog& dlg) {
            CListCtrl& list = Main(dlg).m_list;
            nColumns = list.GetColumnCount();
            nFirst = list.GetColumnWidth(0);
            nSecond = list.GetColumnWidth(1);
            nThird = list.GetColumnWidth(2);
        });
        EXPECT_EQ(run.strOutput, "dialog\t102\tRingtallyV2\nclosed\t102\t1\n") << c.pszScreen;
        EXPECT_EQ(nColumns, 3);
        EXPECT_EQ(nFirst, c.nFirst) << c.pszScreen;
        EXPECT_EQ(nSecond, c.nSecond) << c.pszScreen;
        EXPECT_GT(nThird, 0) << "the number column lies beyond the visible part";
    }
    // No device at all is an empty phone.
    EXPECT_EQ(RunMain("dump\n").strOutput, "dialog\t102\tRingtallyV2\nclosed\t102\t1\n");
}

TEST(MainDlg, ShowsOneRowPerCallInLogOrder)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna Schmidt", "+4930123456", 1, UtcTicks(2024, 2, 3, 8, 5, 7), 65),
                  MakeTestCall("Anna Schmidt", "+4930123456", 1, UtcTicks(2023, 2, 3, 8, 5, 7, 900)),
                  MakeTestCall(nullptr, "+4930999888", 0, UtcTicks(2024, 2, 4, 12, 0, 0)),
                  MakeTestCall("Anna Schmidt", "+4930123456", 2, UtcTicks(2024, 7, 5, 17, 30, 0)),
                  MakeTestCall(nullptr, nullptr, 7, UtcTicks(2024, 7, 6, 23, 59, 59)),
                  MakeTestCall("", "+4930555", 2, UtcTicks(2024, 7, 7, 0, 0, 0)),
              }),
              0);
    // Local time is Berlin's: summer calls keep their summer clock time,
    // and the year is never shown.
    EXPECT_EQ(RunMain("dump\n").strOutput, "dialog\t102\tRingtallyV2\n"
                                           "row\t0\t2\t\t07-07 02:00:00\t+4930555\n"
                                           "row\t1\t2\t\t07-07 01:59:59\t\n"
                                           "row\t2\t2\tAnna Schmidt\t07-05 19:30:00\t+4930123456\n"
                                           "row\t3\t1\t+4930999888\t02-04 13:00:00\t+4930999888\n"
                                           "row\t4\t0\tAnna Schmidt\t02-03 09:05:07\t+4930123456\n"
                                           "row\t5\t0\tAnna Schmidt\t02-03 09:05:07\t+4930123456\n"
                                           "closed\t102\t1\n");
}

TEST(MainDlg, SelectionIsReadFromTheUpperSelectedRow)
{
    CTestDevice device;
    std::string strLong(300, 'n');
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 2, 5)),
                  MakeTestCall(nullptr, nullptr, 1, UtcTicks(2024, 2, 4)),
                  MakeTestCall("Bert", "222", 2, UtcTicks(2024, 2, 3)),
                  MakeTestCall(strLong.c_str(), "333", 0, UtcTicks(2024, 2, 2)),
              }),
              0);
    struct Read {
        int nResult;
        std::wstring strText;
    };
    std::vector<Read> reads;
    auto read = [&](CDialog& dlg, int nColumn) {
        wchar_t szText[255];
        int nResult = Main(dlg).GetSelectedItemText(szText, nColumn, 255);
        reads.push_back(Read {nResult, nResult == 0 ? szText : L"-"});
    };
    CAutomationSession session;
    session.AddAction([&](CDialog& dlg) { read(dlg, 0); });
    session.AddScript("select 2 0\n");
    session.AddAction([&](CDialog& dlg) {
        read(dlg, 0);
        read(dlg, 2);
    });
    session.AddScript("select 1\n");
    session.AddAction([&](CDialog& dlg) {
        read(dlg, 0);
        read(dlg, 2);
    });
    session.AddScript("select 3\n");
    session.AddAction([&](CDialog& dlg) { read(dlg, 0); });
    CTestMainDlg dlg;
    dlg.DoModal();
    ASSERT_EQ(reads.size(), 6u);
    EXPECT_EQ(reads[0].nResult, -1) << "nothing selected";
    EXPECT_EQ(reads[1].strText, L"Anna") << "two rows selected: the upper one";
    EXPECT_EQ(reads[2].strText, L"111");
    EXPECT_EQ(reads[3].nResult, 0) << "a row with neither name nor number";
    EXPECT_EQ(reads[3].strText, L"");
    EXPECT_EQ(reads[4].strText, L"");
    EXPECT_EQ(reads[5].strText, std::wstring(254, L'n')) << "254 characters and the terminating zero";
}

TEST(MainDlg, AFailedMenuBarLeavesAnEmptyListWithoutColumns)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({MakeTestCall("Anna", "111", 1, UtcTicks(2024, 2, 5))}), 0);
    SetMenuResourceMissing(139, true);
    int nColumns = -1, nRows = -1, nImages = -1;
    QRect list;
    RECT client {};
    const MenuTemplate* pKeys = FindMenuTemplate(139);
    HICON hIcon = nullptr;
    MainRun run = RunMain("dump\n", [&](CDialog& dlg) {
        CTestMainDlg& main = Main(dlg);
        nColumns = main.m_list.GetColumnCount();
        nRows = main.m_list.GetItemCount();
        nImages = main.m_imageList.GetImageCount();
        list = main.m_list.m_hWnd->geometry();
        dlg.GetClientRect(&client);
        pKeys = dlg.GetSoftKeyMenu();
        hIcon = dlg.GetIcon(TRUE);
    });
    SetMenuResourceMissing(139, false);
    EXPECT_EQ(run.strOutput, "dialog\t102\tRingtallyV2\nclosed\t102\t1\n");
    EXPECT_EQ(nColumns, 0);
    EXPECT_EQ(nRows, 0);
    EXPECT_EQ(nImages, 0);
    EXPECT_EQ(pKeys, nullptr);
    EXPECT_GT(list.x(), 0) << "the list stays where the template put it";
    EXPECT_LT(list.width(), client.right);
    EXPECT_NE(hIcon, nullptr) << "the icons are set before the menu bar";
}

TEST(MainDlg, ListCoversTheClientAreaWithTheListLook)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({MakeTestCall("Anna", "111", 1, UtcTicks(2024, 2, 5))}), 0);
    bool bWaitDuringSetUp = false;
    CTextExtentHookGuard measure([&](LPCWSTR, int, SIZE* pSize) {
        // The font is made during the list's set-up, under the wait cursor.
        bWaitDuringSetUp =
            QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        *pSize = SIZE {8, 13};
        return TRUE;
    });
    QRect list;
    RECT client {};
    DWORD dwStyle = 0;
    int nImages = 0;
    LOGFONTW lf {};
    HICON hBig = nullptr, hSmall = nullptr, hOwn = nullptr;
    bool bCursorAfter = true;
    RunMain("", [&](CDialog& dlg) {
        CTestMainDlg& main = Main(dlg);
        list = main.m_list.m_hWnd->geometry();
        dlg.GetClientRect(&client);
        dwStyle = main.m_list.GetExtendedStyle();
        nImages = main.m_imageList.GetImageCount();
        GetObjectW(main.m_list.GetFont(), sizeof(lf), &lf);
        hBig = dlg.GetIcon(TRUE);
        hSmall = dlg.GetIcon(FALSE);
        hOwn = main.m_hIcon;
        bCursorAfter = QGuiApplication::overrideCursor() != nullptr;
    });
    EXPECT_EQ(list, QRect(0, 0, client.right, client.bottom));
    EXPECT_EQ(dwStyle, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    EXPECT_EQ(nImages, 3);
    EXPECT_EQ(lf.lfHeight, 15);
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
    EXPECT_EQ(hOwn, LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(128)));
    EXPECT_EQ(hBig, hOwn);
    EXPECT_EQ(hSmall, hOwn);
    EXPECT_TRUE(bWaitDuringSetUp);
    EXPECT_FALSE(bCursorAfter);
}

TEST(MainDlg, ExitAndTheDoneButtonEndTheWindowWithOk)
{
    for (const char* pszStep : {"command 32792", "menu Menu Exit", "ok"}) {
        MainRun run = RunMain(std::string(pszStep) + "\n");
        EXPECT_EQ(run.strOutput, "closed\t102\t1\n") << pszStep;
        EXPECT_EQ(run.nExit, 0) << pszStep;
    }
    EXPECT_EQ(RunMain("cancel\n").strOutput, "closed\t102\t2\n");
}

TEST(MainDlg, EveryEntryOfTheMainMenuReachesAHandler)
{
    MainRun run = RunMain("menu Analyse \"Call Log\"\nmenu Analyse SMS\nmenu Menu \"Send SMS\"\nmenu Menu Dial\n"
                          "menu Menu Summary Total\nexpect 131\nok\n"
                          "menu Menu Summary \"By Time\"\nexpect 154\ncancel\nexpect 131\nok\n"
                          "menu Menu About\nexpect 132\nok\n");
    EXPECT_EQ(run.strErrors, "");
    EXPECT_EQ(run.nExit, 0);
}

TEST(MainApp, RunsTheMainWindowOnceAndEnds)
{
    CTestDevice device;
    // What earlier tests' missing devices left untold.
    WaitForDeviceCheck();
    ResetDeviceProblems();
    CAutomationSession session("expect 102\n");
    CMainApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_STREQ(app.m_pszRegistryKey, L"Local AppWizard-Generated Applications");
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(session.Output(), "closed\t102\t1\n");
    EXPECT_EQ(session.Finish(), 0);
}

// A new user starts with no store where the tools put one: the window says
// so once, with what to do, before anything else.
TEST(MainApp, TellsANewUserHowToFillTheEmptyPhone)
{
    CTempDir dir;
    CEnvVar device("RINGTALLY_DEVICE", std::nullopt);
    CEnvVar data("XDG_DATA_HOME", dir.Path());
    WaitForDeviceCheck();
    ResetDeviceProblems();
    CAutomationSession session("expect 102\nmenu Menu About\nok\n");
    CMainApp app;
    EXPECT_FALSE(app.InitInstance());
    std::string strPath = dir.File("ringtally/device.db");
    EXPECT_EQ(session.Output(), "messagebox\tRingtally\tThere is no device store at " + strPath +
                                    " yet, so the phone is empty.  Import your phone's backups into it with "
                                    "\"ringtally-device import CALLS.xml SMS.xml\", or try Ringtally on an invented "
                                    "phone: \"ringtally-device demo\" makes one at " +
                                    dir.File("ringtally/demo.db") + ", and \"ringtally --device " +
                                    dir.File("ringtally/demo.db") + "\" shows it.\nclosed\t132\t1\nclosed\t102\t1\n");
    EXPECT_EQ(session.Finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(strPath));
    WaitForDeviceCheck();
    ResetDeviceProblems();
}

TEST(MainDlg, ANewSizeFitsTheListAndItsColumnsAgain)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({MakeTestCall("Anna", "111", 1, UtcTicks(2024, 2, 5))}), 0);
    struct Layout {
        QRect list;
        RECT client {};
        int nFirst = 0, nSecond = 0, nThird = 0;
    };
    auto layoutOf = [](CDialog& dlg) {
        CTestMainDlg& main = Main(dlg);
        Layout layout;
        layout.list = main.m_list.m_hWnd->geometry();
        dlg.GetClientRect(&layout.client);
        layout.nFirst = main.m_list.GetColumnWidth(0);
        layout.nSecond = main.m_list.GetColumnWidth(1);
        layout.nThird = main.m_list.GetColumnWidth(2);
        return layout;
    };
    Layout opened, resized;
    RunMain("", [&](CDialog& dlg) {
        opened = layoutOf(dlg);
        dlg.GetFrameWindow()->resize(601, 500);
        resized = layoutOf(dlg);
    });
    EXPECT_EQ(resized.list, QRect(0, 0, 601, 500 - kTitleBarHeight - kSoftKeyBarHeight));
    EXPECT_EQ(resized.client.right, 601);
    EXPECT_EQ(resized.nFirst, 290) << "W/2 - 10, as when the window opens";
    EXPECT_EQ(resized.nSecond, 310);
    EXPECT_EQ(resized.nThird, opened.nThird) << "the number column keeps its width";

    // Without its menu bar the list never was fitted, and is not on a new size.
    SetMenuResourceMissing(139, true);
    QRect before, after;
    RunMain("", [&](CDialog& dlg) {
        before = Main(dlg).m_list.m_hWnd->geometry();
        dlg.GetFrameWindow()->resize(601, 500);
        after = Main(dlg).m_list.m_hWnd->geometry();
    });
    SetMenuResourceMissing(139, false);
    EXPECT_EQ(after, before);
}

TEST(MainDlg, EnterAndADoubleClickOnARowAnalyseItsCalls)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 2, 5)),
                  MakeTestCall("Bert", "222", 2, UtcTicks(2024, 2, 4)),
                  MakeTestCall("Cora", "333", 0, UtcTicks(2024, 2, 3)),
              }),
              0);
    auto view = [](CDialog& dlg) { return static_cast<QAbstractItemView*>(Main(dlg).m_list.m_hWnd); };
    CAutomationSession session;
    session.AddAction([&](CDialog& dlg) {
        // The list takes the focus with no row chosen: Enter does nothing,
        // the first Down chooses the first row.
        QFocusEvent focus(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(view(dlg), &focus);
        QTest::keyClick(view(dlg), Qt::Key_Return);
        QTest::keyClick(view(dlg), Qt::Key_Down);
        QTest::keyClick(view(dlg), Qt::Key_Return);
    });
    session.AddScript("expect 129\ndump\ncancel\n");
    session.AddAction([&](CDialog& dlg) {
        QPoint row = view(dlg)->visualRect(view(dlg)->model()->index(2, 1)).center();
        QTest::mouseClick(view(dlg)->viewport(), Qt::LeftButton, Qt::NoModifier, row);
        QTest::mousePress(view(dlg)->viewport(), Qt::LeftButton, Qt::NoModifier, row);
        QTest::mouseDClick(view(dlg)->viewport(), Qt::LeftButton, Qt::NoModifier, row);
        QTest::mouseRelease(view(dlg)->viewport(), Qt::LeftButton, Qt::NoModifier, row);
    });
    session.AddScript("expect 129\ndump\ncancel\n");
    CTestMainDlg dlg;
    dlg.DoModal();
    EXPECT_EQ(session.Errors(), "");
    const std::string strOutput = session.Output();
    EXPECT_EQ(strOutput.substr(0, strOutput.find('\n', strOutput.find("row\t0")) + 1),
              "dialog\t129\tSUMMERY\nrow\t0\t0\tName:Anna\n");
    EXPECT_NE(strOutput.find("closed\t129\t2\ndialog\t129\tSUMMERY\nrow\t0\t0\tName:Cora\n"), std::string::npos)
        << strOutput;
    EXPECT_EQ(session.Finish(), 0);
}
