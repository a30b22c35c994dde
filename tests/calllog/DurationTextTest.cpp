#include "calllog/DurationText.h"
#include "platform/PlatformTime.h"
#include "tests/support/TestGuards.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

namespace {

constexpr int64_t kSecond = 10000000LL;

SYSTEMTIME Fields(int y, int mo, int d, int h, int mi, int s, int ms = 0)
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

class CTimeSinceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SetLocalClock([this](SYSTEMTIME* pst) { *pst = m_stNow; });
    }
    void TearDown() override
    {
        SetLocalClock({});
    }

    std::wstring SinceTicksAgo(int64_t nTicksAgo)
    {
        FILETIME ft = TicksToFileTime(static_cast<uint64_t>(static_cast<int64_t>(Ticks(m_stNow)) - nTicksAgo));
        std::wstring strOut = L"old text";
        EXPECT_EQ(FormatTimeSince(ft, strOut), 0);
        return strOut;
    }

    SYSTEMTIME m_stNow = Fields(2026, 3, 29, 12, 0, 0, 250);
};

} // namespace

TEST(DurationText, FormatDurationWritesTheLargestUnitsWithoutDays)
{
    struct Case {
        int64_t nSeconds;
        const wchar_t* pszText;
    };
    const Case kCases[] = {
        {0, L"0 secs"},
        {1, L"1 secs"},
        {59, L"59 secs"},
        {60, L"1 mins 0 secs"},
        {61, L"1 mins 1 secs"},
        {3599, L"59 mins 59 secs"},
        {3600, L"1 hours 0 mins 0 secs"},
        {3725, L"1 hours 2 mins 5 secs"},
        {90061, L"25 hours 1 mins 1 secs"},
        {360000, L"100 hours 0 mins 0 secs"},
        {4000000000LL * 3600, L"4000000000 hours 0 mins 0 secs"},
        // A negative sum is never written as a huge count.
        {-1, L"0 secs"},
        {-3725, L"0 secs"},
        {std::numeric_limits<int64_t>::min(), L"0 secs"},
    };
    for (const Case& c : kCases) {
        std::wstring strOut = L"old text";
        EXPECT_EQ(FormatDuration(strOut, c.nSeconds), 0);
        EXPECT_EQ(strOut, c.pszText) << c.nSeconds;
    }
}

TEST_F(CTimeSinceTest, WritesTheTwoLargestUnits)
{
    struct Case {
        int64_t nTicksAgo;
        const wchar_t* pszText;
    };
    const Case kCases[] = {
        {0, L"0 secs"},
        {kSecond - 1, L"0 secs"},
        {45 * kSecond, L"45 secs"},
        {60 * kSecond, L"1 mins 0 secs"},
        {125 * kSecond, L"2 mins 5 secs"},
        {3599 * kSecond + kSecond - 1, L"59 mins 59 secs"},
        {3600 * kSecond, L"1 hours 0 mins"},
        {7260 * kSecond + 59 * kSecond, L"2 hours 1 mins"},
        {86399 * kSecond, L"23 hours 59 mins"},
        {86400 * kSecond, L"1 days 0 hours"},
        {90000 * kSecond + 3599 * kSecond, L"1 days 1 hours"},
        {400LL * 86400 * kSecond, L"400 days 0 hours"},
        // A time in the future.
        {-1, L"0 secs"},
        {-86400LL * 10 * kSecond, L"0 secs"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(SinceTicksAgo(c.nTicksAgo), c.pszText) << c.nTicksAgo;
}

TEST_F(CTimeSinceTest, TheZeroTimeIsCountedInDays)
{
    // 1601-01-01 to 2026-03-29 12:00 is 155,315 days and 12 hours.
    std::wstring strOut;
    EXPECT_EQ(FormatTimeSince(FILETIME {0, 0}, strOut), 0);
    EXPECT_EQ(strOut, L"155315 days 12 hours");
    // The largest time there is lies in the future.
    EXPECT_EQ(FormatTimeSince(TicksToFileTime(~0ULL), strOut), 0);
    EXPECT_EQ(strOut, L"0 secs");
}

TEST_F(CTimeSinceTest, NowComesFromThePlatformClock)
{
    SetLocalClock({});
    CEnvVar now("RINGTALLY_NOW", "2026-10-25T02:30:00");
    std::wstring strOut;
    FormatTimeSince(TicksToFileTime(Ticks(Fields(2026, 10, 24, 1, 29, 0))), strOut);
    EXPECT_EQ(strOut, L"1 days 1 hours");
}

TEST(DurationText, CallStartsAreWrittenAsTwoDigitFields)
{
    struct Case {
        SYSTEMTIME st;
        const wchar_t* pszExpected;
    };
    const Case kCases[] = {
        {{2026, 1, 4, 2, 3, 4, 5, 600}, L"01-02 03:04:05"},
        {{2026, 12, 3, 31, 23, 59, 59, 999}, L"12-31 23:59:59"},
        {{2026, 10, 6, 10, 0, 0, 0, 0}, L"10-10 00:00:00"},
        // Out of range fields are written whole, as %02d would.
        {{2026, 123, 0, 7, 100, 9, 65535, 0}, L"123-07 100:09:65535"},
    };
    for (const Case& c : kCases) {
        wchar_t szTime[32];
        FormatCallStart(c.st, szTime);
        EXPECT_STREQ(szTime, c.pszExpected);
    }
}
