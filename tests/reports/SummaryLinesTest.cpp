#include "reports/SummaryLines.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(SummaryLines, FiguresAreWrittenWithTheirFixedWords)
{
    struct Case {
        std::wstring strLine;
        const wchar_t* pszExpected;
    };
    const Case kCases[] = {
        {IncomingCallLine(3723), L"1 hours 2 mins 3 secs in call"},
        {IncomingCallLine(0), L"0 secs in call"},
        {OutgoingCallLine(120), L"2 mins 0 secs out call"},
        {OutgoingCallLine(-5), L"0 secs out call"},
        {MissedCallLine(1), L"1 missed call"},
        {MissedCallLine(0), L"0 missed call"},
        {MissedCallLine(INT_MAX), L"2147483647 missed call"},
        {ReceivedSmsLine(12), L"12 in sms"},
        {SentSmsLine(3), L"3 out sms"},
        {SentSmsLine(-1), L"-1 out sms"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(c.strLine, c.pszExpected);
}

} // namespace
