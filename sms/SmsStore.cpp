#include "sms/SmsStore.h"

#include "platform/PlatformTime.h"
#include "sms/TableRows.h"

#include <algorithm>
#include <cwchar>

namespace {

// The store's name is compared the way the platform's _wcsicmp does it in
// its default locale: letter case counts only for A to Z.
bool IsSmsStoreName(LPCWSTR pszName)
{
    static const wchar_t kName[] = L"sms";
    for (size_t i = 0; i < std::size(kName); ++i) {
        wchar_t ch = pszName[i];
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
        if (ch != kName[i])
            return false;
    }
    return true;
}

// An empty address and no time. Nothing reads an address past its end, so
// a walk need not clear a kilobyte for every message.
void ClearEntry(SmsEntry* pEntry)
{
    pEntry->szAddress[0] = L'\0';
    pEntry->ftDeliveryTime = FILETIME {};
}

void Release(IUnknown* pUnknown)
{
    if (pUnknown)
        pUnknown->Release();
}

} // namespace

CSmsStore::~CSmsStore()
{
    Close();
}

void CSmsStore::Open()
{
    Close();
    if (FAILED(MAPIInitialize(nullptr)))
        return;
    m_bMapiInitialized = true;
    if (FAILED(MAPILogonEx(0, nullptr, nullptr, 0, &m_pSession))) {
        m_pSession = nullptr;
        return;
    }
    FindSmsStore();
}

void CSmsStore::Close()
{
    if (m_pStore) {
        m_pStore->Release();
        m_pStore = nullptr;
    }
    if (m_pSession) {
        m_pSession->Logoff(0, 0, 0);
        m_pSession->Release();
        m_pSession = nullptr;
    }
    if (m_bMapiInitialized) {
        MAPIUninitialize();
        m_bMapiInitialized = false;
    }
}

HRESULT CSmsStore::FindSmsStore()
{
    if (!m_pSession)
        return MAPI_E_CALL_FAILED;
    if (m_pStore) {
        m_pStore->Release();
        m_pStore = nullptr;
    }
    IMAPITable* pTable = nullptr;
    HRESULT hr = m_pSession->GetMsgStoresTable(MAPI_UNICODE, &pTable);
    if (FAILED(hr))
        return hr;
    static SizedSPropTagArray(2, kColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME}};
    hr = pTable->SetColumns(reinterpret_cast<const SPropTagArray*>(&kColumns), 0);
    if (FAILED(hr)) {
        pTable->Release();
        return hr;
    }
    HRESULT hrOpen = S_OK;
    hr = ForEachRow(pTable, [&](const SRow& row) {
        if (row.cValues < 2 || row.lpProps[1].ulPropTag != PR_DISPLAY_NAME || !row.lpProps[1].Value.lpszW ||
            !IsSmsStoreName(row.lpProps[1].Value.lpszW))
            return true;
        const SPropValue& entry = row.lpProps[0];
        bool bEntry = entry.ulPropTag == PR_ENTRYID;
        ULONG ulType = 0;
        IUnknown* pUnknown = nullptr;
        hrOpen = m_pSession->OpenEntry(bEntry ? entry.Value.bin.cb : 0,
                                       bEntry ? reinterpret_cast<const ENTRYID*>(entry.Value.bin.lpb) : nullptr,
                                       nullptr, MAPI_BEST_ACCESS, &ulType, &pUnknown);
        if (SUCCEEDED(hrOpen) && ulType == MAPI_STORE) {
            m_pStore = static_cast<IMsgStore*>(pUnknown);
        } else {
            Release(pUnknown);
            if (SUCCEEDED(hrOpen))
                hrOpen = MAPI_E_CALL_FAILED;
        }
        return false;
    });
    if (SUCCEEDED(hr))
        hr = hrOpen;
    pTable->Release();
    return hr;
}

