#pragma once

#include "platform/PlatformTypes.h"

#include <cstdint>
#include <optional>
#include <string>

// Guards for the process-wide settings and seams that tests change: each sets
// its value at construction and restores the one before at destruction, so a
// failing assertion cannot leak it into the next test.

// An environment variable set (or removed, given no value) while the object lives.
class CEnvVar
{
public:
    CEnvVar(const char* pszName, std::optional<std::string> value);
    ~CEnvVar();
    CEnvVar(const CEnvVar&) = delete;
    CEnvVar& operator=(const CEnvVar&) = delete;

private:
    std::string m_strName;
    std::optional<std::string> m_old;
};

// The process's time zone (TZ), told to the C library at once both ways.
class CTimeZone
{
public:
    explicit CTimeZone(const char* pszZone);
    ~CTimeZone();

private:
    std::optional<CEnvVar> m_zone;
};

// The platform clock stands still at the given local time while the object
// lives; the system clock or RINGTALLY_NOW is read again afterwards.
class CFixedClock
{
public:
    CFixedClock(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nMilliseconds = 0);
    // The time exactly as given, day of the week included.
    explicit CFixedClock(const SYSTEMTIME& st);
    ~CFixedClock();
    CFixedClock(const CFixedClock&) = delete;
    CFixedClock& operator=(const CFixedClock&) = delete;
};

// Puts the clock of the device watches in the test's hands.
class CWatchClockGuard
{
public:
    CWatchClockGuard();
    ~CWatchClockGuard();
    CWatchClockGuard(const CWatchClockGuard&) = delete;
    CWatchClockGuard& operator=(const CWatchClockGuard&) = delete;

    void Step(int64_t nMs) { m_nNowMs += nMs; }
    // Past the time within which a watch trusts its last look.
    void PassRecheckTime();

private:
    int64_t m_nNowMs = 1000000;
};

// Sends the process's standard output to a file until Text() is called.
class CStdoutCapture
{
public:
    CStdoutCapture();
    ~CStdoutCapture();
    CStdoutCapture(const CStdoutCapture&) = delete;
    CStdoutCapture& operator=(const CStdoutCapture&) = delete;
    // Restores standard output and returns what was written meanwhile.
    std::string Text();

private:
    std::string m_strPath;
    int m_nSavedFd = -1;
};
