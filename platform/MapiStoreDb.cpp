#include "platform/MapiStoreDb.h"

#include "platform/DeviceCheck.h"
#include "platform/DeviceProblems.h"
#include "platform/DeviceWatch.h"
#include "platform/MapiFolderSnapshot.h"

#include <sqlite3.h>

#include <optional>
#include <string_view>
#include <utility>

MapiReadCounts g_mapiCounts;

bool CStoreDb::Open(const std::string& strPath)
{
    m_strPath = strPath;
    DeviceStatus status = m_store.OpenReadOnly(strPath, StoreCheck::Schema);
    if (status != DeviceStatus::Ok) {
        ReportOpenProblem(status, strPath, m_store.ErrorText());
        return false;
    }
    StartDeviceCheck(strPath);
    return Prepare();
}

bool CStoreDb::Prepare()
{
    CDatabase& db = m_store.Database();
    return m_storeByEntry.Prepare(db, "SELECT id, display_name FROM msgstore WHERE entry_id = ?1") == SQLITE_OK &&
           m_storeCount.Prepare(db, "SELECT count(*) FROM msgstore") == SQLITE_OK &&
           m_folderOfRole.Prepare(db, "SELECT entry_id FROM folder WHERE store_id = ?1 AND role = ?2 "
                                      "ORDER BY id LIMIT 1") == SQLITE_OK &&
           m_folderByEntry.Prepare(db, "SELECT id, display_name FROM folder "
                                       "WHERE entry_id = ?1 AND store_id = ?2") == SQLITE_OK &&
           m_messageByEntry.Prepare(db, "SELECT m.id, m.folder_id, m.entry_id, m.sender_name, m.subject, "
                                        "m.delivery_time "
                                        "FROM message m JOIN folder f ON f.id = m.folder_id "
                                        "WHERE m.entry_id = ?1 AND f.store_id = ?2") == SQLITE_OK &&
           m_messageCount.Prepare(db, "SELECT count(*) FROM message WHERE folder_id = ?1") == SQLITE_OK &&
           m_recipientsOfMessage.Prepare(db, "SELECT display_name, email_address FROM recipient "
                                             "WHERE message_id = ?1 ORDER BY position") == SQLITE_OK &&
           m_subjectOfMessage.Prepare(db, "SELECT subject FROM message WHERE id = ?1") == SQLITE_OK &&
           m_companionFolder.Prepare(db,
                                     "SELECT c.id, c.role FROM folder f JOIN folder c ON c.store_id = f.store_id "
                                     "AND c.role = CASE f.role WHEN 'inbox' THEN 'sent' WHEN 'sent' THEN 'inbox' END "
                                     "WHERE f.id = ?1 ORDER BY c.id LIMIT 1") == SQLITE_OK;
}

namespace {

// The process's connection to the device named by the environment, kept
// for every session while it can follow the device's changes, and replaced
// when it cannot. A session keeps the connection it was opened with; the
// count of changes tells every connection when the folders it keeps are out
// of date.
class CDeviceSource
{
public:
    ~CDeviceSource() { m_watch.Track(nullptr); }

    std::shared_ptr<CStoreDb> Current()
    {
        Refresh();
        return m_pDb;
    }

    uint64_t Changes()
    {
        Refresh();
        return m_nChanges;
    }

    // A connection that is reopened in place is no longer the one the
    // watch follows: the next look opens the store anew.
    void Forget(const CStoreDb* pDb)
    {
        if (m_pDb.get() != pDb)
            return;
        m_watch.Track(nullptr);
        m_pDb.reset();
    }

private:
    void Refresh()
    {
        DeviceChange change = m_watch.Check();
        if (change == DeviceChange::None)
            return;
        ++m_nChanges;
        if (change == DeviceChange::Contents)
            return;
        m_watch.Track(nullptr);
        m_pDb.reset();
        if (!m_watch.Exists())
            return;
        auto pDb = std::make_shared<CStoreDb>();
        if (!pDb->Open(m_watch.Path()))
            return;
        m_pDb = std::move(pDb);
        m_watch.Track(&m_pDb->Db());
    }

    CDeviceWatch m_watch;
    std::shared_ptr<CStoreDb> m_pDb;
    uint64_t m_nChanges = 0;
};

CDeviceSource& Source()
{
    static CDeviceSource s_source;
    return s_source;
}

} // namespace

