#include "import/BackupWriter.h"

#include <sqlite3.h>

#include <array>
#include <span>
#include <string>
#include <system_error>
#include <utility>

namespace {

// The writer's page cache: a small fixed bound whatever the sizes of the file
// and the store. Backups come in time order, so the key indexes are read and
// extended in order, a few pages at a time; a cache of 32 MiB saved no time
// even at a million messages, and made the memory grow with the file.
const char kCacheSql[] = "PRAGMA cache_size = -4096";

// A batch of the background queue is handed over at this many records or
// bytes, and at most this many wait: the records on their way to the store
// hold a few MiB however large the file.
constexpr size_t kBatchRecords = 1024;
constexpr size_t kBatchBytes = size_t(1) << 20;
constexpr size_t kMostBatchesWaiting = 2;

size_t TextBytes(const std::optional<std::string>& str)
{
    return str ? str->size() : 0;
}

// About what a message holds, for the queue's bound.
size_t MessageBytes(const BackupMessage& message)
{
    const DeviceMessage& row = message.message;
    size_t cb = sizeof(BackupMessage) + TextBytes(row.strSenderName) + TextBytes(row.strSubject) +
                TextBytes(row.strBody) + message.key.strAddress.size() + TextBytes(message.key.strId);
    for (const DeviceRecipient& recipient : row.recipients)
        cb += sizeof(recipient) + TextBytes(recipient.strDisplayName) + TextBytes(recipient.strEmailAddress);
    return cb;
}

struct Column {
    const char* pszName;
    const char* pszType;
};

// In the order in which the writer gives their values.
constexpr Column kCallColumns[] = {{"backup_type", "INTEGER"}, {"backup_id", "TEXT"}, {"backup_service", "TEXT"}};
constexpr Column kMessageColumns[] = {
    {"backup_kind", "TEXT"}, {"backup_type", "INTEGER"}, {"backup_address", "TEXT"}, {"backup_id", "TEXT"}};

template <size_t N>
constexpr std::array<const char*, N> Names(const Column (&columns)[N])
{
    std::array<const char*, N> names {};
    for (size_t i = 0; i < N; ++i)
        names[i] = columns[i].pszName;
    return names;
}

constexpr auto kCallColumnNames = Names(kCallColumns);
constexpr auto kMessageColumnNames = Names(kMessageColumns);

const char kIndexes[] = R"SQL(
CREATE UNIQUE INDEX IF NOT EXISTS calllog_backup_key
  ON calllog (start_time, end_time, backup_type, coalesce(number, ''))
  WHERE backup_type IS NOT NULL;
CREATE UNIQUE INDEX IF NOT EXISTS calllog_backup_id
  ON calllog (backup_service, backup_id)
  WHERE backup_id IS NOT NULL;
CREATE UNIQUE INDEX IF NOT EXISTS calllog_service_key
  ON calllog (start_time, end_time, iom, backup_service, coalesce(number, ''))
  WHERE backup_service IS NOT NULL AND backup_id IS NULL;
CREATE UNIQUE INDEX IF NOT EXISTS message_ios_key
  ON message (backup_id)
  WHERE backup_kind = 'ios' AND backup_id IS NOT NULL;
CREATE UNIQUE INDEX IF NOT EXISTS message_ios_text_key
  ON message (delivery_time, backup_type, backup_address, coalesce(body, ''))
  WHERE backup_kind = 'ios' AND backup_id IS NULL;
CREATE UNIQUE INDEX IF NOT EXISTS message_sms_key
  ON message (delivery_time, backup_type, backup_address, coalesce(body, ''))
  WHERE backup_kind = 'sms';
CREATE UNIQUE INDEX IF NOT EXISTS message_mms_key
  ON message (delivery_time, backup_type, backup_id)
  WHERE backup_kind = 'mms' AND backup_id IS NOT NULL;
CREATE UNIQUE INDEX IF NOT EXISTS message_mms_text_key
  ON message (delivery_time, backup_type, backup_address, coalesce(body, ''))
  WHERE backup_kind = 'mms' AND backup_id IS NULL;
)SQL";

int HasColumn(CDatabase& db, const char* pszTable, const char* pszName)
{
    CStatement stmt(db, "SELECT count(*) FROM pragma_table_info(?1) WHERE name = ?2");
    if (!stmt.IsValid())
        return -1;
    stmt.BindText(1, std::string_view(pszTable));
    stmt.BindText(2, std::string_view(pszName));
    if (stmt.Step() != SQLITE_ROW)
        return -1;
    return stmt.ColumnInt(0) > 0 ? 1 : 0;
}

