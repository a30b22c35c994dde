#pragma once

// What ringtally-tmail's command line asks for. Ringtally starts it twice:
// first as "-service Sms", then as "[-contact NAME] mailto:NUMBER".

#include <string>
#include <vector>

struct TmailCommandLine {
    enum class Action {
        Help,     // --help or -h
        Version,  // --version
        Done,     // a service chosen, nothing to compose: end at once
        Compose,  // open the compose window
        Mistaken, // a usage error, told in strError
    };
    Action action = Action::Done;
    std::string strNumber;
    std::string strContact;
    std::string strError;
};

// args are the words after the program's name.
TmailCommandLine ParseTmailCommandLine(const std::vector<std::string>& args);
