#include "platform/PlatformTime.h"

#include "device/FileTimeTicks.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int64_t kTicksPerDay = 86400LL * kTicksPerSecond;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kDaysTo1970 = 134774;
constexpr uint64_t kLargestFileTime = 0x7FFFFFFFFFFFFFFFULL;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* pYear, unsigned* pMonth, unsigned* pDay)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *pDay = doy - (153 * mp + 2) / 5 + 1;
    *pMonth = mp < 10 ? mp + 3 : mp - 9;
    *pYear = static_cast<int64_t>(yoe) + era * 400 + (*pMonth <= 2);
}

bool IsLeapYear(unsigned y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(unsigned y, unsigned m)
{
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Counts the zone's changes, so that remembered offsets of an earlier zone
// are never used; starts at 1 so that an empty slot never matches.
std::atomic<uint64_t> g_nZoneGeneration {1};

// tzset() re-reads the zone files on every call when TZ is unset, which
// would dominate a pass over a large log; it runs again only when TZ changes.
void RefreshZone()
{
    static std::mutex s_mutex;
    static bool s_bSet = false;
    static std::string s_strZone;
    const char* pszZone = std::getenv("TZ");
    std::string_view strZone = pszZone ? std::string_view(pszZone) : std::string_view("\x01unset");
    // What this thread saw last: a pass converting a million times finds
    // the zone unchanged without taking the lock each time.
    thread_local std::string t_strZone;
    thread_local uint64_t t_nGeneration = 0;
    if (t_nGeneration == g_nZoneGeneration.load(std::memory_order_acquire) && t_strZone == strZone)
        return;
    std::lock_guard<std::mutex> lock(s_mutex);
    if (!s_bSet || s_strZone != strZone) {
        tzset();
        ++g_nZoneGeneration;
        s_bSet = true;
        s_strZone = strZone;
    }
    t_strZone = s_strZone;
    t_nGeneration = g_nZoneGeneration.load();
}

bool ExactZoneOffset(time_t nUnix, long* pnOffset)
{
    tm local {};
    if (!localtime_r(&nUnix, &local))
        return false;
    *pnOffset = local.tm_gmtoff;
    return true;
}

// The zone's offset at an instant. A pass over a large log converts millions
// of times that mostly share a few offsets, so the offset is remembered per
// hour whose start and end have the same offset; an hour with a change in
// it is always asked afresh. (No zone changes its offset twice in an hour.)
bool ZoneOffset(time_t nUnix, long* pnOffset)
{
    constexpr time_t kSlot = 60 * 60;
    constexpr size_t kSlots = 4096;
    struct Slot {
        time_t nSlot = 0;
        long nOffset = 0;
        uint64_t nGeneration = 0;
    };
    static std::mutex s_mutex;
    static std::vector<Slot> s_slots(kSlots);
    time_t nSlot = nUnix >= 0 ? nUnix / kSlot : (nUnix - kSlot + 1) / kSlot;
    uint64_t nGeneration = g_nZoneGeneration.load(std::memory_order_acquire);
    // The slot this thread used last: times read in order mostly share it,
    // and then no lock is taken.
    thread_local Slot t_last;
    if (t_last.nGeneration == nGeneration && t_last.nSlot == nSlot) {
        *pnOffset = t_last.nOffset;
        return true;
    }
    Slot& slot = s_slots[static_cast<size_t>(nSlot) % kSlots];
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        if (slot.nGeneration == nGeneration && slot.nSlot == nSlot) {
            *pnOffset = slot.nOffset;
            t_last = slot;
            return true;
        }
    }
    long nFirst = 0, nLast = 0;
    if (!ExactZoneOffset(nSlot * kSlot, &nFirst) || !ExactZoneOffset(nSlot * kSlot + kSlot - 1, &nLast))
        return ExactZoneOffset(nUnix, pnOffset);
    if (nFirst != nLast)
        return ExactZoneOffset(nUnix, pnOffset);
    std::lock_guard<std::mutex> lock(s_mutex);
    slot = Slot {nSlot, nFirst, nGeneration};
    t_last = slot;
    *pnOffset = nFirst;
    return true;
}

std::mutex g_clockMutex;
LocalClock g_clock;

void SystemLocalTime(SYSTEMTIME* pst)
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    uint64_t nTicks = static_cast<uint64_t>(ts.tv_sec + kDaysTo1970 * 86400LL) * kTicksPerSecond +
                      static_cast<uint64_t>(ts.tv_nsec / 100);
    FILETIME utc = TicksToFileTime(nTicks);
    FILETIME local {};
    if (!FileTimeToLocalFileTime(&utc, &local))
        local = utc;
    FileTimeToSystemTime(&local, pst);
}

// RINGTALLY_NOW, parsed once per distinct value; a malformed value is named
// once on standard error and the system clock is used.
bool FixedLocalTime(SYSTEMTIME* pst)
{
    const char* pszNow = std::getenv("RINGTALLY_NOW");
    if (!pszNow || !*pszNow)
        return false;
    if (ParseLocalTimeText(pszNow, pst))
        return true;
    static std::string s_strWarned;
    if (s_strWarned != pszNow) {
        s_strWarned = pszNow;
        std::fprintf(stderr, "ringtally: RINGTALLY_NOW=%s is not a time of the form YYYY-MM-DDTHH:MM:SS; "
                             "using the system clock\n", pszNow);
    }
    return false;
}

} // namespace