int AddColumns(CDatabase& db, const char* pszTable, std::span<const Column> columns)
{
    for (const Column& column : columns) {
        int nHas = HasColumn(db, pszTable, column.pszName);
        if (nHas < 0)
            return -1;
        if (nHas)
            continue;
        std::string strSql = std::string("ALTER TABLE ") + pszTable + " ADD COLUMN " + column.pszName + " " +
                             column.pszType;
        if (db.Exec(strSql.c_str()) != SQLITE_OK)
            return -1;
    }
    return 0;
}

} // namespace

int UpgradeBackupSchema(CDatabase& db)
{
    if (AddColumns(db, "calllog", kCallColumns) != 0 || AddColumns(db, "message", kMessageColumns) != 0)
        return -1;
    return db.Exec(kIndexes) == SQLITE_OK ? 0 : -1;
}

CBackupWriter::CBackupWriter(CDeviceStore& store)
    : m_store(store)
    , m_db(store.Database())
{
}

std::string CBackupWriter::ErrorText() const
{
    return "cannot write the device store: " + m_db.LastError();
}

CBackupWriter::~CBackupWriter()
{
    StopThread(true);
}

int CBackupWriter::Begin(WriteMode mode)
{
    m_db.Exec(kCacheSql);
    m_transaction.emplace(m_db);
    m_nCallsAdded = m_nMessagesAdded = 0;
    if (!m_transaction->IsActive() || RefuseTriggersAndViews() != 0 || UpgradeBackupSchema(m_db) != 0)
        return -1;
    auto rows = CountRows();
    if (!rows)
        return -1;
    m_rowsBefore = *rows;
    if (m_writer.Prepare(m_db, OnDuplicate::Skip, kCallColumnNames, kMessageColumnNames) != 0)
        return -1;
    if (mode == WriteMode::Background) {
        try {
            m_thread = std::thread(&CBackupWriter::WriteQueued, this);
        } catch (const std::system_error&) {
            // Without a thread of its own, the writer writes directly.
        }
    }
    return 0;
}

int CBackupWriter::RefuseTriggersAndViews()
{
    CStatement stmt(m_db, "SELECT type || ' ' || name FROM sqlite_schema WHERE type IN ('trigger', 'view') "
                          "ORDER BY type, name");
    if (!stmt.IsValid())
        return -1;
    std::string strNames;
    int nStep;
    while ((nStep = stmt.Step()) == SQLITE_ROW)
        strNames += (strNames.empty() ? "" : ", ") + stmt.ColumnText(0).value_or("");
    if (nStep != SQLITE_DONE)
        return -1;
    if (strNames.empty())
        return 0;
    m_db.SetError(SQLITE_CONSTRAINT, "the store holds triggers or views that ringtally-device did not make, which "
                                     "would act on what it writes: " +
                                         strNames +
                                         "; nothing imported (DROP TRIGGER or DROP VIEW them to import into it)");
    return -1;
}

std::optional<std::pair<int64_t, int64_t>> CBackupWriter::CountRows()
{
    CStatement stmt(m_db, "SELECT (SELECT count(*) FROM calllog), (SELECT count(*) FROM message)");
    if (!stmt.IsValid() || stmt.Step() != SQLITE_ROW)
        return std::nullopt;
    return std::pair {stmt.ColumnInt(0), stmt.ColumnInt(1)};
}

int CBackupWriter::Commit()
{
    if (!m_transaction || Finish() != 0)
        return -1;
    auto rows = CountRows();
    if (!rows)
        return -1;
    int64_t nCallsGained = rows->first - m_rowsBefore.first;
    int64_t nMessagesGained = rows->second - m_rowsBefore.second;
    if (nCallsGained != m_nCallsAdded || nMessagesGained != m_nMessagesAdded) {
        m_transaction.reset();
        m_db.SetError(SQLITE_CONSTRAINT, "the store gained " + std::to_string(nCallsGained) + " call records and " +
                                             std::to_string(nMessagesGained) + " messages where " +
                                             std::to_string(m_nCallsAdded) + " and " +
                                             std::to_string(m_nMessagesAdded) +
                                             " were added: something in it changes what is written; nothing imported");
        return -1;
    }
    return m_transaction->Commit() == SQLITE_OK ? 0 : -1;
}

int CBackupWriter::WriteCall(DeviceCall call, const BackupCallKey& key, ImportCounts* pCounts)
{
    if (!m_thread.joinable())
        return InsertCall(call, key, pCounts);
    size_t cbCall = sizeof(QueuedCall) + TextBytes(call.strNumber) + TextBytes(call.strName) +
                    TextBytes(call.strNameType) + TextBytes(call.strNote) + TextBytes(key.strId) +
                    TextBytes(key.strService);
    return Queue(QueuedCall {std::move(call), key, pCounts}, cbCall);
}

