#include "figures/Activity.h"

#include "calllog/CallFigures.h"
#include "platform/PlatformTime.h"

#include <cwchar>
#include <map>

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

class CActivityCounter
{
public:
    CActivityCounter(const TimeRange* pRange, ActivityFigures* pFigures)
        : m_pRange(pRange)
        , m_pFigures(pFigures)
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
        m_pFigures->hours[nDay % 7][(nTicks % kTicksPerDay) / kTicksPerHour] += 1;
        if (m_pRange)
            return &m_bars[static_cast<int64_t>(nDay)];
        SYSTEMTIME st {};
        FileTimeToSystemTime(&ft, &st);
        return &m_bars[MonthOf(st)];
    }

    // The bars in order, every month or day between included.
    void Finish()
    {
        int64_t nFirst = 0, nLast = -1;
        if (m_pRange) {
            nFirst = static_cast<int64_t>(FileTimeToTicks(m_pRange->start) / kTicksPerDay);
            nLast = static_cast<int64_t>(FileTimeToTicks(m_pRange->end) / kTicksPerDay);
        } else if (!m_bars.empty()) {
            nFirst = m_bars.begin()->first;
            nLast = m_bars.rbegin()->first;
        }
        m_pFigures->bByDay = m_pRange != nullptr;
        for (int64_t n = nFirst; n <= nLast; ++n) {
            auto it = m_bars.find(n);
            ActivityBar bar = it != m_bars.end() ? it->second : ActivityBar {};
            bar.strLabel = m_pRange ? DayLabel(static_cast<uint64_t>(n)) : MonthLabel(static_cast<int>(n));
            m_pFigures->bars.push_back(bar);
        }
    }

private:
    const TimeRange* m_pRange;
    ActivityFigures* m_pFigures;
    std::map<int64_t, ActivityBar> m_bars;
};

} // namespace

int GetActivity(CCallLog& callLog, CSmsStore& smsStore, LPCWSTR pszKey, const TimeRange* pRange,
                ActivityFigures* pFigures)
{
    if (!pFigures)
        return -1;
    *pFigures = ActivityFigures {};
    CActivityCounter counter(pRange, pFigures);
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        if (pszKey && !CCallLog::IsCaller(entry, pszKey))
            return true;
        if (pRange && !IsCallInRange(entry, *pRange))
            return true;
        // A caller's call of another direction counts nowhere, as in the
        // caller summary; the whole phone's counts as missed, as in the totals.
        if (pszKey && entry.iom != IOM_INCOMING && entry.iom != IOM_OUTGOING && entry.iom != IOM_MISSED)
            return true;
        ActivityBar* pBar = counter.Add(entry.ftStartTime);
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
    for (ULONG ulTag : {PR_CE_IPM_INBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID}) {
        smsStore.ForEachSmsEntry(
            ulTag,
            [&](const SmsEntry& entry) {
                if (pszKey && !CSmsStore::IsCallerSms(entry, pszKey))
                    return;
                if (pRange && !CSmsStore::IsInRange(entry, pRange->start, pRange->end))
                    return;
                if (ActivityBar* pBar = counter.Add(entry.ftDeliveryTime))
                    ++(ulTag == PR_CE_IPM_INBOX_ENTRYID ? pBar->nReceived : pBar->nSent);
            },
            pszKey != nullptr);
    }
    counter.Finish();
    return 0;
}
