#pragma once

#include "platform/TimeRange.h"
#include "sms/SmsStore.h"

#include <string>
#include <vector>

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

// For each key, in the same order: the figures GetCallerSmsFigures gives, or
// with a range the counts of GetCallerInboxCountInRange and
// GetCallerSentCountInRange and the latest of those messages. One read of
// each folder for all keys together: messages are first gathered by their
// address, and each distinct address counts for every key that it holds
// (the match of IsCallerSms), so a message counts for every key it matches,
// as it does for each key on its own. Sets the figures first; returns 0, or -1 for a null
// out argument.
int GetSmsFiguresByCaller(CSmsStore& smsStore, const std::vector<std::wstring>& keys, const TimeRange* pRange,
                          std::vector<CallerSmsFigures>* pFigures);
