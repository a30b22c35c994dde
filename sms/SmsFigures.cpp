#include "sms/SmsFigures.h"

#include "platform/PlatformTime.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

void CountFolder(CSmsStore& smsStore, ULONG ulTag, LPCWSTR pszKey, int* pnCount, FILETIME* pftLast)
{
    smsStore.ForEachSmsEntry(ulTag, [&](const SmsEntry& entry) {
        if (!CSmsStore::IsCallerSms(entry, pszKey))
            return;
        ++*pnCount;
        if (CompareFileTime(&entry.ftDeliveryTime, pftLast) == 1)
            *pftLast = entry.ftDeliveryTime;
    });
}

// Finds which of many keys a text holds: each of the text's substrings of a
// length that some key has is looked up among the keys, which finds exactly
// the keys that IsCallerSms finds there, without trying every key on every
// text.
class CKeyMatcher
{
public:
    explicit CKeyMatcher(const std::vector<std::wstring>& keys)
        : m_lastText(keys.size(), SIZE_MAX)
    {
        m_index.reserve(keys.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            auto [it, bNew] = m_index.emplace(keys[i], i);
            if (bNew)
                m_lengths.push_back(keys[i].size());
            else
                m_repeats.emplace_back(i, it->second);
        }
        std::sort(m_lengths.begin(), m_lengths.end());
        m_lengths.erase(std::unique(m_lengths.begin(), m_lengths.end()), m_lengths.end());
    }

    // Calls found(i) once for each key i that the text holds; a key that
    // another one repeats is found under the first one's index.
    template <class Found> void ForEachKeyIn(std::wstring_view text, Found&& found)
    {
        ++m_nText;
        for (size_t nStart = 0; nStart <= text.size(); ++nStart) {
            for (size_t nLength : m_lengths) {
                if (nLength > text.size() - nStart)
                    break;
                auto it = m_index.find(text.substr(nStart, nLength));
                if (it == m_index.end() || m_lastText[it->second] == m_nText)
                    continue;
                m_lastText[it->second] = m_nText;
                found(it->second);
            }
        }
    }

    // Each key that repeats an earlier one, with the earlier one's index.
    const std::vector<std::pair<size_t, size_t>>& Repeats() const { return m_repeats; }

private:
    std::unordered_map<std::wstring_view, size_t> m_index;
    std::vector<std::pair<size_t, size_t>> m_repeats;
    std::vector<size_t> m_lengths;
    std::vector<size_t> m_lastText;
    size_t m_nText = 0;
};

// Looks addresses up by view, so that a message's address is copied only
// for the first message from or to it.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view> {}(text); }
};

struct AddressFigures {
    int nCount = 0;
    FILETIME ftLast {};
    FILETIME ftNewest {};
};

void Later(FILETIME* pft, const FILETIME& ft)
{
    if (CompareFileTime(&ft, pft) == 1)
        *pft = ft;
}

// One read of a folder: its distinct addresses in the order of their texts.
void GatherFolder(CSmsStore& smsStore, ULONG ulTag, const TimeRange* pRange,
                  std::vector<SmsAddressFigures>* pAddresses)
{
    std::unordered_map<std::wstring, AddressFigures, TextHash, std::equal_to<>> addresses;
    smsStore.ForEachSmsEntry(ulTag, [&](const SmsEntry& entry) {
        // An empty address belongs to no caller, not even the empty key.
        if (entry.szAddress[0] == L'\0')
            return;
        std::wstring_view address(entry.szAddress);
        auto it = addresses.find(address);
        if (it == addresses.end())
            it = addresses.emplace(address, AddressFigures {}).first;
        AddressFigures& figures = it->second;
        Later(&figures.ftNewest, entry.ftDeliveryTime);
        if (pRange && !CSmsStore::IsInRange(entry, pRange->start, pRange->end))
            return;
        ++figures.nCount;
        Later(&figures.ftLast, entry.ftDeliveryTime);
    });
    pAddresses->clear();
    pAddresses->reserve(addresses.size());
    for (auto& [strAddress, figures] : addresses)
        pAddresses->push_back(SmsAddressFigures {strAddress, figures.nCount, figures.ftLast, figures.ftNewest});
    std::sort(pAddresses->begin(), pAddresses->end(),
              [](const SmsAddressFigures& a, const SmsAddressFigures& b) { return a.strAddress < b.strAddress; });
}

// Counts each key's messages of one folder into nReceived or nSent (pnCount
// picks the member).
void CountFolderByCaller(const std::vector<SmsAddressFigures>& addresses, CKeyMatcher& matcher,
                         int CallerSmsFigures::*pnCount, std::vector<CallerSmsFigures>* pFigures)
{
    for (const SmsAddressFigures& address : addresses) {
        if (address.nCount == 0)
            continue;
        matcher.ForEachKeyIn(address.strAddress, [&](size_t nKey) {
            CallerSmsFigures& caller = (*pFigures)[nKey];
            caller.*pnCount += address.nCount;
            Later(&caller.ftLast, address.ftLast);
        });
    }
}

} // namespace

int GetCallerSmsFigures(CSmsStore& smsStore, LPCWSTR pszKey, CallerSmsFigures* pFigures)
{
    if (!pFigures)
        return -1;
    *pFigures = CallerSmsFigures {};
    FILETIME ftInbox {}, ftSent {};
    CountFolder(smsStore, PR_CE_IPM_INBOX_ENTRYID, pszKey, &pFigures->nReceived, &ftInbox);
    CountFolder(smsStore, PR_IPM_SENTMAIL_ENTRYID, pszKey, &pFigures->nSent, &ftSent);
    pFigures->ftLast = CompareFileTime(&ftInbox, &ftSent) == 1 ? ftInbox : ftSent;
    return 0;
}

int GetSmsAddresses(CSmsStore& smsStore, const TimeRange* pRange, SmsAddresses* pAddresses)
{
    if (!pAddresses)
        return -1;
    GatherFolder(smsStore, PR_CE_IPM_INBOX_ENTRYID, pRange, &pAddresses->inbox);
    GatherFolder(smsStore, PR_IPM_SENTMAIL_ENTRYID, pRange, &pAddresses->sent);
    return 0;
}

void CountSmsByCaller(const SmsAddresses& addresses, const std::vector<std::wstring>& keys,
                      std::vector<CallerSmsFigures>* pFigures)
{
    pFigures->assign(keys.size(), CallerSmsFigures {});
    CKeyMatcher matcher(keys);
    CountFolderByCaller(addresses.inbox, matcher, &CallerSmsFigures::nReceived, pFigures);
    CountFolderByCaller(addresses.sent, matcher, &CallerSmsFigures::nSent, pFigures);
    for (auto [nRepeat, nFirst] : matcher.Repeats())
        (*pFigures)[nRepeat] = (*pFigures)[nFirst];
}

int GetSmsFiguresByCaller(CSmsStore& smsStore, const std::vector<std::wstring>& keys, const TimeRange* pRange,
                          std::vector<CallerSmsFigures>* pFigures)
{
    if (!pFigures)
        return -1;
    SmsAddresses addresses;
    GetSmsAddresses(smsStore, pRange, &addresses);
    CountSmsByCaller(addresses, keys, pFigures);
    return 0;
}
