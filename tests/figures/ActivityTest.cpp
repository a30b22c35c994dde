#include "figures/Activity.h"

#include "calllog/CallFigures.h"
#include "platform/PlatformTime.h"
#include "sms/SmsFigures.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

DeviceMessage Sms(int64_t nFolder, std::optional<std::string> strSender, std::optional<int64_t> nTime,
                  std::vector<DeviceRecipient> recipients = {})
{
    return DeviceMessage {nFolder, std::move(strSender), std::nullopt, nTime, std::string("hi"), std::move(recipients)};
}

// Anna in January and March 2024 and nothing in February; Bert once in
// March; a record of another direction; a text without a time (UTC; the
// test zone is Berlin, one hour ahead in winter).
void AddActivity(CTestDevice& device)
{
    ASSERT_EQ(device.Store().AddCalls({
                  MakeTestCall("Anna", "111", 1, UtcTicks(2024, 1, 8, 8, 30)),  // Monday 09:30
                  MakeTestCall("Anna", "111", 2, UtcTicks(2024, 1, 8, 8, 45)),  // Monday 09:45
                  MakeTestCall("Anna", "111", 0, UtcTicks(2024, 3, 2, 22, 10)), // Saturday 23:10
                  MakeTestCall("Anna", "111", 7, UtcTicks(2024, 3, 3, 12, 0)),  // Sunday 13:00
                  MakeTestCall("Bert", "222", 1, UtcTicks(2024, 3, 2, 23, 30)), // Sunday 00:30
              }),
              0);
    int64_t nInbox = device.Inbox(), nSent = device.Sent();
    ASSERT_EQ(device.Store().AddMessages({
                  Sms(nInbox, "Anna", UtcTicks(2024, 1, 31, 22, 59)), // Wednesday 23:59
                  Sms(nSent, std::nullopt, UtcTicks(2024, 3, 4, 7, 0), {{"Anna", "111"}}),
                  Sms(nInbox, "Anna", std::nullopt),
              }),
              0);
}

std::wstring Bars(const ActivityFigures& figures)
{
    std::wstring strText;
    for (const ActivityBar& bar : figures.bars)
        strText += bar.strLabel + L" " + std::to_wstring(bar.nIncoming) + L"/" + std::to_wstring(bar.nOutgoing) + L"/" +
                   std::to_wstring(bar.nMissed) + L" " + std::to_wstring(bar.nReceived) + L"/" +
                   std::to_wstring(bar.nSent) + L"\n";
    return strText;
}

int HourTotal(const ActivityFigures& figures)
{
    int nTotal = 0;
    for (const auto& day : figures.hours)
        for (int nCount : day)
            nTotal += nCount;
    return nTotal;
}

} // namespace

TEST(Activity, MonthsFromTheFirstRecordToTheLastWithEmptyMonthsAsZero)
{
    CTestDevice device;
    AddActivity(device);
    CCallLog callLog;
    CSmsStore smsStore;
    smsStore.Open();
    ActivityFigures anna;
    ASSERT_EQ(GetActivity(callLog, smsStore, L"Anna", nullptr, &anna), 0);
    EXPECT_FALSE(anna.bByDay);
    EXPECT_EQ(Bars(anna), L"2024-01 1/1/0 1/0\n"
                          L"2024-02 0/0/0 0/0\n"
                          L"2024-03 0/0/1 0/1\n");
    EXPECT_EQ(anna.hours[0][9], 2);  // Monday 09:00
    EXPECT_EQ(anna.hours[5][23], 1); // Saturday 23:00
    EXPECT_EQ(anna.hours[2][23], 1); // Wednesday 23:00
    EXPECT_EQ(anna.hours[0][8], 1);  // Monday 08:00, the text sent
    EXPECT_EQ(HourTotal(anna), 5);

    // The whole phone counts the other direction as missed, as the totals do.
    ActivityFigures phone;
    ASSERT_EQ(GetActivity(callLog, smsStore, nullptr, nullptr, &phone), 0);
    EXPECT_EQ(Bars(phone), L"2024-01 1/1/0 1/0\n"
                           L"2024-02 0/0/0 0/0\n"
                           L"2024-03 1/0/2 0/1\n");
    EXPECT_EQ(phone.hours[6][0], 1); // Bert, Sunday 00:30
    EXPECT_EQ(HourTotal(phone), 7);

    ActivityFigures none;
    ASSERT_EQ(GetActivity(callLog, smsStore, L"Nobody", nullptr, &none), 0);
    EXPECT_TRUE(none.bars.empty());
    EXPECT_EQ(GetActivity(callLog, smsStore, nullptr, nullptr, nullptr), -1);
}

TEST(Activity, DaysOfARangeAgreeWithTheCallerSummary)
{
    CTestDevice device;
    AddActivity(device);
    CCallLog callLog;
    CSmsStore smsStore;
    smsStore.Open();
    TimeRange range {TicksToFileTime(static_cast<uint64_t>(UtcTicks(2024, 3, 1))),
                     TicksToFileTime(static_cast<uint64_t>(UtcTicks(2024, 3, 4, 23, 59, 59)))};
    ActivityFigures anna;
    ASSERT_EQ(GetActivity(callLog, smsStore, L"Anna", &range, &anna), 0);
    EXPECT_TRUE(anna.bByDay);
    EXPECT_EQ(Bars(anna), L"2024-03-01 0/0/0 0/0\n"
                          L"2024-03-02 0/0/1 0/0\n"
                          L"2024-03-03 0/0/0 0/0\n"
                          L"2024-03-04 0/0/0 0/1\n");
    CallFigures calls;
    GetCallerCallFiguresInRange(callLog, L"Anna", range, &calls);
    int nSent = 0;
    smsStore.GetCallerSentCountInRange(range.start, range.end, L"Anna", &nSent);
    int nMissed = 0, nSentBars = 0;
    for (const ActivityBar& bar : anna.bars) {
        nMissed += bar.nMissed;
        nSentBars += bar.nSent;
    }
    EXPECT_EQ(nMissed, calls.nMissed);
    EXPECT_EQ(nSentBars, nSent);
}
