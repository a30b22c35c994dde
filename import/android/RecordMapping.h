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

// The call record of a <call>; nullopt when it has no usable date.
std::optional<DeviceCall> CallFromRecord(CallRecord record);

// The message of an <sms>, in the "SMS" store; nullopt when it has no usable
// date. A received one (or one of a type without a folder) names its sender:
// the contact's name, else the address. The others name one recipient per
// address.
std::optional<BackupMessage> MessageFromSms(SmsRecord record);

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
// At most this many addresses are known as the owner's; a phone has only a few.
constexpr size_t kMaxOwnerAddresses = 8;

// The owner's own address as an MMS tells it: the sender of what the phone
// sent, and the one recipient of what it received alone; nullopt when it
// tells none.
std::optional<std::string> OwnerAddressIn(const MmsParties& parties);
// Whether an address is one of the owner's (IsSameAddress).
bool IsOwnerAddress(std::string_view strAddress, const std::vector<std::string>& owners);
// Adds an address to the owner's unless it is known already, or empty, or
// the list is full.
void LearnOwnerAddress(const std::string& strAddress, std::vector<std::string>* pOwners);

// The message of an <mms>, in the "MMS" store; nullopt when it has no usable
// date. First learns in *pOwners what the MMS tells of the owner's address.
// A received MMS names its sender, by the contact's name where the record
// names the address; the recipients are the others, the owner left out.
std::optional<BackupMessage> MessageFromMms(MmsRecord record, std::vector<std::string>* pOwners);
