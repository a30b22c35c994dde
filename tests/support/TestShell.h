#pragma once

#include <string>

// A word for the shell: in single quotes, a quote inside written as '\''.
std::string ShellQuote(const std::string& strWord);
// Runs a command line through the shell; returns its exit status (-1 when
// it did not exit normally) and puts its standard output and standard error
// in the given strings.
int RunCommand(const std::string& strCommand, std::string* pOut = nullptr, std::string* pErr = nullptr);
