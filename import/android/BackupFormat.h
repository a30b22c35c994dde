#pragma once

#include "device/DeviceRecords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// How the records of a phone backup (the calls file and the messages file)
// become call records and messages of the device store.

// Call type in the backup -> the direction iom: 1 incoming and 7 (answered on
// another device) -> 1; 2 outgoing -> 2; everything else (3 missed,
// 4 voicemail, 5 rejected, 6 blocked, unknown values) -> 0.
int CallIomFromType(int64_t nType);
// The flag bits of a call record: outgoing 1, connected 2, ended 4.
int CallFlagsFromType(int64_t nType, int64_t nDurationSeconds);
// The caller-id type of a call record from the backup's presentation:
// 1 allowed and 4 payphone -> available (2), 2 restricted -> blocked (1),
// anything else -> unavailable (0).
int CallerIdFromPresentation(int64_t nPresentation);

// The folder role of an SMS type or an MMS box: 1 inbox, 2 sent, 3 drafts,
// 4, 5 and 6 outbox; any other value "other".
const char* FolderRoleFromType(int64_t nType);

// Whether a contact_name names someone: not absent, empty, "(Unknown)" or "null".
bool IsKnownContactName(std::string_view strName);
// An optional text attribute whose absence the backup writes as "null".
bool IsNullText(std::string_view strText);

// FILETIME ticks (UTC) of a backup date in Unix milliseconds; with
// bSmallIsSeconds (MMS), a value below 10^11 is in seconds. nullopt for a
// date outside 1601..9999.
std::optional<int64_t> BackupDateTicks(int64_t nValue, bool bSmallIsSeconds);

// Whether the date of a call or an SMS, which the backup writes in Unix
// milliseconds, is written in seconds: as seconds it falls in 1990 to 2099
// (as milliseconds, in the first weeks of 1970), and the readable form of the
// date (any text) names no year, or the year it has as seconds in some time
// zone.
bool IsDateInSeconds(int64_t nValue, std::string_view strReadableDate);

// The addresses of an address text that joins several with '~'; empty
// pieces left out.
std::vector<std::string> SplitAddresses(std::string_view strAddresses);
// The contact name of each of nAddresses addresses: the whole name for one
// address; for several, the comma-separated names in order when there are as
// many. nullopt where no name is known.
std::vector<std::optional<std::string>> ContactNamesFor(std::string_view strContactName, size_t nAddresses);
// One recipient per address: the name when known, else the address, as the
// display name; the address as the email address.
std::vector<DeviceRecipient> RecipientsFor(const std::vector<std::string>& addresses,
                                           const std::vector<std::optional<std::string>>& names);

// The folder role of an MMS: its box's, and where the box names no folder,
// its message type's: 128 (sent by the phone) "sent", 132 (received) "inbox".
const char* MmsFolderRole(int64_t nBox, int64_t nMessageType);

// Whether two addresses are one phone's: phone numbers (at most 20 digits)
// compare by their digits (leading zeros aside, a national form matching the
// end of an international one of at least seven digits); other addresses
// compare without regard to letter case.
bool IsSameAddress(std::string_view strA, std::string_view strB);

// Finds, among a list of addresses, the first that is one phone's with a
// given address (IsSameAddress), at a cost that does not grow with the list.
class CAddressIndex
{
public:
    explicit CAddressIndex(const std::vector<std::string>& addresses);

    // The position in the list, or nullopt when none is the same phone's.
    std::optional<size_t> Find(std::string_view strAddress) const;

private:
    static std::optional<size_t> Lookup(const std::unordered_map<std::string, size_t>& map, const std::string& strKey);

    std::unordered_map<std::string, size_t> m_texts;   // addresses that are no numbers, in lower case
    std::unordered_map<std::string, size_t> m_numbers; // the digits of numbers
    std::unordered_map<std::string, size_t> m_endings; // every ending of seven digits or more of a number
};