LONG CompareFileTime(const FILETIME* pft1, const FILETIME* pft2)
{
    uint64_t a = FileTimeToTicks(*pft1);
    uint64_t b = FileTimeToTicks(*pft2);
    return a < b ? -1 : (a > b ? 1 : 0);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* pst, FILETIME* pft)
{
    if (!pst || !pft)
        return 0;
    if (pst->wYear < 1601 || pst->wYear > 30827 || pst->wMonth < 1 || pst->wMonth > 12 || pst->wDay < 1 ||
        pst->wDay > DaysInMonth(pst->wYear, pst->wMonth) || pst->wHour > 23 || pst->wMinute > 59 ||
        pst->wSecond > 59 || pst->wMilliseconds > 999)
        return 0;
    int64_t nDays = DaysFromCivil(pst->wYear, pst->wMonth, pst->wDay) + kDaysTo1970;
    int64_t nTicks = nDays * kTicksPerDay +
                     ((pst->wHour * 60LL + pst->wMinute) * 60LL + pst->wSecond) * kTicksPerSecond +
                     pst->wMilliseconds * kTicksPerMillisecond;
    *pft = TicksToFileTime(static_cast<uint64_t>(nTicks));
    return 1;
}

BOOL FileTimeToSystemTime(const FILETIME* pft, SYSTEMTIME* pst)
{
    if (!pft || !pst)
        return 0;
    uint64_t nTicks = FileTimeToTicks(*pft);
    if (nTicks > kLargestFileTime)
        return 0;
    auto nDays = static_cast<int64_t>(nTicks / kTicksPerDay);
    uint64_t nRest = nTicks % kTicksPerDay;
    int64_t nYear;
    unsigned nMonth, nDay;
    CivilFromDays(nDays - kDaysTo1970, &nYear, &nMonth, &nDay);
    pst->wYear = static_cast<WORD>(nYear);
    pst->wMonth = static_cast<WORD>(nMonth);
    pst->wDay = static_cast<WORD>(nDay);
    // 1601-01-01 was a Monday; Sunday is 0.
    pst->wDayOfWeek = static_cast<WORD>((nDays + 1) % 7);
    uint64_t nSeconds = nRest / kTicksPerSecond;
    pst->wHour = static_cast<WORD>(nSeconds / 3600);
    pst->wMinute = static_cast<WORD>(nSeconds / 60 % 60);
    pst->wSecond = static_cast<WORD>(nSeconds % 60);
    pst->wMilliseconds = static_cast<WORD>(nRest % kTicksPerSecond / kTicksPerMillisecond);
    return 1;
}

BOOL FileTimeToLocalFileTime(const FILETIME* pftUtc, FILETIME* pftLocal)
{
    if (!pftUtc || !pftLocal)
        return 0;
    uint64_t nTicks = FileTimeToTicks(*pftUtc);
    if (nTicks > kLargestFileTime)
        return 0;
    RefreshZone();
    auto nUnix = static_cast<time_t>(static_cast<int64_t>(nTicks / kTicksPerSecond) - kDaysTo1970 * 86400LL);
    long nOffsetSeconds = 0;
    if (!ZoneOffset(nUnix, &nOffsetSeconds))
        return 0;
    int64_t nOffset = static_cast<int64_t>(nOffsetSeconds) * kTicksPerSecond;
    if (nOffset < 0 && nTicks < static_cast<uint64_t>(-nOffset))
        return 0;
    uint64_t nLocal = nTicks + static_cast<uint64_t>(nOffset);
    if (nLocal > kLargestFileTime)
        return 0;
    *pftLocal = TicksToFileTime(nLocal);
    return 1;
}

void GetLocalTime(SYSTEMTIME* pst)
{
    {
        std::lock_guard<std::mutex> lock(g_clockMutex);
        if (g_clock) {
            g_clock(pst);
            return;
        }
    }
    if (FixedLocalTime(pst))
        return;
    SystemLocalTime(pst);
}

void SetLocalClock(LocalClock clock)
{
    std::lock_guard<std::mutex> lock(g_clockMutex);
    g_clock = std::move(clock);
}

BOOL ParseLocalTimeText(const char* pszText, SYSTEMTIME* pst)
{
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    int nUsed = 0;
    SYSTEMTIME st {};
    if (std::sscanf(pszText, "%4u-%2u-%2uT%2u:%2u:%2u%n", &y, &mo, &d, &h, &mi, &s, &nUsed) == 6 &&
        pszText[nUsed] == '\0') {
    } else if (nUsed = 0, std::sscanf(pszText, "%4u-%2u-%2u%n", &y, &mo, &d, &nUsed) == 3 &&
               pszText[nUsed] == '\0') {
        h = mi = s = 0;
    } else {
        return 0;
    }
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    // Round-trips to reject impossible dates and to fill in the day of the week.
    FILETIME ft {};
    if (!SystemTimeToFileTime(&st, &ft) || !FileTimeToSystemTime(&ft, pst))
        return 0;
    return 1;
}
