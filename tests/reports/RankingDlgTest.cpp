#include "reports/RankingDlg.h"

#include "tests/support/TestDevice.h"
#include "tests/support/TestFiles.h"
#include "ui/Automation.h"
#include "ui/ListView.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace {

DeviceMessage Sms(int64_t nFolder, std::optional<std::string> strSender, int64_t nTime,
                  std::vector<DeviceRecipient> recipients = {})
{
    return DeviceMessage {nFolder, std::move(strSender), std::nullopt, nTime, std::string("hi"), std::move(recipients)};
}

struct RankingRun {
    std::string strOutput;
    std::string strErrors;
};

RankingRun RunRanking(const std::string& strScript, const CAutomation::Action& action = nullptr)
{
    CAutomationSession session;
    if (action)
        session.AddAction(action);
    session.AddScript(strScript);
    auto pDlg = std::make_unique<CRankingDlg>();
    pDlg->DoModal();
    pDlg.reset();
    session.Finish();
    return RankingRun {session.Output(), session.Errors()};
}

CListViewWidget* RankingView(CDialog& dlg)
{
    return dynamic_cast<CListViewWidget*>(dlg.ControlById(IDC_RANKING_LIST)->m_hWnd);
}

// Anna and Bert in February and March 2024 (UTC; the test zone is Berlin),
// and a caller known only by a number who called once in January.
void AddCallers(CTestDevice& device)
{
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 0, UtcTicks(2024, 3, 7, 8, 0, 0), 0),
                  MakeTestCall("Bert", "222", 1, UtcTicks(2024, 3, 6, 12, 0, 0), 600),
                  MakeTestCall("Anna", "111", 2, UtcTicks(2024, 3, 6, 8, 0, 0), 120),
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 3, 5, 8, 7, 3), 65),
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 2, 10, 8, 0, 0), 30),
                  MakeTestCall(nullptr, "0170 555", 0, UtcTicks(2024, 1, 4, 10, 0, 0), 0),
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

} // namespace

TEST(RankingDlg, ShowsEveryCallerBusiestFirstAndSortsAndRangesFromTheMenu)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddCallers(device);
    RankingRun run = RunRanking("expect 156\ndump\n"
                                "menu Menu \"Sort by\" Missed\ndump\n"
                                // The sort stays when the range changes.
                                "menu Menu Range \"Last month\"\ndump\n"
                                "menu Menu Range Days...\nexpect 154\ndate 1010 2024-02-01\ndate 1013 2024-02-29\n"
                                "ok\nexpect 156\ndump\n"
                                // Cancelling the days keeps the range.
                                "menu Menu Range Days...\ncancel\ndump\n"
                                "menu Menu Range Everything\nmenu Menu \"Sort by\" Caller\ndump\n");
    EXPECT_EQ(run.strErrors, "");
    const std::string strEverything = "dialog\t156\tRanking: everything\n"
                                      "row\t0\t-1\tBert\t0:10:00\t0:00:00\t0\t1\t0\t2024-03-06\n"
                                      "row\t1\t-1\tAnna\t0:01:35\t0:02:00\t1\t2\t1\t2024-03-10\n"
                                      "row\t2\t-1\t0170 555\t0:00:00\t0:00:00\t1\t0\t0\t2024-01-04\n";
    const std::string strByMissed = "dialog\t156\tRanking: everything\n"
                                    "row\t0\t-1\tAnna\t0:01:35\t0:02:00\t1\t2\t1\t2024-03-10\n"
                                    "row\t1\t-1\t0170 555\t0:00:00\t0:00:00\t1\t0\t0\t2024-01-04\n"
                                    "row\t2\t-1\tBert\t0:10:00\t0:00:00\t0\t1\t0\t2024-03-06\n";
    const std::string strMarch = "dialog\t156\tRanking: 2024-03-01 to 2024-03-31\n"
                                 "row\t0\t-1\tAnna\t0:01:05\t0:02:00\t1\t1\t1\t2024-03-10\n"
                                 "row\t1\t-1\tBert\t0:10:00\t0:00:00\t0\t0\t0\t2024-03-06\n";
    const std::string strFebruary = "dialog\t156\tRanking: 2024-02-01 to 2024-02-29\n"
                                    "row\t0\t-1\tAnna\t0:00:30\t0:00:00\t0\t1\t0\t2024-02-10\n"
                                    "row\t1\t-1\tBert\t0:00:00\t0:00:00\t0\t1\t0\t2024-02-29\n";
    const std::string strByCaller = "dialog\t156\tRanking: everything\n"
                                    "row\t0\t-1\t0170 555\t0:00:00\t0:00:00\t1\t0\t0\t2024-01-04\n"
                                    "row\t1\t-1\tAnna\t0:01:35\t0:02:00\t1\t2\t1\t2024-03-10\n"
                                    "row\t2\t-1\tBert\t0:10:00\t0:00:00\t0\t1\t0\t2024-03-06\n";
    EXPECT_EQ(run.strOutput, strEverything + strByMissed + strMarch + "closed\t154\t1\n" + strFebruary +
                                 "closed\t154\t2\n" + strFebruary + strByCaller + "closed\t156\t1\n");
}

