#pragma once

#include "calllog/CallFigures.h"
#include "platform/TimeRange.h"
#include "sms/SmsFigures.h"

#include <cstdint>
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

// What the ranking counts, read once: every call with its caller and local
// times, each caller's key and number, the address and time of every text,
// and the people who only text. The rows of any range are worked out from it
// without reading the log or the store again, so that a screen that changes
// its range reads each source once.
class CCallerRankingSource
{
public:
    // One read of the log and one of each SMS folder, the log on a thread of
    // its own.
    void Read(CCallLog& callLog, CSmsStore& smsStore);
    // The rows of the range (everything without one), as GetCallerRanking
    // gives them.
    void GetRows(const TimeRange* pRange, std::vector<CallerRankingRow>* pRows) const;

    // The same rows for one range, counted while reading: it keeps neither
    // the calls nor the texts and hands its keys to the rows, so GetRows has
    // nothing to count afterwards. What GetCallerRanking does.
    void ReadRows(CCallLog& callLog, CSmsStore& smsStore, const TimeRange* pRange,
                  std::vector<CallerRankingRow>* pRows);

private:
    struct Call {
        FILETIME ftStart;
        FILETIME ftEnd;
        int32_t iom;
        uint32_t nCaller;
    };
    // Keeps every call; or, given pCounted, counts those of pOnly (all
    // without one) into each caller's figures instead.
    void ReadCalls(CCallLog& callLog, const TimeRange* pOnly, std::vector<CallerCallFigures>* pCounted);
    // The people who only text, after the log's callers.
    void AddTexters(const SmsAddresses& all);

    // The log's callers in the order of their first record, then the people
    // who only text; m_nCallers of them are the log's.
    std::vector<std::wstring> m_keys;
    std::vector<std::wstring> m_numbers;
    size_t m_nCallers = 0;
    std::vector<Call> m_calls;
    CSmsAddressTimes m_texts;
};

// Sorts the rows by a column, the largest figure (or latest time) first and
// callers from A; ties keep the busiest first, then the caller key.
void SortCallerRanking(std::vector<CallerRankingRow>* pRows, RankingColumn column);

// Incoming plus outgoing talk time, saturating.
int64_t TotalTalkSeconds(const CallerRankingRow& row);
