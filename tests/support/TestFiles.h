#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// A temporary folder removed with everything in it when the object goes.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& strPath);
// Replaces the file with the bytes and returns its path.
std::string WriteFile(const std::string& strPath, const std::string& strBytes);
std::vector<std::string> ReadLines(const std::string& strPath);
// The lines of a text, without their ends.
std::vector<std::string> SplitLines(const std::string& strText);
// Waits until the file holds at least nLines lines; returns its lines.
std::vector<std::string> WaitForLines(const std::string& strPath, size_t nLines,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Writes an executable shell script.
void WriteScript(const std::string& strPath, const std::string& strBody);
