#pragma once

#include "platform/TimeRange.h"
#include "sms/SmsStore.h"

#include <cstdint>
#include <string>
#include <vector>

// One caller's SMS figures over the whole store: the messages received
// from the caller (Inbox), those sent to the caller (Sent Items) and the
// local time of the latest of them, 0 when none matches.
struct CallerSmsFigures {
    int nReceived = 0;
    int nSent = 0;
    FILETIME ftLast {};
};

// The figures of GetCallerInboxCount, GetCallerSentCount and GetLastSmsTime,
// with one read of each folder instead of two. Sets the figures to 0 first;
// returns 0, or -1 for a null out argument.
int GetCallerSmsFigures(CSmsStore& smsStore, LPCWSTR pszKey, CallerSmsFigures* pFigures);

// The distinct addresses of one folder's messages, in the order of their
// texts: how many of their messages lie in the range (all of them without
// one) and the latest of those, and the latest time of any of them. A
// message with an empty address belongs to no one and is left out.
struct SmsAddressFigures {
    std::wstring strAddress;
    int nCount = 0;
    FILETIME ftLast {};
    FILETIME ftNewest {};
};

struct SmsAddresses {
    std::vector<SmsAddressFigures> inbox;
    std::vector<SmsAddressFigures> sent;
};

// The address and local time of every message of the Inbox and of Sent
// Items, read with one read of each folder and kept compactly (each distinct
// address once), so that the addresses of any range are gathered without
// reading the store again.
class CSmsAddressTimes
{
public:
    void Read(CSmsStore& smsStore);
    // Sets *pAddresses first.
    void GetAddresses(const TimeRange* pRange, SmsAddresses* pAddresses) const;

    // What a read and GetAddresses give for one range, counted during the
    // read without keeping every message: for a single look at the store.
    static void ReadAddresses(CSmsStore& smsStore, const TimeRange* pRange, SmsAddresses* pAddresses);

private:
    struct Message {
        uint32_t nAddress;
        FILETIME ftTime;
    };
    struct Folder {
        std::vector<std::wstring> addresses; // in the order of their texts
        std::vector<Message> messages;
    };
    static void ReadFolder(CSmsStore& smsStore, ULONG ulTag, Folder* pFolder);
    static void ReadFolderAddresses(CSmsStore& smsStore, ULONG ulTag, const TimeRange* pRange,
                                    std::vector<SmsAddressFigures>* pAddresses);
    static void GetFolderAddresses(const Folder& folder, const TimeRange* pRange,
                                   std::vector<SmsAddressFigures>* pAddresses);

    Folder m_inbox;
    Folder m_sent;
};

// For each key, in the same order, the figures of the gathered messages that
// it matches (the match of IsCallerSms): received, sent and the latest of
// them. Each distinct address counts for every key that it holds, so a
// message counts for every key it matches, as it does for each key on its
// own; a key held twice in one address counts it once.
void CountSmsByCaller(const SmsAddresses& addresses, const std::vector<std::wstring>& keys,
                      std::vector<CallerSmsFigures>* pFigures);
