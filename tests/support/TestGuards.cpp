#include "tests/support/TestGuards.h"

#include "platform/DeviceWatch.h"
#include "platform/PlatformTime.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

CEnvVar::CEnvVar(const char* pszName, std::optional<std::string> value)
    : m_strName(pszName)
{
    if (const char* pszOld = std::getenv(pszName))
        m_old = pszOld;
    if (value)
        ::setenv(pszName, value->c_str(), 1);
    else
        ::unsetenv(pszName);
}

CEnvVar::~CEnvVar()
{
    if (m_old)
        ::setenv(m_strName.c_str(), m_old->c_str(), 1);
    else
        ::unsetenv(m_strName.c_str());
}

CTimeZone::CTimeZone(const char* pszZone)
{
    m_zone.emplace("TZ", pszZone);
    ::tzset();
}

CTimeZone::~CTimeZone()
{
    m_zone.reset();
    ::tzset();
}

CWatchClockGuard::CWatchClockGuard()
{
    SetWatchClock([this] { return m_nNowMs; });
}

CWatchClockGuard::~CWatchClockGuard()
{
    SetWatchClock({});
}

void CWatchClockGuard::PassRecheckTime()
{
    Step(CDeviceWatch::kRecheckMs);
}

CFixedClock::CFixedClock(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nMilliseconds)
{
    SYSTEMTIME st {};
    st.wYear = static_cast<WORD>(nYear);
    st.wMonth = static_cast<WORD>(nMonth);
    st.wDay = static_cast<WORD>(nDay);
    st.wHour = static_cast<WORD>(nHour);
    st.wMinute = static_cast<WORD>(nMinute);
    st.wSecond = static_cast<WORD>(nSecond);
    st.wMilliseconds = static_cast<WORD>(nMilliseconds);
    // The round trip fills in the day of the week.
    FILETIME ft {};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    FileTimeToSystemTime(&ft, &st);
    SetLocalClock([st](SYSTEMTIME* pst) { *pst = st; });
}

CFixedClock::CFixedClock(const SYSTEMTIME& st)
{
    SetLocalClock([st](SYSTEMTIME* pst) { *pst = st; });
}

CFixedClock::~CFixedClock()
{
    SetLocalClock({});
}

CStdoutCapture::CStdoutCapture()
{
    char szTemplate[] = "/tmp/ringtally-stdout-XXXXXX";
    int fd = mkstemp(szTemplate);
    EXPECT_GE(fd, 0);
    m_strPath = szTemplate;
    std::fflush(stdout);
    m_nSavedFd = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
}

CStdoutCapture::~CStdoutCapture()
{
    Text();
    std::remove(m_strPath.c_str());
}

std::string CStdoutCapture::Text()
{
    if (m_nSavedFd >= 0) {
        std::fflush(stdout);
        dup2(m_nSavedFd, STDOUT_FILENO);
        close(m_nSavedFd);
        m_nSavedFd = -1;
    }
    return ReadFile(m_strPath);
}
