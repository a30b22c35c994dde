#include "device/DeviceStore.h"
#include "tools/DeviceTool.h"

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
    {"import", "import [--salvage] FILE...",
     "Imports phone backup files into the device store, creating the store when\n"
     "there is none: the calls file (root element <calls>) and the messages file\n"
     "(root element <smses>) that the Android app \"SMS Backup & Restore\" writes,\n"
     "told apart by their content. Records already in the store are skipped, so\n"
     "a newer backup that repeats an older one adds only what is new.\n"
     "\n"
     "Calls become call records (missed, voicemail, rejected and blocked calls\n"
     "count as missed; the backup's own call type is kept). SMS go to the \"SMS\"\n"
     "store: received ones to the Inbox, sent ones to Sent Items, drafts and\n"
     "unsent ones to Drafts and Outbox. MMS go to a store of their own, \"MMS\",\n"
     "with their text; their media is not stored.\n"
     "\n"
     "Each file imports in one transaction: a file that fails adds nothing. A\n"
     "file that breaks off before its end is refused with the place where it\n"
     "breaks; --salvage imports its complete records instead.\n"
     "\n"
     "  --salvage  import the complete records of a truncated file\n",
     RunImport},
    {"demo", "demo [--calls N] [--messages M] [--seed S]",
     "Creates a new device store holding an invented phone: named contacts and\n"
     "unknown numbers, calls over the year before now with daily and weekly\n"
     "rhythms, and text messages with the same people, some to several at once.\n"
     "The same seed and the same current time give the same store. An existing\n"
     "file is never overwritten.\n"
     "\n"
     "  --calls N     call records to make (default 2000)\n"
     "  --messages M  text messages to make (default 3000)\n"
     "  --seed S      the seed of the invention (default 1)\n",
     RunDemo},
    {"check", "check",
     "Checks the whole device store: every page and index (SQLite's integrity\n"
     "check), and the store's own format (its application id, format version,\n"
     "tables and columns). Prints \"ok\" with the number of records, or \"damaged\"\n"
     "with the first problems found. Exit status 0: sound; 1: damaged, or it\n"
     "cannot be read.\n",
     RunCheck},
    {"rescue", "rescue NEWFILE",
     "Copies every record that can still be read from a damaged device store into\n"
     "a new store at NEWFILE, in one transaction, keeping the records' ids and the\n"
     "columns that imports add; where records cannot be read, it goes on with the\n"
     "next readable one, and it says per table how many it copied. The damaged\n"
     "store is not changed; NEWFILE must not exist.\n",
     RunRescue},
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
