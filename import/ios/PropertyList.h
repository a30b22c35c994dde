#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A property list (XML or binary) read whole, and the values of its top
// dictionary by key. Wrong types read as absent.
class CPropertyList
{
public:
    CPropertyList() = default;
    ~CPropertyList();
    CPropertyList(const CPropertyList&) = delete;
    CPropertyList& operator=(const CPropertyList&) = delete;

    // Returns 0, or -1 when the bytes are no property list with a dictionary
    // at its top.
    int Parse(const std::string& strBytes);

    std::optional<std::string> String(const char* pszKey) const;
    std::optional<bool> Bool(const char* pszKey) const;
    std::optional<std::vector<uint8_t>> Data(const char* pszKey) const;
    // A date as seconds since 2001-01-01 UTC.
    std::optional<int64_t> Date(const char* pszKey) const;

private:
    void* m_pRoot = nullptr;
};

// The whole of a regular file up to nMostBytes, read without blocking;
// nullopt with *pstrError set when it is missing, no regular file, larger,
// or unreadable.
std::optional<std::string> ReadSmallFile(const std::string& strPath, size_t nMostBytes, std::string* pstrError);
