#include "figures/CallerRanking.h"

#include "platform/PlatformTypes.h"

#include <algorithm>
#include <limits>

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
    GetCallFiguresByCaller(callLog, pRange, &callers);
    std::vector<std::wstring> keys;
    keys.reserve(callers.size());
    for (const CallerCallFigures& caller : callers)
        keys.push_back(caller.strKey);
    std::vector<CallerSmsFigures> sms;
    GetSmsFiguresByCaller(smsStore, keys, pRange, &sms);

    pRows->reserve(callers.size());
    for (size_t i = 0; i < callers.size(); ++i) {
        CallerRankingRow row;
        row.strKey = std::move(callers[i].strKey);
        row.strNumber = std::move(callers[i].strNumber);
        row.calls = callers[i].figures;
        row.nReceived = sms[i].nReceived;
        row.nSent = sms[i].nSent;
        row.ftLast = FileTimeToTicks(callers[i].ftLastCall) >= FileTimeToTicks(sms[i].ftLast) ? callers[i].ftLastCall
                                                                                              : sms[i].ftLast;
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
