#include "calllog/CallFigures.h"
#include "platform/PhoneCallLog.h"
#include "tests/calllog/CallTestData.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct Figures {
    int64_t nIn;
    int64_t nOut;
    int32_t nMissed;
};

void ExpectFigures(const CallFigures& figures, Figures expected)
{
    EXPECT_EQ(figures.nIncomingSeconds, expected.nIn);
    EXPECT_EQ(figures.nOutgoingSeconds, expected.nOut);
    EXPECT_EQ(figures.nMissed, expected.nMissed);
}

CallFigures CallerFigures(const wchar_t* pszKey, FILETIME* pLast = nullptr)
{
    CCallLog callLog;
    CallFigures figures {1, 2, 3};
    FILETIME last {9, 9};
    EXPECT_EQ(GetCallerCallFigures(callLog, pszKey, &figures, &last), 0);
    if (pLast)
        *pLast = last;
    return figures;
}

CallFigures CallerFigures(const wchar_t* pszKey, const TimeRange& range)
{
    CCallLog callLog;
    CallFigures figures {1, 2, 3};
    EXPECT_EQ(GetCallerCallFiguresInRange(callLog, pszKey, range, &figures), 0);
    return figures;
}

CallFigures TotalFigures()
{
    CCallLog callLog;
    CallFigures figures {1, 2, 3};
    EXPECT_EQ(GetTotalCallFigures(callLog, &figures), 0);
    return figures;
}

CallFigures TotalFigures(const TimeRange& range)
{
    CCallLog callLog;
    CallFigures figures {1, 2, 3};
    EXPECT_EQ(GetTotalCallFiguresInRange(callLog, range, &figures), 0);
    return figures;
}

// Whole local days, as the time range dialog hands them out.
TimeRange Days(int y1, int m1, int d1, int y2, int m2, int d2)
{
    return TimeRange {TicksToFileTime(LocalTicks(y1, m1, d1)), TicksToFileTime(LocalTicks(y2, m2, d2, 23, 59, 59))};
}

TimeRange Everything()
{
    return TimeRange {TicksToFileTime(0), TicksToFileTime(0x7FFFFFFFFFFFFFFFULL)};
}

} // namespace

TEST(CallFigures, UnreadableLogGivesZeroFigures)
{
    CEnvVar device("RINGTALLY_DEVICE", "/nonexistent/device.db");
    FILETIME last {};
    ExpectFigures(CallerFigures(L"Anna", &last), {0, 0, 0});
    EXPECT_EQ(FileTimeToTicks(last), 0u);
    ExpectFigures(CallerFigures(L"Anna", Everything()), {0, 0, 0});
    ExpectFigures(TotalFigures(), {0, 0, 0});
    ExpectFigures(TotalFigures(Everything()), {0, 0, 0});
}

TEST(CallFigures, ClassifiedByIomAlone)
{
    CTestDevice device;
    const int64_t t = UtcTicks(2026, 6, 1, 9);
    std::vector<DeviceCall> calls = {
        MakeCall(IOM_INCOMING, t, Seconds(10), "Anna"),
        MakeCall(IOM_OUTGOING, t + Seconds(100), Seconds(20), "Anna"),
        MakeCall(IOM_MISSED, t + Seconds(200), Seconds(40), "Anna"),
        MakeCall(3, t + Seconds(300), Seconds(80), "Anna"),
        MakeCall(-1, t + Seconds(400), Seconds(160), "Anna"),
    };
    // Flags that contradict the direction change nothing.
    calls[0].nFlags = 1;
    calls[1].nFlags = 0;
    calls[2].nFlags = 2 | 4;
    ASSERT_EQ(device.Store().AddCalls(calls), 0);

    // Per caller, a record of any other direction counts nowhere; in the
    // totals it counts as missed.
    ExpectFigures(CallerFigures(L"Anna"), {10, 20, 1});
    ExpectFigures(CallerFigures(L"Anna", Everything()), {10, 20, 1});
    ExpectFigures(TotalFigures(), {10, 20, 3});
    ExpectFigures(TotalFigures(Everything()), {10, 20, 3});
}

