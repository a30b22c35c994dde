#include "tests/phone/PhoneTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

CEnvVar::CEnvVar(const char* pszName, std::optional<std::string> value)
    : m_strName(pszName)
{
    if (const char* pszOld = std::getenv(pszName))
        m_old = pszOld;
    if (value)
        ::setenv(pszName, value->c_str(), 1);
    else
        ::unsetenv(pszName);
}

CEnvVar::~CEnvVar()
{
    if (m_old)
        ::setenv(m_strName.c_str(), m_old->c_str(), 1);
    else
        ::unsetenv(m_strName.c_str());
}

CStdoutCapture::CStdoutCapture()
{
    char szTemplate[] = "/tmp/ringtally-stdout-XXXXXX";
    int fd = mkstemp(szTemplate);
    EXPECT_GE(fd, 0);
    m_strPath = szTemplate;
    std::fflush(stdout);
    m_nSavedFd = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
}

CStdoutCapture::~CStdoutCapture()
{
    Text();
    std::remove(m_strPath.c_str());
}

std::string CStdoutCapture::Text()
{
    if (m_nSavedFd >= 0) {
        std::fflush(stdout);
        dup2(m_nSavedFd, STDOUT_FILENO);
        close(m_nSavedFd);
        m_nSavedFd = -1;
    }
    return ReadFile(m_strPath);
}

void WriteScript(const std::string& strPath, const std::string& strBody)
{
    {
        std::ofstream out(strPath, std::ios::binary);
        out << "#!/bin/sh\n" << strBody;
    }
    std::filesystem::permissions(strPath, std::filesystem::perms::owner_all);
}

std::string ReadFile(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> ReadLines(const std::string& strPath)
{
    std::vector<std::string> lines;
    std::ifstream in(strPath);
    for (std::string strLine; std::getline(in, strLine);)
        lines.push_back(strLine);
    return lines;
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