IMAPIFolder* CSmsStore::OpenFolder(ULONG ulTag)
{
    if (!m_pStore)
        return nullptr;
    SizedSPropTagArray(1, tags) = {1, {ulTag}};
    ULONG cValues = 0;
    SPropValue* pProps = nullptr;
    HRESULT hr = m_pStore->GetProps(reinterpret_cast<const SPropTagArray*>(&tags), 0, &cValues, &pProps);
    if (hr != S_OK && hr != MAPI_W_ERRORS_RETURNED)
        return nullptr;
    if (cValues < 1 || pProps[0].ulPropTag != ulTag || PROP_TYPE(ulTag) != PT_BINARY) {
        MAPIFreeBuffer(pProps);
        return nullptr;
    }
    ULONG ulType = 0;
    IUnknown* pUnknown = nullptr;
    hr = m_pStore->OpenEntry(pProps[0].Value.bin.cb, reinterpret_cast<const ENTRYID*>(pProps[0].Value.bin.lpb), nullptr,
                             0, &ulType, &pUnknown);
    MAPIFreeBuffer(pProps);
    if (FAILED(hr) || ulType != MAPI_FOLDER) {
        Release(pUnknown);
        return nullptr;
    }
    return static_cast<IMAPIFolder*>(pUnknown);
}

IMAPITable* CSmsStore::OpenContents(ULONG ulTag, IMAPIFolder** ppFolder)
{
    IMAPIFolder* pFolder = OpenFolder(ulTag);
    IMAPITable* pTable = nullptr;
    if (pFolder && FAILED(pFolder->GetContentsTable(0, &pTable)))
        pTable = nullptr;
    static SizedSPropTagArray(1, kColumns) = {1, {PR_ENTRYID}};
    if (pTable && FAILED(pTable->SetColumns(reinterpret_cast<const SPropTagArray*>(&kColumns), 0))) {
        pTable->Release();
        pTable = nullptr;
    }
    if (ppFolder)
        *ppFolder = pFolder;
    else
        Release(pFolder);
    return pTable;
}

HRESULT CSmsStore::GetMessageProps(IMessage* pMessage, std::wstring* pstrSender, FILETIME* pftTime)
{
    if (!pstrSender)
        return MAPI_E_INVALID_PARAMETER;
    return ReadMessageProps(pMessage, pstrSender, pftTime);
}

HRESULT CSmsStore::ReadMessageProps(IMessage* pMessage, std::wstring* pstrSender, FILETIME* pftTime)
{
    if (!pMessage || !pftTime)
        return MAPI_E_INVALID_PARAMETER;
    if (pstrSender)
        pstrSender->clear();
    *pftTime = FILETIME {};
    static SizedSPropTagArray(2, kProps) = {2, {PR_SENDER_NAME, PR_MESSAGE_DELIVERY_TIME}};
    static SizedSPropTagArray(1, kTime) = {1, {PR_MESSAGE_DELIVERY_TIME}};
    const auto* pTags = pstrSender ? reinterpret_cast<const SPropTagArray*>(&kProps)
                                   : reinterpret_cast<const SPropTagArray*>(&kTime);
    ULONG cValues = 0;
    SPropValue* pProps = nullptr;
    HRESULT hr = pMessage->GetProps(pTags, 0, &cValues, &pProps);
    // A missing property is a partial read, not a failed one: an SMS has no
    // subject, and a message without a sender or time still counts.
    if (hr != S_OK && hr != MAPI_W_ERRORS_RETURNED)
        return FAILED(hr) ? hr : MAPI_E_CALL_FAILED;
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& prop = pProps[i];
        if (prop.ulPropTag == PR_SENDER_NAME && pstrSender && prop.Value.lpszW) {
            pstrSender->assign(prop.Value.lpszW);
        } else if (prop.ulPropTag == PR_MESSAGE_DELIVERY_TIME) {
            FILETIME ftLocal {};
            if (FileTimeToLocalFileTime(&prop.Value.ft, &ftLocal))
                *pftTime = ftLocal;
        }
    }
    MAPIFreeBuffer(pProps);
    return S_OK;
}

HRESULT CSmsStore::GetRecipientText(IMessage* pMessage, std::wstring* pstrText)
{
    if (!pMessage || !pstrText)
        return MAPI_E_INVALID_PARAMETER;
    pstrText->clear();
    IMAPITable* pTable = nullptr;
    HRESULT hr = pMessage->GetRecipientTable(0, &pTable);
    if (FAILED(hr))
        return hr;
    // A table that fails part way gives the recipients read before.
    ForEachRow(pTable, [&](const SRow& row) {
        for (ULONG i = 0; i < row.cValues; ++i) {
            const SPropValue& prop = row.lpProps[i];
            if (prop.ulPropTag == PR_EMAIL_ADDRESS && prop.Value.lpszW) {
                *pstrText += L'<';
                *pstrText += prop.Value.lpszW;
                *pstrText += L'>';
            } else if (prop.ulPropTag == PR_DISPLAY_NAME && prop.Value.lpszW) {
                *pstrText += prop.Value.lpszW;
            }
        }
        return true;
    });
    pTable->Release();
    return S_OK;
}

