#include "device/DeviceStore.h"
#include "tests/support/TestDevice.h"
#include "tests/support/TestShell.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

struct Result {
    int nStatus;
    std::string strOut;
    std::string strErr;
};

// Runs the tool with the given arguments after the given environment
// assignments.
Result Tool(const std::string& strArgs, const std::string& strEnv = "")
{
    Result result;
    result.nStatus =
        RunCommand(strEnv + " " + ShellQuote(RINGTALLY_DEVICE_TOOL) + " " + strArgs, &result.strOut, &result.strErr);
    return result;
}

std::string Device(const std::string& strPath)
{
    return "--device " + ShellQuote(strPath);
}

// One line that names the tool, and nothing more.
void ExpectOneErrorLine(const Result& result)
{
    EXPECT_NE(result.nStatus, 0);
    EXPECT_EQ(result.strErr.rfind("ringtally-device: ", 0), 0u) << result.strErr;
    ASSERT_FALSE(result.strErr.empty());
    EXPECT_EQ(result.strErr.find('\n'), result.strErr.size() - 1) << result.strErr;
    EXPECT_EQ(result.strOut, "");
}

// The names, bytes and modification times of everything under a folder.
std::string DescribeTree(const std::string& strDir)
{
    std::ostringstream out;
    for (const auto& item : std::filesystem::recursive_directory_iterator(strDir)) {
        struct stat st {};
        ::stat(item.path().c_str(), &st);
        out << item.path().string() << " " << st.st_mtim.tv_sec << "." << st.st_mtim.tv_nsec << " "
            << std::hash<std::string> {}(item.is_regular_file() ? ReadFile(item.path()) : "") << "\n";
    }
    return out.str();
}

} // namespace

TEST(DeviceTool, InitCreatesAnEmptyStoreThatInfoDescribes)
{
    CTempDir dir;
    std::string strPath = dir.File("sub/folder/phone.db");
    Result init = Tool(Device(strPath) + " init");
    EXPECT_EQ(init.nStatus, 0) << init.strErr;
    EXPECT_EQ(init.strErr, "");
    CDeviceStore store;
    ASSERT_EQ(store.OpenReadOnly(strPath), DeviceStatus::Ok) << store.ErrorText();
    store.Close();

    Result info = Tool(Device(strPath) + " info");
    EXPECT_EQ(info.nStatus, 0) << info.strErr;
    EXPECT_EQ(info.strOut, "Device: " + strPath +
                               "\nFormat version: 1\nCall records: 0\nMessages:\n"
                               "  SMS / Inbox: 0\n  SMS / Sent Items: 0\n  SMS / Outbox: 0\n"
                               "  SMS / Drafts: 0\n  SMS / Deleted Items: 0\n");
}

TEST(DeviceTool, InfoShowsCallsInLocalTimeAndMessagesPerFolder)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    ASSERT_EQ(Tool(Device(strPath) + " init").nStatus, 0);
    {
        CDatabase db;
        ASSERT_EQ(db.Open(strPath, SQLITE_OPEN_READWRITE), SQLITE_OK);
        std::string strSql =
            "INSERT INTO calllog (start_time, end_time, iom, name) VALUES (" +
            std::to_string(UtcTicks(2026, 7, 1, 12)) + ", " + std::to_string(UtcTicks(2026, 7, 1, 12, 5)) +
            ", 1, 'Anna'), (" + std::to_string(UtcTicks(2026, 1, 15, 12)) + ", " +
            std::to_string(UtcTicks(2026, 1, 15, 12, 1)) +
            ", 2, NULL);"
            "INSERT INTO message (folder_id) SELECT id FROM folder WHERE role = 'sent';"
            "INSERT INTO message (folder_id) SELECT id FROM folder WHERE role = 'sent';"
            "INSERT INTO msgstore (display_name) VALUES (NULL);"
            "INSERT INTO folder (store_id, role, display_name) VALUES (last_insert_rowid(), 'inbox', NULL);"
            "INSERT INTO message (folder_id) VALUES (last_insert_rowid());";
        ASSERT_EQ(db.Exec(strSql.c_str()), SQLITE_OK) << db.LastError();
    }
    Result info = Tool(Device(strPath) + " info", "TZ=Europe/Berlin");
    EXPECT_EQ(info.nStatus, 0) << info.strErr;
    EXPECT_EQ(info.strOut, "Device: " + strPath +
                               "\nFormat version: 1\nCall records: 2\n"
                               "First call: 2026-01-15 13:00:00\nLast call: 2026-07-01 14:00:00\nMessages:\n"
                               "  SMS / Inbox: 0\n  SMS / Sent Items: 2\n  SMS / Outbox: 0\n"
                               "  SMS / Drafts: 0\n  SMS / Deleted Items: 0\n  (no name) / inbox: 1\n");
}

