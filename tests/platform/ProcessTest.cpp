#include "platform/Process.h"

#include "tests/support/TestDevice.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestGuards.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kTmail = L"\\windows\\tmail.exe";

class ProcessTest : public testing::Test
{
protected:
    CTempDir m_dir;
    std::string m_strProgram = m_dir.File("tmail");
    CEnvVar m_automation {"RINGTALLY_AUTOMATION", std::nullopt};
    CEnvVar m_tmail {"RINGTALLY_TMAIL", m_strProgram};

    BOOL Launch(const wchar_t* pszCmdLine, PROCESS_INFORMATION* pPi, const wchar_t* pszPath = kTmail)
    {
        return CreateProcessW(pszPath, pszCmdLine, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                              nullptr, pPi);
    }
};

TEST_F(ProcessTest, WaitKeepsEventsFlowingUntilTheProcessEnds)
{
    WriteScript(m_strProgram, "sleep \"$1\"\n");
    PROCESS_INFORMATION pi {};
    ASSERT_TRUE(Launch(L"0.4", &pi));
    EXPECT_NE(pi.hProcess, pi.hThread);
    EXPECT_NE(pi.dwProcessId, 0u);

    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_TIMEOUT);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(pi.hThread, 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));

    // A timer stands in for the repaints a waiting window needs.
    bool bTimerFired = false;
    QTimer::singleShot(20, [&] { bTimerFired = true; });
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(bTimerFired);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

    // An ended process stays ended, through either handle.
    EXPECT_EQ(WaitForSingleObject(pi.hThread, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_FALSE(CloseHandle(pi.hProcess));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
}

TEST_F(ProcessTest, StartAndWatchTellsHowTheProgramFaredInItsTime)
{
    WriteScript(m_dir.File("record"), "printf '%s|' \"$@\" > '" + m_dir.File("args") + "'\n");
    struct Case {
        std::string strProgram;
        std::vector<std::string> args;
        WatchedStart result;
    };
    const Case cases[] = {
        {"true", {}, WatchedStart::Succeeded},
        {"false", {}, WatchedStart::Failed},
        {"/bin/sh", {"-c", "exit 3"}, WatchedStart::Failed},
        {"/bin/sh", {"-c", "kill -9 $$"}, WatchedStart::Failed},
        {"/bin/sh", {"-c", "sleep 2"}, WatchedStart::StillRunning},
        {"no-such-program-here", {}, WatchedStart::NotStarted},
        {m_dir.File("missing"), {}, WatchedStart::NotStarted},
        {m_dir.File("record"), {"a b", "$(id)", ""}, WatchedStart::Succeeded},
    };
    for (const Case& c : cases) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(StartAndWatch(c.strProgram, c.args, 500), c.result) << c.strProgram;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500)) << c.strProgram;
    }
    EXPECT_EQ(ReadFile(m_dir.File("args")), "a b|$(id)||");
}

TEST_F(ProcessTest, OnlyTheMessagingApplicationCanBeStarted)
{
    WriteScript(m_strProgram, "exit 0\n");
    PROCESS_INFORMATION pi {};
    // The platform's file names ignore case.
    ASSERT_TRUE(Launch(L"", &pi, L"\\Windows\\TMail.EXE"));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    for (const wchar_t* pszPath : {L"\\windows\\calc.exe", L"tmail.exe", L"/bin/sh"})
        EXPECT_FALSE(Launch(L"", &pi, pszPath)) << testing::PrintToString(std::wstring(pszPath));
    EXPECT_FALSE(Launch(L"", &pi, nullptr));
    EXPECT_FALSE(Launch(L"", nullptr));
}

TEST_F(ProcessTest, UnknownApplicationPrintsNothingUnderAutomation)
{
    CEnvVar automation("RINGTALLY_AUTOMATION", "script.txt");
    CStdoutCapture capture;
    PROCESS_INFORMATION pi {};
    EXPECT_FALSE(Launch(L"x", &pi, L"\\windows\\pword.exe"));
    ASSERT_TRUE(Launch(L"a  \"b c\"", &pi));
    // The command line is printed as passed, not as split.
    EXPECT_EQ(capture.Text(), "launch\t\\windows\\tmail.exe\ta  \"b c\"\n");
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
}

TEST_F(ProcessTest, WithoutRingtallyTmailTheToolIsFoundOnPath)
{
    std::string strLog = m_dir.File("log");
    WriteScript(m_dir.File("ringtally-tmail"), "printf '%s\\n' \"$@\" > '" + strLog + "'\n");
    CEnvVar tmail("RINGTALLY_TMAIL", std::nullopt);
    CEnvVar path("PATH", "/nonexistent:" + m_dir.Path());
    PROCESS_INFORMATION pi {};
    ASSERT_TRUE(Launch(L"-service \"Sms\"", &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(ReadLines(strLog), (std::vector<std::string> {"-service", "Sms"}));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    CEnvVar emptyPath("PATH", "/nonexistent");
    EXPECT_FALSE(Launch(L"-service \"Sms\"", &pi));
}

} // namespace
