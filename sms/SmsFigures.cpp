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

void Later(FILETIME* pft, const FILETIME& ft)
{
    if (CompareFileTime(&ft, pft) == 1)
        *pft = ft;
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

namespace {

// Counts one message of an address: the latest of all, and the count and
// latest of those in the range (all without one).
void CountMessage(const FILETIME& ftTime, const TimeRange* pRange, SmsAddressFigures* pAddress)
{
    Later(&pAddress->ftNewest, ftTime);
    if (pRange && !CSmsStore::IsTimeInRange(ftTime, pRange->start, pRange->end))
        return;
    ++pAddress->nCount;
    Later(&pAddress->ftLast, ftTime);
}

// Walks one folder once: counted(nAddress, ftTime) for every message with an
// address, where nAddress numbers the distinct addresses from 0 as they are
// first met. Then *pPlace is each address's place in the order of their
// texts and *pAddresses the addresses in that order, so that what is made of
// them does not hang on the order of the messages.
template <class Counted>
void WalkFolder(CSmsStore& smsStore, ULONG ulTag, Counted&& counted, std::vector<std::wstring>* pAddresses,
                std::vector<uint32_t>* pPlace)
{
    std::unordered_map<std::wstring, uint32_t, TextHash, std::equal_to<>> index;
    smsStore.ForEachSmsEntry(ulTag, [&](const SmsEntry& entry) {
        // An empty address belongs to no caller, not even the empty key.
        if (entry.szAddress[0] == L'\0')
            return;
        std::wstring_view address(entry.szAddress);
        auto it = index.find(address);
        if (it == index.end())
            it = index.emplace(address, static_cast<uint32_t>(index.size())).first;
        counted(it->second, entry.ftDeliveryTime);
    });
    std::vector<const std::wstring*> met(index.size());
    for (const auto& [strAddress, nAddress] : index)
        met[nAddress] = &strAddress;
    std::vector<uint32_t> order(met.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return *met[a] < *met[b]; });
    pPlace->assign(order.size(), 0);
    pAddresses->clear();
    pAddresses->reserve(order.size());
    for (uint32_t i = 0; i < order.size(); ++i) {
        (*pPlace)[order[i]] = i;
        pAddresses->push_back(*met[order[i]]);
    }
}

} // namespace

void CSmsAddressTimes::Read(CSmsStore& smsStore)
{
    ReadFolder(smsStore, PR_CE_IPM_INBOX_ENTRYID, &m_inbox);
    ReadFolder(smsStore, PR_IPM_SENTMAIL_ENTRYID, &m_sent);
}

void CSmsAddressTimes::ReadFolder(CSmsStore& smsStore, ULONG ulTag, Folder* pFolder)
{
    pFolder->messages.clear();
    std::vector<uint32_t> place;
    WalkFolder(
        smsStore, ulTag,
        [&](uint32_t nAddress, const FILETIME& ftTime) {
            pFolder->messages.push_back(Message {nAddress, ftTime});
        },
        &pFolder->addresses, &place);
    for (Message& message : pFolder->messages)
        message.nAddress = place[message.nAddress];
}

void CSmsAddressTimes::GetAddresses(const TimeRange* pRange, SmsAddresses* pAddresses) const
{
    GetFolderAddresses(m_inbox, pRange, &pAddresses->inbox);
    GetFolderAddresses(m_sent, pRange, &pAddresses->sent);
}

void CSmsAddressTimes::GetFolderAddresses(const Folder& folder, const TimeRange* pRange,
                                          std::vector<SmsAddressFigures>* pAddresses)
{
    pAddresses->assign(folder.addresses.size(), SmsAddressFigures {});
    for (size_t i = 0; i < folder.addresses.size(); ++i)
        (*pAddresses)[i].strAddress = folder.addresses[i];
    for (const Message& message : folder.messages)
        CountMessage(message.ftTime, pRange, &(*pAddresses)[message.nAddress]);
}

void CSmsAddressTimes::ReadAddresses(CSmsStore& smsStore, const TimeRange* pRange, SmsAddresses* pAddresses)
{
    ReadFolderAddresses(smsStore, PR_CE_IPM_INBOX_ENTRYID, pRange, &pAddresses->inbox);
    ReadFolderAddresses(smsStore, PR_IPM_SENTMAIL_ENTRYID, pRange, &pAddresses->sent);
}

void CSmsAddressTimes::ReadFolderAddresses(CSmsStore& smsStore, ULONG ulTag, const TimeRange* pRange,
                                           std::vector<SmsAddressFigures>* pAddresses)
{
    std::vector<SmsAddressFigures> met;
    std::vector<std::wstring> addresses;
    std::vector<uint32_t> place;
    WalkFolder(
        smsStore, ulTag,
        [&](uint32_t nAddress, const FILETIME& ftTime) {
            if (nAddress == met.size())
                met.emplace_back();
            CountMessage(ftTime, pRange, &met[nAddress]);
        },
        &addresses, &place);
    pAddresses->assign(met.size(), SmsAddressFigures {});
    for (size_t i = 0; i < met.size(); ++i) {
        SmsAddressFigures& address = (*pAddresses)[place[i]];
        address = std::move(met[i]);
        address.strAddress = std::move(addresses[place[i]]);
    }
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
