#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What one run of ringtally-device gave.
struct ToolRun {
    int nStatus = -1;
    std::string strOut;
    std::string strErr;

    std::vector<std::string> ErrLines() const;
};

// The command line that runs ringtally-device on the store at strDevice with
// the arguments (words quoted for the shell as needed), after the
// environment assignments in strEnv.
std::string ToolCommand(const std::string& strDevice, const std::string& strArgs, const std::string& strEnv = "");
ToolRun RunTool(const std::string& strDevice, const std::string& strArgs, const std::string& strEnv = "");

// A new store with three calls and two messages to two people each.
void MakeSmallStore(const std::string& strPath);
// A calls backup of nCalls calls, one a minute from 2024-03-01 on; with
// bEnd false it breaks off after them, as a backup still being written.
std::string CallsBackup(int nCalls, bool bEnd = true);
// The calls in the store at strPath, or -1 when it cannot be read.
int64_t CountCalls(const std::string& strPath);
// The name, modification time and bytes of everything under a folder.
std::string DescribeTree(const std::string& strDir);
