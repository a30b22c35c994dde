#include "platform/MapiStore.h"
#include "reports/CallerSummeryDlg.h"
#include "tests/support/TestDevice.h"
#include "ui/Automation.h"
#include "ui/ListView.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

DeviceMessage Sms(int64_t nFolder, std::optional<std::string> strSender, int64_t nTime,
                  std::vector<DeviceRecipient> recipients = {})
{
    return DeviceMessage {nFolder, std::move(strSender), std::nullopt, nTime, std::string("hi"),
                          std::move(recipients)};
}

struct SummaryRun {
    std::string strOutput;
    std::string strErrors;
    INT_PTR nResult;
};

SummaryRun RunSummary(const wchar_t* pszName, const wchar_t* pszNumber, int nMode, const std::string& strScript,
                      const CAutomation::Action& action = nullptr)
{
    CAutomationSession session;
    if (action)
        session.AddAction(action);
    session.AddScript(strScript);
    auto pDlg = std::make_unique<CCallerSummeryDlg>();
    pDlg->m_strName = pszName;
    pDlg->m_strNumber = pszNumber;
    pDlg->m_nMode = nMode;
    INT_PTR nResult = pDlg->DoModal();
    pDlg.reset();
    session.Finish();
    return SummaryRun {session.Output(), session.Errors(), nResult};
}

CCallerSummeryDlg& Summary(CDialog& dlg)
{
    return static_cast<CCallerSummeryDlg&>(dlg);
}

// Anna's phone in March 2024 (UTC times; the test zone is Berlin): one
// incoming call of 65 seconds, one outgoing of two minutes, one missed, and
// an older incoming call in February; two messages from her, one to her;
// and a few of other callers.
void AddAnnasMonth(CTestDevice& device)
{
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 0, UtcTicks(2024, 3, 7, 8, 0, 0), 0),
                  MakeTestCall("Bert", "222", 1, UtcTicks(2024, 3, 6, 12, 0, 0), 600),
                  MakeTestCall("Anna", "111", 2, UtcTicks(2024, 3, 6, 8, 0, 0), 120),
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 3, 5, 8, 7, 3), 65),
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 2, 10, 8, 0, 0), 30),
              }),
              0);
    int64_t nInbox = device.Inbox(), nSent = device.Sent();
    ASSERT_EQ(device.Store().AddMessages({
                  Sms(nInbox, "Anna", UtcTicks(2024, 3, 4, 10, 0, 0)),
                  Sms(nInbox, "Anna", UtcTicks(2024, 2, 1, 10, 0, 0)),
                  Sms(nInbox, "Bert", UtcTicks(2024, 2, 29, 11, 0, 0)),
                  Sms(nSent, std::nullopt, UtcTicks(2024, 3, 10, 10, 0, 0), {{"Anna", "111"}}),
              }),
              0);
}

constexpr const char* kByTimeMarch = "menu Analyse \"By Time\"\nexpect 154\ndate 1010 2024-03-01\n"
                                     "date 1013 2024-03-31\nok\nexpect 129\ndump\n";

} // namespace

