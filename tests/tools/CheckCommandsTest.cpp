#include "tests/support/TestDevice.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestShell.h"
#include "tests/tools/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {


// A demo store, some of whose calls are on overwritten pages.
void MakeDamagedStore(const std::string& strPath)
{
    ToolRun demo = RunTool(strPath, "demo --calls 3000 --messages 3000", "RINGTALLY_NOW=2024-06-15T12:00:00");
    ASSERT_EQ(demo.nStatus, 0) << demo.strErr;
    DamageTablePages(strPath, "calllog", 3);
}

} // namespace

TEST(CheckCommand, ASoundStoreIsOkWithItsCounts)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    ToolRun check = RunTool(strPath, "check");
    EXPECT_EQ(check.nStatus, 0);
    EXPECT_EQ(check.strErr, "");
    EXPECT_EQ(check.strOut,
              "Device: " + strPath +
                  "\nok: 3 call records; 2 messages with 4 recipients, in 5 folders of 1 message store\n");
}

TEST(CheckCommand, ADamagedStoreIsNamedWithItsFirstProblems)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeDamagedStore(strPath);
    WriteFile(dir.File("notes.db"), "Name;Number\nAnna;+4930123456\n");
    std::string strTree = DescribeTree(dir.Path());

    ToolRun check = RunTool(strPath, "check");
    EXPECT_EQ(check.nStatus, 1);
    EXPECT_EQ(check.strErr, "");
    std::vector<std::string> lines = SplitLines(check.strOut);
    ASSERT_GE(lines.size(), 4u) << check.strOut;
    EXPECT_EQ(lines[0], "Device: " + strPath);
    EXPECT_EQ(lines[1].rfind("damaged: ", 0), 0u) << lines[1];
    EXPECT_LE(lines.size(), 8u) << "at most five problems: " << check.strOut;
    for (size_t i = 2; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind("  ", 0), 0u) << lines[i];
    EXPECT_EQ(lines.back().rfind("Keep a copy of the store as it is. \"ringtally-device rescue NEWFILE\"", 0), 0u)
        << lines.back();

    ToolRun text = RunTool(dir.File("notes.db"), "check");
    EXPECT_EQ(text.nStatus, 1);
    EXPECT_NE(text.strOut.find("damaged: 1 problem:\n  not an SQLite database"), std::string::npos) << text.strOut;
    EXPECT_EQ(DescribeTree(dir.Path()), strTree);

    // What cannot be examined at all is an error, not a verdict.
    ToolRun missing = RunTool(dir.File("missing.db"), "check");
    EXPECT_EQ(missing.nStatus, 1);
    EXPECT_EQ(missing.strOut, "");
    EXPECT_EQ(missing.strErr, "ringtally-device: " + dir.File("missing.db") + ": no such file\n");
    EXPECT_EQ(RunTool(strPath, "check now").nStatus, 2);
}

// A damaged store that an import left unfinished: the rollback comes first
// and does not need a sound store; the verdict follows.
TEST(CheckCommand, AnInterruptedImportIsRolledBackBeforeTheVerdict)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    ToolRun demo = RunTool(strPath, "demo --calls 3000 --messages 3000", "RINGTALLY_NOW=2024-06-15T12:00:00");
    ASSERT_EQ(demo.nStatus, 0) << demo.strErr;
    DamageTablePages(strPath, "message", 2);
    LeaveInterruptedWrite(strPath);

    ToolRun check = RunTool(strPath, "check");
    EXPECT_EQ(check.nStatus, 1);
    EXPECT_EQ(check.strErr, "ringtally-device: " + strPath +
                                ": an import into it was interrupted; its unfinished changes were rolled back, and the "
                                "store is as it was before that import\n");
    EXPECT_NE(check.strOut.find("\ndamaged: "), std::string::npos) << check.strOut;
    EXPECT_FALSE(std::filesystem::exists(strPath + "-journal"));
}

TEST(RescueCommand, ADamagedStoreIsRescuedIntoANewOne)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeDamagedStore(strPath);
    std::string strDamaged = ReadFile(strPath);
    std::string strNew = dir.File("rescued.db");

    ToolRun rescue = RunTool(strPath, "rescue " + ShellQuote(strNew));
    EXPECT_EQ(rescue.nStatus, 0) << rescue.strErr;
    EXPECT_EQ(rescue.strErr, "");
    std::vector<std::string> lines = SplitLines(rescue.strOut);
    ASSERT_EQ(lines.size(), 6u) << rescue.strOut;
    EXPECT_EQ(lines[0], "Rescued " + strPath + " into the new store " + strNew + ":");
    EXPECT_EQ(lines[3].rfind("  calllog: ", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find(" rows copied; rows in 1 place could not be read (database disk image is malformed)"),
              std::string::npos)
        << lines[3];
    EXPECT_EQ(ReadFile(strPath), strDamaged);

    ToolRun check = RunTool(strNew, "check");
    EXPECT_EQ(check.nStatus, 0) << check.strOut;
    EXPECT_EQ(RunTool(strNew, "info").nStatus, 0);

    // The new store is always a new file, and one path.
    ToolRun again = RunTool(strPath, "rescue " + ShellQuote(strNew));
    EXPECT_EQ(again.nStatus, 1);
    EXPECT_NE(again.strErr.find("already exists"), std::string::npos) << again.strErr;
    for (const char* pszArgs : {"rescue", "rescue a.db b.db", "rescue --fast"})
        EXPECT_EQ(RunTool(strPath, pszArgs).nStatus, 2) << pszArgs;
    ToolRun text = RunTool(WriteFile(dir.File("notes.db"), "not a store\n"), "rescue " + ShellQuote(dir.File("x.db")));
    EXPECT_EQ(text.nStatus, 1);
    EXPECT_NE(text.strErr.find("not an SQLite database"), std::string::npos) << text.strErr;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.db")));
}
