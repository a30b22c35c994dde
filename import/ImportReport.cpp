#include "import/ImportReport.h"

const char* BackupKindText(BackupKind kind)
{
    switch (kind) {
    case BackupKind::Calls: return "calls";
    case BackupKind::Messages: return "messages";
    case BackupKind::Unknown: break;
    }
    return "unknown";
}
