#include "figures/CallerRanking.h"

#include "figures/RankingRange.h"
#include "platform/PhoneCallLog.h"
#include "platform/PlatformTime.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

namespace {

constexpr int64_t kMinute = 60LL * 10000000LL;

// Callers whose names hold one another ("Ann" in "Anna", "Jo" in "John"),
// callers known only by their number, one with an empty name and one whose
// number is part of another's, so that the loose SMS match of one caller
// counts messages that belong to another too.
struct Person {
    std::optional<std::string> strName;
    std::string strNumber;
};

const std::vector<Person> kPeople = {
    {"Anna", "+4930111"},  {"Ann", "+4930112"},    {"John", "+4930113"},  {"Jo", "+4930114"},
    {std::nullopt, "555"}, {std::nullopt, "5551"}, {"", "+4930117"},      {"Carl", "+4930111"},
    {"Dora", "+4930119"},  {"Émile", "+3312345"},  {"Frank", "+4930120"}, {std::nullopt, "+4930121"},
};

// People who only text: one whose name holds two callers' names, one known
// only by a number, John's number without his name, a sender that is no
// number (Inbox only), and a second Frank, who is the caller Frank by name.
const std::vector<Person> kTexters = {
    {"Annabel", "+4930130"}, {std::nullopt, "+4930131"}, {std::nullopt, "+4930113"},
    {"BANK", ""},            {"Frank", "+4930199"},
};

// The rows the texters give, with the number Dial and Send SMS act on; the
// caller with an empty name is known to the log by that name alone, so that
// texts to their number make a row of their own.
const std::vector<std::pair<std::wstring, std::wstring>> kTexterRows = {
    {L"+4930113", L"+4930113"}, {L"+4930117", L"+4930117"}, {L"+4930131", L"+4930131"},
    {L"Annabel", L"+4930130"},  {L"BANK", L""},
};

TimeRange Days(int y1, int m1, int d1, int y2, int m2, int d2)
{
    return TimeRange {TicksToFileTime(static_cast<uint64_t>(UtcTicks(y1, m1, d1))),
                      TicksToFileTime(static_cast<uint64_t>(UtcTicks(y2, m2, d2, 23, 59, 59)))};
}

// A device of calls and texts of many callers over two years, the same
// every run.
void FillDevice(CTestDevice& device)
{
    std::mt19937 random(17);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int64_t nStart = UtcTicks(2023, 1, 1);
    std::vector<DeviceCall> calls;
    for (int i = 0; i < 3000; ++i) {
        const Person& person = kPeople[static_cast<size_t>(pick(static_cast<int>(kPeople.size())))];
        DeviceCall call;
        call.nStartTime = nStart + pick(2 * 365 * 24 * 60) * kMinute + pick(60) * 10000000LL;
        call.nEndTime = call.nStartTime + pick(4) * pick(3600) * 10000000LL;
        call.nIom = pick(10) == 0 ? 5 : pick(3);
        call.strName = person.strName;
        if (pick(8) != 0)
            call.strNumber = person.strNumber;
        calls.push_back(call);
    }
    ASSERT_EQ(device.Store().AddCalls(calls), 0);

    std::vector<Person> everyone = kPeople;
    everyone.insert(everyone.end(), kTexters.begin(), kTexters.end());
    auto anyone = [&]() -> const Person& { return everyone[static_cast<size_t>(pick(static_cast<int>(everyone.size())))]; };
    std::vector<DeviceMessage> messages;
    for (int i = 0; i < 2000; ++i) {
        const Person& person = anyone();
        DeviceMessage message;
        message.nDeliveryTime = nStart + pick(2 * 365 * 24 * 60) * kMinute;
        if (pick(20) == 0)
            message.nDeliveryTime.reset();
        message.strBody = "hi";
        // A sender without a number cannot be written to.
        if (pick(2) == 0 || person.strNumber.empty()) {
            message.nFolderId = device.Inbox();
            message.strSenderName = person.strName ? *person.strName : person.strNumber;
        } else {
            message.nFolderId = device.Sent();
            message.recipients.push_back({person.strName, person.strNumber});
            // Now and then to several people at once.
            for (int nMore = pick(5) == 0 ? 1 + pick(2) : 0; nMore > 0; --nMore) {
                const Person& other = anyone();
                if (!other.strNumber.empty())
                    message.recipients.push_back({other.strName, other.strNumber});
            }
        }
        messages.push_back(message);
    }
    ASSERT_EQ(device.Store().AddMessages(messages), 0);
}

uint64_t Ticks(const FILETIME& ft)
{
    return FileTimeToTicks(ft);
}

uint64_t Later(const FILETIME& a, const FILETIME& b)
{
    return std::max(Ticks(a), Ticks(b));
}

} // namespace

