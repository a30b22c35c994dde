#pragma once

// Running the device tool from the program. The program itself never writes
// the device store: importing a backup is the tool's work, and the program
// shows what the tool says.

#include <string>
#include <vector>

struct ToolRun {
    // The tool's exit status; -1 when it could not be started or ended
    // by a signal.
    int nStatus = -1;
    // What it wrote on standard output and standard error, in order.
    std::string strOutput;
};

// Runs ringtally-device (found as FindCompanionProgram finds it) with these
// arguments until it ends; meanwhile the calling thread's windows keep
// painting but take no input. The program's readers of the device look at
// it anew at once afterwards. Runs under automation too: the tool's work is
// the program's own, and tests see its result.
ToolRun RunDeviceTool(const std::vector<std::string>& args);
