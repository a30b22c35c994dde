#pragma once

#include <string>
#include <vector>

// Runs the real ringtally under automation, offscreen, with the given
// script, device path (empty: a device that does not exist) and extra
// environment settings (KEY=VALUE), in the folder strWorkDir.
struct RingtallyRun {
    int nStatus = -1;
    std::string strOutput;
    // Only the "error" lines of standard error: Qt may add warnings of its own.
    std::string strErrors;
    // The lines of standard error that Ringtally itself wrote ("ringtally: ...").
    std::string strWarnings;
};
RingtallyRun RunRingtally(const std::string& strScriptPath, const std::string& strDevicePath,
                          const std::string& strWorkDir, const std::vector<std::string>& environment = {},
                          const std::string& strArguments = "");

// Makes a device store at strPath and runs the SQL on it. The SQL may use
// ft('YYYY-MM-DD HH:MM:SS[.mmm]'), the FILETIME ticks of a UTC time.
// Returns an empty string or the reason it failed.
std::string MakeDevice(const std::string& strPath, const std::string& strSql);

