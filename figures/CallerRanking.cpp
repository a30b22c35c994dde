#include "figures/CallerRanking.h"

#include "figures/Beside.h"
#include "platform/PlatformTypes.h"
#include "sms/SmsCorrespondents.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_set>

namespace {

bool HasAny(const CallerRankingRow& row)
{
    return row.calls.nIncomingSeconds != 0 || row.calls.nOutgoingSeconds != 0 || row.calls.nMissed != 0 ||
           row.nReceived != 0 || row.nSent != 0 || FileTimeToTicks(row.ftLast) != 0;
}

// The figure a column sorts by; larger comes first.
int64_t SortValue(const CallerRankingRow& row, RankingColumn column)
{
    switch (column) {
    case RankingColumn::Incoming:
        return row.calls.nIncomingSeconds;
    case RankingColumn::Outgoing:
        return row.calls.nOutgoingSeconds;
    case RankingColumn::Missed:
        return row.calls.nMissed;
    case RankingColumn::Received:
        return row.nReceived;
    case RankingColumn::Sent:
        return row.nSent;
    case RankingColumn::Last:
        return static_cast<int64_t>(FileTimeToTicks(row.ftLast));
    case RankingColumn::Caller:
    case RankingColumn::Total:
        break;
    }
    return TotalTalkSeconds(row);
}

} // namespace

int64_t TotalTalkSeconds(const CallerRankingRow& row)
{
    int64_t nTotal = 0;
    if (__builtin_add_overflow(row.calls.nIncomingSeconds, row.calls.nOutgoingSeconds, &nTotal))
        nTotal = std::numeric_limits<int64_t>::max();
    return nTotal;
}

int GetCallerRanking(CCallLog& callLog, CSmsStore& smsStore, const TimeRange* pRange,
                     std::vector<CallerRankingRow>* pRows)
{
    if (!pRows)
        return -1;
    pRows->clear();
    std::vector<CallerCallFigures> callers;
    SmsAddresses addresses;
    {
        CCallLogHold hold;
        RunBeside([&] { GetCallFiguresByCaller(callLog, pRange, &callers); },
                  [&] { GetSmsAddresses(smsStore, pRange, &addresses); });
    }

    std::vector<std::wstring> keys;
    keys.reserve(callers.size());
    for (const CallerCallFigures& caller : callers)
        keys.push_back(caller.strKey);
    // A person who texts is one of the log's callers when their name or their
    // number is that caller's key; everyone else has a row of their own.
    std::vector<SmsPerson> texters;
    {
        std::unordered_set<std::wstring_view> callerKeys(keys.begin(), keys.end());
        GetSmsCorrespondents(
            addresses,
            [&](const SmsPerson& person) {
                return callerKeys.count(person.strKey) != 0 ||
                       (!person.strNumber.empty() && callerKeys.count(person.strNumber) != 0);
            },
            &texters);
    }
    for (const SmsPerson& texter : texters)
        keys.push_back(texter.strKey);
    std::vector<CallerSmsFigures> sms;
    CountSmsByCaller(addresses, keys, &sms);

    pRows->reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        CallerRankingRow row;
        if (i < callers.size()) {
            row.strKey = std::move(callers[i].strKey);
            row.strNumber = std::move(callers[i].strNumber);
            row.calls = callers[i].figures;
            row.ftLast = callers[i].ftLastCall;
        } else {
            row.strKey = std::move(texters[i - callers.size()].strKey);
            row.strNumber = std::move(texters[i - callers.size()].strNumber);
        }
        row.nReceived = sms[i].nReceived;
        row.nSent = sms[i].nSent;
        if (FileTimeToTicks(sms[i].ftLast) > FileTimeToTicks(row.ftLast))
            row.ftLast = sms[i].ftLast;
        if (HasAny(row))
            pRows->push_back(std::move(row));
    }
    SortCallerRanking(pRows, RankingColumn::Total);
    return 0;
}

void SortCallerRanking(std::vector<CallerRankingRow>* pRows, RankingColumn column)
{
    std::stable_sort(pRows->begin(), pRows->end(), [column](const CallerRankingRow& a, const CallerRankingRow& b) {
        if (column == RankingColumn::Caller) {
            if (a.strKey != b.strKey)
                return a.strKey < b.strKey;
        } else {
            int64_t nA = SortValue(a, column), nB = SortValue(b, column);
            if (nA != nB)
                return nA > nB;
        }
        int64_t nTotalA = TotalTalkSeconds(a), nTotalB = TotalTalkSeconds(b);
        if (nTotalA != nTotalB)
            return nTotalA > nTotalB;
        return a.strKey < b.strKey;
    });
}
