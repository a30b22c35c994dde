#pragma once

#include <string>
#include <vector>

// ringtally-device: creates, inspects and fills device stores.
// Each command takes its own arguments (after the command word) and the
// device path; it returns the process exit status: 0 on success, 1 on an
// error (one line on standard error), 2 on a usage error.
struct DeviceCommand {
    const char* pszName;
    // The command word and its arguments, as the usage line shows them.
    const char* pszSynopsis;
    // What the command does, in one line for the list of commands.
    const char* pszSummary;
    // The whole description, for "help COMMAND" and "COMMAND --help".
    const char* pszHelp;
    int (*pfnRun)(const std::string& strDevice, const std::vector<std::string>& args);
};

int RunInit(const std::string& strDevice, const std::vector<std::string>& args);
int RunInfo(const std::string& strDevice, const std::vector<std::string>& args);
int RunImport(const std::string& strDevice, const std::vector<std::string>& args);
int RunDemo(const std::string& strDevice, const std::vector<std::string>& args);
int RunCheck(const std::string& strDevice, const std::vector<std::string>& args);
int RunRescue(const std::string& strDevice, const std::vector<std::string>& args);
int RunExport(const std::string& strDevice, const std::vector<std::string>& args);

// Prints "ringtally-device: TEXT" on standard error and returns 1.
int ToolError(const std::string& strText);
// Prints a usage error with a pointer to --help and returns 2.
int UsageError(const std::string& strText);
