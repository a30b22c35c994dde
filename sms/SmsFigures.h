#pragma once

#include "sms/SmsStore.h"

// One caller's SMS figures over the whole store: the messages received
// from the caller (Inbox), those sent to the caller (Sent Items) and the
// local time of the latest of them, 0 when none matches.
struct CallerSmsFigures {
    int nReceived = 0;
    int nSent = 0;
    FILETIME ftLast {};
};

// The figures of GetCallerInboxCount, GetCallerSentCount and GetLastSmsTime,
// with one read of each folder instead of two. Sets the figures to 0 first;
// returns 0, or -1 for a null out argument.
int GetCallerSmsFigures(CSmsStore& smsStore, LPCWSTR pszKey, CallerSmsFigures* pFigures);
