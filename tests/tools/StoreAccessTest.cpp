#include "device/DeviceStore.h"
#include "tests/support/TestDevice.h"
#include "tests/support/TestShell.h"
#include "tests/tools/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string RolledBackLine(const std::string& strPath)
{
    return "ringtally-device: " + strPath +
           ": an import into it was interrupted; its unfinished changes were rolled back, and the store is as it was "
           "before that import";
}

// Waits until the predicate holds, for at most ten seconds.
bool WaitUntil(const std::function<bool()>& pfnDone)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!pfnDone()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace

// Whichever command meets a store that an import left unfinished rolls the
// import back first, says so in one line, and goes on with its work.
TEST(StoreAccess, EveryCommandRollsBackAnInterruptedImportFirst)
{
    CTempDir dir;
    std::string strBackup = WriteFile(dir.File("calls.xml"), CallsBackup(2));
    struct Case {
        const char* pszArgs;
        const char* pszOut; // the beginning of the command's output
        int64_t nCalls;     // in the store afterwards
    };
    const Case kCases[] = {
        {"info", "Device: ", 3},
        {"check", "Device: ", 3},
        {"import calls.xml", "", 5},
        {"rescue rescued.db", "Rescued ", 3},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszArgs);
        std::string strPath = dir.File("device.db");
        fs::remove(dir.File("rescued.db"));
        fs::remove(strPath);
        MakeSmallStore(strPath);
        LeaveInterruptedWrite(strPath);
        ASSERT_EQ(CountCalls(strPath), -1);

        std::string strArgs = std::string(c.pszArgs);
        ToolRun run = RunTool(strPath, strArgs, "cd " + ShellQuote(dir.Path()) + " &&");
        EXPECT_EQ(run.nStatus, 0) << run.strErr;
        EXPECT_EQ(run.ErrLines(), std::vector<std::string> {RolledBackLine(strPath)});
        EXPECT_EQ(run.strOut.rfind(c.pszOut, 0), 0u) << run.strOut;
        EXPECT_FALSE(fs::exists(strPath + "-journal"));
        EXPECT_EQ(CountCalls(strPath), c.nCalls);
        if (std::string(c.pszArgs).rfind("rescue", 0) == 0) {
            EXPECT_EQ(CountCalls(dir.File("rescued.db")), 3);
        }

        // Once rolled back, there is nothing more to say.
        ToolRun again = RunTool(strPath, "info");
        EXPECT_EQ(again.nStatus, 0);
        EXPECT_EQ(again.strErr, "");
    }
}

