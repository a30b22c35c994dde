#include "calllog/CallLog.h"

#include "platform/PlatformTime.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

namespace {

void ClearEntry(CALLLOGENTRY* pEntry, DWORD cbSize)
{
    std::memset(static_cast<void*>(pEntry), 0, sizeof(CALLLOGENTRY));
    pEntry->cbSize = cbSize;
}

// Converts both times of a record to local time, each through a temporary.
// The end keeps the start's offset, so a call across a daylight-saving change
// keeps its real length instead of gaining or losing an hour. A zero time
// means the record has none and stays zero.
void ToLocal(CALLLOGENTRY* pEntry)
{
    uint64_t nStart = FileTimeToTicks(pEntry->ftStartTime);
    uint64_t nEnd = FileTimeToTicks(pEntry->ftEndTime);
    FILETIME ft;
    bool bStartLocal = nStart != 0 && FileTimeToLocalFileTime(&pEntry->ftStartTime, &ft) != 0;
    if (bStartLocal)
        pEntry->ftStartTime = ft;
    if (bStartLocal && nStart != 0 && nEnd >= nStart) {
        uint64_t nLocalEnd = FileTimeToTicks(pEntry->ftStartTime) + (nEnd - nStart);
        if (nLocalEnd >= nEnd - nStart) {
            pEntry->ftEndTime = TicksToFileTime(nLocalEnd);
            return;
        }
    }
    if (nEnd != 0 && FileTimeToLocalFileTime(&pEntry->ftEndTime, &ft))
        pEntry->ftEndTime = ft;
}

} // namespace

CCallLogHold::CCallLogHold()
{
    if (PhoneOpenCallLog(&m_h) != 0)
        m_h = nullptr;
}

CCallLogHold::~CCallLogHold()
{
    if (m_h)
        PhoneCloseCallLog(m_h);
}

CCallLog::CCallLog(CallFields fields)
    : m_cbEntry(fields == CallFields::All ? sizeof(CALLLOGENTRY) : offsetof(CALLLOGENTRY, pszNameType))
{}

LPCWSTR CCallLog::CallerKey(const CALLLOGENTRY& entry)
{
    if (entry.pszName)
        return entry.pszName;
    if (entry.pszNumber)
        return entry.pszNumber;
    return L"";
}

bool CCallLog::IsCaller(const CALLLOGENTRY& entry, LPCWSTR pszKey)
{
    return std::wcscmp(CallerKey(entry), pszKey ? pszKey : L"") == 0;
}

int CCallLog::GetEntry(int nIndex, CALLLOGENTRY* pEntry)
{
    ClearEntry(pEntry, m_cbEntry);
    if (nIndex < 0)
        return -1;
    CCallLogHold log;
    if (!log.Handle())
        return -1;
    DWORD nPosition = 0;
    if (PhoneSeekCallLog(log.Handle(), CALLLOGSEEK_BEGINNING, static_cast<DWORD>(nIndex), &nPosition) != 0)
        return -1;
    if (PhoneGetCallLogEntry(log.Handle(), pEntry) != 0) {
        FreeEntry(pEntry);
        return -1;
    }
    ToLocal(pEntry);
    return 0;
}

int CCallLog::FreeEntry(CALLLOGENTRY* pEntry)
{
    LocalFree(pEntry->pszName);
    LocalFree(pEntry->pszNumber);
    LocalFree(pEntry->pszNameType);
    LocalFree(pEntry->pszNote);
    ClearEntry(pEntry, m_cbEntry);
    return 0;
}

int CCallLog::GetLastCallTime(LPCWSTR pszKey, FILETIME* pTime)
{
    *pTime = FILETIME {0, 0};
    ForEachEntry([&](const CALLLOGENTRY& entry) {
        if (IsCaller(entry, pszKey) && CompareFileTime(&entry.ftStartTime, pTime) == 1)
            *pTime = entry.ftStartTime;
        return true;
    });
    return 0;
}

int CCallLog::ForEachEntry(const EntryVisitor& visit)
{
    CCallLogHold log;
    if (!log.Handle())
        return 0;
    DWORD nPosition = 0;
    if (PhoneSeekCallLog(log.Handle(), CALLLOGSEEK_BEGINNING, 0, &nPosition) != 0)
        return 0;
    CALLLOGENTRY entry;
    ClearEntry(&entry, m_cbEntry);
    while (PhoneGetCallLogEntry(log.Handle(), &entry) == 0) {
        ToLocal(&entry);
        bool bGoOn = visit(entry);
        FreeEntry(&entry);
        if (!bGoOn)
            break;
    }
    FreeEntry(&entry);
    return 0;
}

DWORD CCallLog::GetEntryCount()
{
    CCallLogHold log;
    DWORD nLast = 0;
    // The last record's position, counted from 0; an empty log has none.
    if (!log.Handle() || PhoneSeekCallLog(log.Handle(), CALLLOGSEEK_END, 0, &nLast) != 0)
        return 0;
    return nLast + 1;
}

int CCallLog::ForEachCallerEntryOfType(int nType, LPCWSTR pszKey, const EntryVisitor& visit)
{
    return ForEachEntry([&](const CALLLOGENTRY& entry) {
        if (entry.iom != nType || !IsCaller(entry, pszKey))
            return true;
        return visit(entry);
    });
}

// Reads the log once from its beginning and keeps the n-th record of the type.
int CCallLog::GetEntryOfType(int nType, DWORD n, CALLLOGENTRY* pEntry)
{
    ClearEntry(pEntry, m_cbEntry);
    CCallLogHold log;
    if (!log.Handle())
        return -1;
    DWORD nPosition = 0;
    if (PhoneSeekCallLog(log.Handle(), CALLLOGSEEK_END, 0, &nPosition) != 0 ||
        PhoneSeekCallLog(log.Handle(), CALLLOGSEEK_BEGINNING, 0, &nPosition) != 0)
        return -1;
    DWORD nCount = 0;
    while (PhoneGetCallLogEntry(log.Handle(), pEntry) == 0) {
        if (pEntry->iom == nType) {
            if (nCount == n) {
                ToLocal(pEntry);
                return 0;
            }
            ++nCount;
        }
        FreeEntry(pEntry);
    }
    FreeEntry(pEntry);
    return -1;
}

// The same result as asking GetEntryOfType for every candidate in turn, in
// one read of the log.
int CCallLog::GetCallerEntryOfType(int nType, DWORD n, LPCWSTR pszKey, CALLLOGENTRY* pEntry)
{
    ClearEntry(pEntry, m_cbEntry);
    CCallLogHold log;
    if (!log.Handle())
        return -1;
    DWORD nPosition = 0;
    if (PhoneSeekCallLog(log.Handle(), CALLLOGSEEK_BEGINNING, 0, &nPosition) != 0)
        return -1;
    DWORD nFound = 0;
    while (PhoneGetCallLogEntry(log.Handle(), pEntry) == 0) {
        if (pEntry->iom == nType && IsCaller(*pEntry, pszKey)) {
            if (nFound == n) {
                ToLocal(pEntry);
                return 0;
            }
            ++nFound;
        }
        FreeEntry(pEntry);
    }
    FreeEntry(pEntry);
    return -1;
}