TEST(CallFigures, EachCallIsTruncatedToWholeSecondsBeforeAdding)
{
    struct Case {
        const char* pszWhat;
        std::vector<std::pair<int, int64_t>> calls; // direction and length in ticks
        Figures expected;
    };
    const Case kCases[] = {
        {"59.99 s", {{IOM_INCOMING, Seconds(59.99)}}, {59, 0, 0}},
        {"no length", {{IOM_OUTGOING, 0}}, {0, 0, 0}},
        {"two of 1.9 s", {{IOM_OUTGOING, Seconds(1.9)}, {IOM_OUTGOING, Seconds(1.9)}}, {0, 2, 0}},
        {"three of 40 s", {{IOM_INCOMING, Seconds(40)}, {IOM_INCOMING, Seconds(40)}, {IOM_INCOMING, Seconds(40)}},
         {120, 0, 0}},
        {"only missed", {{IOM_MISSED, Seconds(30)}, {IOM_MISSED, 0}, {IOM_MISSED, Seconds(5)}}, {0, 0, 3}},
        {"a day", {{IOM_INCOMING, Seconds(86400 + 0.5)}}, {86400, 0, 0}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszWhat);
        CTestDevice device;
        std::vector<DeviceCall> calls;
        int64_t t = UtcTicks(2026, 2, 3, 4);
        for (const auto& [iom, nLength] : c.calls) {
            calls.push_back(MakeCall(iom, t, nLength, "Anna"));
            t += Seconds(3600);
        }
        ASSERT_EQ(device.Store().AddCalls(calls), 0);
        ExpectFigures(CallerFigures(L"Anna"), c.expected);
        ExpectFigures(CallerFigures(L"Anna", Everything()), c.expected);
        ExpectFigures(TotalFigures(), c.expected);
        ExpectFigures(TotalFigures(Everything()), c.expected);
    }
}

TEST(CallFigures, RecordsEndingBeforeTheyStartAddNothing)
{
    CTestDevice device;
    const int64_t t = UtcTicks(2026, 2, 3, 4);
    DeviceCall zeroEnd = MakeCall(IOM_OUTGOING, t + Seconds(500), 0, "Anna");
    zeroEnd.nEndTime = 0;
    DeviceCall zeroStart = MakeCall(IOM_INCOMING, 0, 0, "Anna");
    zeroStart.nEndTime = t;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeCall(IOM_INCOMING, t, Seconds(30), "Anna"),
                  MakeCall(IOM_INCOMING, t + Seconds(100), -Seconds(3600), "Anna"),
                  MakeCall(IOM_OUTGOING, t + Seconds(200), Seconds(50), "Anna"),
                  MakeCall(IOM_OUTGOING, t + Seconds(300), -Seconds(1.5), "Anna"),
                  zeroEnd,
                  zeroStart,
              }),
              0);
    EXPECT_EQ(GetCallSeconds([&] {
                  CALLLOGENTRY entry {};
                  entry.ftStartTime = TicksToFileTime(5 * kTicksPerSecond);
                  return entry;
              }()),
              0);
    ExpectFigures(CallerFigures(L"Anna"), {30, 50, 0});
    ExpectFigures(CallerFigures(L"Anna", Everything()), {30, 50, 0});
    ExpectFigures(TotalFigures(), {30, 50, 0});
    ExpectFigures(TotalFigures(Everything()), {30, 50, 0});
}

