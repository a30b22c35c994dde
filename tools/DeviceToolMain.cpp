#include "device/DeviceStore.h"
#include "tools/DeviceTool.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int RunHelp(const std::string& strDevice, const std::vector<std::string>& args);

// One entry per command: its word, its arguments, its line in the list of
// commands, its description, and what runs it.
const DeviceCommand kCommands[] = {
    {"init", "init", "create a new, empty device store",
     "Creates a new, empty device store at the device path. An existing file is\n"
     "never overwritten.\n",
     RunInit},
    {"info", "info", "print what a device store holds",
     "Prints the store's format version, the number of call records, the number\n"
     "of messages per store and folder, and the first and last call start in\n"
     "local time.\n",
     RunInfo},
    {"import", "import [--salvage] [--into-demo] [--region XX] [--password-file FILE] FILE...",
     "import phone backup files, creating the store if needed",
     "Imports phone backups into the device store, creating the store when there\n"
     "is none (and keeping it only when a file could be imported), told apart by\n"
     "their content:\n"
     "- the calls file (root element <calls>) and the messages file\n"
     "  (root element <smses>) that the Android app \"SMS Backup & Restore\" writes;\n"
     "- an iPhone backup folder as Finder or iTunes writes it, plain or encrypted (on a\n"
     "  Mac in ~/Library/Application Support/MobileSync/Backup, on Windows in\n"
     "  %APPDATA%\\Apple Computer\\MobileSync\\Backup or\n"
     "  %USERPROFILE%\\Apple\\MobileSync\\Backup), one folder per phone;\n"
     "- an iPhone's databases on their own: CallHistory.storedata, sms.db and\n"
     "  AddressBook.sqlitedb.\n"
     "Records already in the store are skipped, so a newer backup that repeats an\n"
     "older one adds only what is new.\n"
     "\n"
     "Calls become call records (missed, voicemail, rejected and blocked calls\n"
     "count as missed; the backup's own call type is kept). SMS go to the \"SMS\"\n"
     "store: received ones to the Inbox, sent ones to Sent Items, drafts and\n"
     "unsent ones to Drafts and Outbox. MMS go to a store of their own, \"MMS\",\n"
     "with their text; their media is not stored. An iPhone's iMessage and RCS\n"
     "messages go to stores named after the service; its FaceTime and other\n"
     "apps' calls are calls, their service kept apart. Reactions, edits and chat\n"
     "events are left out. The iPhone's address book names the calls and\n"
     "messages that lack a name, matching numbers however they are written in the\n"
     "region of the backup's own phone number, or of --region. Nothing in a\n"
     "backup folder is written or created. The password of an encrypted backup is\n"
     "asked for on the terminal, without showing it, or read from the first line of\n"
     "--password-file; never from the command line. Its files are decrypted into a\n"
     "folder that only you can read, removed when the import ends.\n"
     "\n"
     "Each file or backup folder imports in one transaction: one that fails adds\n"
     "nothing. A file that breaks off before its end is refused with the place\n"
     "where it breaks; --salvage imports its complete records instead. A demo\n"
     "store is refused, so that invented calls never mix with yours.\n"
     "\n"
     "Another program writing the store is waited for, up to RINGTALLY_WAIT\n"
     "seconds (default 600); a store that holds triggers or views that Ringtally\n"
     "did not make is refused.\n"
     "\n"
     "  --salvage    import the complete records of a truncated file\n"
     "  --into-demo  import into a demo store all the same\n"
     "  --region XX  the country (such as DE) in which an iPhone's numbers without\n"
     "               a country code are read, when its backup does not tell\n"
     "  --password-file FILE  the password of encrypted backups, its first line\n"
     "  --           every argument after it is a file, even one that starts with -\n",
     RunImport},
    {"demo", "demo [--calls N] [--messages M] [--seed S]",
     "create an invented phone to try Ringtally on, apart from your own device",
     "Creates a new device store holding an invented phone, marked as a demo:\n"
     "at the path of --device when it names another file than the default\n"
     "device, else at $XDG_DATA_HOME/ringtally/demo.db (normally\n"
     "~/.local/share/ringtally/demo.db), never where your own calls are read\n"
     "from. It holds named contacts and unknown numbers, calls over the year\n"
     "before now with daily and weekly rhythms, and text messages with the same\n"
     "people, some to several at once.\n"
     "The same seed and the same current time give the same store. An existing\n"
     "file is never overwritten.\n"
     "\n"
     "  --calls N     call records to make (default 2000)\n"
     "  --messages M  text messages to make (default 3000)\n"
     "  --seed S      the seed of the invention (default 1)\n",
     RunDemo},
    {"check", "check", "check the whole store for damage and say whether it is sound",
     "Checks the whole device store: every page and index (SQLite's integrity\n"
     "check), and the store's own format (its application id, format version,\n"
     "tables and columns). Prints \"ok\" with the number of records, or \"damaged\"\n"
     "with the first problems found. Exit status 0: sound; 1: damaged, or it\n"
     "cannot be read.\n",
     RunCheck},
    {"rescue", "rescue NEWFILE", "copy what can still be read of a damaged store into a new one",
     "Copies every record that can still be read from a damaged device store into\n"
     "a new store at NEWFILE, in one transaction, keeping the records' ids and the\n"
     "columns that imports add; where records cannot be read, it goes on with the\n"
     "next readable one, and it says per table how many it copied. The damaged\n"
     "store is not changed; NEWFILE must not exist.\n",
     RunRescue},
    {"export", "export calls|messages|ranking [--from DAY] [--to DAY] [--format csv|json] [--output FILE]",
     "write the calls, the messages or the ranking of callers for other programs",
     "Writes every call, every text message (Inbox and Sent Items of the \"SMS\"\n"
     "store) or the ranking of callers (per caller: talk time in and out,\n"
     "missed calls, texts received and sent, and the latest call or text, as\n"
     "the Ranking screen counts them), to standard output or to FILE.\n"
     "CSV (the default) follows RFC 4180, in UTF-8 with a header row; JSON is\n"
     "one array of objects. Times are ISO 8601 local times with the offset,\n"
     "durations whole seconds. A text cell that starts with =, +, -, @, a tab\n"
     "or a carriage return gets a leading ' in CSV, so that a spreadsheet\n"
     "shows it instead of running it. An existing FILE is replaced only once\n"
     "the new one is complete.\n"
     "\n"
     "  --from DAY     only from this day on (YYYY-MM-DD, local time)\n"
     "  --to DAY       only up to this day, included; a call counts when it\n"
     "                 lies wholly within the days\n"
     "  --format F     csv or json\n"
     "  --output FILE  write FILE instead of standard output\n",
     RunExport},
    {"help", "help [COMMAND]", "describe a command, or without one list them all",
     "Describes COMMAND: its arguments and what it does. Without a command, lists\n"
     "every command with what it does, and the options.\n",
     RunHelp},
};