TEST(CallerSummeryDlg, CallsModeShowsTalkTimesMissedCallsAndTheTimeSinceTheLastCall)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-03-07T12:10:00");
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Bert", "222", 0, UtcTicks(2024, 3, 6, 8, 0, 0)),
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 3, 5, 8, 7, 3), 65),
                  MakeTestCall(nullptr, "0170 555", 0, UtcTicks(2024, 3, 7, 11, 8, 30)),
                  MakeTestCall(nullptr, "0170 555", 0, UtcTicks(2024, 3, 4, 11, 0, 0)),
                  MakeTestCall(nullptr, "0170 555", 2, UtcTicks(2024, 3, 3, 10, 0, 0), 3725),
              }),
              0);
    struct Case {
        const wchar_t* pszKey;
        const char* pszExpected;
    };
    const Case cases[] = {
        // One incoming call of 65 seconds, two days and three hours ago.
        {L"Anna", "dialog\t129\tSUMMERY\n"
                  "row\t0\t0\tName:Anna\n"
                  "row\t1\t1\t1 mins 5 secs in call\n"
                  "row\t2\t2\t0 missed call\n"
                  "row\t3\t3\t0 secs out call\n"
                  "row\t4\t6\tNo call for:\n"
                  "row\t5\t7\t2 days 3 hours\n"
                  "closed\t129\t1\n"},
        // A caller known only by number: the name line shows the number.
        {L"0170 555", "dialog\t129\tSUMMERY\n"
                      "row\t0\t0\tName:0170 555\n"
                      "row\t1\t1\t0 secs in call\n"
                      "row\t2\t2\t2 missed call\n"
                      "row\t3\t3\t1 hours 2 mins 5 secs out call\n"
                      "row\t4\t6\tNo call for:\n"
                      "row\t5\t7\t1 mins 30 secs\n"
                      "closed\t129\t1\n"},
        // No call of the key in the log: nothing to count the time from.
        {L"Ghost", "dialog\t129\tSUMMERY\n"
                   "row\t0\t0\tName:Ghost\n"
                   "row\t1\t1\t0 secs in call\n"
                   "row\t2\t2\t0 missed call\n"
                   "row\t3\t3\t0 secs out call\n"
                   "row\t4\t6\tNo call\n"
                   "closed\t129\t1\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunSummary(c.pszKey, L"111", 0, "dump\n").strOutput, c.pszExpected);
}

TEST(CallerSummeryDlg, SmsModeShowsTheMessagesEitherWayAndTheTimeSinceTheLatest)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-03-10T13:30:00");
    AddAnnasMonth(device);
    // Anna's latest message is the one sent to her at 11:00 local time.
    EXPECT_EQ(RunSummary(L"Anna", L"111", 1, "dump\n").strOutput, "dialog\t129\tSUMMERY\n"
                                                                   "row\t0\t0\tName:Anna\n"
                                                                   "row\t1\t4\t2 in sms\n"
                                                                   "row\t2\t5\t1 out sms\n"
                                                                   "row\t3\t6\tNo sms for\n"
                                                                   "row\t4\t7\t2 hours 30 mins\n"
                                                                   "closed\t129\t1\n");
    // Calls do not count here: Carl has none, Bert has a call but no message
    // to him.
    EXPECT_EQ(RunSummary(L"Carl", L"333", 1, "dump\n").strOutput, "dialog\t129\tSUMMERY\n"
                                                                   "row\t0\t0\tName:Carl\n"
                                                                   "row\t1\t4\t0 in sms\n"
                                                                   "row\t2\t5\t0 out sms\n"
                                                                   "row\t3\t6\tNo sms\n"
                                                                   "closed\t129\t1\n");
    EXPECT_EQ(RunSummary(L"Bert", L"222", 1, "dump\n").strOutput, "dialog\t129\tSUMMERY\n"
                                                                   "row\t0\t0\tName:Bert\n"
                                                                   "row\t1\t4\t1 in sms\n"
                                                                   "row\t2\t5\t0 out sms\n"
                                                                   "row\t3\t6\tNo sms for\n"
                                                                   "row\t4\t7\t10 days 1 hours\n"
                                                                   "closed\t129\t1\n");
}

TEST(CallerSummeryDlg, ByTimeShowsTheCallAndMessageFiguresOfTheRangeInBothModes)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddAnnasMonth(device);
    const std::string strMarch = "dialog\t129\tSUMMERY\n"
                                 "row\t0\t0\tName:Anna\n"
                                 "row\t1\t1\t1 mins 5 secs in call\n"
                                 "row\t2\t2\t1 missed call\n"
                                 "row\t3\t3\t2 mins 0 secs out call\n"
                                 "row\t4\t4\t1 in sms\n"
                                 "row\t5\t5\t1 out sms\n";
    for (int nMode : {0, 1}) {
        SCOPED_TRACE(nMode);
        SummaryRun run = RunSummary(L"Anna", L"111", nMode, kByTimeMarch);
        EXPECT_EQ(run.strOutput, "closed\t154\t1\n" + strMarch + "closed\t129\t1\n");
        EXPECT_EQ(run.strErrors, "");
    }
    // A range with nothing in it, chosen after March: the lines are replaced.
    SummaryRun run = RunSummary(L"Anna", L"111", 1,
                                std::string(kByTimeMarch) + "menu Analyse \"By Time\"\ndate 1010 2025-01-01\n"
                                                            "date 1013 2025-01-02\nmenu OK\ndump\n");
    EXPECT_EQ(run.strOutput.substr(run.strOutput.rfind("dialog")), "dialog\t129\tSUMMERY\n"
                                                                   "row\t0\t0\tName:Anna\n"
                                                                   "row\t1\t1\t0 secs in call\n"
                                                                   "row\t2\t2\t0 missed call\n"
                                                                   "row\t3\t3\t0 secs out call\n"
                                                                   "row\t4\t4\t0 in sms\n"
                                                                   "row\t5\t5\t0 out sms\n"
                                                                   "closed\t129\t1\n");
}

TEST(CallerSummeryDlg, APictureTakenRightAfterByTimeShowsItsLines)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddAnnasMonth(device);
    CTempDir dir;
    // The second picture is taken a step later, when the lines are shown
    // whatever happens; the first must not differ from it.
    RunSummary(L"Anna", L"111", 0,
               "menu Analyse \"By Time\"\ndate 1010 2024-03-01\nok\nscreenshot " + dir.File("first.png") +
                   "\ndump\nscreenshot " + dir.File("second.png") + "\n");
    QImage first(QString::fromStdString(dir.File("first.png")));
    QImage second(QString::fromStdString(dir.File("second.png")));
    ASSERT_FALSE(second.isNull());
    EXPECT_TRUE(first == second);
}

