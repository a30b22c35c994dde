#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Sets an environment variable (or removes it, given no value) for as long
// as the object lives.
class CEnvVar
{
public:
    CEnvVar(const char* pszName, std::optional<std::string> value);
    ~CEnvVar();
    CEnvVar(const CEnvVar&) = delete;
    CEnvVar& operator=(const CEnvVar&) = delete;

private:
    std::string m_strName;
    std::optional<std::string> m_old;
};

// Sends the process's standard output to a file until Text() is called.
class CStdoutCapture
{
public:
    CStdoutCapture();
    ~CStdoutCapture();
    CStdoutCapture(const CStdoutCapture&) = delete;
    CStdoutCapture& operator=(const CStdoutCapture&) = delete;
    // Restores standard output and returns what was written meanwhile.
    std::string Text();

private:
    std::string m_strPath;
    int m_nSavedFd = -1;
};

// Writes an executable shell script.
void WriteScript(const std::string& strPath, const std::string& strBody);
std::string ReadFile(const std::string& strPath);
std::vector<std::string> ReadLines(const std::string& strPath);
// Waits until the file holds at least nLines lines; returns its lines.
std::vector<std::string> WaitForLines(const std::string& strPath, size_t nLines,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
