#include "platform/MapiStoreDb.h"

#include "platform/MapiFolderSnapshot.h"

#include <sqlite3.h>

#include <sys/stat.h>
#include <utility>

MapiReadCounts& MapiCounts()
{
    static MapiReadCounts s_counts;
    return s_counts;
}

bool CStoreDb::Open(const std::string& strPath)
{
    if (m_store.OpenReadOnly(strPath, StoreCheck::Schema) != DeviceStatus::Ok)
        return false;
    CDatabase& db = m_store.Database();
    return m_storeByEntry.Prepare(db, "SELECT id, display_name FROM msgstore WHERE entry_id = ?1") == SQLITE_OK &&
           m_storeCount.Prepare(db, "SELECT count(*) FROM msgstore") == SQLITE_OK &&
           m_folderOfRole.Prepare(db, "SELECT entry_id FROM folder WHERE store_id = ?1 AND role = ?2 "
                                      "ORDER BY id LIMIT 1") == SQLITE_OK &&
           m_folderByEntry.Prepare(db, "SELECT id, display_name FROM folder "
                                       "WHERE entry_id = ?1 AND store_id = ?2") == SQLITE_OK &&
           m_messageByEntry.Prepare(db, "SELECT m.id, m.folder_id, m.entry_id, m.sender_name, m.subject, "
                                        "m.delivery_time, typeof(m.delivery_time) = 'integer' "
                                        "FROM message m JOIN folder f ON f.id = m.folder_id "
                                        "WHERE m.entry_id = ?1 AND f.store_id = ?2") == SQLITE_OK &&
           m_messageCount.Prepare(db, "SELECT count(*) FROM message WHERE folder_id = ?1") == SQLITE_OK &&
           m_recipientsOfMessage.Prepare(db, "SELECT display_name, email_address FROM recipient "
                                             "WHERE message_id = ?1 ORDER BY position") == SQLITE_OK;
}

std::shared_ptr<CFolderSnapshot> CStoreDb::Folder(int64_t nFolderId)
{
    // Another connection's commit changes the data version; this one only
    // reads.
    if (!m_dataVersion.IsValid())
        m_dataVersion.Prepare(Db(), "PRAGMA data_version");
    m_dataVersion.Reset();
    int64_t nVersion = m_dataVersion.Step() == SQLITE_ROW ? m_dataVersion.ColumnInt(0) : -1;
    m_dataVersion.Reset();
    if (nVersion != m_nDataVersion || nVersion < 0) {
        m_folders.clear();
        m_nDataVersion = nVersion;
    }
    if (auto it = m_folders.find(nFolderId); it != m_folders.end())
        return it->second;
    auto pSnapshot = std::make_shared<CFolderSnapshot>();
    pSnapshot->LoadMessages(Db(), nFolderId);
    if (pSnapshot->IsComplete())
        m_folders[nFolderId] = pSnapshot;
    return pSnapshot;
}

namespace {

// The process keeps one connection to the device named by the environment
// and opens it anew only when that names another file, so that a session
// costs no store check. The connection sees what others write meanwhile.
class CDeviceSource
{
public:
    std::shared_ptr<CStoreDb> Current()
    {
        std::string strPath = DefaultDevicePath();
        FileStamp stamp = Stamp(strPath);
        if (m_pDb && strPath == m_strPath && stamp == m_stamp)
            return m_pDb;
        m_strPath = strPath;
        m_stamp = stamp;
        m_pDb.reset();
        if (!stamp.bExists)
            return nullptr;
        auto pDb = std::make_shared<CStoreDb>();
        if (pDb->Open(strPath))
            m_pDb = std::move(pDb);
        return m_pDb;
    }

private:
    // A store opened while in WAL mode without a -wal file is read as
    // immutable, so a -wal file appearing later calls for a new connection.
    struct FileStamp {
        bool bExists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        bool bWal = false;
        bool operator==(const FileStamp&) const = default;
    };

    static FileStamp Stamp(const std::string& strPath)
    {
        FileStamp stamp;
        struct stat st {};
        if (::stat(strPath.c_str(), &st) == 0) {
            stamp.bExists = true;
            stamp.dev = st.st_dev;
            stamp.ino = st.st_ino;
        }
        stamp.bWal = ::stat((strPath + "-wal").c_str(), &st) == 0;
        return stamp;
    }

    std::string m_strPath;
    FileStamp m_stamp;
    std::shared_ptr<CStoreDb> m_pDb;
};

} // namespace

std::shared_ptr<CStoreDb> CurrentStoreDb()
{
    static CDeviceSource s_source;
    return s_source.Current();
}
