#pragma once

#include "platform/DeviceWatch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>

// Puts the clock of the device watches in the test's hands, and gives it
// back when the object goes.
class CWatchClockGuard
{
public:
    CWatchClockGuard()
    {
        SetWatchClock([this] { return m_nNowMs; });
    }
    ~CWatchClockGuard() { SetWatchClock({}); }
    CWatchClockGuard(const CWatchClockGuard&) = delete;
    CWatchClockGuard& operator=(const CWatchClockGuard&) = delete;

    void Step(int64_t nMs) { m_nNowMs += nMs; }
    // Past the time within which a watch trusts its last look.
    void PassRecheckTime() { Step(CDeviceWatch::kRecheckMs); }

private:
    int64_t m_nNowMs = 1000000;
};

// Writes to a store through a connection of its own, as another process
// does: no commit counter of this process sees it.
class CForeignWriter
{
public:
    explicit CForeignWriter(const std::string& strPath)
    {
        EXPECT_EQ(sqlite3_open_v2(strPath.c_str(), &m_pDb, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    }
    ~CForeignWriter() { sqlite3_close(m_pDb); }
    CForeignWriter(const CForeignWriter&) = delete;
    CForeignWriter& operator=(const CForeignWriter&) = delete;

    void Exec(const std::string& strSql)
    {
        EXPECT_EQ(sqlite3_exec(m_pDb, strSql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << strSql;
    }

private:
    sqlite3* m_pDb = nullptr;
};
