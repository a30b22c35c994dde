#include "platform/PlatformTime.h"
#include "tests/support/TestGuards.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr uint64_t kSecond = 10000000ULL;
constexpr uint64_t kUnixEpoch = 116444736000000000ULL;

SYSTEMTIME Fields(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return SYSTEMTIME {static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d),
                       static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s), static_cast<WORD>(ms)};
}

uint64_t Ticks(const SYSTEMTIME& st)
{
    FILETIME ft {};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return FileTimeToTicks(ft);
}

uint64_t ToLocal(uint64_t nUtc)
{
    FILETIME utc = TicksToFileTime(nUtc), local {};
    EXPECT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    return FileTimeToTicks(local);
}

// Sets TZ for one test and puts the old value back afterwards.
class CClockTest : public testing::Test
{
protected:
    void TearDown() override
    {
        SetLocalClock({});
    }
};

} // namespace

TEST(PlatformTime, CompareFileTimeOrdersWholeValues)
{
    const FILETIME a {0xFFFFFFFFu, 0}, b {0, 1}, c {5, 1};
    EXPECT_EQ(CompareFileTime(&a, &b), -1);
    EXPECT_EQ(CompareFileTime(&b, &a), 1);
    EXPECT_EQ(CompareFileTime(&b, &c), -1);
    EXPECT_EQ(CompareFileTime(&c, &c), 0);
}

TEST(PlatformTime, SystemTimeToFileTimeKnownInstants)
{
    EXPECT_EQ(Ticks(Fields(1601, 1, 1)), 0u);
    EXPECT_EQ(Ticks(Fields(1970, 1, 1)), kUnixEpoch);
    EXPECT_EQ(Ticks(Fields(1970, 1, 2, 0, 0, 1, 250)), kUnixEpoch + 86401 * kSecond + 2500000);
    EXPECT_EQ(Ticks(Fields(2000, 3, 1)) - Ticks(Fields(2000, 2, 28)), 2 * 86400 * kSecond);
    EXPECT_EQ(Ticks(Fields(2100, 3, 1)) - Ticks(Fields(2100, 2, 28)), 1 * 86400 * kSecond);
    // No zone shift: the fields are taken as they are, whatever TZ says.
    CTimeZone zone("America/New_York");
    EXPECT_EQ(Ticks(Fields(1970, 1, 1)), kUnixEpoch);
}

TEST(PlatformTime, SystemTimeToFileTimeRejectsInvalidFields)
{
    const SYSTEMTIME kInvalid[] = {
        Fields(1600, 12, 31), Fields(30828, 1, 1),  Fields(2026, 0, 1),          Fields(2026, 13, 1),
        Fields(2026, 1, 0),   Fields(2026, 1, 32),  Fields(2026, 4, 31),         Fields(2025, 2, 29),
        Fields(1900, 2, 29),  Fields(2026, 1, 1, 24), Fields(2026, 1, 1, 0, 60), Fields(2026, 1, 1, 0, 0, 60),
        Fields(2026, 1, 1, 0, 0, 0, 1000),
    };
    for (const SYSTEMTIME& st : kInvalid) {
        SCOPED_TRACE(testing::Message() << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour << ":"
                                        << st.wMinute << ":" << st.wSecond << "." << st.wMilliseconds);
        FILETIME ft {123, 456};
        EXPECT_FALSE(SystemTimeToFileTime(&st, &ft));
    }
    const SYSTEMTIME kValid[] = {Fields(2024, 2, 29), Fields(2000, 2, 29), Fields(30827, 12, 31, 23, 59, 59, 999)};
    for (const SYSTEMTIME& st : kValid) {
        FILETIME ft {};
        EXPECT_TRUE(SystemTimeToFileTime(&st, &ft)) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
    }
}

