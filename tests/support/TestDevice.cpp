#include "tests/support/TestDevice.h"

#include "platform/PlatformTime.h"

#include <gtest/gtest.h>
#include <sqlite3.h>


CTestDevice::CTestDevice()
    : m_strPath(m_dir.File("device.db"))
    , m_device("RINGTALLY_DEVICE", m_strPath)
{
    EXPECT_EQ(m_store.Create(m_strPath), DeviceStatus::Ok) << m_store.ErrorText();
}

CTestDevice::~CTestDevice()
{
    m_store.Close();
}

CForeignWriter::CForeignWriter(const std::string& strPath)
{
    EXPECT_EQ(sqlite3_open_v2(strPath.c_str(), &m_pDb, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
}

CForeignWriter::~CForeignWriter()
{
    sqlite3_close(m_pDb);
}

void CForeignWriter::Exec(const std::string& strSql)
{
    EXPECT_EQ(sqlite3_exec(m_pDb, strSql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << strSql << ": " << sqlite3_errmsg(m_pDb);
}

DeviceCall MakeTestCall(const char* pszName, const char* pszNumber, int iom, int64_t nStart, int nSeconds)
{
    DeviceCall call;
    call.nStartTime = nStart;
    call.nEndTime = nStart + nSeconds * kTicksPerSecond;
    call.nIom = iom;
    if (pszName)
        call.strName = pszName;
    if (pszNumber)
        call.strNumber = pszNumber;
    return call;
}

int64_t UtcTicks(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nMillisecond)
{
    SYSTEMTIME st {static_cast<WORD>(nYear), static_cast<WORD>(nMonth), 0, static_cast<WORD>(nDay),
                   static_cast<WORD>(nHour), static_cast<WORD>(nMinute), static_cast<WORD>(nSecond),
                   static_cast<WORD>(nMillisecond)};
    FILETIME ft {};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return static_cast<int64_t>(FileTimeToTicks(ft));
}
