#include "app/ProgramArgs.h"

namespace {

constexpr const char* kUsage = "Usage: ringtally [--device PATH | PATH] [Qt options]\n"
                               "\n"
                               "Shows the call log of a device store, and how much its owner talks and\n"
                               "texts, and with whom.\n"
                               "\n"
                               "  PATH, --device PATH  the device store to read (default: $RINGTALLY_DEVICE,\n"
                               "                       else $XDG_DATA_HOME/ringtally/device.db, else\n"
                               "                       ~/.local/share/ringtally/device.db)\n"
                               "  --help               this text\n"
                               "  --version            the version\n"
                               "\n"
                               "Qt's own options, such as -platform NAME and -style NAME, are understood as\n"
                               "well. Make or fill a device store with ringtally-device.\n";

bool IsHelp(const std::string& strArg)
{
    return strArg == "--help" || strArg == "-h";
}

ProgramArgs Failed(std::string strError)
{
    ProgramArgs result;
    result.action = ProgramArgs::Action::UsageError;
    result.strError = std::move(strError);
    return result;
}

} // namespace

ProgramArgs ParseProgramArgs(const std::vector<std::string>& args)
{
    for (const std::string& strArg : args) {
        if (strArg == "--")
            break;
        if (IsHelp(strArg) || strArg == "--version") {
            ProgramArgs result;
            result.action = IsHelp(strArg) ? ProgramArgs::Action::Help : ProgramArgs::Action::Version;
            return result;
        }
    }

    ProgramArgs result;
    bool bGiven = false;
    bool bOptions = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        std::string strPath;
        if (bOptions && strArg == "--") {
            bOptions = false;
            continue;
        }
        if (bOptions && strArg == "--device") {
            if (i + 1 >= args.size())
                return Failed("--device needs a path");
            strPath = args[++i];
        } else if (bOptions && strArg.rfind("--device=", 0) == 0) {
            strPath = strArg.substr(sizeof("--device=") - 1);
            if (strPath.empty())
                return Failed("--device needs a path");
        } else if (bOptions && strArg.size() > 1 && strArg[0] == '-') {
            return Failed("unknown option " + strArg);
        } else {
            strPath = strArg;
        }
        if (strPath.empty())
            return Failed("the device path is empty");
        if (bGiven)
            return Failed("more than one device: " + result.strDevice + " and " + strPath);
        result.strDevice = std::move(strPath);
        bGiven = true;
    }
    return result;
}

int PrintProgramAnswer(const ProgramArgs& args, FILE* pOut, FILE* pErr)
{
    switch (args.action) {
    case ProgramArgs::Action::Help:
        std::fputs(kUsage, pOut);
        return 0;
    case ProgramArgs::Action::Version:
        std::fputs("ringtally " RINGTALLY_VERSION "\n", pOut);
        return 0;
    case ProgramArgs::Action::UsageError:
        std::fprintf(pErr, "ringtally: %s\n\n%s", args.strError.c_str(), kUsage);
        return 2;
    case ProgramArgs::Action::Run:
        break;
    }
    return 0;
}
