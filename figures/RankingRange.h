#pragma once

#include "platform/PlatformTypes.h"
#include "platform/TimeRange.h"

#include <string>

// The ranges the ranking offers besides a range of days the user picks.
// Each is whole local days, both included, as the time range dialog gives
// them: from 00:00:00 of the first day to 23:59:59 of the last.
enum class RankingPeriod { Everything, Last30Days, ThisMonth, LastMonth, ThisYear, LastYear, Days };

// The range of a period for the local day today (its time of day is
// ignored): the last 30 days end today; a month or a year is the whole
// calendar month or year. Everything and Days give false.
bool GetPeriodRange(RankingPeriod period, const SYSTEMTIME& today, TimeRange* pRange);

// "YYYY-MM-DD" of a local time.
std::wstring DateText(const FILETIME& ft);
// What the screen and the export say the range is: "everything" without
// one, else "YYYY-MM-DD to YYYY-MM-DD".
std::wstring RangeText(const TimeRange* pRange);