TEST(RankingDlg, TheSelectedCallerOpensTheCallerSummaryOrIsDialledAndTexted)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddCallers(device);
    RankingRun run = RunRanking("menu Analyse \"Call Log\"\n"
                                "select 1\nmenu Analyse SMS\nexpect 129\ndump\ncancel\n"
                                "select 2\nmenu Analyse \"Call Log\"\nexpect 129\ndump\ncancel\n"
                                "select 0\nmenu Menu Dial\nmenu Menu \"Send SMS\"\n");
    EXPECT_EQ(run.strErrors, "");
    EXPECT_EQ(run.strOutput, "messagebox\tError\tPlease select a item from the list\n"
                             "dialog\t129\tSUMMERY\n"
                             "row\t0\t0\tName:Anna\n"
                             "row\t1\t4\t2 in sms\n"
                             "row\t2\t5\t1 out sms\n"
                             "row\t3\t6\tNo sms for\n"
                             "row\t4\t7\t21 days 22 hours\n"
                             "closed\t129\t2\n"
                             "dialog\t129\tSUMMERY\n"
                             "row\t0\t0\tName:0170 555\n"
                             "row\t1\t1\t0 secs in call\n"
                             "row\t2\t2\t1 missed call\n"
                             "row\t3\t3\t0 secs out call\n"
                             "row\t4\t6\tNo call for:\n"
                             "row\t5\t7\t87 days 22 hours\n"
                             "closed\t129\t2\n"
                             "dial\t222\n"
                             "launch\t\\windows\\tmail.exe\t-service \"Sms\"\n"
                             "launch\t\\windows\\tmail.exe\t-contact \"Bert\" mailto:222\n"
                             "closed\t156\t1\n");
}

// People who only text have rows of their own: the caller summary of such a
// row shows the same texts, and Dial and Send SMS act on the number that the
// texts were sent to.
TEST(RankingDlg, SomeoneWhoOnlyTextsHasARowThatOpensAndDialsTheirNumber)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddCallers(device);
    int64_t nInbox = device.Inbox(), nSent = device.Sent();
    ASSERT_EQ(device.Store().AddMessages({
                  Sms(nInbox, "Cleo", UtcTicks(2024, 3, 15, 12, 0, 0)),
                  Sms(nSent, std::nullopt, UtcTicks(2024, 3, 20, 10, 0, 0), {{"Dora", "333"}}),
              }),
              0);
    RankingRun run = RunRanking("dump\nselect 4\nmenu Analyse SMS\nexpect 129\ndump\ncancel\n"
                                "menu Menu Dial\nmenu Menu \"Send SMS\"\n");
    EXPECT_EQ(run.strErrors, "");
    EXPECT_EQ(run.strOutput, "dialog\t156\tRanking: everything\n"
                             "row\t0\t-1\tBert\t0:10:00\t0:00:00\t0\t1\t0\t2024-03-06\n"
                             "row\t1\t-1\tAnna\t0:01:35\t0:02:00\t1\t2\t1\t2024-03-10\n"
                             "row\t2\t-1\t0170 555\t0:00:00\t0:00:00\t1\t0\t0\t2024-01-04\n"
                             "row\t3\t-1\tCleo\t0:00:00\t0:00:00\t0\t1\t0\t2024-03-15\n"
                             "row\t4\t-1\tDora\t0:00:00\t0:00:00\t0\t0\t1\t2024-03-20\n"
                             "dialog\t129\tSUMMERY\n"
                             "row\t0\t0\tName:Dora\n"
                             "row\t1\t4\t0 in sms\n"
                             "row\t2\t5\t1 out sms\n"
                             "row\t3\t6\tNo sms for\n"
                             "row\t4\t7\t11 days 22 hours\n"
                             "closed\t129\t2\n"
                             "dial\t333\n"
                             "launch\t\\windows\\tmail.exe\t-service \"Sms\"\n"
                             "launch\t\\windows\\tmail.exe\t-contact \"Dora\" mailto:333\n"
                             "closed\t156\t1\n");
}

