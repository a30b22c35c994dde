#include "figures/CallerRanking.h"

#include "figures/Beside.h"
#include "platform/PlatformTypes.h"
#include "sms/SmsCorrespondents.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <functional>
#include <unordered_map>
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

// Looks keys up by view, so that a record's key is copied only once per
// caller rather than once per record.
struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view key) const { return std::hash<std::wstring_view> {}(key); }
};

} // namespace

int64_t TotalTalkSeconds(const CallerRankingRow& row)
{
    int64_t nTotal = 0;
    if (__builtin_add_overflow(row.calls.nIncomingSeconds, row.calls.nOutgoingSeconds, &nTotal))
        nTotal = std::numeric_limits<int64_t>::max();
    return nTotal;
}

void CCallerRankingSource::Read(CCallLog& callLog, CSmsStore& smsStore)
{
    {
        CCallLogHold hold;
        RunBeside([&] { ReadCalls(callLog); }, [&] { m_texts.Read(smsStore); });
    }
    // A person who texts is one of the log's callers when their name or their
    // number is that caller's key; everyone else has a row of their own.
    SmsAddresses all;
    m_texts.GetAddresses(nullptr, &all);
    std::vector<SmsPerson> texters;
    {
        std::unordered_set<std::wstring_view> callerKeys(m_keys.begin(), m_keys.end());
        GetSmsCorrespondents(
            all,
            [&](const SmsPerson& person) {
                return callerKeys.count(person.strKey) != 0 ||
                       (!person.strNumber.empty() && callerKeys.count(person.strNumber) != 0);
            },
            &texters);
    }
    for (SmsPerson& texter : texters) {
        m_keys.push_back(std::move(texter.strKey));
        m_numbers.push_back(std::move(texter.strNumber));
    }
}

void CCallerRankingSource::ReadCalls(CCallLog& callLog)
{
    m_keys.clear();
    m_numbers.clear();
    m_calls.clear();
    std::unordered_map<std::wstring, uint32_t, KeyHash, std::equal_to<>> index;
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        std::wstring_view key = CCallLog::CallerKey(entry);
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.emplace(key, static_cast<uint32_t>(m_keys.size())).first;
            m_keys.emplace_back(key);
            m_numbers.emplace_back();
        }
        // The log is newest first, so the first number met is the latest.
        std::wstring& strNumber = m_numbers[it->second];
        if (strNumber.empty() && entry.pszNumber && *entry.pszNumber)
            strNumber = entry.pszNumber;
        m_calls.push_back(Call {entry.ftStartTime, entry.ftEndTime, static_cast<int32_t>(entry.iom), it->second});
        return true;
    });
    m_nCallers = m_keys.size();
}

void CCallerRankingSource::GetRows(const TimeRange* pRange, std::vector<CallerRankingRow>* pRows) const
{
    pRows->clear();
    std::vector<CallerCallFigures> callers(m_nCallers);
    CALLLOGENTRY entry {};
    for (const Call& call : m_calls) {
        entry.ftStartTime = call.ftStart;
        entry.ftEndTime = call.ftEnd;
        entry.iom = static_cast<IOM>(call.iom);
        if (!pRange || IsCallInRange(entry, *pRange))
            AddCallerCall(entry, &callers[call.nCaller]);
    }
    SmsAddresses addresses;
    m_texts.GetAddresses(pRange, &addresses);
    std::vector<CallerSmsFigures> sms;
    CountSmsByCaller(addresses, m_keys, &sms);

    pRows->reserve(m_keys.size());
    for (size_t i = 0; i < m_keys.size(); ++i) {
        CallerRankingRow row;
        row.strKey = m_keys[i];
        row.strNumber = m_numbers[i];
        if (i < m_nCallers) {
            row.calls = callers[i].figures;
            row.ftLast = callers[i].ftLastCall;
        }
        row.nReceived = sms[i].nReceived;
        row.nSent = sms[i].nSent;
        if (FileTimeToTicks(sms[i].ftLast) > FileTimeToTicks(row.ftLast))
            row.ftLast = sms[i].ftLast;
        if (HasAny(row))
            pRows->push_back(std::move(row));
    }
    SortCallerRanking(pRows, RankingColumn::Total);
}

int GetCallerRanking(CCallLog& callLog, CSmsStore& smsStore, const TimeRange* pRange,
                     std::vector<CallerRankingRow>* pRows)
{
    if (!pRows)
        return -1;
    CCallerRankingSource source;
    source.Read(callLog, smsStore);
    source.GetRows(pRange, pRows);
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