int CSmsStore::ReadEntry(IMAPIFolder* pFolder, const SRow& row, ULONG ulTag, SmsEntry* pEntry, std::wstring* pstrText,
                         bool bAddress)
{
    ClearEntry(pEntry);
    if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ENTRYID)
        return -1;
    const SBinary& entryId = row.lpProps[0].Value.bin;
    ULONG ulType = 0;
    IUnknown* pUnknown = nullptr;
    HRESULT hr = pFolder->OpenEntry(entryId.cb, reinterpret_cast<const ENTRYID*>(entryId.lpb), nullptr,
                                    MAPI_BEST_ACCESS, &ulType, &pUnknown);
    if (FAILED(hr) || ulType != MAPI_MESSAGE) {
        Release(pUnknown);
        return -1;
    }
    auto* pMessage = static_cast<IMessage*>(pUnknown);
    int nResult = -1;
    // A walk that leaves the addresses out reads only the time, and so does
    // a Sent Items walk, whose address is its recipients.
    bool bSender = bAddress && ulTag != PR_IPM_SENTMAIL_ENTRYID;
    if (SUCCEEDED(ReadMessageProps(pMessage, bSender ? pstrText : nullptr, &pEntry->ftDeliveryTime)) &&
        (ulTag != PR_IPM_SENTMAIL_ENTRYID || !bAddress || SUCCEEDED(GetRecipientText(pMessage, pstrText)))) {
        size_t cch = bAddress ? std::min(pstrText->size(), kMaxSmsAddress) : 0;
        std::wmemcpy(pEntry->szAddress, pstrText->data(), cch);
        pEntry->szAddress[cch] = L'\0';
        nResult = 0;
    }
    pMessage->Release();
    return nResult;
}

int CSmsStore::GetSmsEntry(ULONG ulTag, ULONG n, SmsEntry* pEntry)
{
    if (!pEntry)
        return -1;
    ClearEntry(pEntry);
    IMAPIFolder* pFolder = nullptr;
    IMAPITable* pTable = OpenContents(ulTag, &pFolder);
    if (!pTable) {
        Release(pFolder);
        return -1;
    }
    int nResult = -1;
    std::wstring strText;
    ULONG i = 0;
    ForEachRow(pTable, [&](const SRow& row) {
        if (i++ < n)
            return true;
        nResult = ReadEntry(pFolder, row, ulTag, pEntry, &strText, true);
        return false;
    });
    pTable->Release();
    pFolder->Release();
    return nResult;
}

int CSmsStore::ForEachSmsEntry(ULONG ulTag, const SmsVisitor& visit, bool bAddress)
{
    IMAPIFolder* pFolder = nullptr;
    IMAPITable* pTable = OpenContents(ulTag, &pFolder);
    if (!pTable) {
        Release(pFolder);
        return -1;
    }
    SmsEntry entry;
    std::wstring strText;
    // A walk that fails part way has counted the messages before.
    ForEachRow(pTable, [&](const SRow& row) {
        if (ReadEntry(pFolder, row, ulTag, &entry, &strText, bAddress) == 0)
            visit(entry);
        return true;
    });
    pTable->Release();
    pFolder->Release();
    return 0;
}

bool CSmsStore::IsCallerSms(const SmsEntry& entry, LPCWSTR pszKey)
{
    return entry.szAddress[0] != L'\0' && std::wcsstr(entry.szAddress, pszKey ? pszKey : L"") != nullptr;
}

bool CSmsStore::IsInRange(const SmsEntry& entry, const FILETIME& ftStart, const FILETIME& ftEnd)
{
    return IsTimeInRange(entry.ftDeliveryTime, ftStart, ftEnd);
}

bool CSmsStore::IsTimeInRange(const FILETIME& ftTime, const FILETIME& ftStart, const FILETIME& ftEnd)
{
    return CompareFileTime(&ftTime, &ftStart) >= 0 && CompareFileTime(&ftEnd, &ftTime) >= 0;
}

int CSmsStore::GetFolderCount(ULONG ulTag, int* pnCount)
{
    if (!pnCount)
        return -1;
    *pnCount = 0;
    IMAPIFolder* pFolder = nullptr;
    IMAPITable* pTable = OpenContents(ulTag, &pFolder);
    if (pTable) {
        ULONG ulCount = 0;
        if (SUCCEEDED(pTable->GetRowCount(0, &ulCount)))
            *pnCount = static_cast<int>(ulCount);
        pTable->Release();
    }
    Release(pFolder);
    return 0;
}

