#include "figures/RankingRange.h"

#include "platform/PlatformTime.h"

#include <cwchar>

namespace {

constexpr uint64_t kTicksPerDay = 24ULL * 3600 * 10000000;

FILETIME DayStart(int nYear, int nMonth, int nDay)
{
    SYSTEMTIME st {};
    st.wYear = static_cast<WORD>(nYear);
    st.wMonth = static_cast<WORD>(nMonth);
    st.wDay = static_cast<WORD>(nDay);
    FILETIME ft {};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

FILETIME DayEnd(const FILETIME& dayStart)
{
    return TicksToFileTime(FileTimeToTicks(dayStart) + kTicksPerDay - 10000000);
}

// The last day of a month is the day before the first of the next.
FILETIME MonthEnd(int nYear, int nMonth)
{
    FILETIME next = nMonth == 12 ? DayStart(nYear + 1, 1, 1) : DayStart(nYear, nMonth + 1, 1);
    return TicksToFileTime(FileTimeToTicks(next) - 10000000);
}

} // namespace

bool GetPeriodRange(RankingPeriod period, const SYSTEMTIME& today, TimeRange* pRange)
{
    int nYear = today.wYear, nMonth = today.wMonth;
    FILETIME ftToday = DayStart(nYear, nMonth, today.wDay);
    switch (period) {
    case RankingPeriod::Last30Days:
        pRange->start = TicksToFileTime(FileTimeToTicks(ftToday) - 29 * kTicksPerDay);
        pRange->end = DayEnd(ftToday);
        return true;
    case RankingPeriod::ThisMonth:
        pRange->start = DayStart(nYear, nMonth, 1);
        pRange->end = MonthEnd(nYear, nMonth);
        return true;
    case RankingPeriod::LastMonth:
        if (--nMonth == 0) {
            nMonth = 12;
            --nYear;
        }
        pRange->start = DayStart(nYear, nMonth, 1);
        pRange->end = MonthEnd(nYear, nMonth);
        return true;
    case RankingPeriod::ThisYear:
    case RankingPeriod::LastYear:
        if (period == RankingPeriod::LastYear)
            --nYear;
        pRange->start = DayStart(nYear, 1, 1);
        pRange->end = MonthEnd(nYear, 12);
        return true;
    case RankingPeriod::Everything:
    case RankingPeriod::Days:
        break;
    }
    return false;
}

std::wstring DateText(const FILETIME& ft)
{
    SYSTEMTIME st {};
    FileTimeToSystemTime(&ft, &st);
    wchar_t szText[16];
    std::swprintf(szText, std::size(szText), L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
    return szText;
}

std::wstring RangeText(const TimeRange* pRange)
{
    if (!pRange)
        return L"everything";
    return DateText(pRange->start) + L" to " + DateText(pRange->end);
}
