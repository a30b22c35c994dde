#pragma once

#include "device/DeviceStore.h"

#include <cstdint>
#include <functional>
#include <string>

// Imports the XML backup files of an Android phone: the calls file (root
// <calls>) and the messages file (root <smses>), told apart by their content.
// Each file imports in one transaction; a file that fails leaves the store as
// it was. Records already in the store are skipped (unique indexes on the
// backup's record keys), so overlapping backups merge.

enum class BackupKind { Unknown, Calls, Messages };

struct ImportCounts {
    int64_t nRead = 0;       // complete records in the file
    int64_t nAdded = 0;      // new to the store
    int64_t nDuplicates = 0; // already in the store (or earlier in the file)
    int64_t nUndated = 0;    // left out: no usable date
};

struct ImportReport {
    BackupKind kind = BackupKind::Unknown;
    ImportCounts calls;
    ImportCounts sms;
    ImportCounts mms;
    int64_t nOtherElements = 0;    // elements that are no record, left out
    int64_t nMediaParts = 0;       // MMS parts other than text, not stored
    int64_t nMediaBytes = 0;       // their data as the file holds it (base64)
    int64_t nLoneHalves = 0;       // unpaired surrogate halves, now U+FFFD
    int64_t nInvalidReferences = 0; // references to non-characters, now U+FFFD
    int64_t nDroppedControls = 0;  // control characters dropped
    uint64_t nFileBytes = 0;
    // Salvaged: the file breaks off here, and only the records before it
    // were imported.
    bool bTruncated = false;
    int64_t nBreakLine = 0;
    int64_t nBreakColumn = 0;

    int64_t CompleteRecords() const { return calls.nRead + sms.nRead + mms.nRead; }
};

struct ImportOptions {
    // Imports the complete records of a truncated file instead of refusing it.
    bool bSalvage = false;
    // Called after each chunk read: bytes read so far, and the file's size
    // (0 when unknown).
    std::function<void(uint64_t nDone, uint64_t nTotal)> pfnProgress;
};

class CBackupImporter
{
public:
    // The store must be open for writing.
    explicit CBackupImporter(CDeviceStore& store);

    // Returns 0, or -1 with ErrorText() set; the report holds what was read
    // either way.
    int ImportFile(const std::string& strPath, const ImportOptions& options, ImportReport& report);
    // One line naming the file and what went wrong.
    const std::string& ErrorText() const { return m_strError; }

private:
    CDeviceStore& m_store;
    std::string m_strError;
};

const char* BackupKindText(BackupKind kind);
