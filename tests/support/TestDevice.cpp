#include "tests/support/TestDevice.h"

#include "platform/PlatformTime.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <vector>

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
    // As a real writer would, it waits for a reader's lock: the program's
    // check of the whole store may hold one for a moment.
    sqlite3_busy_timeout(m_pDb, 10000);
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

void DamageTablePages(const std::string& strPath, const std::string& strTable, int nPages)
{
    std::vector<int64_t> pages;
    {
        CDatabase db;
        ASSERT_EQ(db.Open(strPath, SQLITE_OPEN_READONLY), SQLITE_OK);
        CStatement stmt(db, "SELECT pageno, (SELECT page_size FROM pragma_page_size) FROM dbstat "
                            "WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno");
        ASSERT_TRUE(stmt.IsValid()) << db.LastError();
        stmt.BindText(1, std::string_view(strTable));
        int64_t nPageSize = 0;
        while (stmt.Step() == SQLITE_ROW) {
            pages.push_back(stmt.ColumnInt(0));
            nPageSize = stmt.ColumnInt(1);
        }
        ASSERT_GT(pages.size(), static_cast<size_t>(nPages) * 2);
        std::string strBytes = ReadFile(strPath);
        for (size_t i = pages.size() / 2; i < pages.size() / 2 + static_cast<size_t>(nPages); ++i)
            std::fill_n(strBytes.begin() + (pages[i] - 1) * nPageSize, nPageSize, '\x5A');
        db.Close();
        WriteFile(strPath, strBytes);
    }
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
    SYSTEMTIME st {static_cast<WORD>(nYear),   static_cast<WORD>(nMonth),      0,
                   static_cast<WORD>(nDay),    static_cast<WORD>(nHour),       static_cast<WORD>(nMinute),
                   static_cast<WORD>(nSecond), static_cast<WORD>(nMillisecond)};
    FILETIME ft {};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return static_cast<int64_t>(FileTimeToTicks(ft));
}
