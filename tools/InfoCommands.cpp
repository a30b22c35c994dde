#include "device/DeviceStore.h"
#include "platform/PlatformTime.h"
#include "tools/DeviceTool.h"
#include "tools/StoreAccess.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

std::string LocalTimeText(int64_t nUtcTicks)
{
    FILETIME utc = TicksToFileTime(static_cast<uint64_t>(nUtcTicks));
    FILETIME local {};
    SYSTEMTIME st {};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
        return "(invalid time)";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                  st.wSecond);
    return buf;
}

} // namespace

int RunInit(const std::string& strDevice, const std::vector<std::string>& args)
{
    if (!args.empty())
        return UsageError("init takes no arguments");
    std::filesystem::path path(strDevice);
    if (!path.has_filename())
        return ToolError(strDevice + ": names a folder, not a device store file");
    // Folders made here go again when the store cannot be created, so that a
    // failed init leaves nothing behind. Deepest first.
    std::vector<std::filesystem::path> made;
    std::error_code ec;
    for (auto dir = path.parent_path(); !dir.empty() && !std::filesystem::exists(dir, ec); dir = dir.parent_path()) {
        made.push_back(dir);
        if (dir == dir.parent_path())
            break;
    }
    auto removeMade = [&] {
        for (const auto& dir : made)
            std::filesystem::remove(dir, ec);
    };
    if (!made.empty()) {
        std::filesystem::create_directories(made.front(), ec);
        if (ec) {
            std::string strWhy = ec.message();
            removeMade();
            return ToolError(made.front().string() + ": cannot create the folder: " + strWhy);
        }
    }
    CDeviceStore store;
    if (store.Create(strDevice) != DeviceStatus::Ok) {
        removeMade();
        return ToolError(store.ErrorText());
    }
    std::printf("Created an empty device store at %s\n", strDevice.c_str());
    return 0;
}

int RunInfo(const std::string& strDevice, const std::vector<std::string>& args)
{
    if (!args.empty())
        return UsageError("info takes no arguments");
    CDeviceStore store;
    if (int nStatus = SetToolLockWait(store, strDevice))
        return nStatus;
    if (OpenRecovering(store, strDevice, [&] { return store.OpenReadOnly(strDevice); }) != DeviceStatus::Ok)
        return ToolError(store.ErrorText());
    CDatabase& db = store.Database();
    std::printf("Device: %s%s\n", strDevice.c_str(), store.IsDemo() ? " (a demo: invented calls and messages)" : "");
    std::printf("Format version: %lld\n", static_cast<long long>(store.SchemaVersion()));

    CStatement calls(db, "SELECT count(*), min(start_time), max(start_time) FROM calllog");
    if (!calls.IsValid() || calls.Step() != SQLITE_ROW)
        return ToolError(strDevice + ": cannot read the call log: " + db.LastError());
    std::printf("Call records: %lld\n", static_cast<long long>(calls.ColumnInt(0)));
    if (calls.ColumnInt(0) > 0) {
        std::printf("First call: %s\n", LocalTimeText(calls.ColumnInt(1)).c_str());
        std::printf("Last call: %s\n", LocalTimeText(calls.ColumnInt(2)).c_str());
    }

    CStatement folders(db, "SELECT s.display_name, f.display_name, f.role, "
                           "(SELECT count(*) FROM message m WHERE m.folder_id = f.id) "
                           "FROM folder f JOIN msgstore s ON s.id = f.store_id ORDER BY s.id, f.id");
    if (!folders.IsValid())
        return ToolError(strDevice + ": cannot read the message store: " + db.LastError());
    std::printf("Messages:\n");
    int nStep;
    while ((nStep = folders.Step()) == SQLITE_ROW) {
        std::string strStore = folders.ColumnText(0).value_or("(no name)");
        std::string strFolder = folders.ColumnText(1).value_or(folders.ColumnText(2).value_or(""));
        std::printf("  %s / %s: %lld\n", strStore.c_str(), strFolder.c_str(),
                    static_cast<long long>(folders.ColumnInt(3)));
    }
    if (nStep != SQLITE_DONE)
        return ToolError(strDevice + ": cannot read the message store: " + db.LastError());
    return 0;
}