TEST(PlatformTime, FileTimeToSystemTimeRoundTripsWithDayOfWeek)
{
    struct Case {
        SYSTEMTIME st;
        WORD wDayOfWeek; // Sunday is 0
    };
    const Case kCases[] = {
        {Fields(1601, 1, 1), 1},
        {Fields(1970, 1, 1), 4},
        {Fields(2000, 2, 29, 12, 34, 56, 789), 2},
        {Fields(2026, 3, 29, 1, 59, 59, 999), 0},
        {Fields(2026, 10, 25, 2, 30), 0},
        {Fields(2026, 12, 31, 23, 59, 59), 4},
        {Fields(2100, 3, 1), 1},
        {Fields(30827, 12, 31, 23, 59, 59, 999), 5},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.st.wYear << "-" << c.st.wMonth << "-" << c.st.wDay);
        FILETIME ft {};
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
        SYSTEMTIME back {};
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
        EXPECT_EQ(back.wYear, c.st.wYear);
        EXPECT_EQ(back.wMonth, c.st.wMonth);
        EXPECT_EQ(back.wDay, c.st.wDay);
        EXPECT_EQ(back.wHour, c.st.wHour);
        EXPECT_EQ(back.wMinute, c.st.wMinute);
        EXPECT_EQ(back.wSecond, c.st.wSecond);
        EXPECT_EQ(back.wMilliseconds, c.st.wMilliseconds);
        EXPECT_EQ(back.wDayOfWeek, c.wDayOfWeek);
    }
    // Every day over several leap cycles comes back as the day it was.
    for (uint64_t nDay = 0; nDay < 3000; ++nDay) {
        FILETIME ft = TicksToFileTime(Ticks(Fields(1999, 1, 1)) + nDay * 86400 * kSecond + 123 * kSecond);
        SYSTEMTIME st {};
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
        FILETIME again {};
        ASSERT_TRUE(SystemTimeToFileTime(&st, &again));
        ASSERT_EQ(FileTimeToTicks(again), FileTimeToTicks(ft)) << nDay;
        ASSERT_EQ(st.wDayOfWeek, (5 + nDay) % 7) << nDay; // 1999-01-01 was a Friday
    }
    FILETIME tooLarge = TicksToFileTime(0x8000000000000000ULL);
    SYSTEMTIME st {};
    EXPECT_FALSE(FileTimeToSystemTime(&tooLarge, &st));
}

TEST(PlatformTime, LocalTimeUsesTheOffsetInForceAtTheInstant)
{
    // Berlin moves to summer time at 01:00 UTC on 2026-03-29 and back at
    // 01:00 UTC on 2026-10-25.
    struct Case {
        SYSTEMTIME utc;
        SYSTEMTIME local;
    };
    const Case kCases[] = {
        {Fields(2026, 1, 15, 12), Fields(2026, 1, 15, 13)},
        {Fields(2026, 7, 1, 12), Fields(2026, 7, 1, 14)},
        {Fields(2026, 3, 29, 0, 59, 59), Fields(2026, 3, 29, 1, 59, 59)},
        {Fields(2026, 3, 29, 1), Fields(2026, 3, 29, 3)},
        {Fields(2026, 3, 28, 23), Fields(2026, 3, 29, 0)},
        {Fields(2026, 10, 25, 0, 59, 59), Fields(2026, 10, 25, 2, 59, 59)},
        {Fields(2026, 10, 25, 1), Fields(2026, 10, 25, 2)},
        {Fields(2026, 10, 24, 22), Fields(2026, 10, 25, 0)},
        {Fields(2026, 12, 31, 23, 30), Fields(2027, 1, 1, 0, 30)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.utc.wMonth << "-" << c.utc.wDay << " " << c.utc.wHour << ":"
                                        << c.utc.wMinute);
        EXPECT_EQ(ToLocal(Ticks(c.utc)), Ticks(c.local));
    }
}

