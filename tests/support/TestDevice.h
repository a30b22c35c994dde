#pragma once

#include "device/DeviceStore.h"

#include <cstdint>
#include <string>

// A temporary folder removed with everything in it when the object goes.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

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
    std::string m_strOldDevice;
    bool m_bHadOldDevice = false;
    CDeviceStore m_store;
};

// A call record to write: name and number may be null; the call lasts
// nSeconds from nStart (FILETIME ticks, UTC).
DeviceCall MakeTestCall(const char* pszName, const char* pszNumber, int iom, int64_t nStart, int nSeconds = 60);

// FILETIME ticks (UTC) of a UTC calendar time.
int64_t UtcTicks(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0,
                 int nMillisecond = 0);
// Runs a command line through the shell; returns its exit status and puts
// its standard output and standard error in the given strings.
int RunCommand(const std::string& strCommand, std::string* pOut = nullptr, std::string* pErr = nullptr);