TEST(CallFigures, OtherCallersNeverCount)
{
    CTestDevice device;
    const int64_t t = UtcTicks(2026, 2, 3, 4);
    ASSERT_EQ(device.Store().AddCalls({
                  MakeCall(IOM_INCOMING, t, Seconds(1), "Anna", "111"),
                  MakeCall(IOM_INCOMING, t + Seconds(10), Seconds(2), "Anna", "222"),
                  MakeCall(IOM_INCOMING, t + Seconds(20), Seconds(4), std::nullopt, "111"),
                  MakeCall(IOM_INCOMING, t + Seconds(30), Seconds(8), "anna", "111"),
                  MakeCall(IOM_OUTGOING, t + Seconds(40), Seconds(16), "", "333"),
                  MakeCall(IOM_OUTGOING, t + Seconds(50), Seconds(32), std::nullopt, std::nullopt),
                  MakeCall(IOM_MISSED, t + Seconds(60), Seconds(64), "Bert"),
              }),
              0);
    struct Case {
        const wchar_t* pszKey;
        Figures expected;
    };
    const Case kCases[] = {
        {L"Anna", {3, 0, 0}}, {L"111", {4, 0, 0}}, {L"anna", {8, 0, 0}},  {L"", {0, 48, 0}},
        {L"333", {0, 0, 0}},  {L"Bert", {0, 0, 1}}, {L"Anna ", {0, 0, 0}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszKey)));
        ExpectFigures(CallerFigures(c.pszKey), c.expected);
        ExpectFigures(CallerFigures(c.pszKey, Everything()), c.expected);
    }
    ExpectFigures(TotalFigures(), {15, 48, 1});
}

TEST(CallFigures, LatestCallIsTheLatestStartOfAnyDirection)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 1, 10, 8), Seconds(86400), "Anna"),
                  MakeCall(IOM_MISSED, UtcTicks(2026, 1, 10, 9), 0, "Anna"),
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 1, 9, 9), Seconds(60), "Anna"),
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 1, 12, 9), Seconds(60), "Bert"),
                  MakeCall(4, UtcTicks(2026, 1, 11, 9), Seconds(60), "Carl"),
              }),
              0);
    FILETIME last {};
    ExpectFigures(CallerFigures(L"Anna", &last), {60, 86400, 1});
    EXPECT_EQ(FileTimeToTicks(last), LocalTicks(2026, 1, 10, 10));
    // A record of another direction counts for the latest call, not for the figures.
    ExpectFigures(CallerFigures(L"Carl", &last), {0, 0, 0});
    EXPECT_EQ(FileTimeToTicks(last), LocalTicks(2026, 1, 11, 10));
    CallerFigures(L"Dora", &last);
    EXPECT_EQ(FileTimeToTicks(last), 0u);
}

// Winter days in Berlin: local time is UTC + 1.
TEST(CallFigures, RangeHoldsCallsThatStartAndEndWithinIt)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  // Starts exactly at the start of 2026-02-10.
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 2, 9, 23), Seconds(1), "Anna"),
                  // Ends exactly at 23:59:59 on 2026-02-12.
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 2, 12, 22, 59, 57), Seconds(2), "Anna"),
                  // Runs over the end by less than a second.
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 2, 12, 22, 59, 50), Seconds(9.5), "Anna"),
                  // 23:59 on the last day to 00:01 on the next.
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 2, 12, 22, 59), Seconds(120), "Anna"),
                  // 23:59 on the day before to 00:01 on the first day.
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 2, 9, 22, 59), Seconds(120), "Anna"),
                  // One second before the start, zero length.
                  MakeCall(IOM_MISSED, UtcTicks(2026, 2, 9, 22, 59, 59), 0, "Anna"),
                  // A missed call inside counts only as missed.
                  MakeCall(IOM_MISSED, UtcTicks(2026, 2, 11, 12), Seconds(30), "Anna"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 2, 11, 13), Seconds(45), "Anna"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 2, 11, 14), Seconds(1000), "Bert"),
                  MakeCall(6, UtcTicks(2026, 2, 11, 15), Seconds(1000), "Bert"),
              }),
              0);
    const TimeRange range = Days(2026, 2, 10, 2026, 2, 12);
    ExpectFigures(CallerFigures(L"Anna", range), {3, 45, 1});
    ExpectFigures(CallerFigures(L"Bert", range), {0, 1000, 0});
    ExpectFigures(TotalFigures(range), {3, 1045, 2});

    // One day, and a range that ends before it starts.
    ExpectFigures(CallerFigures(L"Anna", Days(2026, 2, 11, 2026, 2, 11)), {0, 45, 1});
    const TimeRange reversed = Days(2026, 2, 12, 2026, 2, 10);
    ExpectFigures(CallerFigures(L"Anna", reversed), {0, 0, 0});
    ExpectFigures(TotalFigures(reversed), {0, 0, 0});
}