// The rollback needs the store, its folder (where the journal is removed)
// and the journal writable; when one is not, the command says which and
// what to do, and changes nothing. Run as root, the tool runs as "nobody",
// for whom permissions hold.
TEST(StoreAccess, AnInterruptedImportThatCannotBeRolledBackIsNamedWithTheReason)
{
    CTempDir dir;
    bool bRoot = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    ::chmod(dir.Path().c_str(), 0755);
    // A copy of the tool that the other user can reach.
    std::string strTool = dir.File("ringtally-device");
    fs::copy_file(RINGTALLY_DEVICE_TOOL, strTool);
    ::chmod(strTool.c_str(), 0755);
    std::string strAs = bRoot ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    std::string strBackup = WriteFile(dir.File("calls.xml"), CallsBackup(2));
    ::chmod(strBackup.c_str(), 0644);

    struct Case {
        const char* pszName;
        const char* pszWhat; // what cannot be written
    };
    for (Case c : {Case {"file", "the store "}, Case {"folder", "its folder "}, Case {"journal", "its journal "}}) {
        SCOPED_TRACE(c.pszName);
        std::string strCase = dir.File(c.pszName);
        fs::create_directory(strCase);
        std::string strPath = strCase + "/device.db";
        MakeSmallStore(strPath);
        LeaveInterruptedWrite(strPath);
        for (const std::string& strFile : {strCase, strPath, strPath + "-journal"}) {
            if (bRoot) {
                ASSERT_EQ(::chown(strFile.c_str(), kNobody, kNobody), 0);
            }
        }
        std::string strDenied = c.pszName == std::string("file")     ? strPath
                                : c.pszName == std::string("folder") ? strCase
                                                                     : strPath + "-journal";
        ::chmod(strDenied.c_str(), c.pszName == std::string("folder") ? 0555 : 0444);
        std::string strTree = DescribeTree(strCase);

        for (const std::string& strArgs :
             {std::string("info"), std::string("check"), "import " + ShellQuote(strBackup)}) {
            SCOPED_TRACE(strArgs);
            ToolRun run;
            run.nStatus = RunCommand(strAs + ShellQuote(strTool) + " --device " + ShellQuote(strPath) + " " + strArgs,
                                     &run.strOut, &run.strErr);
            EXPECT_EQ(run.nStatus, 1);
            EXPECT_EQ(run.strOut, "");
            ASSERT_EQ(run.ErrLines().size(), 1u) << run.strErr;
            EXPECT_NE(run.strErr.find("ringtally-device: " + strPath + ": an import into it was interrupted"),
                      std::string::npos)
                << run.strErr;
            EXPECT_NE(run.strErr.find(c.pszWhat + strDenied + " cannot be written (Permission denied)"),
                      std::string::npos)
                << run.strErr;
            EXPECT_NE(run.strErr.find("copy the store together with its -journal file"), std::string::npos);
            EXPECT_EQ(DescribeTree(strCase), strTree);
        }
        ::chmod(strDenied.c_str(), 0755);
    }
}

// An import killed while it writes adds nothing, and the next import goes
// on as if it had never been. The backup comes through a pipe that the test
// holds open, so the import is surely part-way when it is killed: its
// changes are still in its memory and journal, so the store file is as it
// was. (A kill after changes reached the file, which a large import makes,
// leaves a journal to roll back: LeaveInterruptedWrite makes that case.)
TEST(StoreAccess, AnImportKilledPartWayAddsNothing)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    ToolRun first = RunTool(strPath, "import " + ShellQuote(WriteFile(dir.File("first.xml"), CallsBackup(20))));
    ASSERT_EQ(first.nStatus, 0) << first.strErr;
    ASSERT_EQ(CountCalls(strPath), 23);
    std::string strPipe = dir.File("backup.xml");
    ASSERT_EQ(::mkfifo(strPipe.c_str(), 0600), 0);

    CChildProcess import(ToolCommand(strPath, "import " + ShellQuote(strPipe)) + " >/dev/null 2>&1");
    int fd = -1;
    // Opening a pipe for writing without blocking fails until its reader
    // has opened it.
    ASSERT_TRUE(WaitUntil([&] { return (fd = ::open(strPipe.c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }));
    ASSERT_EQ(::fcntl(fd, F_SETFL, 0), 0);
    // The twenty calls that the store has, then two hundred new ones.
    std::string strXml = CallsBackup(220, false);
    ASSERT_EQ(::write(fd, strXml.data(), strXml.size()), static_cast<ssize_t>(strXml.size()));
    // The journal holds what the new calls change once they are written.
    std::string strJournal = strPath + "-journal";
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code ec;
        return fs::file_size(strJournal, ec) > 0 && !ec;
    }));
    import.Kill(SIGKILL);
    EXPECT_EQ(import.Wait(), -1);
    ::close(fd);

    EXPECT_EQ(CountCalls(strPath), 23);
    ToolRun info = RunTool(strPath, "info");
    EXPECT_EQ(info.nStatus, 0) << info.strErr;
    EXPECT_EQ(info.strErr, "");
    EXPECT_NE(info.strOut.find("Call records: 23\n"), std::string::npos) << info.strOut;
    ToolRun again = RunTool(strPath, "import " + ShellQuote(WriteFile(dir.File("again.xml"), CallsBackup(220))));
    EXPECT_EQ(again.nStatus, 0) << again.strErr;
    EXPECT_NE(again.strOut.find("calls: 220 read, 200 added, 20 duplicates skipped"), std::string::npos)
        << again.strOut;
    EXPECT_FALSE(fs::exists(strJournal));
    ToolRun check = RunTool(strPath, "check");
    EXPECT_EQ(check.nStatus, 0) << check.strOut;
    EXPECT_NE(check.strOut.find("ok: 223 call records"), std::string::npos) << check.strOut;
}

