#pragma once

#include "platform/PlatformTypes.h"

#include <cstdint>
#include <string>

// A count of seconds as "%u hours %u mins %u secs", "%u mins %u secs" or
// "%u secs", the largest unit first and no days. A negative count is written
// as 0 secs. Returns 0.
int FormatDuration(std::wstring& strOut, int64_t nSeconds);
// The time from a local time until now on the platform clock, in its two
// largest units ("%u days %u hours", "%u hours %u mins", "%u mins %u secs" or
// "%u secs"). A time in the future is 0 secs ago. Returns 0.
int FormatTimeSince(const FILETIME& time, std::wstring& strOut);
// A call's start as the lists show it, "MM-DD hh:mm:ss" (each field two
// digits at least, as "%02d" writes it), into a buffer of 32 characters.
void FormatCallStart(const SYSTEMTIME& st, wchar_t (&szTime)[32]);
