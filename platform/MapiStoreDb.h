#pragma once

// The message store's view of the device store: one read-only connection
// with the lookups that the objects share, and the folders read through it,
// kept in memory until the store changes. The messaging service is used from
// the user-interface thread only, so none of this takes a lock.

#include "device/DeviceStore.h"
#include "platform/MapiStore.h"
#include "platform/StoreRead.h"

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>

class CFolderSnapshot;

// What the stand-in has read so far, for MapiStoreReadCounts.
extern MapiReadCounts g_mapiCounts;

// Steps a statement and counts the row it stands on.
inline int StepRow(CStatement& stmt)
{
    int nCode = stmt.Step();
    if (nCode == SQLITE_ROW)
        ++g_mapiCounts.nStoreRowsRead;
    return nCode;
}

// Takes a shared statement for one lookup and resets it afterwards, so that
// no read stays open on the device store between two steps of the program.
class CStoreLookup
{
public:
    explicit CStoreLookup(CStatement& stmt)
        : m_stmt(stmt)
    {
        m_stmt.Reset();
    }
    ~CStoreLookup() { m_stmt.Reset(); }
    CStoreLookup(const CStoreLookup&) = delete;
    CStoreLookup& operator=(const CStoreLookup&) = delete;
    CStatement* operator->() { return &m_stmt; }
    const CStatement& operator*() const { return m_stmt; }
    int Step() { return StepRow(m_stmt); }

private:
    CStatement& m_stmt;
};

// One read-only connection to the device store with the lookups that the
// objects share, and the folders read so far.
class CStoreDb
{
    // First, so that it outlives the statements below.
    CDeviceStore m_store;

public:
    bool Open(const std::string& strPath);

    CDatabase& Db() { return m_store.Database(); }

    // Runs a pass over the store through this connection, again through a
    // new one when the first could not give one state of the store; see
    // RunStorePass.
    PassResult ReadPass(const std::function<int(CDatabase&)>& pass);

    // The folder's messages as the store holds them now: read whole the
    // first time they are asked for and kept until the store changes, so
    // that a second walk of a folder, as a report by time makes after a
    // summary, reads nothing more. A read that failed part way is handed
    // out once and not kept.
    // A folder of a store's Inbox and Sent Items is read with the other one
    // beside it, through a connection of its own on another thread: a
    // screen that walks one walks the other next, and finds it read, or
    // waits only for the rest of its reading.
    std::shared_ptr<CFolderSnapshot> Folder(int64_t nFolderId);

    void WaitForReadingAhead()
    {
        if (m_ahead.valid())
            m_ahead.wait();
    }

    CStoreDb() = default;
    CStoreDb(const CStoreDb&) = delete;
    CStoreDb& operator=(const CStoreDb&) = delete;
    ~CStoreDb();

    CStatement m_storeByEntry;
    CStatement m_storeCount;
    CStatement m_folderOfRole;
    CStatement m_folderByEntry;
    CStatement m_messageByEntry;
    CStatement m_messageCount;
    CStatement m_recipientsOfMessage;
    CStatement m_subjectOfMessage;
    CStatement m_companionFolder;

private:
    bool Prepare();
    // Opens the same file anew, for a pass that the connection could not
    // read: the statements above are prepared again, and the folders read
    // through the old connection are dropped.
    bool Reopen();

    // Starts reading the folder that goes with nFolderId, when there is one
    // and it is neither read nor being read.
    void ReadCompanionAhead(int64_t nFolderId);
    // The folder read ahead, when it is nFolderId and was read to its end;
    // waits for it. Null when another folder is being read ahead.
    std::shared_ptr<CFolderSnapshot> TakeAhead(int64_t nFolderId);
    // Waits for any reading ahead and lets go of what it read.
    void DropAhead();

    std::string m_strPath;
    // The device's changes seen when m_folders were read.
    uint64_t m_nChanges = 0;
    std::map<int64_t, std::shared_ptr<CFolderSnapshot>> m_folders;
    // The folder being read ahead, if any.
    int64_t m_nAheadId = -1;
    std::future<std::shared_ptr<CFolderSnapshot>> m_ahead;
};

// The connection for a new session to the device named by the environment;
// null when the device is missing or unreadable. The process keeps one
// connection and opens another only when the device changes, so that a
// session costs no store check.
std::shared_ptr<CStoreDb> CurrentStoreDb();