const DeviceCommand* FindCommand(const std::string& strName)
{
    for (const DeviceCommand& cmd : kCommands) {
        if (strName == cmd.pszName)
            return &cmd;
    }
    return nullptr;
}

bool IsHelp(const std::string& strArg)
{
    return strArg == "--help" || strArg == "-h";
}

void PrintUsage(FILE* out)
{
    std::fprintf(out, "Usage: ringtally-device [--device PATH] COMMAND [ARGS...]\n"
                      "\n"
                      "Creates, inspects and fills the device store that Ringtally reads.\n"
                      "\n"
                      "Commands:\n");
    int nWidth = 0;
    for (const DeviceCommand& cmd : kCommands)
        nWidth = std::max(nWidth, static_cast<int>(std::strlen(cmd.pszName)));
    for (const DeviceCommand& cmd : kCommands)
        std::fprintf(out, "  %-*s  %s\n", nWidth, cmd.pszName, cmd.pszSummary);
    std::fprintf(out, "\n"
                      "Options:\n"
                      "  --device PATH  the device store (default: $RINGTALLY_DEVICE, else\n"
                      "                 $XDG_DATA_HOME/ringtally/device.db, else\n"
                      "                 ~/.local/share/ringtally/device.db)\n"
                      "  --help         this text\n"
                      "  --version      the version\n"
                      "\n"
                      "\"help COMMAND\" or \"COMMAND --help\" describes one command and its arguments.\n");
}

void PrintCommandHelp(const DeviceCommand& cmd)
{
    std::printf("Usage: ringtally-device [--device PATH] %s\n\n%s", cmd.pszSynopsis, cmd.pszHelp);
}

int RunHelp(const std::string&, const std::vector<std::string>& args)
{
    if (args.empty()) {
        PrintUsage(stdout);
        return 0;
    }
    if (args.size() > 1)
        return UsageError("help takes one command");
    const DeviceCommand* pCmd = FindCommand(args[0]);
    if (!pCmd)
        return UsageError("help: unknown command " + args[0]);
    PrintCommandHelp(*pCmd);
    return 0;
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
    // SQLite's memory statistics, which nothing here reads, take a lock
    // around every allocation: 14% of an import's writing.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    std::string strDevice;
    bool bDeviceGiven = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string strArg = argv[i];
        if (IsHelp(strArg)) {
            PrintUsage(stdout);
            return 0;
        }
        if (strArg == "--version") {
            std::printf("ringtally-device %s\n", RINGTALLY_VERSION);
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
    const DeviceCommand* pCmd = FindCommand(strCommand);
    if (!pCmd)
        return UsageError("unknown command " + strCommand);
    // Asking for help wins over any other argument, but after "--" every
    // argument is the command's own, even one called --help.
    for (const std::string& strArg : args) {
        if (strArg == "--")
            break;
        if (IsHelp(strArg)) {
            PrintCommandHelp(*pCmd);
            return 0;
        }
    }
    return pCmd->pfnRun(bDeviceGiven ? strDevice : DefaultDevicePath(), args);
}