TEST(PlatformTime, LocalTimeFollowsTheProcessZone)
{
    {
        CTimeZone zone("<+02>-2");
        EXPECT_EQ(ToLocal(Ticks(Fields(2026, 1, 15, 12))), Ticks(Fields(2026, 1, 15, 14)));
    }
    {
        CTimeZone zone("America/New_York");
        EXPECT_EQ(ToLocal(Ticks(Fields(2026, 1, 15, 3))), Ticks(Fields(2026, 1, 14, 22)));
        EXPECT_EQ(ToLocal(Ticks(Fields(2026, 7, 15, 3))), Ticks(Fields(2026, 7, 14, 23)));
        // Before 1601 in local time there is nothing to hand out.
        FILETIME zero {0, 0}, local {77, 77};
        EXPECT_FALSE(FileTimeToLocalFileTime(&zero, &local));
    }
    EXPECT_EQ(ToLocal(Ticks(Fields(2026, 1, 15, 12))), Ticks(Fields(2026, 1, 15, 13)));
}

TEST_F(CClockTest, GetLocalTimeReadsTheFixedClock)
{
    CEnvVar now("RINGTALLY_NOW", "2026-03-29T02:30:15");
    SYSTEMTIME st {};
    GetLocalTime(&st);
    EXPECT_EQ(st.wYear, 2026);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 29);
    EXPECT_EQ(st.wHour, 2);
    EXPECT_EQ(st.wMinute, 30);
    EXPECT_EQ(st.wSecond, 15);
    EXPECT_EQ(st.wMilliseconds, 0);
    EXPECT_EQ(st.wDayOfWeek, 0);

    // The in-process clock replaces every other source until reset.
    SetLocalClock([](SYSTEMTIME* pst) { *pst = Fields(2030, 6, 1, 8, 9, 10, 11); });
    GetLocalTime(&st);
    EXPECT_EQ(st.wYear, 2030);
    EXPECT_EQ(st.wMilliseconds, 11);
    SetLocalClock({});
    GetLocalTime(&st);
    EXPECT_EQ(st.wYear, 2026);
}

TEST_F(CClockTest, GetLocalTimeWithoutFixedClockIsTheSystemsLocalTime)
{
    const char* kIgnored[] = {"", "tomorrow"};
    for (const char* pszNow : kIgnored) {
        CEnvVar now("RINGTALLY_NOW", pszNow);
        time_t nBefore = std::time(nullptr);
        SYSTEMTIME st {};
        GetLocalTime(&st);
        time_t nAfter = std::time(nullptr);
        FILETIME ftBefore = TicksToFileTime(kUnixEpoch + static_cast<uint64_t>(nBefore) * kSecond), localBefore {};
        // time() reads a coarse clock that may lag the precise one by a tick.
        FILETIME ftAfter = TicksToFileTime(kUnixEpoch + static_cast<uint64_t>(nAfter + 2) * kSecond), localAfter {};
        ASSERT_TRUE(FileTimeToLocalFileTime(&ftBefore, &localBefore));
        ASSERT_TRUE(FileTimeToLocalFileTime(&ftAfter, &localAfter));
        uint64_t nNow = Ticks(st);
        EXPECT_LE(FileTimeToTicks(localBefore), nNow) << pszNow;
        EXPECT_LT(nNow, FileTimeToTicks(localAfter)) << pszNow;
    }
}

TEST(PlatformTime, ParseLocalTimeText)
{
    struct Case {
        const char* pszText;
        bool bOk;
        SYSTEMTIME st;
    };
    const Case kCases[] = {
        {"2026-03-29T02:30:15", true, Fields(2026, 3, 29, 2, 30, 15)},
        {"2024-02-29", true, Fields(2024, 2, 29)},
        {"2025-02-29T00:00:00", false, {}},
        {"2026-03-29T24:00:00", false, {}},
        {"2026-03-29 02:30:15", false, {}},
        {"2026-03-29T02:30:15Z", false, {}},
        {"2026-03-29T02:30", false, {}},
        {"yesterday", false, {}},
        {"", false, {}},
    };
    for (const Case& c : kCases) {
        SYSTEMTIME st {};
        EXPECT_EQ(ParseLocalTimeText(c.pszText, &st) != 0, c.bOk) << c.pszText;
        if (c.bOk) {
            EXPECT_EQ(Ticks(st), Ticks(c.st)) << c.pszText;
        }
    }
}