TEST(CallFigures, RangeBoundsOnDaylightSavingDays)
{
    // In Berlin 2026-03-29 has 23 hours (00:00 is 23:00 UTC the day before,
    // 23:59:59 is 21:59:59 UTC) and 2026-10-25 has 25 hours (00:00 is 22:00
    // UTC the day before, 23:59:59 is 22:59:59 UTC).
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 3, 28, 22, 59, 59), Seconds(16), "spring"),
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 3, 28, 23), Seconds(1), "spring"),
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 3, 29, 1, 30), Seconds(2), "spring"),
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 3, 29, 21, 59, 55), Seconds(4), "spring"),
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 3, 29, 21, 59, 55), Seconds(5), "spring"),
                  MakeCall(IOM_MISSED, UtcTicks(2026, 3, 29, 22, 30), 0, "spring"),

                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 10, 24, 21, 59, 59), Seconds(16), "autumn"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 10, 24, 22), Seconds(1), "autumn"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 10, 25, 0, 30), Seconds(2), "autumn"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 10, 25, 1, 30), Seconds(4), "autumn"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 10, 25, 22, 59, 51), Seconds(8), "autumn"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 10, 25, 22, 59, 51), Seconds(9), "autumn"),
                  MakeCall(IOM_MISSED, UtcTicks(2026, 10, 25, 22, 30), 0, "autumn"),
              }),
              0);
    ExpectFigures(CallerFigures(L"spring", Days(2026, 3, 29, 2026, 3, 29)), {7, 0, 0});
    ExpectFigures(CallerFigures(L"autumn", Days(2026, 10, 25, 2026, 10, 25)), {0, 15, 1});
    ExpectFigures(TotalFigures(Days(2026, 3, 29, 2026, 3, 29)), {7, 0, 0});
    ExpectFigures(TotalFigures(Days(2026, 10, 25, 2026, 10, 25)), {0, 15, 1});
    ExpectFigures(CallerFigures(L"spring", Days(2026, 3, 30, 2026, 3, 30)), {0, 0, 1});
    ExpectFigures(CallerFigures(L"autumn", Days(2026, 10, 24, 2026, 10, 24)), {0, 0, 0});
}

TEST(CallFigures, CallsAcrossAClockChangeKeepTheirRealLength)
{
    // Berlin's clocks go from 02:00 to 03:00 on 2026-03-29 (01:00 UTC) and
    // from 03:00 back to 02:00 on 2026-10-25 (01:00 UTC).
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 3, 29, 0, 59), Seconds(120), "spring"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 10, 25, 0, 59), Seconds(120), "autumn"),
              }),
              0);
    ExpectFigures(CallerFigures(L"spring"), {120, 0, 0});
    ExpectFigures(CallerFigures(L"autumn"), {0, 120, 0});
    ExpectFigures(TotalFigures(), {120, 120, 0});
    ExpectFigures(TotalFigures(Days(2026, 3, 29, 2026, 3, 29)), {120, 0, 0});
    ExpectFigures(TotalFigures(Days(2026, 10, 25, 2026, 10, 25)), {0, 120, 0});
}

