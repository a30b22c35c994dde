#include "sms/SmsFigures.h"

#include "platform/PlatformTime.h"

#include <cwchar>
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
    SmsEntry entry {};
    for (const auto& [strAddress, figures] : addresses) {
        std::wmemcpy(entry.szAddress, strAddress.c_str(), strAddress.size() + 1);
        for (size_t i = 0; i < keys.size(); ++i) {
            if (!CSmsStore::IsCallerSms(entry, keys[i].c_str()))
                continue;
            CallerSmsFigures& caller = (*pFigures)[i];
            caller.*pnCount += figures.nCount;
            if (CompareFileTime(&figures.ftLast, &caller.ftLast) == 1)
                caller.ftLast = figures.ftLast;
        }
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
