#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What an import read from one backup file and what became of it.

// What a backup file holds, told by its content.
enum class BackupKind { Unknown, Calls, Messages, IosBackup, IosCalls, IosMessages, IosContacts };

// A record larger than this is left out; no real record comes near it.
constexpr size_t kMostRecordBytes = size_t(16) << 20;

struct ImportCounts {
    int64_t nRead = 0;       // complete records in the file
    int64_t nAdded = 0;      // new to the store
    int64_t nDuplicates = 0; // already in the store (or earlier in the file)
    int64_t nUndated = 0;    // left out: no usable date
    int64_t nOversize = 0;   // left out: larger than kMostRecordBytes
    int64_t nDatesInSeconds = 0; // dated in seconds instead of milliseconds, read as such
};

// What an iPhone backup or one of its databases held beyond the counts.
struct IosReportPart {
    // The phone as the backup's Info.plist names it; empty when not known.
    std::string strDeviceName;
    std::string strPhoneNumber;
    std::string strIosVersion;
    std::string strLastBackup;
    // The databases that the backup lacks, by their names on the phone.
    std::vector<std::string> missing;
    // Messages of stores other than "SMS", by the store's name.
    std::map<std::string, ImportCounts> stores;
    int64_t nReactions = 0;         // reactions and edits, left out
    int64_t nGroupEvents = 0;       // chat events that no one wrote, left out
    int64_t nUnreadableText = 0;    // messages whose text could not be read, kept with an empty body
    int64_t nRecipientsCut = 0;     // recipients beyond kMostRecipients, left out
    int64_t nContacts = 0;          // people read from the address book
    int64_t nAndroidDuplicates = 0; // messages already imported from an Android backup, among the duplicates
};

// A sent message names at most this many recipients.
constexpr size_t kMostRecipients = 1000;

struct ImportReport {
    BackupKind kind = BackupKind::Unknown;
    ImportCounts calls;
    ImportCounts sms;
    ImportCounts mms;
    int64_t nOtherElements = 0;     // elements that are no record, left out
    int64_t nMediaParts = 0;        // MMS parts other than text, not stored
    int64_t nMediaBytes = 0;        // their data as the file holds it (base64)
    int64_t nLoneHalves = 0;        // unpaired surrogate halves, now U+FFFD
    int64_t nInvalidReferences = 0; // references to non-characters, now U+FFFD
    int64_t nDroppedControls = 0;   // control characters dropped
    uint64_t nFileBytes = 0;
    IosReportPart ios;
    std::optional<int64_t> nDeclaredRecords; // the records that the file says it holds
    // Salvaged: the file breaks off here, and only the records before it
    // were imported.
    bool bTruncated = false;
    int64_t nBreakLine = 0;
    int64_t nBreakColumn = 0;

    int64_t CompleteRecords() const
    {
        int64_t n = calls.nRead + sms.nRead + mms.nRead;
        for (const auto& [strStore, counts] : ios.stores)
            n += counts.nRead;
        return n;
    }
    int64_t AddedRecords() const
    {
        int64_t n = calls.nAdded + sms.nAdded + mms.nAdded;
        for (const auto& [strStore, counts] : ios.stores)
            n += counts.nAdded;
        return n;
    }
};

// "calls", "messages", "iPhone" and the like, or "unknown".
const char* BackupKindText(BackupKind kind);
