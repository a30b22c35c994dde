#include "DeviceStore.h"
#include "DeviceTool.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DeviceCommand kCommands[] = {
    {"init", "init",
     "Creates a new, empty device store at the device path. An existing file is\n"
     "never overwritten.\n",
     RunInit},
    {"info", "info",
     "Prints the store's format version, the number of call records, the number\n"
     "of messages per store and folder, and the first and last call start in\n"
     "local time.\n",
     RunInfo},
};

void PrintUsage(FILE* out)
{
    std::fprintf(out,
                 "Usage: ringtally-device [--device PATH] COMMAND [ARGS...]\n"
                 "\n"
                 "Creates, inspects and fills the device store that Ringtally reads.\n"
                 "\n"
                 "Commands:\n");
    for (const DeviceCommand& cmd : kCommands)
        std::fprintf(out, "  %s\n", cmd.pszSynopsis);
    std::fprintf(out,
                 "\n"
                 "Options:\n"
                 "  --device PATH  the device store (default: $RINGTALLY_DEVICE, else\n"
                 "                 $XDG_DATA_HOME/ringtally/device.db, else\n"
                 "                 ~/.local/share/ringtally/device.db)\n"
                 "  --help         this text; COMMAND --help describes one command\n");
}

} // namespace

int ToolError(const std::string& strText)
{
    std::fprintf(stderr, "ringtally-device: %s\n", strText.c_str());
    return 1;
}

int UsageError(const std::string& strText)
{
    std::fprintf(stderr, "ringtally-device: %s (see ringtally-device --help)\n", strText.c_str());
    return 2;
}

int main(int argc, char** argv)
{
    std::string strDevice;
    bool bDeviceGiven = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string strArg = argv[i];
        if (strArg == "--help" || strArg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (strArg == "--device" || strArg.rfind("--device=", 0) == 0) {
            if (strArg == "--device") {
                if (i + 1 >= argc)
                    return UsageError("--device needs a path");
                strDevice = argv[++i];
            } else {
                strDevice = strArg.substr(std::strlen("--device="));
            }
            if (strDevice.empty())
                return UsageError("--device needs a path");
            bDeviceGiven = true;
            continue;
        }
        if (!strArg.empty() && strArg[0] == '-')
            return UsageError("unknown option " + strArg);
        break;
    }
    if (i >= argc) {
        PrintUsage(stderr);
        return 2;
    }
    std::string strCommand = argv[i++];
    std::vector<std::string> args(argv + i, argv + argc);
    for (const DeviceCommand& cmd : kCommands) {
        if (strCommand != cmd.pszName)
            continue;
        for (const std::string& strArg : args) {
            if (strArg == "--help" || strArg == "-h") {
                std::printf("Usage: ringtally-device [--device PATH] %s\n\n%s", cmd.pszSynopsis, cmd.pszHelp);
                return 0;
            }
        }
        return cmd.pfnRun(bDeviceGiven ? strDevice : DefaultDevicePath(), args);
    }
    return UsageError("unknown command " + strCommand);
}