int CBackupWriter::WriteMessage(BackupMessage message, ImportCounts* pCounts)
{
    if (!m_thread.joinable())
        return InsertMessage(std::move(message), pCounts);
    size_t cbMessage = MessageBytes(message);
    return Queue(QueuedMessage {std::move(message), pCounts}, cbMessage);
}

int CBackupWriter::Queue(std::variant<QueuedCall, QueuedMessage> record, size_t cbRecord)
{
    if (m_bFailed)
        return -1;
    m_filling.push_back(std::move(record));
    m_cbFilling += cbRecord;
    if (m_filling.size() < kBatchRecords && m_cbFilling < kBatchBytes)
        return 0;
    return HandOver();
}

int CBackupWriter::HandOver()
{
    if (m_filling.empty())
        return m_bFailed ? -1 : 0;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_batches.size() < kMostBatchesWaiting || m_bFailed; });
        if (m_bFailed)
            return -1;
        m_batches.push_back(std::move(m_filling));
    }
    m_changed.notify_all();
    m_filling = Batch();
    m_filling.reserve(kBatchRecords);
    m_cbFilling = 0;
    return 0;
}

void CBackupWriter::WriteQueued()
{
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_batches.empty() || m_bClosed; });
            if (m_batches.empty())
                return;
            batch = std::move(m_batches.front());
            m_batches.pop_front();
        }
        m_changed.notify_all();
        for (auto& record : batch) {
            if (m_bAbandoned)
                return;
            int nResult = 0;
            if (auto* pCall = std::get_if<QueuedCall>(&record))
                nResult = InsertCall(pCall->call, pCall->key, pCall->pCounts);
            else if (auto* pMessage = std::get_if<QueuedMessage>(&record))
                nResult = InsertMessage(std::move(pMessage->message), pMessage->pCounts);
            if (nResult != 0) {
                {
                    std::lock_guard lock(m_mutex);
                    m_bFailed = true;
                }
                m_changed.notify_all();
                return;
            }
        }
    }
}

int CBackupWriter::Finish()
{
    if (m_thread.joinable()) {
        HandOver();
        StopThread(false);
    }
    return m_bFailed ? -1 : 0;
}

void CBackupWriter::StopThread(bool bAbandon)
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_bClosed = true;
        m_bAbandoned = bAbandon;
    }
    m_changed.notify_all();
    m_thread.join();
    m_batches.clear();
    m_filling.clear();
}

int CBackupWriter::InsertCall(const DeviceCall& call, const BackupCallKey& key, ImportCounts* pCounts)
{
    const SqlValue extra[] = {key.nType ? SqlValue(*key.nType) : SqlValue(),
                              key.strId ? SqlValue(std::string_view(*key.strId)) : SqlValue(),
                              key.strService ? SqlValue(std::string_view(*key.strService)) : SqlValue()};
    bool bAdded = false;
    if (m_writer.InsertCall(call, extra, &bAdded) != 0)
        return -1;
    ++(bAdded ? pCounts->nAdded : pCounts->nDuplicates);
    m_nCallsAdded += bAdded;
    return 0;
}

int CBackupWriter::InsertMessage(BackupMessage message, ImportCounts* pCounts)
{
    int64_t nFolder = FolderFor(message.pszStore, message.pszRole);
    if (nFolder < 0)
        return -1;
    message.message.nFolderId = nFolder;
    const BackupMessageKey& key = message.key;
    const SqlValue extra[] = {std::string_view(key.pszKind), key.nType, std::string_view(key.strAddress),
                              key.strId ? SqlValue(std::string_view(*key.strId)) : SqlValue()};
    bool bAdded = false;
    if (m_writer.InsertMessage(message.message, extra, &bAdded) != 0)
        return -1;
    ++(bAdded ? pCounts->nAdded : pCounts->nDuplicates);
    m_nMessagesAdded += bAdded;
    return 0;
}

int64_t CBackupWriter::FolderFor(const char* pszStore, const char* pszRole)
{
    std::string strKey = std::string(pszStore) + '/' + pszRole;
    if (auto found = m_folders.find(strKey); found != m_folders.end())
        return found->second;
    int64_t nFolder = m_store.FolderFor(pszStore, pszRole);
    if (nFolder >= 0)
        m_folders.emplace(std::move(strKey), nFolder);
    return nFolder;
}
