#pragma once

#include <string>
#include <sys/types.h>

// A word for the shell: in single quotes, a quote inside written as '\''.
std::string ShellQuote(const std::string& strWord);
// Runs a command line through the shell; returns its exit status (-1 when
// it did not exit normally) and puts its standard output and standard error
// in the given strings.
int RunCommand(const std::string& strCommand, std::string* pOut = nullptr, std::string* pErr = nullptr);

// A command line run by the shell as a child of this process, in the
// background; the shell execs the last command, so that the child is that
// command itself. A child still running when the object goes is killed.
class CChildProcess
{
public:
    explicit CChildProcess(const std::string& strCommand);
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    void Kill(int nSignal);
    // Waits for the child to end: its exit status, or -1 when a signal
    // ended it.
    int Wait();

private:
    pid_t m_pid = -1;
};
