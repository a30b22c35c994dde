#include "figures/Activity.h"

#include "calllog/CallFigures.h"
#include "figures/Beside.h"
#include "platform/PlatformTime.h"

#include <cwchar>
#include <map>
#include <vector>

namespace {

constexpr uint64_t kTicksPerHour = 3600ULL * 10000000ULL;
constexpr uint64_t kTicksPerDay = 24 * kTicksPerHour;

// A month or day as one number that orders and steps as the calendar does.
int MonthOf(const SYSTEMTIME& st)
{
    return st.wYear * 12 + (st.wMonth - 1);
}

std::wstring MonthLabel(int nMonth)
{
    wchar_t szText[16];
    std::swprintf(szText, std::size(szText), L"%04d-%02d", nMonth / 12, nMonth % 12 + 1);
    return szText;
}

std::wstring DayLabel(uint64_t nDay)
{
    SYSTEMTIME st {};
    FILETIME ft = TicksToFileTime(nDay * kTicksPerDay);
    FileTimeToSystemTime(&ft, &st);
    wchar_t szText[16];
    std::swprintf(szText, std::size(szText), L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
    return szText;
}

// The bars and hours of one source; the call log and the message store are
// counted apart, each on its own thread, and put together at the end.
class CActivityCounter
{
public:
    explicit CActivityCounter(const TimeRange* pRange)
        : m_pRange(pRange)
    {}

    // Adds one record at a local time to the bar of its month or day and to
    // its hour of the week.
    ActivityBar* Add(const FILETIME& ft)
    {
        uint64_t nTicks = FileTimeToTicks(ft);
        if (nTicks == 0)
            return nullptr;
        uint64_t nDay = nTicks / kTicksPerDay;
        // 1601-01-01 was a Monday.
        m_hours[nDay % 7][(nTicks % kTicksPerDay) / kTicksPerHour] += 1;
        // Records come mostly in the order of time, so the last day's bar is
        // the likely one and its month need not be worked out again.
        if (m_pLastBar && nDay == m_nLastDay)
            return m_pLastBar;
        int64_t nBar = static_cast<int64_t>(nDay);
        if (!m_pRange) {
            SYSTEMTIME st {};
            FileTimeToSystemTime(&ft, &st);
            nBar = MonthOf(st);
        }
        m_nLastDay = nDay;
        m_pLastBar = &m_bars[nBar];
        return m_pLastBar;
    }

    // The bars in order, every month or day between included, with the
    // counts of every counter.
    static void Finish(const TimeRange* pRange, const std::vector<const CActivityCounter*>& counters,
                       ActivityFigures* pFigures)
    {
        std::map<int64_t, ActivityBar> bars;
        for (const CActivityCounter* pCounter : counters) {
            for (const auto& [nBar, counts] : pCounter->m_bars) {
                ActivityBar& bar = bars[nBar];
                bar.nIncoming += counts.nIncoming;
                bar.nOutgoing += counts.nOutgoing;
                bar.nMissed += counts.nMissed;
                bar.nReceived += counts.nReceived;
                bar.nSent += counts.nSent;
            }
            for (int nDay = 0; nDay < 7; ++nDay) {
                for (int nHour = 0; nHour < 24; ++nHour)
                    pFigures->hours[nDay][nHour] += pCounter->m_hours[nDay][nHour];
            }
        }
        int64_t nFirst = 0, nLast = -1;
        if (pRange) {
            nFirst = static_cast<int64_t>(FileTimeToTicks(pRange->start) / kTicksPerDay);
            nLast = static_cast<int64_t>(FileTimeToTicks(pRange->end) / kTicksPerDay);
        } else if (!bars.empty()) {
            nFirst = bars.begin()->first;
            nLast = bars.rbegin()->first;
        }
        pFigures->bByDay = pRange != nullptr;
        for (int64_t n = nFirst; n <= nLast; ++n) {
            auto it = bars.find(n);
            ActivityBar bar = it != bars.end() ? it->second : ActivityBar {};
            bar.strLabel = pRange ? DayLabel(static_cast<uint64_t>(n)) : MonthLabel(static_cast<int>(n));
            pFigures->bars.push_back(bar);
        }
    }

private:
    const TimeRange* m_pRange;
    std::map<int64_t, ActivityBar> m_bars;
    int m_hours[7][24] {};
    uint64_t m_nLastDay = 0;
    ActivityBar* m_pLastBar = nullptr;
};

} // namespace

int GetActivity(CCallLog& callLog, CSmsStore& smsStore, LPCWSTR pszKey, const TimeRange* pRange,
                ActivityFigures* pFigures)
{
    if (!pFigures)
        return -1;
    *pFigures = ActivityFigures {};
    CActivityCounter calls(pRange), texts(pRange);
    auto countCalls = [&] {
        callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
            if (pszKey && !CCallLog::IsCaller(entry, pszKey))
                return true;
            if (pRange && !IsCallInRange(entry, *pRange))
                return true;
            // A caller's call of another direction counts nowhere, as in the
            // caller summary; the whole phone's counts as missed, as in the totals.
            if (pszKey && entry.iom != IOM_INCOMING && entry.iom != IOM_OUTGOING && entry.iom != IOM_MISSED)
                return true;
            ActivityBar* pBar = calls.Add(entry.ftStartTime);
            if (!pBar)
                return true;
            if (entry.iom == IOM_INCOMING)
                ++pBar->nIncoming;
            else if (entry.iom == IOM_OUTGOING)
                ++pBar->nOutgoing;
            else
                ++pBar->nMissed;
            return true;
        });
    };
    auto countTexts = [&] {
        for (ULONG ulTag : {PR_CE_IPM_INBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID}) {
            smsStore.ForEachSmsEntry(
                ulTag,
                [&](const SmsEntry& entry) {
                    if (pszKey && !CSmsStore::IsCallerSms(entry, pszKey))
                        return;
                    if (pRange && !CSmsStore::IsInRange(entry, pRange->start, pRange->end))
                        return;
                    if (ActivityBar* pBar = texts.Add(entry.ftDeliveryTime))
                        ++(ulTag == PR_CE_IPM_INBOX_ENTRYID ? pBar->nReceived : pBar->nSent);
                },
                pszKey != nullptr);
        }
    };
    {
        CCallLogHold hold;
        RunBeside(countCalls, countTexts);
    }
    CActivityCounter::Finish(pRange, {&calls, &texts}, pFigures);
    return 0;
}
