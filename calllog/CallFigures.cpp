#include "calllog/CallFigures.h"

#include "device/FileTimeTicks.h"
#include "platform/PlatformTime.h"

#include <limits>

namespace {

// Sums saturate instead of wrapping: a log full of absurd spans must not
// turn a talk time negative.
void AddSeconds(int64_t* pSum, int64_t nSeconds)
{
    if (__builtin_add_overflow(*pSum, nSeconds, pSum))
        *pSum = std::numeric_limits<int64_t>::max();
}

void AddPerCaller(const CALLLOGENTRY& entry, CallFigures* pFigures)
{
    switch (entry.iom) {
    case IOM_INCOMING:
        AddSeconds(&pFigures->nIncomingSeconds, GetCallSeconds(entry));
        break;
    case IOM_OUTGOING:
        AddSeconds(&pFigures->nOutgoingSeconds, GetCallSeconds(entry));
        break;
    case IOM_MISSED:
        ++pFigures->nMissed;
        break;
    default:
        break;
    }
}

void AddToTotal(const CALLLOGENTRY& entry, CallFigures* pFigures)
{
    if (entry.iom == IOM_INCOMING)
        AddSeconds(&pFigures->nIncomingSeconds, GetCallSeconds(entry));
    else if (entry.iom == IOM_OUTGOING)
        AddSeconds(&pFigures->nOutgoingSeconds, GetCallSeconds(entry));
    else
        ++pFigures->nMissed;
}

} // namespace

int64_t GetCallSeconds(const CALLLOGENTRY& entry)
{
    uint64_t nStart = FileTimeToTicks(entry.ftStartTime);
    uint64_t nEnd = FileTimeToTicks(entry.ftEndTime);
    // A record without a start or an end, or ending before it starts, has no
    // talk time: it must not lower a sum or add centuries to it.
    if (nStart == 0 || nEnd == 0 || nEnd < nStart)
        return 0;
    return static_cast<int64_t>((nEnd - nStart) / kTicksPerSecond);
}

bool IsCallInRange(const CALLLOGENTRY& entry, const TimeRange& range)
{
    return CompareFileTime(&range.start, &entry.ftStartTime) <= 0 &&
           CompareFileTime(&entry.ftEndTime, &range.end) <= 0;
}

int GetCallerCallFigures(CCallLog& callLog, LPCWSTR pszKey, CallFigures* pFigures, FILETIME* pLastCall)
{
    *pFigures = CallFigures {};
    *pLastCall = FILETIME {0, 0};
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        if (!CCallLog::IsCaller(entry, pszKey))
            return true;
        AddPerCaller(entry, pFigures);
        if (CompareFileTime(&entry.ftStartTime, pLastCall) == 1)
            *pLastCall = entry.ftStartTime;
        return true;
    });
    return 0;
}

int GetCallerCallFiguresInRange(CCallLog& callLog, LPCWSTR pszKey, const TimeRange& range,
                                CallFigures* pFigures)
{
    *pFigures = CallFigures {};
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        if (CCallLog::IsCaller(entry, pszKey) && IsCallInRange(entry, range))
            AddPerCaller(entry, pFigures);
        return true;
    });
    return 0;
}

int GetTotalCallFigures(CCallLog& callLog, CallFigures* pFigures)
{
    *pFigures = CallFigures {};
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        AddToTotal(entry, pFigures);
        return true;
    });
    return 0;
}

int GetTotalCallFiguresInRange(CCallLog& callLog, const TimeRange& range, CallFigures* pFigures)
{
    *pFigures = CallFigures {};
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        if (IsCallInRange(entry, range))
            AddToTotal(entry, pFigures);
        return true;
    });
    return 0;
}

void AddCallerCall(const CALLLOGENTRY& entry, CallerCallFigures* pCaller)
{
    AddPerCaller(entry, &pCaller->figures);
    if (CompareFileTime(&entry.ftStartTime, &pCaller->ftLastCall) == 1)
        pCaller->ftLastCall = entry.ftStartTime;
}