// Every row of the ranking must show exactly what the caller summary shows
// for the same caller and range, people who only text among them, and a
// caller left out must have nothing there to show.
TEST(CallerRanking, AgreesWithTheCallerSummaryForEveryCallerAndRange)
{
    CTestDevice device;
    FillDevice(device);
    CCallLog callLog;
    CSmsStore smsStore;
    smsStore.Open();

    std::set<std::wstring> allKeys;
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        allKeys.insert(CCallLog::CallerKey(entry));
        return true;
    });
    ASSERT_GE(allKeys.size(), 10u);
    for (const auto& [strKey, strNumber] : kTexterRows)
        allKeys.insert(strKey);

    struct Case {
        const char* pszName;
        std::optional<TimeRange> range;
        bool bEmpty = false;
    };
    const Case cases[] = {
        {"everything", std::nullopt},
        {"one day", Days(2023, 6, 14, 2023, 6, 14)},
        {"a month", Days(2024, 2, 1, 2024, 2, 29)},
        {"across the years", Days(2023, 11, 20, 2024, 3, 31)},
        {"before the log", Days(2020, 1, 1, 2020, 12, 31), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const TimeRange* pRange = c.range ? &*c.range : nullptr;
        std::vector<CallerRankingRow> rows;
        ASSERT_EQ(GetCallerRanking(callLog, smsStore, pRange, &rows), 0);
        EXPECT_EQ(rows.empty(), c.bEmpty);
        std::set<std::wstring> shown;
        for (const CallerRankingRow& row : rows) {
            SCOPED_TRACE(testing::Message() << "caller " << testing::PrintToString(row.strKey));
            EXPECT_TRUE(shown.insert(row.strKey).second) << "one row per caller";
            CallFigures calls;
            int nReceived = -1, nSent = -1;
            if (pRange) {
                GetCallerCallFiguresInRange(callLog, row.strKey.c_str(), *pRange, &calls);
                smsStore.GetCallerInboxCountInRange(pRange->start, pRange->end, row.strKey.c_str(), &nReceived);
                smsStore.GetCallerSentCountInRange(pRange->start, pRange->end, row.strKey.c_str(), &nSent);
            } else {
                FILETIME ftLastCall {};
                GetCallerCallFigures(callLog, row.strKey.c_str(), &calls, &ftLastCall);
                CallerSmsFigures sms;
                GetCallerSmsFigures(smsStore, row.strKey.c_str(), &sms);
                nReceived = sms.nReceived;
                nSent = sms.nSent;
                EXPECT_EQ(nReceived, row.nReceived);
                EXPECT_EQ(Ticks(row.ftLast), Later(ftLastCall, sms.ftLast));
            }
            EXPECT_EQ(row.calls.nIncomingSeconds, calls.nIncomingSeconds);
            EXPECT_EQ(row.calls.nOutgoingSeconds, calls.nOutgoingSeconds);
            EXPECT_EQ(row.calls.nMissed, calls.nMissed);
            EXPECT_EQ(row.nReceived, nReceived);
            EXPECT_EQ(row.nSent, nSent);
        }
        for (const std::wstring& strKey : allKeys) {
            if (shown.count(strKey))
                continue;
            SCOPED_TRACE(testing::Message() << "left out " << testing::PrintToString(strKey));
            ASSERT_TRUE(pRange) << "over everything every caller of the log has a row";
            CallFigures calls;
            int nReceived = -1, nSent = -1;
            GetCallerCallFiguresInRange(callLog, strKey.c_str(), *pRange, &calls);
            smsStore.GetCallerInboxCountInRange(pRange->start, pRange->end, strKey.c_str(), &nReceived);
            smsStore.GetCallerSentCountInRange(pRange->start, pRange->end, strKey.c_str(), &nSent);
            EXPECT_EQ(calls.nIncomingSeconds + calls.nOutgoingSeconds + calls.nMissed + nReceived + nSent, 0);
        }
        if (!pRange) {
            EXPECT_EQ(shown, allKeys);
            for (const auto& [strKey, strNumber] : kTexterRows) {
                auto it = std::find_if(rows.begin(), rows.end(),
                                       [&](const CallerRankingRow& row) { return row.strKey == strKey; });
                ASSERT_NE(it, rows.end());
                EXPECT_EQ(it->strNumber, strNumber) << "the number of " << testing::PrintToString(strKey);
                EXPECT_EQ(TotalTalkSeconds(*it) + it->calls.nMissed, 0);
            }
        }
        for (size_t i = 1; i < rows.size(); ++i)
            EXPECT_GE(TotalTalkSeconds(rows[i - 1]), TotalTalkSeconds(rows[i])) << "busiest first";
    }
}

