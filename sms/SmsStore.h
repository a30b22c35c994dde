#pragma once

#include "platform/MapiStore.h"
#include "platform/PlatformTypes.h"

#include <functional>
#include <string>

// What one message contributes to every count: the sender (Inbox) or the
// recipients text (Sent Items), cut at 255 characters, and the delivery
// time in local time, 0 when the message has none.
constexpr size_t kMaxSmsAddress = 255;

struct SmsEntry {
    WCHAR szAddress[kMaxSmsAddress + 1];
    FILETIME ftDeliveryTime;
};

// The session with the device's message store and the SMS figures read
// from its store named "SMS". A folder is named by the store property that
// holds its entry identifier: PR_CE_IPM_INBOX_ENTRYID for incoming SMS,
// PR_IPM_SENTMAIL_ENTRYID for outgoing ones. Without a session, a store or
// a folder every figure is 0. Counting operations return 0 and first set
// their figure to 0; a null out argument gives -1.
class CSmsStore
{
public:
    using SmsVisitor = std::function<void(const SmsEntry&)>;

    CSmsStore() = default;
    ~CSmsStore();
    CSmsStore(const CSmsStore&) = delete;
    CSmsStore& operator=(const CSmsStore&) = delete;

    void Open();
    void Close();
    // Opens the first store in the stores table's order whose name is "SMS"
    // in any letter case. No such store is no error: 0, with no store open.
    HRESULT FindSmsStore();
    // The caller releases what these hand out; *ppFolder is null when the
    // folder cannot be opened.
    IMAPIFolder* OpenFolder(ULONG ulTag);
    IMAPITable* OpenContents(ULONG ulTag, IMAPIFolder** ppFolder);

    // The n-th message (from 0) of the folder, in the contents table's
    // order; -1 when there is none or it cannot be read. Each call walks the
    // folder from its start, so walks use ForEachSmsEntry instead.
    int GetSmsEntry(ULONG ulTag, ULONG n, SmsEntry* pEntry);
    // Calls visit for every readable message of the folder, in the same
    // order, reading the folder once. A message that cannot be opened or
    // read is left out and the walk goes on. -1 when the folder cannot be
    // opened.
    // A walk that only needs the times may leave the addresses out (empty),
    // which saves reading every Sent Items message's recipients.
    int ForEachSmsEntry(ULONG ulTag, const SmsVisitor& visit, bool bAddress = true);

    // A missing sender or time gives an empty text or time 0; only a read
    // that fails as a whole fails.
    static HRESULT GetMessageProps(IMessage* pMessage, std::wstring* pstrSender, FILETIME* pftTime);
    // Every recipient's display name and "<address>", in the recipient
    // table's order, with nothing between them.
    static HRESULT GetRecipientText(IMessage* pMessage, std::wstring* pstrText);
    // A message belongs to a caller when its address is not empty and holds
    // the key, as typed, anywhere in it. A null key is the empty key.
    static bool IsCallerSms(const SmsEntry& entry, LPCWSTR pszKey);
    static bool IsInRange(const SmsEntry& entry, const FILETIME& ftStart, const FILETIME& ftEnd);
    static bool IsTimeInRange(const FILETIME& ftTime, const FILETIME& ftStart, const FILETIME& ftEnd);

    int GetInboxCount(int* pnCount);
    int GetSentCount(int* pnCount);
    int CountCallerSms(ULONG ulTag, LPCWSTR pszKey, int* pnCount);
    int GetLastCallerSmsTime(ULONG ulTag, LPCWSTR pszKey, FILETIME* pftTime);
    int CountSmsInRange(ULONG ulTag, FILETIME ftStart, FILETIME ftEnd, int* pnCount);
    int CountCallerSmsInRange(ULONG ulTag, FILETIME ftStart, FILETIME ftEnd, LPCWSTR pszKey, int* pnCount);

    int GetCallerInboxCount(LPCWSTR pszKey, int* pnCount);
    int GetCallerSentCount(LPCWSTR pszKey, int* pnCount);
    // The caller's latest SMS either way; on a tie the Sent Items time.
    int GetLastSmsTime(LPCWSTR pszKey, FILETIME* pftTime);
    int GetInboxCountInRange(FILETIME ftStart, FILETIME ftEnd, int* pnCount);
    int GetSentCountInRange(FILETIME ftStart, FILETIME ftEnd, int* pnCount);
    int GetCallerInboxCountInRange(FILETIME ftStart, FILETIME ftEnd, LPCWSTR pszKey, int* pnCount);
    int GetCallerSentCountInRange(FILETIME ftStart, FILETIME ftEnd, LPCWSTR pszKey, int* pnCount);

private:
    // GetMessageProps, or the time alone for a null pstrSender.
    static HRESULT ReadMessageProps(IMessage* pMessage, std::wstring* pstrSender, FILETIME* pftTime);
    int GetFolderCount(ULONG ulTag, int* pnCount);
    // pstrText is scratch space kept across a walk.
    int ReadEntry(IMAPIFolder* pFolder, const SRow& row, ULONG ulTag, SmsEntry* pEntry, std::wstring* pstrText,
                  bool bAddress);

    IMAPISession* m_pSession = nullptr;
    IMsgStore* m_pStore = nullptr;
    bool m_bMapiInitialized = false;
};
