#pragma once

#include "platform/PlatformTypes.h"

#include <functional>

// -1, 0 or 1 as the first time is earlier than, equal to or later than the second.
LONG CompareFileTime(const FILETIME* pft1, const FILETIME* pft2);
// Calendar fields to ticks with no zone shift; invalid fields fail (FALSE).
BOOL SystemTimeToFileTime(const SYSTEMTIME* pst, FILETIME* pft);
// Ticks to calendar fields, the day of the week included; FALSE past the
// largest value the platform accepts.
BOOL FileTimeToSystemTime(const FILETIME* pft, SYSTEMTIME* pst);
// UTC to local time with the zone's offset in force at that instant. The zone
// is the process's (TZ or the system's).
BOOL FileTimeToLocalFileTime(const FILETIME* pftUtc, FILETIME* pftLocal);
// The current local time: the system clock, or the time fixed in RINGTALLY_NOW
// (YYYY-MM-DDTHH:MM:SS), or the clock set in-process by tests.
void GetLocalTime(SYSTEMTIME* pst);

// The clock seam. A set clock replaces every other source until it is reset
// with an empty function.
using LocalClock = std::function<void(SYSTEMTIME*)>;
void SetLocalClock(LocalClock clock);
// Parses YYYY-MM-DDTHH:MM:SS (or YYYY-MM-DD) into pst; FALSE when malformed.
BOOL ParseLocalTimeText(const char* pszText, SYSTEMTIME* pst);
