// Feeds a file's bytes through the whole import into a new device store, and
// checks what every import promises: a failed import leaves the store as it
// was, the report adds up with the rows written, and importing the same file
// again adds nothing.

#include "device/DeviceStore.h"
#include "import/ImportOptions.h"
#include "import/ImportReport.h"
#include "import/android/BackupImporter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void Require(bool bHolds, const char* pszWhat, const std::string& strDetail = {})
{
    if (bHolds)
        return;
    std::fprintf(stderr, "import fuzzer: %s %s\n", pszWhat, strDetail.c_str());
    std::abort();
}

// A folder of the process's own, in memory where the system offers it, so
// that the store's syncs cost little.
const std::filesystem::path& WorkFolder()
{
    static const std::filesystem::path folder = [] {
        std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::filesystem::path made = base / ("ringtally-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        std::atexit([] { std::error_code ec; std::filesystem::remove_all(WorkFolder(), ec); });
        return made;
    }();
    return folder;
}

int64_t Count(CDeviceStore& store, const char* pszSql)
{
    return store.Database().QueryInt(pszSql).value_or(-1);
}

int64_t Rows(CDeviceStore& store)
{
    return Count(store, "SELECT (SELECT count(*) FROM calllog) + (SELECT count(*) FROM message)");
}

void RequireCountsAddUp(const ImportCounts& counts, const char* pszKind)
{
    Require(counts.nRead == counts.nAdded + counts.nDuplicates + counts.nUndated + counts.nOversize,
            "read records are not added, duplicates, undated or too large:", pszKind);
    Require(counts.nDatesInSeconds <= counts.nAdded + counts.nDuplicates, "more dates repaired than records written:",
            pszKind);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    const std::filesystem::path backup = WorkFolder() / "backup.xml";
    const std::filesystem::path device = WorkFolder() / "device.db";
    {
        std::ofstream file(backup, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(pData), static_cast<std::streamsize>(cbData));
    }
    // Each input goes into a copy of one new store, made once.
    static const std::filesystem::path fresh = [] {
        std::filesystem::path path = WorkFolder() / "fresh.db";
        CDeviceStore made;
        Require(made.Create(path.string()) == DeviceStatus::Ok, "cannot create a store:", made.ErrorText());
        return path;
    }();
    std::error_code ec;
    for (const char* pszEnd : {"-journal", "-wal", "-shm"})
        std::filesystem::remove(device.string() + pszEnd, ec);
    std::filesystem::copy_file(fresh, device, std::filesystem::copy_options::overwrite_existing, ec);
    Require(!ec, "cannot copy the new store:", ec.message());

    CDeviceStore store;
    Require(store.OpenForWriting(device.string()) == DeviceStatus::Ok, "cannot open the store:", store.ErrorText());
    const int64_t nColumns = Count(store, "SELECT count(*) FROM pragma_table_info('message')");
    const int64_t nFolders = Count(store, "SELECT count(*) FROM folder");

    ImportOptions options;
    options.bSalvage = cbData > 0 && (pData[cbData - 1] & 1);
    CBackupImporter importer(store);
    ImportReport report;
    if (importer.ImportFile(backup.string(), options, &report) != 0) {
        Require(!importer.ErrorText().empty(), "a failed import tells no reason");
        Require(importer.ErrorText().find('\n') == std::string::npos, "the reason is more than one line:",
                importer.ErrorText());
        Require(Rows(store) == 0 && Count(store, "SELECT count(*) FROM folder") == nFolders &&
                    Count(store, "SELECT count(*) FROM pragma_table_info('message')") == nColumns,
                "a failed import changed the store:", importer.ErrorText());
        return 0;
    }
    RequireCountsAddUp(report.calls, "calls");
    RequireCountsAddUp(report.sms, "SMS");
    RequireCountsAddUp(report.mms, "MMS");
    Require(Rows(store) == report.AddedRecords(), "the rows written are not the records added");
    Require(report.bTruncated == false || options.bSalvage, "a truncated file imported without salvaging");

    ImportReport again;
    Require(importer.ImportFile(backup.string(), options, &again) == 0, "the second import failed:",
            importer.ErrorText());
    Require(again.AddedRecords() == 0, "the same file imported twice added records again");
    Require(again.CompleteRecords() == report.CompleteRecords(), "the same file read twice read differently");
    return 0;
}
