#pragma once

#include "device/DeviceStore.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestGuards.h"

#include <cstdint>
#include <string>

struct sqlite3;

// A new device store in a temporary folder, made the process's device
// (RINGTALLY_DEVICE) for as long as the object lives, open for writing.
class CTestDevice
{
public:
    CTestDevice();
    ~CTestDevice();
    CDeviceStore& Store() { return m_store; }
    const std::string& Path() const { return m_strPath; }
    int64_t Inbox() { return m_store.FindFolder("SMS", "inbox"); }
    int64_t Sent() { return m_store.FindFolder("SMS", "sent"); }

private:
    CTempDir m_dir;
    std::string m_strPath;
    CEnvVar m_device;
    CDeviceStore m_store;
};

// Writes to a store through a plain SQLite connection, as another process
// does: unlike CDatabase, no commit counter of this process sees it.
class CForeignWriter
{
public:
    explicit CForeignWriter(const std::string& strPath);
    ~CForeignWriter();
    CForeignWriter(const CForeignWriter&) = delete;
    CForeignWriter& operator=(const CForeignWriter&) = delete;

    void Exec(const std::string& strSql);

private:
    sqlite3* m_pDb = nullptr;
};

// Leaves the store at strPath as an import killed part-way leaves it: a hot
// journal beside a file that holds some of the unfinished changes (every
// call deleted), and no process that holds a lock. Rolling the journal back
// restores the store as it was.
void LeaveInterruptedWrite(const std::string& strPath);

// Overwrites nPages leaf pages from the middle of a table or an index of
// the store.
void DamageTablePages(const std::string& strPath, const std::string& strTable, int nPages);

// A call record to write: name and number may be null; the call lasts
// nSeconds from nStart (FILETIME ticks, UTC).
DeviceCall MakeTestCall(const char* pszName, const char* pszNumber, int iom, int64_t nStart, int nSeconds = 60);

// FILETIME ticks (UTC) of a UTC calendar time.
int64_t UtcTicks(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0,
                 int nMillisecond = 0);