TEST(CallerSummeryDlg, ByTimeCancelledLeavesTheLinesAsTheyWere)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddAnnasMonth(device);
    for (int nMode : {0, 1}) {
        SCOPED_TRACE(nMode);
        SummaryRun run = RunSummary(L"Anna", L"111", nMode,
                                    "dump\nmenu Analyse \"By Time\"\nexpect 154\ncancel\ndump\n"
                                    "menu Analyse \"By Time\"\nmenu Cancel\ndump\n");
        std::string strFirst = run.strOutput.substr(0, run.strOutput.find("closed"));
        EXPECT_EQ(strFirst.substr(0, 22), "dialog\t129\tSUMMERY\nrow");
        EXPECT_EQ(run.strOutput, strFirst + "closed\t154\t2\n" + strFirst + "closed\t154\t2\n" + strFirst +
                                     "closed\t129\t1\n");
    }
}

TEST(CallerSummeryDlg, GetCallListShowsTheSameCallersCallsAndActions)
{
    CTestDevice device;
    AddAnnasMonth(device);
    SummaryRun run = RunSummary(L"Anna", L"5551234", 1,
                                "menu Menu \"Get Call List\"\nexpect 130\ndump\nselect 1\nmenu Dial\ncancel\n"
                                "expect 129\nmenu Menu Dial\nmenu Menu \"Send SMS\"\nmenu Menu Cancel\n");
    EXPECT_EQ(run.strOutput, "dialog\t130\tCall list\n"
                             "row\t0\t1\tAnna\t03-07 09:00:00\t111\t\n"
                             "row\t1\t0\tAnna\t03-05 09:07:03\t111\t\n"
                             "row\t2\t0\tAnna\t02-10 09:00:00\t111\t\n"
                             "row\t3\t2\tAnna\t03-06 09:00:00\t111\t\n"
                             "dial\t5551234\n"
                             "closed\t130\t2\n"
                             "dial\t5551234\n"
                             "launch\t\\windows\\tmail.exe\t-service \"Sms\"\n"
                             "launch\t\\windows\\tmail.exe\t-contact \"Anna\" mailto:5551234\n"
                             "closed\t129\t1\n");
    EXPECT_EQ(run.strErrors, "");
    EXPECT_EQ(run.nResult, IDOK) << "Cancel is the dialog's own OK action";
}

TEST(CallerSummeryDlg, FirstViewIsCountedUnderTheWaitCursorAndByTimeWithout)
{
    CTestDevice device;
    AddAnnasMonth(device);
    std::vector<bool> waits;
    SetMapiFault([&](MapiFaultStep step, int64_t) {
        if (step == MapiFaultStep::OpenMessage)
            waits.push_back(QGuiApplication::overrideCursor() &&
                            QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
        return S_OK;
    });
    bool bCursorAfter = true;
    RunSummary(L"Anna", L"111", 1, "menu Analyse \"By Time\"\nok\n",
               [&](CDialog&) { bCursorAfter = QGuiApplication::overrideCursor() != nullptr; });
    SetMapiFault({});
    // Four messages read for the first view, then four again for By Time.
    EXPECT_EQ(waits, (std::vector<bool> {true, true, true, true, false, false, false, false}));
    EXPECT_FALSE(bCursorAfter);
}

TEST(CallerSummeryDlg, MessageStoreIsOpenFromConstructionOn)
{
    CTestDevice device;
    AddAnnasMonth(device);
    CCallerSummeryDlg dlg;
    int nCount = -1;
    EXPECT_EQ(dlg.m_smsStore.GetInboxCount(&nCount), 0);
    EXPECT_EQ(nCount, 3);
}

TEST(CallerSummeryDlg, OneColumnOfLinesWithSevenIconsOverTheClientArea)
{
    CTestDevice device;
    AddAnnasMonth(device);
    QRect list;
    RECT client {};
    int nColumns = 0, nWidth = 0, nImages = 0;
    DWORD dwStyle = 0;
    RunSummary(L"Anna", L"111", 0, "", [&](CDialog& dlg) {
        CCallerSummeryDlg& summary = Summary(dlg);
        list = summary.m_list.m_hWnd->geometry();
        dlg.GetClientRect(&client);
        nColumns = summary.m_list.GetColumnCount();
        nWidth = summary.m_list.GetColumnWidth(0);
        nImages = summary.m_imageList.GetImageCount();
        dwStyle = summary.m_list.GetExtendedStyle();
    });
    EXPECT_EQ(list, QRect(0, 0, client.right, client.bottom));
    EXPECT_EQ(nColumns, 1);
    EXPECT_EQ(nWidth, client.right);
    EXPECT_EQ(nImages, 7);
    EXPECT_EQ(dwStyle, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);

    SetMenuResourceMissing(IDR_CALLER_SUMMERY_MENU, true);
    nColumns = -1;
    SummaryRun run = RunSummary(L"Anna", L"111", 0, "dump\n", [&](CDialog& dlg) {
        nColumns = Summary(dlg).m_list.GetColumnCount();
        nImages = Summary(dlg).m_imageList.GetImageCount();
    });
    SetMenuResourceMissing(IDR_CALLER_SUMMERY_MENU, false);
    EXPECT_EQ(run.strOutput, "dialog\t129\tSUMMERY\nclosed\t129\t1\n");
    EXPECT_EQ(nColumns, 0);
    EXPECT_EQ(nImages, 0);
}
