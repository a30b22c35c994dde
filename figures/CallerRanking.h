#pragma once

#include "calllog/CallFigures.h"
#include "platform/TimeRange.h"
#include "sms/SmsFigures.h"

#include <string>
#include <vector>

// One caller's row of the ranking: the caller key of the caller summary, the
// number to dial, the call and SMS figures the caller summary shows for the
// same key and range, and the local time of the latest call (of any iom) or
// message among them, 0 when none.
struct CallerRankingRow {
    std::wstring strKey;
    std::wstring strNumber;
    CallFigures calls;
    int nReceived = 0;
    int nSent = 0;
    FILETIME ftLast {};
};

// The columns the ranking can be sorted by.
enum class RankingColumn { Caller, Incoming, Outgoing, Missed, Received, Sent, Last, Total };

// One row per caller key of the call log, and one per person of the SMS
// folders who is none of the log's callers (see GetSmsCorrespondents: their
// name or number is no caller's key), keyed by name or else number, that has
// a call or a message in the range (everything without one). Every row's
// figures are those the caller summary shows for its key. Read with one pass
// over the log and one over each SMS folder, ordered by total talk time,
// busiest first. Returns 0, or -1 for a null out argument.
int GetCallerRanking(CCallLog& callLog, CSmsStore& smsStore, const TimeRange* pRange,
                     std::vector<CallerRankingRow>* pRows);

// Sorts the rows by a column, the largest figure (or latest time) first and
// callers from A; ties keep the busiest first, then the caller key.
void SortCallerRanking(std::vector<CallerRankingRow>* pRows, RankingColumn column);

// Incoming plus outgoing talk time, saturating.
int64_t TotalTalkSeconds(const CallerRankingRow& row);
