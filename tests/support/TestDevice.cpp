#include "tests/support/TestDevice.h"

#include "platform/PlatformTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

CTempDir::CTempDir()
{
    std::string strTemplate = (std::filesystem::temp_directory_path() / "ringtally-test-XXXXXX").string();
    char* pszDir = mkdtemp(strTemplate.data());
    EXPECT_NE(pszDir, nullptr);
    m_strPath = strTemplate;
}

CTempDir::~CTempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_strPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_strPath, ec);
}

CTestDevice::CTestDevice()
{
    m_strPath = m_dir.File("device.db");
    if (const char* pszOld = std::getenv("RINGTALLY_DEVICE")) {
        m_bHadOldDevice = true;
        m_strOldDevice = pszOld;
    }
    ::setenv("RINGTALLY_DEVICE", m_strPath.c_str(), 1);
    EXPECT_EQ(m_store.Create(m_strPath), DeviceStatus::Ok) << m_store.ErrorText();
}

CTestDevice::~CTestDevice()
{
    m_store.Close();
    if (m_bHadOldDevice)
        ::setenv("RINGTALLY_DEVICE", m_strOldDevice.c_str(), 1);
    else
        ::unsetenv("RINGTALLY_DEVICE");
}

DeviceCall MakeTestCall(const char* pszName, const char* pszNumber, int iom, int64_t nStart, int nSeconds)
{
    DeviceCall call;
    call.startTime = nStart;
    call.endTime = nStart + nSeconds * kTicksPerSecond;
    call.iom = iom;
    if (pszName)
        call.name = pszName;
    if (pszNumber)
        call.number = pszNumber;
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

int RunCommand(const std::string& strCommand, std::string* pOut, std::string* pErr)
{
    CTempDir dir;
    std::string strOut = dir.File("out"), strErr = dir.File("err");
    int nStatus = std::system((strCommand + " >" + strOut + " 2>" + strErr).c_str());
    auto slurp = [](const std::string& strPath) {
        std::ifstream in(strPath, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    if (pOut)
        *pOut = slurp(strOut);
    if (pErr)
        *pErr = slurp(strErr);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}