// A second writer waits for the first, says so once, and gives up at its
// limit with what to do. The other writer here holds its lock until the
// test lets go, so no timing decides the outcome.
TEST(StoreAccess, ACommandWaitsForAnotherWriterUpToItsLimit)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    std::string strBackup = WriteFile(dir.File("calls.xml"), CallsBackup(5));
    std::string strWaiting =
        "ringtally-device: waiting for another program that is writing " + strPath + " (up to 0.2 s) ...";
    std::string strGaveUp = "waited 0.2 s for another program that is writing " + strPath +
                            ", and it has not finished; run the command again when it has, or set RINGTALLY_WAIT";
    {
        // A writer's lock keeps other writers out; an exclusive one readers as well.
        CForeignWriter other(strPath);
        other.Exec("BEGIN IMMEDIATE; INSERT INTO calllog (start_time, end_time, iom) VALUES (1, 2, 0)");
        ToolRun import = RunTool(strPath, "import " + ShellQuote(strBackup), "RINGTALLY_WAIT=0.2");
        EXPECT_EQ(import.nStatus, 1);
        ASSERT_EQ(import.ErrLines().size(), 2u) << import.strErr;
        EXPECT_EQ(import.ErrLines()[0], strWaiting);
        EXPECT_NE(import.ErrLines()[1].find(strGaveUp), std::string::npos) << import.strErr;
        other.Exec("COMMIT; BEGIN EXCLUSIVE");
        for (const char* pszArgs : {"info", "check"}) {
            ToolRun read = RunTool(strPath, pszArgs, "RINGTALLY_WAIT=0.2");
            EXPECT_EQ(read.nStatus, 1) << pszArgs;
            ASSERT_EQ(read.ErrLines().size(), 2u) << read.strErr;
            EXPECT_EQ(read.ErrLines()[0], strWaiting);
            EXPECT_NE(read.ErrLines()[1].find(strGaveUp), std::string::npos) << read.strErr;
        }
        other.Exec("ROLLBACK");
    }
    EXPECT_EQ(CountCalls(strPath), 4);

    for (const char* pszWait : {"abc", "-1", "5s", "inf"}) {
        ToolRun wrong = RunTool(strPath, "info", std::string("RINGTALLY_WAIT=") + pszWait);
        EXPECT_EQ(wrong.nStatus, 2) << pszWait;
        EXPECT_NE(wrong.strErr.find("RINGTALLY_WAIT takes a number of seconds"), std::string::npos) << wrong.strErr;
        EXPECT_EQ(wrong.strOut, "");
    }
}

TEST(StoreAccess, AnImportGoesOnWhenTheOtherWriterHasFinished)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    std::string strBackup = WriteFile(dir.File("calls.xml"), CallsBackup(5));
    std::string strErr = dir.File("err");
    CForeignWriter other(strPath);
    other.Exec("BEGIN IMMEDIATE; INSERT INTO calllog (start_time, end_time, iom) VALUES (1, 2, 0)");

    CChildProcess import(ToolCommand(strPath, "import " + ShellQuote(strBackup), "env RINGTALLY_WAIT=60") + " >" +
                         ShellQuote(dir.File("out")) + " 2>" + ShellQuote(strErr));
    std::vector<std::string> lines = WaitForLines(strErr, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              "ringtally-device: waiting for another program that is writing " + strPath + " (up to 60 s) ...");
    other.Exec("COMMIT");
    EXPECT_EQ(import.Wait(), 0);
    EXPECT_EQ(ReadLines(strErr), lines);
    EXPECT_NE(ReadFile(dir.File("out")).find("calls: 5 read, 5 added"), std::string::npos);
    EXPECT_EQ(CountCalls(strPath), 9);
}
