#pragma once

#include "platform/PhoneCallLog.h"

#include <functional>

// The stateless call log accessor. Every operation opens the log, works and
// closes it again; records are handed out with local times and belong to the
// caller, who releases them with FreeEntry. Results are 0 or -1.
// Which fields of a record are read: those the screens show (times,
// direction, flags, number and name), or all of them with the name type and
// the note, which may be of any size and cost a lookup per record.
enum class CallFields { Shown, All };

// Holds the log open. The platform brings its view of the log up to date
// when the first handle opens and keeps that view while any is open, so
// walks made meanwhile, on any thread, read the state that the hold found,
// and the refresh (with any report about the store) runs on the holder's
// thread.
class CCallLogHold
{
public:
    CCallLogHold();
    ~CCallLogHold();
    CCallLogHold(const CCallLogHold&) = delete;
    CCallLogHold& operator=(const CCallLogHold&) = delete;
    // Null when the log cannot be opened.
    HANDLE Handle() const { return m_h; }

private:
    HANDLE m_h = nullptr;
};

class CCallLog
{
public:
    explicit CCallLog(CallFields fields = CallFields::Shown);

    // Called for each record in log order, with local times; the record is
    // released after the call. Returning false ends the walk.
    using EntryVisitor = std::function<bool(const CALLLOGENTRY&)>;

    int GetEntry(int nIndex, CALLLOGENTRY* pEntry);
    int FreeEntry(CALLLOGENTRY* pEntry);
    // The local start time of the caller's latest call of any direction, or 0.
    int GetLastCallTime(LPCWSTR pszKey, FILETIME* pTime);
    // The n-th record (from 0) of direction nType in log order.
    int GetEntryOfType(int nType, DWORD n, CALLLOGENTRY* pEntry);
    // The n-th record (from 0) of direction nType whose caller key is pszKey.
    int GetCallerEntryOfType(int nType, DWORD n, LPCWSTR pszKey, CALLLOGENTRY* pEntry);

    // Single-pass walks: the whole log, or the records of one caller and one
    // direction. Each opens and reads the log once; an unreadable log is an
    // empty one.
    int ForEachEntry(const EntryVisitor& visit);
    // How many records the log holds now: 0 for an empty or unreadable one.
    // A walk under the same CCallLogHold visits that many.
    DWORD GetEntryCount();
    int ForEachCallerEntryOfType(int nType, LPCWSTR pszKey, const EntryVisitor& visit);

    // The caller key: the name when the record has one (even an empty one),
    // else the number, else the empty text.
    static LPCWSTR CallerKey(const CALLLOGENTRY& entry);
    static bool IsCaller(const CALLLOGENTRY& entry, LPCWSTR pszKey);

private:
    DWORD m_cbEntry;
};