// However many callers, the ranking reads the log once and each folder
// once, and each message of them once.
TEST(CallerRanking, ReadsEachSourceOnce)
{
    CTestDevice device;
    FillDevice(device);
    CCallLog callLog;
    CSmsStore smsStore;
    smsStore.Open();
    // The first walk fills the log's cache; the second is what a walk costs.
    callLog.ForEachEntry([](const CALLLOGENTRY&) { return true; });
    uint64_t nBeforeWalk = PhoneCallLogRowsRead();
    callLog.ForEachEntry([](const CALLLOGENTRY&) { return true; });
    uint64_t nOneWalk = PhoneCallLogRowsRead() - nBeforeWalk;
    ASSERT_GE(nOneWalk, 3000u);

    std::vector<CallerRankingRow> rows;
    uint64_t nCallRows = PhoneCallLogRowsRead();
    MapiReadCounts before = MapiStoreReadCounts();
    ASSERT_EQ(GetCallerRanking(callLog, smsStore, nullptr, &rows), 0);
    MapiReadCounts after = MapiStoreReadCounts();
    EXPECT_EQ(PhoneCallLogRowsRead() - nCallRows, nOneWalk);
    EXPECT_EQ(after.nFoldersOpened - before.nFoldersOpened, 2u);
    EXPECT_EQ(after.nMessagesOpened - before.nMessagesOpened, 2000u);
    EXPECT_FALSE(rows.empty());

    // A screen reads once and counts every range it is asked for from that,
    // with the rows that a read of its own would give.
    CCallerRankingSource source;
    source.Read(callLog, smsStore);
    std::vector<std::vector<CallerRankingRow>> fromSource;
    uint64_t nCallRowsBefore = PhoneCallLogRowsRead();
    before = MapiStoreReadCounts();
    const std::optional<TimeRange> ranges[] = {Days(2023, 6, 1, 2023, 6, 30), std::nullopt,
                                               Days(2024, 1, 1, 2024, 12, 31), Days(2020, 1, 1, 2020, 1, 31)};
    for (const std::optional<TimeRange>& range : ranges) {
        fromSource.emplace_back();
        source.GetRows(range ? &*range : nullptr, &fromSource.back());
    }
    after = MapiStoreReadCounts();
    EXPECT_EQ(PhoneCallLogRowsRead(), nCallRowsBefore);
    EXPECT_EQ(after.nFoldersOpened, before.nFoldersOpened);
    EXPECT_EQ(after.nMessagesOpened, before.nMessagesOpened);
    auto text = [](const std::vector<CallerRankingRow>& ranking) {
        std::wostringstream out;
        for (const CallerRankingRow& row : ranking)
            out << row.strKey << L'|' << row.strNumber << L'|' << row.calls.nIncomingSeconds << L'|'
                << row.calls.nOutgoingSeconds << L'|' << row.calls.nMissed << L'|' << row.nReceived << L'|'
                << row.nSent << L'|' << Ticks(row.ftLast) << L'\n';
        return out.str();
    };
    for (size_t i = 0; i < std::size(ranges); ++i) {
        SCOPED_TRACE(i);
        std::vector<CallerRankingRow> fresh;
        ASSERT_EQ(GetCallerRanking(callLog, smsStore, ranges[i] ? &*ranges[i] : nullptr, &fresh), 0);
        EXPECT_EQ(text(fromSource[i]), text(fresh));
        EXPECT_EQ(fresh.empty(), i == 3);
    }
}