TEST(CallFigures, EachComputationReadsTheLogOnce)
{
    CTestDevice device;
    std::vector<DeviceCall> calls;
    const char* kNames[] = {"Anna", "Bert", "Carl"};
    for (int i = 0; i < 600; ++i)
        calls.push_back(MakeCall(i % 4, UtcTicks(2026, 1, 1) + i * Seconds(3600), Seconds(i % 90), kNames[i % 3]));
    ASSERT_EQ(device.Store().AddCalls(calls), 0);
    CCallLog callLog;
    WarmUp(callLog);

    CallFigures figures;
    FILETIME last;
    const TimeRange range = Days(2026, 1, 5, 2026, 1, 20);
    const std::pair<const char*, std::function<void()>> kComputations[] = {
        {"caller", [&] { GetCallerCallFigures(callLog, L"Bert", &figures, &last); }},
        {"caller in range", [&] { GetCallerCallFiguresInRange(callLog, L"Bert", range, &figures); }},
        {"total", [&] { GetTotalCallFigures(callLog, &figures); }},
        {"total in range", [&] { GetTotalCallFiguresInRange(callLog, range, &figures); }},
    };
    for (const auto& [pszName, compute] : kComputations) {
        uint64_t nBefore = PhoneCallLogRowsRead();
        compute();
        EXPECT_EQ(PhoneCallLogRowsRead() - nBefore, 600u) << pszName;
    }
}

// The single pass gives what the record-by-record walks of the caller
// summary give.
TEST(CallFigures, AgreesWithTheRecordByRecordWalks)
{
    CTestDevice device;
    std::vector<DeviceCall> calls;
    const char* kNames[] = {"Anna", "Bert", "Carl", ""};
    uint32_t nSeed = 12345;
    auto next = [&] { return nSeed = nSeed * 1103515245u + 12345u, nSeed >> 8; };
    for (int i = 0; i < 200; ++i) {
        int64_t nStart = UtcTicks(2026, 1, 1) + static_cast<int64_t>(next() % (400 * 86400)) * kTicksPerSecond;
        calls.push_back(MakeCall(static_cast<int>(next() % 4), nStart, static_cast<int64_t>(next() % 50000000),
                                 kNames[next() % 4]));
    }
    ASSERT_EQ(device.Store().AddCalls(calls), 0);
    CCallLog callLog;
    const TimeRange range = Days(2026, 3, 1, 2026, 11, 30);
    for (const wchar_t* pszKey : {L"Anna", L"Bert", L"Carl", L""}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(pszKey)));
        CallFigures walked, walkedInRange;
        CALLLOGENTRY entry;
        for (int nType : {IOM_INCOMING, IOM_OUTGOING, IOM_MISSED}) {
            for (DWORD n = 0; callLog.GetCallerEntryOfType(nType, n, pszKey, &entry) == 0; ++n) {
                int64_t nSeconds = static_cast<int64_t>(FileTimeToTicks(entry.ftEndTime) -
                                                        FileTimeToTicks(entry.ftStartTime)) /
                                   kTicksPerSecond;
                bool bIn = IsCallInRange(entry, range);
                for (CallFigures* p : {&walked, bIn ? &walkedInRange : nullptr}) {
                    if (!p)
                        continue;
                    if (nType == IOM_INCOMING)
                        p->nIncomingSeconds += nSeconds;
                    else if (nType == IOM_OUTGOING)
                        p->nOutgoingSeconds += nSeconds;
                    else
                        ++p->nMissed;
                }
                callLog.FreeEntry(&entry);
            }
        }
        FILETIME last;
        CallFigures figures = CallerFigures(pszKey, &last);
        ExpectFigures(figures, {walked.nIncomingSeconds, walked.nOutgoingSeconds, walked.nMissed});
        FILETIME walkedLast;
        callLog.GetLastCallTime(pszKey, &walkedLast);
        EXPECT_EQ(FileTimeToTicks(last), FileTimeToTicks(walkedLast));
        ExpectFigures(CallerFigures(pszKey, range),
                      {walkedInRange.nIncomingSeconds, walkedInRange.nOutgoingSeconds, walkedInRange.nMissed});
    }
}
