#pragma once

// The program's own command line: ringtally [--device PATH | PATH], plus
// --help and --version. It is read once Qt has taken its own options out of
// the arguments; help and the version are also answered before Qt starts,
// so that they need no display. Nothing here uses Qt.

#include <cstdio>
#include <string>
#include <vector>

struct ProgramArgs {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    // The device named on the command line; empty when none was.
    std::string strDevice;
    // For a usage error: what was wrong, in one line without its end.
    std::string strError;
};

// Reads the arguments after the program's name. --help (-h) and --version
// stand before anything else wherever they are, up to "--"; after "--"
// every argument is a device path.
ProgramArgs ParseProgramArgs(const std::vector<std::string>& args);

// Prints what an action other than Run asks for: the usage or the version on
// pOut, or the error and the usage on pErr. Returns the exit status: 0, or 2
// for a usage error.
int PrintProgramAnswer(const ProgramArgs& args, FILE* pOut, FILE* pErr);