TEST(DeviceTool, ErrorsAreOneLineAndWriteNothing)
{
    CTempDir dir;
    std::ofstream(dir.File("notes.txt")) << "not a store\n";
    ASSERT_EQ(Tool(Device(dir.File("store.db")) + " init").nStatus, 0);
    ASSERT_EQ(Tool(Device(dir.File("newer.db")) + " init").nStatus, 0);
    {
        CDatabase db;
        ASSERT_EQ(db.Open(dir.File("newer.db"), SQLITE_OPEN_READWRITE), SQLITE_OK);
        ASSERT_EQ(db.Exec("PRAGMA user_version = 9"), SQLITE_OK);
        ASSERT_EQ(db.Open(dir.File("other.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
        ASSERT_EQ(db.Exec("PRAGMA application_id = 77; CREATE TABLE t (x)"), SQLITE_OK);
    }
    ASSERT_EQ(Tool(Device(dir.File("corrupt.db")) + " init").nStatus, 0);
    {
        CDeviceStore store;
        ASSERT_EQ(store.OpenForWriting(dir.File("corrupt.db")), DeviceStatus::Ok);
        std::vector<DeviceCall> calls(3000);
        for (DeviceCall& call : calls)
            call.strNote = std::string(100, 'x');
        ASSERT_EQ(store.AddCalls(calls), 0);
        store.Close();
        std::string strBytes = ReadFile(dir.File("corrupt.db"));
        for (size_t i = strBytes.size() / 2; i < strBytes.size() / 2 + 8192; ++i)
            strBytes[i] = '\x5a';
        WriteFile(dir.File("corrupt.db"), strBytes);
    }
    std::string strTree = DescribeTree(dir.Path());

    struct Case {
        std::string strArgs;
        std::string strWhat; // a part of the message
    };
    const Case kCases[] = {
        {Device(dir.File("missing.db")) + " info", "no such file"},
        {Device(dir.File("notes.txt")) + " info", "not a Ringtally device store"},
        {Device(dir.File("other.db")) + " info", "not a Ringtally device store"},
        {Device(dir.File("newer.db")) + " info", "newer version"},
        {Device(dir.File("corrupt.db")) + " info", "corrupt"},
        {Device(dir.Path()) + " info", "folder"},
        {Device(dir.File("store.db")) + " init", "already exists"},
        {Device(dir.File("notes.txt")) + " init", "already exists"},
        {Device(dir.File("notes.txt/sub/device.db")) + " init", "cannot create"},
        {Device(dir.File("new/")) + " init", "names a folder"},
        {Device(dir.File("new/sub/device.db/")) + " init", "names a folder"},
        {Device(dir.File("new/sub/" + std::string(300, 'n') + ".db")) + " init", "cannot create"},
        {Device(dir.File("new.db")) + " init now", "init takes no arguments"},
        {Device(dir.File("store.db")) + " info all", "info takes no arguments"},
        {Device(dir.File("store.db")) + " frobnicate", "unknown command frobnicate"},
        {"--device", "--device needs a path"},
        {"--device= info", "--device needs a path"},
        {"--verbose info", "unknown option --verbose"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.strArgs);
        Result result = Tool(c.strArgs);
        ExpectOneErrorLine(result);
        EXPECT_NE(result.strErr.find(c.strWhat), std::string::npos) << result.strErr;
        EXPECT_EQ(DescribeTree(dir.Path()), strTree);
    }
}

TEST(DeviceTool, HelpAndDefaultDevice)
{
    CTempDir dir;
    Result help = Tool("--help");
    EXPECT_EQ(help.nStatus, 0);
    EXPECT_EQ(help.strOut.rfind("Usage: ringtally-device [--device PATH] COMMAND", 0), 0u) << help.strOut;
    EXPECT_EQ(Tool("help").strOut, help.strOut);
    EXPECT_EQ(Tool("-h").strOut, help.strOut);
    // Each command has one line that says what it does, and its own help
    // however it is asked for.
    for (const char* pszCommand : {"init", "info", "import", "demo", "help"}) {
        SCOPED_TRACE(pszCommand);
        size_t nAt = help.strOut.find(std::string("\n  ") + pszCommand + "  ");
        ASSERT_NE(nAt, std::string::npos) << help.strOut;
        std::string strLine = help.strOut.substr(nAt + 1, help.strOut.find('\n', nAt + 1) - nAt - 1);
        EXPECT_NE(strLine.find_first_not_of(' ', 2 + std::strlen(pszCommand)), std::string::npos) << strLine;

        Result commandHelp = Tool(Device(dir.File("x.db")) + " " + pszCommand + " --help");
        EXPECT_EQ(commandHelp.nStatus, 0);
        EXPECT_EQ(commandHelp.strOut.rfind(std::string("Usage: ringtally-device [--device PATH] ") + pszCommand, 0), 0u)
            << commandHelp.strOut;
        EXPECT_EQ(Tool(std::string("help ") + pszCommand).strOut, commandHelp.strOut);
    }
    Result version = Tool("--version");
    EXPECT_EQ(version.nStatus, 0);
    EXPECT_EQ(version.strOut, "ringtally-device " RINGTALLY_VERSION "\n");
    ExpectOneErrorLine(Tool("help frobnicate"));
    ExpectOneErrorLine(Tool("help init info"));
    Result none = Tool("");
    EXPECT_EQ(none.nStatus, 2);
    EXPECT_NE(none.strErr.find("Usage:"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    // Without --device: RINGTALLY_DEVICE, else the data folder.
    EXPECT_EQ(Tool("init", "RINGTALLY_DEVICE=" + ShellQuote(dir.File("env.db"))).nStatus, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("env.db")));
    EXPECT_EQ(Tool("init", "env -u RINGTALLY_DEVICE XDG_DATA_HOME=" + ShellQuote(dir.File("data"))).nStatus, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("data/ringtally/device.db")));
    Result info = Tool("info", "env -u RINGTALLY_DEVICE -u XDG_DATA_HOME HOME=" + ShellQuote(dir.File("home")));
    ExpectOneErrorLine(info);
    EXPECT_NE(info.strErr.find(dir.File("home/.local/share/ringtally/device.db")), std::string::npos) << info.strErr;
}

// The demo never lands where the real device is read from: without a
// --device of another file it goes to demo.db in the data folder, whatever
// RINGTALLY_DEVICE says, and the store it makes says it is a demo.
TEST(DeviceTool, TheDemoLivesApartAndSaysItIsOne)
{
    CTempDir dir;
    std::string strData = "XDG_DATA_HOME=" + ShellQuote(dir.File("data"));
    std::string strDemo = dir.File("data/ringtally/demo.db");
    for (const std::string& strEnv : {"env -u RINGTALLY_DEVICE " + strData,
                                      "env " + strData + " RINGTALLY_DEVICE=" + ShellQuote(dir.File("mine.db"))}) {
        SCOPED_TRACE(strEnv);
        Result made = Tool("demo --calls 20 --messages 20", strEnv);
        EXPECT_EQ(made.nStatus, 0) << made.strErr;
        EXPECT_NE(made.strOut.find("Created a demo device at " + strDemo), std::string::npos) << made.strOut;
        EXPECT_TRUE(std::filesystem::is_regular_file(strDemo));
        EXPECT_FALSE(std::filesystem::exists(dir.File("data/ringtally/device.db")));
        EXPECT_FALSE(std::filesystem::exists(dir.File("mine.db")));
        Result info = Tool(Device(strDemo) + " info");
        EXPECT_EQ(info.nStatus, 0) << info.strErr;
        EXPECT_EQ(info.strOut.rfind("Device: " + strDemo + " (a demo: invented calls and messages)\n", 0), 0u)
            << info.strOut;
        std::filesystem::remove(strDemo);
    }

    // A --device of another file is where it goes; a real store is no demo.
    EXPECT_EQ(Tool(Device(dir.File("other.db")) + " demo --calls 5 --messages 5").nStatus, 0);
    CDeviceStore demo;
    ASSERT_EQ(demo.OpenReadOnly(dir.File("other.db")), DeviceStatus::Ok);
    EXPECT_TRUE(demo.IsDemo());
    ASSERT_EQ(Tool(Device(dir.File("real.db")) + " init").nStatus, 0);
    CDeviceStore real;
    ASSERT_EQ(real.OpenReadOnly(dir.File("real.db")), DeviceStatus::Ok);
    EXPECT_FALSE(real.IsDemo());
    EXPECT_EQ(Tool(Device(dir.File("real.db")) + " info").strOut.rfind("Device: " + dir.File("real.db") + "\n", 0), 0u);
}

// An import that can import nothing leaves no store behind, and says so
// without claiming that others were imported; a demo store takes no real
// backups unless asked to.
TEST(DeviceTool, ImportMakesNoStoreForNothingAndKeepsDemosApart)
{
    CTempDir dir;
    std::string strBackup = std::string(RINGTALLY_TEST_DATA) + "/calls-older.xml";
    WriteFile(dir.File("notes.xml"), "Name;Number\nAnna;+4930123456\n");
    Result typo = Tool(Device(dir.File("new.db")) + " import " + ShellQuote(dir.File("calls.xlm")));
    ExpectOneErrorLine(typo);
    Result both = Tool(Device(dir.File("new.db")) + " import " + ShellQuote(dir.File("calls.xlm")) + " " +
                       ShellQuote(dir.File("notes.xml")));
    EXPECT_EQ(both.nStatus, 1);
    EXPECT_EQ(both.strOut, "");
    EXPECT_NE(both.strErr.find("none of the 2 files was imported"), std::string::npos) << both.strErr;
    EXPECT_EQ(both.strErr.find("the others are in the store"), std::string::npos) << both.strErr;
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.db")));

    Result some =
        Tool(Device(dir.File("new.db")) + " import " + ShellQuote(dir.File("calls.xlm")) + " " + ShellQuote(strBackup));
    EXPECT_EQ(some.nStatus, 1);
    EXPECT_EQ(some.strOut.rfind("Created a new device store at " + dir.File("new.db") + "\n", 0), 0u) << some.strOut;
    EXPECT_NE(some.strErr.find("1 of 2 files not imported; the others are in the store"), std::string::npos);

    ASSERT_EQ(Tool(Device(dir.File("demo.db")) + " demo --calls 3 --messages 3").nStatus, 0);
    std::string strBefore = ReadFile(dir.File("demo.db"));
    Result refused = Tool(Device(dir.File("demo.db")) + " import " + ShellQuote(strBackup));
    ExpectOneErrorLine(refused);
    EXPECT_NE(refused.strErr.find("is a demo phone"), std::string::npos) << refused.strErr;
    EXPECT_EQ(ReadFile(dir.File("demo.db")), strBefore);
    Result asked = Tool(Device(dir.File("demo.db")) + " import --into-demo " + ShellQuote(strBackup));
    EXPECT_EQ(asked.nStatus, 0) << asked.strErr;
    EXPECT_NE(asked.strOut.find("3 added"), std::string::npos) << asked.strOut;
}
