#pragma once

#include "device/DeviceStore.h"
#include "device/StoreWriter.h"
#include "import/ImportReport.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

// Writes the records of backups into the device store, each record once
// however many backups hold it. Beyond the store's first format, imported
// rows keep the record's original type, address and identifier as the
// backup gives them, and unique indexes on these record keys keep any writer
// from adding a backed-up record twice. Rows without these columns (written
// by other means) are outside the indexes.
//
//   calllog.backup_type      the call's type in an Android backup
//   calllog.backup_id        the call's own unique identifier (iPhone)
//   calllog.backup_service   what carried the call (iPhone): "phone",
//                            "facetime-audio", "facetime-video", or the
//                            provider of another app's calls
//   message.backup_kind      'sms' or 'mms' (Android), 'ios' (iPhone)
//   message.backup_type      the SMS type or the MMS box in the backup; for
//                            an iPhone message 1 received, 2 sent, 5 failed
//   message.backup_address   the SMS address, or an MMS's addresses joined by
//                            '~'; for an iPhone message its sender's or its
//                            chat's address
//   message.backup_id        the MMS's message identifier (m_id), or the
//                            iPhone message's guid

// Adds what is missing of the columns and indexes above; does nothing on a
// store that has it all. Runs no transaction of its own: the caller runs it
// inside its own, so that a failed import takes the additions back as well.
// Returns 0 or -1 (the database holds the error).
int UpgradeBackupSchema(CDatabase& db);

// What identifies a call of a backup beyond its times and number: an
// Android call by its type, an iPhone call by its own identifier, or without
// one by its direction and service.
struct BackupCallKey {
    std::optional<int64_t> nType;
    std::optional<std::string> strId;
    std::optional<std::string> strService;
};

// What identifies a message of a backup, beyond its time and text.
struct BackupMessageKey {
    const char* pszKind = "sms";      // "sms", "mms" or "ios"
    int64_t nType = 0;                // the SMS type or the MMS box
    std::string strAddress;           // the SMS address, or the MMS addresses joined by '~'
    std::optional<std::string> strId; // the MMS's message identifier
};

// A message on its way into the store: the folder by its store's name and
// its role, the row (whose folder the writer fills in) and the key.
struct BackupMessage {
    const char* pszStore = "SMS";
    const char* pszRole = "inbox";
    DeviceMessage message;
    BackupMessageKey key;
};

// How the writer runs the inserts of the records given to it.
enum class WriteMode {
    // Each write runs its insert before it returns.
    Direct,
    // A thread of the writer's own runs them, in order, while the caller
    // reads on: a write queues its record and returns at once, -1 telling
    // that an insert queued before it failed; Finish waits for them all.
    // Until Finish or Commit, nothing else may use the store's connection,
    // and the counts given with the records are the writer's to update.
    Background,
};

// The writer refuses a store whose schema holds triggers or views: the
// tool makes none, and a store's own would act on what it writes, with the
// writer's rights. What it counts as added is what the store gained: before
// the commit, in the same transaction (where no other writer can change the
// store), the rows of the store are counted again, and a difference fails
// the file.
class CBackupWriter
{
public:
    // The store must be open for writing.
    explicit CBackupWriter(CDeviceStore& store);
    // Stops the writer's thread, leaving what it did not write unwritten.
    ~CBackupWriter();
    CBackupWriter(const CBackupWriter&) = delete;
    CBackupWriter& operator=(const CBackupWriter&) = delete;

    // Starts the one transaction of a file, adds what the store lacks of the
    // backup columns and indexes, and prepares the inserts. Each operation
    // returns 0, or -1 with ErrorText() telling why.
    int Begin(WriteMode mode = WriteMode::Direct);
    // Each record is counted in *pCounts as added or as a duplicate.
    int WriteCall(DeviceCall call, const BackupCallKey& key, ImportCounts* pCounts);
    int WriteCall(DeviceCall call, int64_t nBackupType, ImportCounts* pCounts)
    {
        return WriteCall(std::move(call), BackupCallKey {nBackupType, std::nullopt, std::nullopt}, pCounts);
    }
    int WriteMessage(BackupMessage message, ImportCounts* pCounts);
    // Hands the records queued so far to the thread without waiting for a
    // full batch, for a caller that is about to wait for its input.
    int HandOver();
    // Waits until every record given is written, or one failed (-1).
    int Finish();
    // Finishes, then ends the transaction when the store gained the rows
    // added, and only then; without Commit everything written goes again.
    int Commit();

    // "cannot write the device store: " and the store's reason.
    std::string ErrorText() const;

private:
    struct QueuedCall {
        DeviceCall call;
        BackupCallKey key;
        ImportCounts* pCounts;
    };
    struct QueuedMessage {
        BackupMessage message;
        ImportCounts* pCounts;
    };
    using Batch = std::vector<std::variant<QueuedCall, QueuedMessage>>;

    int InsertCall(const DeviceCall& call, const BackupCallKey& key, ImportCounts* pCounts);
    int InsertMessage(BackupMessage message, ImportCounts* pCounts);
    int64_t FolderFor(const char* pszStore, const char* pszRole);
    int RefuseTriggersAndViews();
    // The rows of calllog and message, or nullopt with the error set.
    std::optional<std::pair<int64_t, int64_t>> CountRows();

    // The queue of WriteMode::Background: the caller fills a batch and hands
    // it over when it is full; the thread writes the batches in order.
    int Queue(std::variant<QueuedCall, QueuedMessage> record, size_t cbRecord);
    void WriteQueued();
    void StopThread(bool bAbandon);

    CDeviceStore& m_store;
    CDatabase& m_db;
    std::optional<CTransaction> m_transaction;
    CStoreWriter m_writer;
    std::map<std::string, int64_t> m_folders;
    std::pair<int64_t, int64_t> m_rowsBefore;
    int64_t m_nCallsAdded = 0;
    int64_t m_nMessagesAdded = 0;

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches; // handed over, oldest first
    bool m_bClosed = false;      // no batch comes any more
    std::atomic<bool> m_bFailed {false};
    std::atomic<bool> m_bAbandoned {false};
    Batch m_filling; // the caller's
    size_t m_cbFilling = 0;
};
