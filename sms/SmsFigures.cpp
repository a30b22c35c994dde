#include "sms/SmsFigures.h"

#include "platform/PlatformTime.h"

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
