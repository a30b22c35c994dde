#include "tests/support/TestShell.h"

#include "tests/support/TestFiles.h"

#include <cstdlib>
#include <sys/wait.h>

std::string ShellQuote(const std::string& strWord)
{
    std::string strQuoted = "'";
    for (char ch : strWord) {
        if (ch == '\'')
            strQuoted += "'\\''";
        else
            strQuoted += ch;
    }
    strQuoted += '\'';
    return strQuoted;
}

int RunCommand(const std::string& strCommand, std::string* pOut, std::string* pErr)
{
    CTempDir dir;
    std::string strOut = dir.File("out"), strErr = dir.File("err");
    int nStatus = std::system((strCommand + " >" + ShellQuote(strOut) + " 2>" + ShellQuote(strErr)).c_str());
    if (pOut)
        *pOut = ReadFile(strOut);
    if (pErr)
        *pErr = ReadFile(strErr);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}
