#include "import/android/BackupSchema.h"

#include <sqlite3.h>

#include <string>

namespace {

struct Column {
    const char* pszTable;
    const char* pszName;
    const char* pszType;
};

const Column kColumns[] = {
    {"calllog", "backup_type", "INTEGER"},
    {"message", "backup_kind", "TEXT"},
    {"message", "backup_type", "INTEGER"},
    {"message", "backup_address", "TEXT"},
    {"message", "backup_id", "TEXT"},
};

// Kept in step with the schema of a new store (DeviceStore.cpp); the tests
// compare the two.
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

} // namespace

int UpgradeBackupSchema(CDatabase& db)
{
    for (const Column& column : kColumns) {
        int nHas = HasColumn(db, column.pszTable, column.pszName);
        if (nHas < 0)
            return -1;
        if (nHas)
            continue;
        std::string strSql = std::string("ALTER TABLE ") + column.pszTable + " ADD COLUMN " + column.pszName + " " +
                             column.pszType;
        if (db.Exec(strSql.c_str()) != SQLITE_OK)
            return -1;
    }
    return db.Exec(kIndexes) == SQLITE_OK ? 0 : -1;
}
