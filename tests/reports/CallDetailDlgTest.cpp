#include "reports/CallDetailDlg.h"
#include "tests/support/TestDevice.h"
#include "tests/support/UiTestGuards.h"
#include "ui/Automation.h"
#include "ui/Gdi.h"
#include "ui/ListView.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <string>

namespace {

struct ListRun {
    std::string strOutput;
    std::string strErrors;
    INT_PTR nResult;
};

ListRun RunCallList(const wchar_t* pszName, const wchar_t* pszNumber, const std::string& strScript,
                    const CAutomation::Action& action = nullptr)
{
    CAutomationSession session;
    if (action)
        session.AddAction(action);
    session.AddScript(strScript);
    CCallDetailDlg dlg;
    dlg.m_strName = pszName;
    dlg.m_strNumber = pszNumber;
    INT_PTR nResult = dlg.DoModal();
    session.Finish();
    return ListRun {session.Output(), session.Errors(), nResult};
}

CCallDetailDlg& CallList(CDialog& dlg)
{
    return static_cast<CCallDetailDlg&>(dlg);
}

// Anna's calls mixed with other callers' in the log (newest first): two
// missed, one incoming, three outgoing, and one of a direction that is none
// of the three. Times are UTC; the test zone is Berlin.
void AddAnnasCalls(CTestDevice& device)
{
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 2, UtcTicks(2024, 3, 9, 8, 0, 0)),
                  MakeTestCall("Bert", "222", 0, UtcTicks(2024, 3, 8, 8, 0, 0)),
                  MakeTestCall("Anna", "111", 0, UtcTicks(2024, 3, 7, 8, 0, 0)),
                  MakeTestCall("Anna", "112", 2, UtcTicks(2024, 3, 6, 8, 0, 0)),
                  MakeTestCall("anna", "111", 1, UtcTicks(2024, 3, 5, 18, 0, 0)),
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 3, 5, 8, 7, 3)),
                  MakeTestCall("Anna", "111", 7, UtcTicks(2024, 3, 4, 8, 0, 0)),
                  MakeTestCall(nullptr, "Anna", 0, UtcTicks(2024, 3, 3, 8, 0, 0)),
                  MakeTestCall("Anna", "111", 0, UtcTicks(2024, 3, 2, 8, 0, 0)),
                  MakeTestCall("Anna", nullptr, 2, UtcTicks(2023, 12, 31, 23, 30, 0)),
              }),
              0);
}

} // namespace

TEST(CallDetailDlg, ListsTheCallersCallsMissedThenIncomingThenOutgoing)
{
    CTestDevice device;
    AddAnnasCalls(device);
    // A number as the key takes the calls that have no name; a key that
    // differs only in letter case takes its own calls and no others.
    ListRun run = RunCallList(L"Anna", L"111", "dump\n");
    EXPECT_EQ(run.strOutput, "dialog\t130\tCall list\n"
                             "row\t0\t1\tAnna\t03-07 09:00:00\t111\t\n"
                             "row\t1\t1\tAnna\t03-03 09:00:00\tAnna\t\n"
                             "row\t2\t1\tAnna\t03-02 09:00:00\t111\t\n"
                             "row\t3\t0\tAnna\t03-05 09:07:03\t111\t\n"
                             "row\t4\t2\tAnna\t03-09 09:00:00\t111\t\n"
                             "row\t5\t2\tAnna\t03-06 09:00:00\t112\t\n"
                             "row\t6\t2\tAnna\t01-01 00:30:00\t\t\n"
                             "closed\t130\t1\n");
    EXPECT_EQ(RunCallList(L"anna", L"", "dump\n").strOutput, "dialog\t130\tCall list\n"
                                                              "row\t0\t0\tanna\t03-05 19:00:00\t111\t\n"
                                                              "closed\t130\t1\n");
    EXPECT_EQ(RunCallList(L"Carl", L"333", "dump\n").strOutput, "dialog\t130\tCall list\nclosed\t130\t1\n");
}

TEST(CallDetailDlg, EmptyKeyTakesEmptyNamesAndCallsWithNeitherNameNorNumber)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("", "555", 1, UtcTicks(2024, 3, 2, 8, 0, 0)),
                  MakeTestCall(nullptr, nullptr, 1, UtcTicks(2024, 3, 1, 8, 0, 0)),
                  MakeTestCall(nullptr, "", 0, UtcTicks(2024, 2, 1, 8, 0, 0)),
              }),
              0);
    EXPECT_EQ(RunCallList(L"", L"", "dump\n").strOutput, "dialog\t130\tCall list\n"
                                                          "row\t0\t1\t\t02-01 09:00:00\t\t\n"
                                                          "row\t1\t0\t\t03-02 09:00:00\t555\t\n"
                                                          "row\t2\t0\t\t03-01 09:00:00\t\t\n"
                                                          "closed\t130\t1\n");
}