CStoreDb::~CStoreDb()
{
    DropAhead();
}

std::shared_ptr<CFolderSnapshot> CStoreDb::Folder(int64_t nFolderId)
{
    if (uint64_t nChanges = Source().Changes(); nChanges != m_nChanges) {
        DropAhead();
        m_folders.clear();
        m_nChanges = nChanges;
    }
    if (auto it = m_folders.find(nFolderId); it != m_folders.end())
        return it->second;
    if (auto pAhead = TakeAhead(nFolderId)) {
        g_mapiCounts.nStoreRowsRead += pAhead->TakeRowsRead();
        m_folders[nFolderId] = pAhead;
        return pAhead;
    }
    ReadCompanionAhead(nFolderId);
    auto pSnapshot = std::make_shared<CFolderSnapshot>();
    PassResult result = ReadPass([&](CDatabase& db) { return pSnapshot->LoadMessages(db, nFolderId); });
    g_mapiCounts.nStoreRowsRead += pSnapshot->TakeRowsRead();
    pSnapshot->SetComplete(result == PassResult::Complete);
    if (result == PassResult::Complete)
        m_folders[nFolderId] = pSnapshot;
    return pSnapshot;
}

void CStoreDb::ReadCompanionAhead(int64_t nFolderId)
{
    if (m_ahead.valid())
        return;
    // Not counted among the rows read: the lookup is the stand-in's own, not
    // a read that a walk asked for.
    m_companionFolder.Reset();
    m_companionFolder.BindInt(1, nFolderId);
    int64_t nCompanion = -1;
    bool bSent = false;
    if (m_companionFolder.Step() == SQLITE_ROW) {
        nCompanion = m_companionFolder.ColumnInt(0);
        bSent = m_companionFolder.ColumnTextView(1) == std::optional<std::string_view>("sent");
    }
    m_companionFolder.Reset();
    if (nCompanion < 0 || m_folders.count(nCompanion))
        return;
    // Everything the reading needs goes with it by value: it shares nothing
    // with this connection. Sent Items' recipients are read with it: a walk
    // of both folders that looks at the Inbox's senders looks at the
    // recipients of Sent Items next.
    m_nAheadId = nCompanion;
    m_ahead = std::async(std::launch::async, [strPath = m_strPath, nCompanion, bSent] {
        std::shared_ptr<CFolderSnapshot> pSnapshot;
        CDeviceStore store;
        if (store.OpenReadOnly(strPath, StoreCheck::Schema) != DeviceStatus::Ok)
            return pSnapshot;
        auto runPass = [&](const std::function<int(CDatabase&)>& pass) {
            return RunStorePass(
                store, pass,
                [&] {
                    store.Close();
                    return store.OpenReadOnly(strPath, StoreCheck::Schema) == DeviceStatus::Ok;
                },
                PassReport::Left);
        };
        auto pRead = std::make_shared<CFolderSnapshot>();
        if (runPass([&](CDatabase& db) { return pRead->LoadMessages(db, nCompanion); }) != PassResult::Complete)
            return pSnapshot;
        pRead->SetComplete(true);
        if (bSent)
            pRead->ReadRecipientsAhead(runPass);
        pSnapshot = std::move(pRead);
        return pSnapshot;
    });
}

std::shared_ptr<CFolderSnapshot> CStoreDb::TakeAhead(int64_t nFolderId)
{
    if (!m_ahead.valid() || m_nAheadId != nFolderId)
        return nullptr;
    m_nAheadId = -1;
    return m_ahead.get();
}

void CStoreDb::DropAhead()
{
    if (m_ahead.valid())
        m_ahead.get();
    m_nAheadId = -1;
}

PassResult CStoreDb::ReadPass(const std::function<int(CDatabase&)>& pass)
{
    return RunStorePass(m_store, pass, [this] { return Reopen(); });
}

bool CStoreDb::Reopen()
{
    Source().Forget(this);
    DropAhead();
    m_folders.clear();
    // Every statement goes before its connection does.
    for (CStatement* pStmt : {&m_storeByEntry, &m_storeCount, &m_folderOfRole, &m_folderByEntry, &m_messageByEntry,
                              &m_messageCount, &m_recipientsOfMessage, &m_subjectOfMessage, &m_companionFolder})
        *pStmt = CStatement();
    return Open(m_strPath);
}

std::shared_ptr<CStoreDb> CurrentStoreDb()
{
    return Source().Current();
}
