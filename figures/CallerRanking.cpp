#include "figures/CallerRanking.h"

#include "figures/Beside.h"
#include "platform/PlatformTypes.h"
#include "sms/SmsCorrespondents.h"

#include <algorithm>
#include <functional>
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

// The callers' numbers in a list of keys, looked up by a record's key as a
// view: a key is copied once per caller, into the list, and not again for
// the index.
class CKeyIndex
{
public:
    explicit CKeyIndex(const std::vector<std::wstring>& keys)
        : m_index(0, Hash {&keys}, Equal {&keys})
    {}
    // The key's number and true, or false when it is not yet known.
    std::pair<uint32_t, bool> Find(std::wstring_view key) const
    {
        auto it = m_index.find(key);
        return it == m_index.end() ? std::pair<uint32_t, bool> {0, false} : std::pair {*it, true};
    }
    void Add(uint32_t nKey) { m_index.insert(nKey); }

private:
    struct Hash {
        using is_transparent = void;
        const std::vector<std::wstring>* pKeys;
        size_t operator()(std::wstring_view key) const { return std::hash<std::wstring_view> {}(key); }
        size_t operator()(uint32_t nKey) const { return (*this)(std::wstring_view((*pKeys)[nKey])); }
    };
    struct Equal {
        using is_transparent = void;
        const std::vector<std::wstring>* pKeys;
        std::wstring_view View(std::wstring_view key) const { return key; }
        std::wstring_view View(uint32_t nKey) const { return (*pKeys)[nKey]; }
        template <class A, class B> bool operator()(const A& a, const B& b) const { return View(a) == View(b); }
    };
    std::unordered_set<uint32_t, Hash, Equal> m_index;
};

// The rows of the callers (the first nCallers keys, with their call figures)
// and of the people who only text, that have anything; sorted as the screen
// opens. The keys and numbers are copied into the rows, or moved when they
// are handed over as changeable.
template <class Texts>
void MakeRows(Texts& keys, Texts& numbers, size_t nCallers, const std::vector<CallerCallFigures>& callers,
              const SmsAddresses& addresses, std::vector<CallerRankingRow>* pRows)
{
    pRows->clear();
    std::vector<CallerSmsFigures> sms;
    CountSmsByCaller(addresses, keys, &sms);
    pRows->reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        CallerRankingRow row;
        if (i < nCallers) {
            row.calls = callers[i].figures;
            row.ftLast = callers[i].ftLastCall;
        }
        row.nReceived = sms[i].nReceived;
        row.nSent = sms[i].nSent;
        if (FileTimeToTicks(sms[i].ftLast) > FileTimeToTicks(row.ftLast))
            row.ftLast = sms[i].ftLast;
        if (!HasAny(row))
            continue;
        row.strKey = std::move(keys[i]);
        row.strNumber = std::move(numbers[i]);
        pRows->push_back(std::move(row));
    }
    SortCallerRanking(pRows, RankingColumn::Total);
}

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
        RunBeside([&] { ReadCalls(callLog, nullptr, nullptr); }, [&] { m_texts.Read(smsStore); });
    }
    SmsAddresses all;
    m_texts.GetAddresses(nullptr, &all);
    AddTexters(all);
}

void CCallerRankingSource::ReadRows(CCallLog& callLog, CSmsStore& smsStore, const TimeRange* pRange,
                                    std::vector<CallerRankingRow>* pRows)
{
    std::vector<CallerCallFigures> callers;
    SmsAddresses addresses;
    {
        CCallLogHold hold;
        RunBeside([&] { ReadCalls(callLog, pRange, &callers); },
                  [&] { CSmsAddressTimes::ReadAddresses(smsStore, pRange, &addresses); });
    }
    // Every address is there, with its latest message of any time.
    AddTexters(addresses);
    // Done with the keys and numbers: the rows take them.
    MakeRows(m_keys, m_numbers, m_nCallers, callers, addresses, pRows);
}

void CCallerRankingSource::AddTexters(const SmsAddresses& all)
{
    // A person who texts is one of the log's callers when their name or their
    // number is that caller's key; everyone else has a row of their own.
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

void CCallerRankingSource::ReadCalls(CCallLog& callLog, const TimeRange* pOnly,
                                     std::vector<CallerCallFigures>* pCounted)
{
    m_keys.clear();
    m_numbers.clear();
    // Room for every call at once: grown as it goes, the list would take half
    // as much again while it moves.
    std::vector<Call>().swap(m_calls);
    if (!pCounted)
        m_calls.reserve(callLog.GetEntryCount());
    CKeyIndex index(m_keys);
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        std::wstring_view key = CCallLog::CallerKey(entry);
        auto [nCaller, bKnown] = index.Find(key);
        if (!bKnown) {
            nCaller = static_cast<uint32_t>(m_keys.size());
            m_keys.emplace_back(key);
            m_numbers.emplace_back();
            index.Add(nCaller);
            if (pCounted)
                pCounted->emplace_back();
        }
        // The log is newest first, so the first number met is the latest.
        std::wstring& strNumber = m_numbers[nCaller];
        if (strNumber.empty() && entry.pszNumber && *entry.pszNumber)
            strNumber = entry.pszNumber;
        if (!pCounted)
            m_calls.push_back(Call {entry.ftStartTime, entry.ftEndTime, static_cast<int32_t>(entry.iom), nCaller});
        else if (!pOnly || IsCallInRange(entry, *pOnly))
            AddCallerCall(entry, &(*pCounted)[nCaller]);
        return true;
    });
    m_nCallers = m_keys.size();
}

void CCallerRankingSource::GetRows(const TimeRange* pRange, std::vector<CallerRankingRow>* pRows) const
{
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
    MakeRows(m_keys, m_numbers, m_nCallers, callers, addresses, pRows);
}

int GetCallerRanking(CCallLog& callLog, CSmsStore& smsStore, const TimeRange* pRange,
                     std::vector<CallerRankingRow>* pRows)
{
    if (!pRows)
        return -1;
    CCallerRankingSource source;
    source.ReadRows(callLog, smsStore, pRange, pRows);
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