TEST(CallDetailDlg, ListHasFourColumnsOverTheClientAreaWithTheListLook)
{
    CTestDevice device;
    AddAnnasCalls(device);
    for (const char* pszScreen : {"480x640", "241x320"}) {
        SCOPED_TRACE(pszScreen);
        CScreenSize screen(pszScreen);
        bool bWaitDuringSetUp = false;
        CTextExtentHookGuard measure([&](LPCWSTR, int, SIZE* pSize) {
            bWaitDuringSetUp = QGuiApplication::overrideCursor() &&
                               QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
            *pSize = SIZE {8, 13};
            return TRUE;
        });
        QRect list;
        RECT client {};
        std::vector<std::wstring> headings;
        std::vector<int> widths;
        DWORD dwStyle = 0;
        int nImages = 0;
        LOGFONTW lf {};
        bool bCursorAfter = true;
        RunCallList(L"Anna", L"111", "", [&](CDialog& dlg) {
            CCallDetailDlg& calls = CallList(dlg);
            list = calls.m_list.m_hWnd->geometry();
            dlg.GetClientRect(&client);
            auto* pView = static_cast<CListViewWidget*>(calls.m_list.m_hWnd);
            for (int nColumn = 0; nColumn < calls.m_list.GetColumnCount(); ++nColumn) {
                headings.push_back(pView->Model().headerData(nColumn, Qt::Horizontal).toString().toStdWString());
                widths.push_back(calls.m_list.GetColumnWidth(nColumn));
            }
            dwStyle = calls.m_list.GetExtendedStyle();
            nImages = calls.m_imageList.GetImageCount();
            GetObjectW(calls.m_list.GetFont(), sizeof(lf), &lf);
            bCursorAfter = QGuiApplication::overrideCursor() != nullptr;
        });
        EXPECT_EQ(list, QRect(0, 0, client.right, client.bottom));
        EXPECT_EQ(headings, (std::vector<std::wstring> {L"Name", L"Time", L"Type", L"Index"}));
        EXPECT_EQ(widths, (std::vector<int> {client.right / 2, client.right / 2, 0, 0}));
        EXPECT_EQ(dwStyle, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        EXPECT_EQ(nImages, 3);
        EXPECT_EQ(lf.lfHeight, 15);
        EXPECT_TRUE(bWaitDuringSetUp);
        EXPECT_FALSE(bCursorAfter);
    }
}

TEST(CallDetailDlg, DialAndSendSmsUseTheCallersNumberWhateverRowIsSelected)
{
    CTestDevice device;
    AddAnnasCalls(device);
    // Row 5 is a call from another number of the same caller.
    ListRun run = RunCallList(L"Anna", L"5551234",
                              "select 5\nmenu Dial\nselect\nmenu Menu \"Send SMS\"\nselect 6 0\n"
                              "command 32795\nmenu Menu Cancel\n");
    EXPECT_EQ(run.strOutput, "dial\t5551234\n"
                             "launch\t\\windows\\tmail.exe\t-service \"Sms\"\n"
                             "launch\t\\windows\\tmail.exe\t-contact \"Anna\" mailto:5551234\n"
                             "dial\t5551234\n"
                             "closed\t130\t2\n");
    EXPECT_EQ(run.strErrors, "");
    EXPECT_EQ(run.nResult, IDCANCEL);

    // An empty number goes out as it is, with the caller's name.
    EXPECT_EQ(RunCallList(L"Anna", L"", "menu Dial\nmenu Menu \"Send SMS\"\nok\n").strOutput,
              "dial\t\n"
              "launch\t\\windows\\tmail.exe\t-service \"Sms\"\n"
              "launch\t\\windows\\tmail.exe\t-contact \"Anna\" mailto:\n"
              "closed\t130\t1\n");
}

TEST(CallDetailDlg, AFailedMenuBarLeavesAnEmptyListWithoutColumns)
{
    CTestDevice device;
    AddAnnasCalls(device);
    SetMenuResourceMissing(IDR_CALL_DETAIL_MENU, true);
    int nColumns = -1, nImages = -1;
    const MenuTemplate* pKeys = FindMenuTemplate(IDR_CALL_DETAIL_MENU);
    ListRun run = RunCallList(L"Anna", L"111", "dump\n", [&](CDialog& dlg) {
        nColumns = CallList(dlg).m_list.GetColumnCount();
        nImages = CallList(dlg).m_imageList.GetImageCount();
        pKeys = dlg.GetSoftKeyMenu();
    });
    SetMenuResourceMissing(IDR_CALL_DETAIL_MENU, false);
    EXPECT_EQ(run.strOutput, "dialog\t130\tCall list\nclosed\t130\t1\n");
    EXPECT_EQ(nColumns, 0);
    EXPECT_EQ(nImages, 0);
    EXPECT_EQ(pKeys, nullptr);
}
