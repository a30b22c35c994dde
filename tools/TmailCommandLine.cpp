#include "tools/TmailCommandLine.h"

#include <strings.h>

TmailCommandLine ParseTmailCommandLine(const std::vector<std::string>& args)
{
    TmailCommandLine command;
    // Started on its own, it opens an empty message.
    if (args.empty())
        command.action = TmailCommandLine::Action::Compose;
    auto mistake = [&](std::string strError) {
        command.action = TmailCommandLine::Action::Mistaken;
        command.strError = std::move(strError);
        return command;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        if (strArg == "--version") {
            command.action = TmailCommandLine::Action::Version;
            return command;
        }
        if (strArg == "--help" || strArg == "-h") {
            command.action = TmailCommandLine::Action::Help;
            return command;
        }
        if (strArg == "-service") {
            if (i + 1 >= args.size())
                return mistake("-service needs a service name");
            const std::string& strService = args[++i];
            if (strcasecmp(strService.c_str(), "Sms") != 0)
                return mistake("unknown service " + strService + "; only Sms is available");
            continue;
        }
        if (strArg == "-contact") {
            if (i + 1 >= args.size())
                return mistake("-contact needs a name");
            command.strContact = args[++i];
            continue;
        }
        if (strncasecmp(strArg.c_str(), "mailto:", 7) == 0) {
            // The platform splits a command line at blanks, so a number
            // written with blanks arrives as several words.
            command.action = TmailCommandLine::Action::Compose;
            command.strNumber = strArg.substr(7);
            for (++i; i < args.size(); ++i)
                command.strNumber += " " + args[i];
            break;
        }
        return mistake("unknown argument " + strArg);
    }
    return command;
}
