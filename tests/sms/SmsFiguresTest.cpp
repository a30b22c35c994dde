#include "sms/SmsFigures.h"

#include "platform/PlatformTime.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

DeviceMessage Sms(int64_t nFolder, std::optional<std::string> strSender, std::optional<int64_t> nTime,
                  std::vector<DeviceRecipient> recipients = {})
{
    return DeviceMessage {nFolder, std::move(strSender), std::nullopt, nTime, std::string("hi"),
                          std::move(recipients)};
}

uint64_t Ticks(const FILETIME& ft)
{
    return FileTimeToTicks(ft);
}

} // namespace

// The caller summary takes its three SMS figures from one read of each
// folder; they must be exactly those of the three separate operations.
TEST(SmsFigures, MatchTheSeparateCountsWithOneReadOfEachFolder)
{
    CTestDevice device;
    int64_t nInbox = device.Inbox(), nSent = device.Sent();
    int64_t nDay = UtcTicks(2024, 3, 1);
    constexpr int64_t kHour = 3600LL * 10000000LL;
    ASSERT_EQ(device.Store().AddMessages({
                  Sms(nInbox, "Anna Smith", nDay + 5 * kHour),
                  Sms(nInbox, "Anna Smith", nDay + 2 * kHour),
                  Sms(nInbox, "+4912345", nDay + 9 * kHour),
                  Sms(nInbox, "Bob", std::nullopt),
                  Sms(nInbox, std::nullopt, nDay + 20 * kHour),
                  Sms(nSent, std::nullopt, nDay + 9 * kHour, {{"Anna Smith", "+4912345"}, {"Bob", "555"}}),
                  Sms(nSent, std::nullopt, nDay + 1 * kHour, {{"Carl", "777"}}),
                  Sms(nSent, std::nullopt, nDay + 30 * kHour, {}),
              }),
              0);
    // Anna: latest on the Sent side; +4912345: a tie, both sides at 09:00;
    // Bob: only a message without a time; "": every non-empty address.
    CSmsStore store;
    store.Open();
    for (LPCWSTR pszKey : {L"Anna", L"+4912345", L"Bob", L"Carl", L"", L"anna", L"Nobody"}) {
        SCOPED_TRACE(testing::Message() << "key " << testing::PrintToString(std::wstring(pszKey)));
        int nReceived = -1, nSent = -1;
        FILETIME ftLast {};
        store.GetCallerInboxCount(pszKey, &nReceived);
        store.GetCallerSentCount(pszKey, &nSent);
        store.GetLastSmsTime(pszKey, &ftLast);

        MapiReadCounts before = MapiStoreReadCounts();
        CallerSmsFigures figures;
        figures.nReceived = 99;
        EXPECT_EQ(GetCallerSmsFigures(store, pszKey, &figures), 0);
        MapiReadCounts after = MapiStoreReadCounts();

        EXPECT_EQ(figures.nReceived, nReceived);
        EXPECT_EQ(figures.nSent, nSent);
        EXPECT_EQ(Ticks(figures.ftLast), Ticks(ftLast));
        EXPECT_EQ(after.nFoldersOpened - before.nFoldersOpened, 2u);
        EXPECT_EQ(after.nMessagesOpened - before.nMessagesOpened, 8u);
    }
    CallerSmsFigures figures;
    ASSERT_EQ(GetCallerSmsFigures(store, L"Anna", &figures), 0);
    EXPECT_EQ(figures.nReceived, 2);
    EXPECT_EQ(figures.nSent, 1);
    EXPECT_EQ(Ticks(figures.ftLast), static_cast<uint64_t>(nDay + 10 * kHour)) << "09:00 UTC is 10:00 in Berlin";
    EXPECT_EQ(GetCallerSmsFigures(store, L"Anna", nullptr), -1);
}

TEST(SmsFigures, NoStoreGivesZeroFigures)
{
    CSmsStore store; // never opened: no session
    CallerSmsFigures figures {5, 6, FILETIME {1, 1}};
    EXPECT_EQ(GetCallerSmsFigures(store, L"Anna", &figures), 0);
    EXPECT_EQ(figures.nReceived, 0);
    EXPECT_EQ(figures.nSent, 0);
    EXPECT_EQ(Ticks(figures.ftLast), 0u);
}
