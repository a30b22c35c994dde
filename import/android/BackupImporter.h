#pragma once

#include "device/DeviceStore.h"
#include "import/ImportOptions.h"
#include "import/ImportReport.h"

#include <string>

// Imports the XML backup files of an Android phone: the calls file (root
// <calls>) and the messages file (root <smses>), told apart by their content.
// Each file imports in one transaction; a file that fails leaves the store as
// it was. Records already in the store are skipped, so overlapping backups
// merge.
class CBackupImporter
{
public:
    // The store must be open for writing.
    explicit CBackupImporter(CDeviceStore& store);

    // Returns 0, or -1 with ErrorText() set; the report holds what was read
    // either way.
    int ImportFile(const std::string& strPath, const ImportOptions& options, ImportReport* pReport);
    // One line naming the file and what went wrong.
    const std::string& ErrorText() const { return m_strError; }

private:
    CDeviceStore& m_store;
    std::string m_strError;
};
