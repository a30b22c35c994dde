#include "import/BackupWriter.h"

#include <sqlite3.h>

#include <array>
#include <span>
#include <string>
#include <utility>

namespace {

// The writer's page cache: enough for the key indexes of a large store to
// stay in memory, and a fixed bound whatever the file's size.
const char kCacheSql[] = "PRAGMA cache_size = -32768";

struct Column {
    const char* pszName;
    const char* pszType;
};

// In the order in which the writer gives their values.
constexpr Column kCallColumns[] = {{"backup_type", "INTEGER"}};
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

int CBackupWriter::Begin()
{
    m_db.Exec(kCacheSql);
    m_transaction.emplace(m_db);
    if (!m_transaction->IsActive() || UpgradeBackupSchema(m_db) != 0)
        return -1;
    return m_writer.Prepare(m_db, OnDuplicate::Skip, kCallColumnNames, kMessageColumnNames);
}

int CBackupWriter::Commit()
{
    if (!m_transaction || m_transaction->Commit() != SQLITE_OK)
        return -1;
    return 0;
}

int CBackupWriter::WriteCall(const DeviceCall& call, int64_t nBackupType, ImportCounts* pCounts)
{
    const SqlValue extra[] = {nBackupType};
    bool bAdded = false;
    if (m_writer.InsertCall(call, extra, &bAdded) != 0)
        return -1;
    ++(bAdded ? pCounts->nAdded : pCounts->nDuplicates);
    return 0;
}

int CBackupWriter::WriteMessage(BackupMessage message, ImportCounts* pCounts)
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