int CSmsStore::GetInboxCount(int* pnCount)
{
    return GetFolderCount(PR_CE_IPM_INBOX_ENTRYID, pnCount);
}

int CSmsStore::GetSentCount(int* pnCount)
{
    return GetFolderCount(PR_IPM_SENTMAIL_ENTRYID, pnCount);
}

int CSmsStore::CountCallerSms(ULONG ulTag, LPCWSTR pszKey, int* pnCount)
{
    if (!pnCount)
        return -1;
    *pnCount = 0;
    ForEachSmsEntry(ulTag, [&](const SmsEntry& entry) {
        if (IsCallerSms(entry, pszKey))
            ++*pnCount;
    });
    return 0;
}

int CSmsStore::GetLastCallerSmsTime(ULONG ulTag, LPCWSTR pszKey, FILETIME* pftTime)
{
    if (!pftTime)
        return -1;
    *pftTime = FILETIME {};
    ForEachSmsEntry(ulTag, [&](const SmsEntry& entry) {
        if (IsCallerSms(entry, pszKey) && CompareFileTime(&entry.ftDeliveryTime, pftTime) == 1)
            *pftTime = entry.ftDeliveryTime;
    });
    return 0;
}

int CSmsStore::CountSmsInRange(ULONG ulTag, FILETIME ftStart, FILETIME ftEnd, int* pnCount)
{
    if (!pnCount)
        return -1;
    *pnCount = 0;
    ForEachSmsEntry(
        ulTag,
        [&](const SmsEntry& entry) {
            if (IsInRange(entry, ftStart, ftEnd))
                ++*pnCount;
        },
        false);
    return 0;
}

int CSmsStore::CountCallerSmsInRange(ULONG ulTag, FILETIME ftStart, FILETIME ftEnd, LPCWSTR pszKey, int* pnCount)
{
    if (!pnCount)
        return -1;
    *pnCount = 0;
    ForEachSmsEntry(ulTag, [&](const SmsEntry& entry) {
        if (IsCallerSms(entry, pszKey) && IsInRange(entry, ftStart, ftEnd))
            ++*pnCount;
    });
    return 0;
}

int CSmsStore::GetCallerInboxCount(LPCWSTR pszKey, int* pnCount)
{
    return CountCallerSms(PR_CE_IPM_INBOX_ENTRYID, pszKey, pnCount);
}

int CSmsStore::GetCallerSentCount(LPCWSTR pszKey, int* pnCount)
{
    return CountCallerSms(PR_IPM_SENTMAIL_ENTRYID, pszKey, pnCount);
}

int CSmsStore::GetLastSmsTime(LPCWSTR pszKey, FILETIME* pftTime)
{
    if (!pftTime)
        return -1;
    FILETIME ftInbox {}, ftSent {};
    GetLastCallerSmsTime(PR_CE_IPM_INBOX_ENTRYID, pszKey, &ftInbox);
    GetLastCallerSmsTime(PR_IPM_SENTMAIL_ENTRYID, pszKey, &ftSent);
    *pftTime = CompareFileTime(&ftInbox, &ftSent) == 1 ? ftInbox : ftSent;
    return 0;
}

int CSmsStore::GetInboxCountInRange(FILETIME ftStart, FILETIME ftEnd, int* pnCount)
{
    return CountSmsInRange(PR_CE_IPM_INBOX_ENTRYID, ftStart, ftEnd, pnCount);
}

int CSmsStore::GetSentCountInRange(FILETIME ftStart, FILETIME ftEnd, int* pnCount)
{
    return CountSmsInRange(PR_IPM_SENTMAIL_ENTRYID, ftStart, ftEnd, pnCount);
}

int CSmsStore::GetCallerInboxCountInRange(FILETIME ftStart, FILETIME ftEnd, LPCWSTR pszKey, int* pnCount)
{
    return CountCallerSmsInRange(PR_CE_IPM_INBOX_ENTRYID, ftStart, ftEnd, pszKey, pnCount);
}

int CSmsStore::GetCallerSentCountInRange(FILETIME ftStart, FILETIME ftEnd, LPCWSTR pszKey, int* pnCount)
{
    return CountCallerSmsInRange(PR_IPM_SENTMAIL_ENTRYID, ftStart, ftEnd, pszKey, pnCount);
}
