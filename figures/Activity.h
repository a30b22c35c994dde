#pragma once

#include "calllog/CallLog.h"
#include "platform/TimeRange.h"
#include "sms/SmsStore.h"

#include <string>
#include <vector>

// The number of calls of each direction and of texts either way in one
// month or day.
struct ActivityBar {
    std::wstring strLabel; // "YYYY-MM" or "YYYY-MM-DD"
    int nIncoming = 0;
    int nOutgoing = 0;
    int nMissed = 0;
    int nReceived = 0;
    int nSent = 0;
};

// What the activity chart shows: one bar per month from the first record's
// month to the last one's (everything), or one per day of a range, with
// zeros where nothing happened; and the calls and texts of each hour of the
// week, Monday first, in local time.
struct ActivityFigures {
    bool bByDay = false;
    std::vector<ActivityBar> bars;
    int hours[7][24] {};
};

// Counts the calls and texts of one caller (pszKey, matched as the caller
// summary matches them) or of the whole phone (pszKey null, calls counted
// as the totals count them: any direction but incoming and outgoing is
// missed), over everything or within the range (a call when it lies wholly
// inside it), with one read of the log and one of each folder. Records
// without a time are left out. Returns 0, or -1 for a null out argument.
int GetActivity(CCallLog& callLog, CSmsStore& smsStore, LPCWSTR pszKey, const TimeRange* pRange,
                ActivityFigures* pFigures);