// Enter on the current row opens the caller summary as Analyse > Call Log
// does, and a click on a heading sorts by that column.
TEST(RankingDlg, EnterOpensTheCallerSummaryAndAHeadingSorts)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddCallers(device);
    bool bHeadingClickable = false;
    RankingRun run = RunRanking("expect 129\ndump\ncancel\ndump\n", [&](CDialog& dlg) {
        CListViewWidget* pView = RankingView(dlg);
        bHeadingClickable = pView->horizontalHeader()->sectionsClickable();
        // The "Last" heading: the latest call or text first.
        emit pView->horizontalHeader()->sectionClicked(6);
        pView->SelectRows({0});
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(pView, &enter);
    });
    EXPECT_EQ(run.strErrors, "");
    EXPECT_TRUE(bHeadingClickable);
    EXPECT_EQ(run.strOutput.substr(0, run.strOutput.find('\n') + 1), "dialog\t129\tSUMMERY\n");
    EXPECT_NE(run.strOutput.find("row\t0\t0\tName:Anna\n"), std::string::npos);
    EXPECT_NE(run.strOutput.find("dialog\t156\tRanking: everything\n"
                                 "row\t0\t-1\tAnna\t0:01:35\t0:02:00\t1\t2\t1\t2024-03-10\n"
                                 "row\t1\t-1\tBert\t0:10:00\t0:00:00\t0\t1\t0\t2024-03-06\n"
                                 "row\t2\t-1\t0170 555\t0:00:00\t0:00:00\t1\t0\t0\t2024-01-04\n"),
              std::string::npos);
}

// Years of calls with one person add up to a talk time of four digits of
// hours: its column widens until the whole time shows, and the columns
// still fit the screen's width.
TEST(RankingDlg, TheTalkColumnsWidenToTheLongestTalkTime)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 3, 1, 8, 0, 0), 1234 * 3600 + 5),
                  MakeTestCall("Bert", "222", 2, UtcTicks(2024, 3, 6, 12, 0, 0), 600),
              }),
              0);
    std::vector<int> widths, needed;
    int nViewport = 0;
    RankingRun run = RunRanking("dump\n", [&](CDialog& dlg) {
        CListViewWidget* pView = RankingView(dlg);
        QFontMetrics metrics(pView->font());
        for (int nColumn = 0; nColumn < 7; ++nColumn) {
            widths.push_back(pView->horizontalHeader()->sectionSize(nColumn));
            needed.push_back(metrics.horizontalAdvance(pView->model()->index(0, nColumn).data().toString()));
        }
        nViewport = pView->viewport()->width();
    });
    EXPECT_EQ(run.strErrors, "");
    ASSERT_NE(run.strOutput.find("row\t0\t-1\tAnna\t1234:00:05\t0:00:00\t0\t0\t0\t2024-03-01\n"), std::string::npos);
    ASSERT_EQ(widths.size(), 7u);
    EXPECT_GT(widths[1], needed[1]);
    EXPECT_GT(widths[6], needed[6]);
    EXPECT_GT(widths[0], needed[0]);
    int nTotal = 0;
    for (int nWidth : widths)
        nTotal += nWidth;
    EXPECT_LE(nTotal, nViewport);
}

// Export writes the rows as they are shown, in their order, to the file the
// user picks: JSON for a .json file, else CSV.
TEST(RankingDlg, ExportWritesTheShownRowsToTheChosenFile)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddCallers(device);
    CTempDir dir;
    std::string strCsv = dir.File("ranking.csv"), strJson = dir.File("ranking.json");
    RankingRun run = RunRanking("menu Menu Range \"Last month\"\nmenu Menu \"Sort by\" Caller\n"
                                "choose " +
                                strCsv +
                                "\nmenu Menu Export...\n"
                                "choose " +
                                strJson +
                                "\nmenu Menu Export...\n"
                                "choose\nmenu Menu Export...\n");
    EXPECT_EQ(run.strErrors, "");
    EXPECT_EQ(run.strOutput, "filedialog\tExport ranking\nfiledialog\tExport ranking\nfiledialog\tExport ranking\n"
                             "closed\t156\t1\n");
    EXPECT_EQ(ReadFile(strCsv),
              "caller,number,talk_seconds,incoming_seconds,outgoing_seconds,missed,sms_received,sms_sent,last\r\n"
              "Anna,111,185,65,120,1,1,1,2024-03-10T11:00:00+01:00\r\n"
              "Bert,222,600,600,0,0,0,0,2024-03-06T13:00:00+01:00\r\n");
    std::string strJsonText = ReadFile(strJson);
    EXPECT_EQ(strJsonText.rfind("[\n{\"caller\":\"Anna\",\"number\":\"111\",\"talk_seconds\":185,", 0), 0u)
        << strJsonText;
}
