#pragma once

#include "device/DeviceRecords.h"
#include "import/BackupWriter.h"
#include "import/android/BackupRecords.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the records of the backup files become rows of the device store:
// plain functions of the records, reading and writing nothing else. They take
// the records by value, so that a reader can hand its texts on unmoved.

// The call record of a <call>; nullopt when it has no usable date. A date
// written in seconds (IsDateInSeconds) is read as such, and tells so in
// *pbInSeconds when given.
std::optional<DeviceCall> CallFromRecord(CallRecord record, bool* pbInSeconds = nullptr);

// The message of an <sms>, in the "SMS" store; nullopt when it has no usable
// date, whose seconds are read as for calls. A received one (or one of a type
// without a folder) names its sender: the contact's name, else the address.
// The others name one recipient per address.
std::optional<BackupMessage> MessageFromSms(SmsRecord record, bool* pbInSeconds = nullptr);

// The addresses of an MMS by their part. Empty and "null" addresses take no
// part.
struct MmsParties {
    bool bIncoming = false;             // in the Inbox
    std::optional<std::string> strFrom; // the first sender; for a received
                                        // MMS without one, its first own address
    std::vector<std::string> to;        // the recipients (to, cc and bcc) in order
    std::string strKeyAddresses;        // every <addr> joined by '~', for the key
};
MmsParties PartiesOf(const MmsRecord& record);

// The placeholder that an MMS carries for the phone's own number.
constexpr std::string_view kOwnAddressToken = "insert-address-token";

// The message of an <mms>, in the "MMS" store; nullopt when it has no usable
// date. Each MMS is read on its own, so that no other record changes what it
// becomes. Its own address list (the address attribute, several joined by
// '~', named by contact_name) holds the other people of the conversation,
// never the owner:
// - a received MMS names its sender, and as recipients those of its <addr>
//   recipients that its address list holds; without an address list, the one
//   recipient of an MMS received alone is the owner, and those of a group all
//   stay;
// - any other MMS has its <addr> recipients but its own sender; without any,
//   the addresses of its address list.
// The placeholder for the owner's number is never a sender or recipient.
std::optional<BackupMessage> MessageFromMms(MmsRecord record);
