#include "sms/SmsFigures.h"

#include "platform/PlatformTime.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>

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

struct AddressFigures {
    int nCount = 0;
    FILETIME ftLast {};
};

// Counts each key's messages of one folder into nReceived or nSent (pnCount
// picks the member) with one read of the folder.
void CountFolderByCaller(CSmsStore& smsStore, ULONG ulTag, const std::vector<std::wstring>& keys,
                         const TimeRange* pRange, int CallerSmsFigures::*pnCount,
                         std::vector<CallerSmsFigures>* pFigures)
{
    std::unordered_map<std::wstring, AddressFigures> addresses;
    smsStore.ForEachSmsEntry(ulTag, [&](const SmsEntry& entry) {
        // An empty address belongs to no caller, not even the empty key.
        if (entry.szAddress[0] == L'\0')
            return;
        if (pRange && !CSmsStore::IsInRange(entry, pRange->start, pRange->end))
            return;
        AddressFigures& figures = addresses[entry.szAddress];
        ++figures.nCount;
        if (CompareFileTime(&entry.ftDeliveryTime, &figures.ftLast) == 1)
            figures.ftLast = entry.ftDeliveryTime;
    });
    // Which keys an address holds: each of its substrings up to the longest
    // key's length is looked up among the keys, which finds exactly the keys
    // that IsCallerSms finds there, without trying every key on every
    // address. A key held twice in one address counts once.
    std::unordered_map<std::wstring_view, size_t> keyIndex;
    size_t nLongestKey = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        keyIndex.emplace(keys[i], i);
        nLongestKey = std::max(nLongestKey, keys[i].size());
    }
    std::vector<size_t> lastAddress(keys.size(), SIZE_MAX);
    size_t nAddress = 0;
    for (const auto& [strAddress, figures] : addresses) {
        std::wstring_view address(strAddress);
        for (size_t nStart = 0; nStart <= address.size(); ++nStart) {
            size_t nMaxLength = std::min(nLongestKey, address.size() - nStart);
            for (size_t nLength = 0; nLength <= nMaxLength; ++nLength) {
                auto it = keyIndex.find(address.substr(nStart, nLength));
                if (it == keyIndex.end() || lastAddress[it->second] == nAddress)
                    continue;
                lastAddress[it->second] = nAddress;
                CallerSmsFigures& caller = (*pFigures)[it->second];
                caller.*pnCount += figures.nCount;
                if (CompareFileTime(&figures.ftLast, &caller.ftLast) == 1)
                    caller.ftLast = figures.ftLast;
            }
        }
        ++nAddress;
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

int GetSmsFiguresByCaller(CSmsStore& smsStore, const std::vector<std::wstring>& keys, const TimeRange* pRange,
                          std::vector<CallerSmsFigures>* pFigures)
{
    if (!pFigures)
        return -1;
    pFigures->assign(keys.size(), CallerSmsFigures {});
    CountFolderByCaller(smsStore, PR_CE_IPM_INBOX_ENTRYID, keys, pRange, &CallerSmsFigures::nReceived, pFigures);
    CountFolderByCaller(smsStore, PR_IPM_SENTMAIL_ENTRYID, keys, pRange, &CallerSmsFigures::nSent, pFigures);
    return 0;
}
