#include "tests/support/TestDevice.h"

#include "platform/PlatformTime.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>


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

void LeaveInterruptedWrite(const std::string& strPath)
{
    namespace fs = std::filesystem;
    // The write runs on a copy, and the copy's files are taken while its
    // transaction is open: a lock dies with its process, and the copies
    // are held by none.
    std::string strWork = strPath + ".work";
    fs::copy_file(strPath, strWork, fs::copy_options::overwrite_existing);
    {
        CForeignWriter writer(strWork);
        // A one-page cache makes the delete spill into the file itself.
        writer.Exec("PRAGMA journal_mode = DELETE; PRAGMA cache_size = 1; BEGIN; DELETE FROM calllog");
        ASSERT_TRUE(fs::exists(strWork + "-journal"));
        fs::copy_file(strWork, strPath, fs::copy_options::overwrite_existing);
        fs::copy_file(strWork + "-journal", strPath + "-journal", fs::copy_options::overwrite_existing);
        writer.Exec("ROLLBACK");
    }
    fs::remove(strWork);
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