// The sort orders of the screen: the largest figure or latest time first,
// callers from A; ties by talk time, then caller.
TEST(CallerRanking, SortsByAnyColumn)
{
    auto row = [](const wchar_t* pszKey, int64_t nIn, int64_t nOut, int nMissed, int nReceived, int nSent,
                  uint64_t nLast) {
        CallerRankingRow r;
        r.strKey = pszKey;
        r.calls = CallFigures {nIn, nOut, nMissed};
        r.nReceived = nReceived;
        r.nSent = nSent;
        r.ftLast = TicksToFileTime(nLast);
        return r;
    };
    const std::vector<CallerRankingRow> rows = {
        row(L"Bea", 10, 0, 3, 1, 9, 500),
        row(L"Al", 5, 30, 0, 7, 2, 100),
        row(L"Cy", 10, 0, 1, 7, 0, 900),
        row(L"Di", 0, 0, 3, 0, 0, 0),
    };
    struct Case {
        RankingColumn column;
        std::vector<std::wstring> order;
    };
    const Case cases[] = {
        {RankingColumn::Total, {L"Al", L"Bea", L"Cy", L"Di"}},
        {RankingColumn::Caller, {L"Al", L"Bea", L"Cy", L"Di"}},
        {RankingColumn::Incoming, {L"Bea", L"Cy", L"Al", L"Di"}},
        {RankingColumn::Outgoing, {L"Al", L"Bea", L"Cy", L"Di"}},
        {RankingColumn::Missed, {L"Bea", L"Di", L"Cy", L"Al"}},
        {RankingColumn::Received, {L"Al", L"Cy", L"Bea", L"Di"}},
        {RankingColumn::Sent, {L"Bea", L"Al", L"Cy", L"Di"}},
        {RankingColumn::Last, {L"Cy", L"Bea", L"Al", L"Di"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.column));
        std::vector<CallerRankingRow> sorted = rows;
        SortCallerRanking(&sorted, c.column);
        std::vector<std::wstring> order;
        for (const CallerRankingRow& r : sorted)
            order.push_back(r.strKey);
        EXPECT_EQ(order, c.order);
    }
}

// The periods of the ranking's menu, around the turns of a month and a year
// and a leap day.
TEST(RankingRange, PeriodsAreWholeCalendarDays)
{
    auto day = [](int y, int m, int d) {
        SYSTEMTIME st {};
        st.wYear = static_cast<WORD>(y);
        st.wMonth = static_cast<WORD>(m);
        st.wDay = static_cast<WORD>(d);
        st.wHour = 15;
        return st;
    };
    struct Case {
        SYSTEMTIME today;
        RankingPeriod period;
        const wchar_t* pszRange;
    };
    const Case cases[] = {
        {day(2024, 3, 10), RankingPeriod::Last30Days, L"2024-02-10 to 2024-03-10"},
        {day(2024, 1, 5), RankingPeriod::Last30Days, L"2023-12-07 to 2024-01-05"},
        {day(2024, 2, 10), RankingPeriod::ThisMonth, L"2024-02-01 to 2024-02-29"},
        {day(2023, 2, 28), RankingPeriod::ThisMonth, L"2023-02-01 to 2023-02-28"},
        {day(2024, 1, 31), RankingPeriod::LastMonth, L"2023-12-01 to 2023-12-31"},
        {day(2024, 3, 31), RankingPeriod::LastMonth, L"2024-02-01 to 2024-02-29"},
        {day(2024, 7, 1), RankingPeriod::ThisYear, L"2024-01-01 to 2024-12-31"},
        {day(2024, 1, 1), RankingPeriod::LastYear, L"2023-01-01 to 2023-12-31"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszRange)));
        TimeRange range {};
        ASSERT_TRUE(GetPeriodRange(c.period, c.today, &range));
        EXPECT_EQ(RangeText(&range), c.pszRange);
        SYSTEMTIME st {};
        FileTimeToSystemTime(&range.start, &st);
        EXPECT_EQ(st.wHour + st.wMinute + st.wSecond + st.wMilliseconds, 0);
        FileTimeToSystemTime(&range.end, &st);
        EXPECT_EQ(st.wHour * 10000 + st.wMinute * 100 + st.wSecond, 235959);
    }
    TimeRange range {};
    EXPECT_FALSE(GetPeriodRange(RankingPeriod::Everything, day(2024, 1, 1), &range));
    EXPECT_FALSE(GetPeriodRange(RankingPeriod::Days, day(2024, 1, 1), &range));
    EXPECT_EQ(RangeText(nullptr), L"everything");
}
