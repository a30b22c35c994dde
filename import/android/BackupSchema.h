#pragma once

#include "device/Statement.h"

// The columns and indexes that imported backups need, beyond the first
// format of the store: the record's original type, address and identifier as
// the backup gives them, and the unique indexes on the backup's own record
// keys, so that no writer can add a backed-up record twice. Rows without these
// columns (written by other means) are outside the indexes.
//
//   calllog.backup_type      the call's type in the backup
//   message.backup_kind      'sms' or 'mms'
//   message.backup_type      the SMS type or the MMS box in the backup
//   message.backup_address   the SMS address, or an MMS's addresses joined by '~'
//   message.backup_id        the MMS's message identifier (m_id)

// Adds what is missing; does nothing on a store that has it all. Runs no
// transaction of its own: the caller runs it inside its own, so that a failed
// import takes the additions back as well. Returns 0 or -1 (the database
// holds the error).
int UpgradeBackupSchema(CDatabase& db);
