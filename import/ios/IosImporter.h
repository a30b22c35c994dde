#pragma once

#include "device/DeviceStore.h"
#include "device/Statement.h"
#include "import/ImportOptions.h"
#include "import/ImportReport.h"
#include "import/ios/NameBook.h"

#include <optional>
#include <string>

class CBackupWriter;
class CSourceDatabase;
struct BackupMessage;

// Imports iPhone backups: a backup folder as Finder or iTunes writes it, or
// one of its three databases on its own (CallHistory.storedata, sms.db,
// AddressBook.sqlitedb), told apart by their content. Each source imports in
// one transaction; a source that fails leaves the store as it was. Records
// already in the store are skipped, and so are messages that an Android
// backup imported before (a user who moved from one phone to the other). Every file is opened read-only as
// hostile input, and nothing beside it is written or created.
class CIosImporter
{
public:
    // The store must be open for writing.
    explicit CIosImporter(CDeviceStore& store);

    // Whether the path is for this importer: a folder, or an SQLite file.
    static bool Recognises(const std::string& strPath);
    // Whether the path is an address book, which is best imported before
    // the databases that it names the people of.
    static bool IsAddressBook(const std::string& strPath);

    // The region in which numbers without a country code are matched, when
    // the backup does not tell it by the phone's own number.
    void SetRegion(const std::string& strRegion) { m_strRegion = strRegion; }

    // Returns 0, or -1 with ErrorText() set. The names of an address book
    // imported stay for the next sources of the same importer.
    int ImportPath(const std::string& strPath, const ImportOptions& options, ImportReport* pReport);
    const std::string& ErrorText() const { return m_strError; }

private:
    int ImportFolder(const std::string& strPath, const ImportOptions& options, ImportReport* pReport);
    int ImportDatabase(const std::string& strPath, ImportReport* pReport);
    int ReadContacts(CSourceDatabase& db, ImportReport* pReport);
    int ReadCalls(CSourceDatabase& db, CBackupWriter& writer, ImportReport* pReport);
    int ReadMessages(CSourceDatabase& db, CBackupWriter& writer, ImportReport* pReport);
    // 1 when an Android backup's SMS in the store is the same message: the
    // same direction, the same other party by number, the same text, within
    // a second; 0 when not; -1 when the store cannot be read.
    int RepeatsAndroidMessage(const BackupMessage& message);
    int FailFrom(CSourceDatabase& db);
    // The writer's error, named after the source it was writing from.
    int FailFrom(const std::string& strWhere, const CBackupWriter& writer);
    int FailRead(CSourceDatabase& db);

    CDeviceStore& m_store;
    std::string m_strRegion;
    CNameBook m_names;
    CStatement m_androidTwin;
    std::optional<bool> m_bHasAndroidSms;
    std::string m_strError;
};
