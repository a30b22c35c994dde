#pragma once

#include "platform/PlatformTypes.h"

// A range of whole days in local time: start is the first day at 00:00:00,
// end the last day at 23:59:59. Both bounds are inclusive.
struct TimeRange {
    FILETIME start;
    FILETIME end;
};
