#include "import/ImportReport.h"

const char* BackupKindText(BackupKind kind)
{
    switch (kind) {
    case BackupKind::Calls: return "calls";
    case BackupKind::Messages: return "messages";
    case BackupKind::IosBackup:
        return "iPhone";
    case BackupKind::IosCalls:
        return "iPhone call history";
    case BackupKind::IosMessages:
        return "iPhone messages";
    case BackupKind::IosContacts:
        return "iPhone address book";
    case BackupKind::Unknown: break;
    }
    return "unknown";
}
