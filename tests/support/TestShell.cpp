#include "tests/support/TestShell.h"

#include "tests/support/TestFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

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

CChildProcess::CChildProcess(const std::string& strCommand)
{
    std::string strExec = "exec " + strCommand;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::execl("/bin/sh", "sh", "-c", strExec.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

CChildProcess::~CChildProcess()
{
    if (m_pid > 0) {
        Kill(SIGKILL);
        Wait();
    }
}

void CChildProcess::Kill(int nSignal)
{
    if (m_pid > 0)
        ::kill(m_pid, nSignal);
}

int CChildProcess::Wait()
{
    if (m_pid <= 0)
        return -1;
    int nStatus = 0;
    while (::waitpid(m_pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}
