#include "reports/ActivityDlg.h"

#include "reports/CallerSummeryDlg.h"
#include "reports/RankingDlg.h"
#include "tests/support/TestDevice.h"
#include "ui/Automation.h"

#include <QChartView>

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

// Anna in January and March 2024, Bert in March (UTC; the test zone is
// Berlin).
void AddCallers(CTestDevice& device)
{
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 0, UtcTicks(2024, 3, 7, 8, 0, 0), 0),
                  MakeTestCall("Bert", "222", 1, UtcTicks(2024, 3, 6, 12, 0, 0), 600),
                  MakeTestCall("Anna", "111", 2, UtcTicks(2024, 3, 6, 8, 0, 0), 120),
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 1, 10, 8, 0, 0), 30),
              }),
              0);
    int64_t nInbox = device.Inbox(), nSent = device.Sent();
    ASSERT_EQ(device.Store().AddMessages({
                  Sms(nInbox, "Anna", UtcTicks(2024, 3, 4, 10, 0, 0)),
                  Sms(nSent, std::nullopt, UtcTicks(2024, 3, 10, 10, 0, 0), {{"Anna", "111"}}),
              }),
              0);
}

template <class TDialog> std::string RunScripted(const std::string& strScript, TDialog* pDlg)
{
    CAutomationSession session(strScript);
    std::unique_ptr<TDialog> pOwned(pDlg);
    pOwned->DoModal();
    pOwned.reset();
    session.Finish();
    EXPECT_EQ(session.Errors(), "");
    return session.Output();
}

} // namespace

// The whole phone per month, empty months as zero, and the chart drawn.
TEST(ActivityDlg, ShowsEveryMonthOfTheWholePhoneAndEveryHourOfTheWeek)
{
    CTestDevice device;
    AddCallers(device);
    int nCharts = 0;
    CAutomationSession session;
    session.AddAction(
        [&](CDialog& dlg) { nCharts = static_cast<int>(dlg.GetFrameWindow()->findChildren<QChartView*>().size()); });
    session.AddScript("dump\nmenu View \"Hours of week\"\ndump\n");
    auto pDlg = std::make_unique<CActivityDlg>();
    pDlg->DoModal();
    pDlg.reset();
    session.Finish();
    EXPECT_EQ(session.Errors(), "");
    EXPECT_EQ(nCharts, 2) << "calls and texts";
    const std::string& strOutput = session.Output();
    const std::string strMonths = "dialog\t158\tActivity: all, everything\n"
                                  "bar\t2024-01\t1\t0\t0\t0\t0\n"
                                  "bar\t2024-02\t0\t0\t0\t0\t0\n"
                                  "bar\t2024-03\t1\t1\t1\t1\t1\n"
                                  "dialog\t158\tActivity: all, everything\n";
    ASSERT_EQ(strOutput.substr(0, strMonths.size()), strMonths);
    // Then one cell per hour of the week: Anna's incoming call on Wednesday
    // 10 January at 09:00, Bert's on Wednesday 6 March at 13:00.
    EXPECT_NE(strOutput.find("cell\tWed\t9\t2\n"), std::string::npos) << "the call of 10 January and one of 6 March";
    EXPECT_NE(strOutput.find("cell\tWed\t13\t1\n"), std::string::npos);
    EXPECT_NE(strOutput.find("cell\tMon\t0\t0\n"), std::string::npos);
    size_t nCells = 0;
    for (size_t nAt = strOutput.find("cell\t"); nAt != std::string::npos; nAt = strOutput.find("cell\t", nAt + 1))
        ++nCells;
    EXPECT_EQ(nCells, 7u * 24u);
}

// From the caller summary: the caller's own figures; By Time turns the
// months into days.
TEST(ActivityDlg, OpensForTheCallerOfTheCallerSummaryAndCountsDaysOfARange)
{
    CTestDevice device;
    AddCallers(device);
    auto* pSummery = new CCallerSummeryDlg;
    pSummery->m_strName = L"Anna";
    pSummery->m_strNumber = L"111";
    std::string strOutput =
        RunScripted("menu Menu Activity\nexpect 158\ndump\n"
                    "menu Menu \"By Time\"\ndate 1010 2024-03-05\ndate 1013 2024-03-07\nok\ndump\ncancel\n",
                    pSummery);
    EXPECT_EQ(strOutput, "dialog\t158\tActivity: Anna, everything\n"
                         "bar\t2024-01\t1\t0\t0\t0\t0\n"
                         "bar\t2024-02\t0\t0\t0\t0\t0\n"
                         "bar\t2024-03\t0\t1\t1\t1\t1\n"
                         "closed\t154\t1\n"
                         "dialog\t158\tActivity: Anna, 2024-03-05 to 2024-03-07\n"
                         "bar\t2024-03-05\t0\t0\t0\t0\t0\n"
                         "bar\t2024-03-06\t0\t1\t0\t0\t0\n"
                         "bar\t2024-03-07\t0\t0\t1\t0\t0\n"
                         "closed\t158\t2\n"
                         "closed\t129\t1\n");
}

// From the ranking: the selected caller over the ranking's range.
TEST(ActivityDlg, OpensForTheSelectedCallerOfTheRankingOverItsRange)
{
    CTestDevice device;
    CEnvVar clock("RINGTALLY_NOW", "2024-04-01T09:00:00");
    AddCallers(device);
    std::string strOutput = RunScripted(
        "menu Menu Range \"Last month\"\nselect 0\nmenu Menu Activity\nexpect 158\ndump\ncancel\n", new CRankingDlg);
    EXPECT_EQ(strOutput.substr(0, strOutput.find('\n') + 1), "dialog\t158\tActivity: Bert, 2024-03-01 to 2024-03-31\n");
    EXPECT_NE(strOutput.find("bar\t2024-03-06\t1\t0\t0\t0\t0\n"), std::string::npos);
    EXPECT_NE(strOutput.find("bar\t2024-03-31\t0\t0\t0\t0\t0\n"), std::string::npos);
}
