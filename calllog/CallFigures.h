#pragma once

#include "calllog/CallLog.h"
#include "platform/TimeRange.h"

#include <cstdint>

// The call figures of one caller or of the whole phone: talk times in whole
// seconds and the number of missed calls. The number of answered calls is
// not kept.
struct CallFigures {
    int64_t nIncomingSeconds = 0;
    int64_t nOutgoingSeconds = 0;
    int32_t nMissed = 0;
};

// The talk time of one call in whole seconds, truncated on its own. A record
// whose end is zero or lies before its start adds nothing.
int64_t GetCallSeconds(const CALLLOGENTRY& entry);
// True when the call starts no earlier than range.start and ends no later
// than range.end (local times, both bounds inclusive).
bool IsCallInRange(const CALLLOGENTRY& entry, const TimeRange& range);

// Each computation sets its figures to 0 first, reads the log once and
// returns 0; an unreadable log gives zero figures.
//
// One caller over the whole log: iom 1 and 2 add talk time, 0 counts as
// missed, other values count nowhere. pLastCall receives the local start of
// the caller's latest record of any iom, or 0.
int GetCallerCallFigures(CCallLog& callLog, LPCWSTR pszKey, CallFigures* pFigures, FILETIME* pLastCall);
// One caller, only the calls that lie within the range.
int GetCallerCallFiguresInRange(CCallLog& callLog, LPCWSTR pszKey, const TimeRange& range,
                                CallFigures* pFigures);
// All callers: iom 1 and 2 add talk time, every other value counts as missed.
int GetTotalCallFigures(CCallLog& callLog, CallFigures* pFigures);
int GetTotalCallFiguresInRange(CCallLog& callLog, const TimeRange& range, CallFigures* pFigures);

// One caller's call figures as the caller summary counts them: the figures
// and the local start of the caller's latest record of any iom (0 when none).
struct CallerCallFigures {
    CallFigures figures;
    FILETIME ftLastCall {};
};

// Adds one record to a caller's figures as the caller summary counts it:
// its talk time or missed call (iom 1 and 2 add talk time, 0 counts as
// missed, other values count nowhere), and its start when it is the
// caller's latest.
void AddCallerCall(const CALLLOGENTRY& entry, CallerCallFigures* pCaller);
