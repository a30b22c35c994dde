#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

CTempDir::CTempDir()
{
    std::string strTemplate = (std::filesystem::temp_directory_path() / "ringtally-test-XXXXXX").string();
    char* pszDir = mkdtemp(strTemplate.data());
    EXPECT_NE(pszDir, nullptr);
    m_strPath = strTemplate;
}

CTempDir::~CTempDir()
{
    // A test may have taken its own permissions away to see a failure.
    std::error_code ec;
    std::filesystem::permissions(m_strPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_strPath, ec);
}

std::string ReadFile(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WriteFile(const std::string& strPath, const std::string& strBytes)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out << strBytes;
    out.close();
    EXPECT_TRUE(out) << "cannot write " << strPath;
    return strPath;
}

namespace {

std::vector<std::string> LinesOf(std::istream& in)
{
    std::vector<std::string> lines;
    for (std::string strLine; std::getline(in, strLine);)
        lines.push_back(strLine);
    return lines;
}

} // namespace

std::vector<std::string> ReadLines(const std::string& strPath)
{
    std::ifstream in(strPath);
    return LinesOf(in);
}

std::vector<std::string> SplitLines(const std::string& strText)
{
    std::istringstream in(strText);
    return LinesOf(in);
}

std::vector<std::string> WaitForLines(const std::string& strPath, size_t nLines, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> lines = ReadLines(strPath);
    while (lines.size() < nLines && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        lines = ReadLines(strPath);
    }
    return lines;
}

void WriteScript(const std::string& strPath, const std::string& strBody)
{
    WriteFile(strPath, "#!/bin/sh\n" + strBody);
    std::filesystem::permissions(strPath, std::filesystem::perms::owner_all);
}
