#pragma once

// The phone library's call log interface, standing in over the device store.
// Position 0 is the newest record (descending start time, ties by descending
// id). Times are UTC. The four texts of a record are allocated per read and
// released with LocalFree.

#include "platform/PlatformTypes.h"

enum IOM : int {
    IOM_MISSED = 0,
    IOM_INCOMING = 1,
    IOM_OUTGOING = 2,
};

enum CALLERIDTYPE : int {
    CALLERIDTYPE_UNAVAILABLE = 0,
    CALLERIDTYPE_BLOCKED = 1,
    CALLERIDTYPE_AVAILABLE = 2,
};

struct CALLLOGENTRY {
    DWORD cbSize;
    FILETIME ftStartTime;
    FILETIME ftEndTime;
    IOM iom;
    BOOL fOutgoing : 1;
    BOOL fConnected : 1;
    BOOL fEnded : 1;
    BOOL fRoam : 1;
    CALLERIDTYPE cidt;
    LPWSTR pszNumber;
    LPWSTR pszName;
    LPWSTR pszNameType;
    LPWSTR pszNote;
};

constexpr DWORD CALLLOGSEEK_BEGINNING = 2;
constexpr DWORD CALLLOGSEEK_END = 4;

// Opens the call log of the device store; a missing or unreadable store opens
// as an empty log. Returns 0 (S_OK) and a handle.
HRESULT PhoneOpenCallLog(HANDLE* ph);
// BEGINNING + k: position k (at most the number of records). END + k: the k-th
// record counted back from the last one. The resulting position goes to
// *piRecord when given. Fails (non-zero) outside the log.
HRESULT PhoneSeekCallLog(HANDLE hdb, DWORD dwSeek, DWORD iRecord, DWORD* piRecord);
// Fills the record at the current position and moves on by one; non-zero at
// the end of the log or on error. Fields beyond the entry's cbSize are left
// alone: a caller that needs no name type or note sets cbSize to the offset
// of pszNameType, and saves reading them.
HRESULT PhoneGetCallLogEntry(HANDLE hdb, CALLLOGENTRY* pentry);
HRESULT PhoneCloseCallLog(HANDLE hdb);

// How many records the stand-in has read so far: those handed out and those
// read from the device store. Lets tests count what a step costs.
uint64_t PhoneCallLogRowsRead();
// How many records it has fetched from the device store: the whole log, once
// after each change of the store.
uint64_t PhoneCallLogRowsFetched();
