#include "tests/support/TestDevice.h"
#include "tests/support/TestFiles.h"
#include "tests/tools/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

namespace {

// A command line of the tool and all it should print.
struct ExportCase {
    const char* pszArgs;
    const char* pszExpected;
};

// Runs each export on the store, in Berlin's time, and compares what it
// printed whole.
template <size_t N> void ExpectExports(const std::string& strPath, const ExportCase (&cases)[N])
{
    for (const ExportCase& c : cases) {
        SCOPED_TRACE(c.pszArgs);
        ToolRun run = RunTool(strPath, c.pszArgs, "TZ=Europe/Berlin");
        EXPECT_EQ(run.nStatus, 0) << run.strErr;
        EXPECT_EQ(run.strOut, c.pszExpected);
    }
}

} // namespace

// The three exports of a small store, as CSV and JSON, whole and within
// days; phone numbers start with + and are kept from running as formulas.
TEST(ExportCommand, WritesCallsMessagesAndTheRanking)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    const ExportCase cases[] = {
        {"export calls", "start,end,duration_seconds,direction,name,number\r\n"
                         "2024-01-03T10:00:00+01:00,2024-01-03T10:01:00+01:00,60,missed,,'+493\r\n"
                         "2024-01-02T10:00:00+01:00,2024-01-02T10:01:00+01:00,60,outgoing,Ben,'+492\r\n"
                         "2024-01-01T10:00:00+01:00,2024-01-01T10:01:00+01:00,60,incoming,Anna,'+491\r\n"},
        {"export calls --from 2024-01-02 --to 2024-01-02 --format json",
         "[\n{\"start\":\"2024-01-02T10:00:00+01:00\",\"end\":\"2024-01-02T10:01:00+01:00\",\"duration_seconds\":60,"
         "\"direction\":\"outgoing\",\"name\":\"Ben\",\"number\":\"+492\"}\n]\n"},
        {"export messages --format json",
         "[\n{\"time\":\"2024-01-04T01:00:00+01:00\",\"direction\":\"sent\",\"address\":\"Anna<+491>Ben<+492>\"},\n"
         "{\"time\":\"2024-01-04T01:00:00+01:00\",\"direction\":\"sent\",\"address\":\"Anna<+491>Ben<+492>\"}\n]\n"},
        {"export messages --to 2024-01-03", "time,direction,address\r\n"},
        {"export ranking",
         "caller,number,talk_seconds,incoming_seconds,outgoing_seconds,missed,sms_received,sms_sent,last\r\n"
         "Anna,'+491,60,60,0,0,0,2,2024-01-04T01:00:00+01:00\r\n"
         "Ben,'+492,60,0,60,0,0,2,2024-01-04T01:00:00+01:00\r\n"
         "'+493,'+493,0,0,0,1,0,0,2024-01-03T10:00:00+01:00\r\n"},
        {"export ranking --from 2024-01-03 --to 2024-01-03 --format json",
         "[\n{\"caller\":\"+493\",\"number\":\"+493\",\"talk_seconds\":0,\"incoming_seconds\":0,"
         "\"outgoing_seconds\":0,\"missed\":1,\"sms_received\":0,\"sms_sent\":0,"
         "\"last\":\"2024-01-03T10:00:00+01:00\"}\n]\n"},
    };
    ExpectExports(strPath, cases);
}

// People who only text have rows of their own in the exported ranking,
// keyed by name or else number; a text's recipients are each a person, and
// one whose number is a caller's key is that caller.
TEST(ExportCommand, TheRankingListsPeopleWhoOnlyText)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    {
        CDeviceStore store;
        ASSERT_EQ(store.OpenForWriting(strPath), DeviceStatus::Ok) << store.ErrorText();
        int64_t nInbox = store.FindFolder("SMS", "inbox"), nSent = store.FindFolder("SMS", "sent");
        auto sms = [](int64_t nFolder, std::optional<std::string> strSender, int64_t nTime,
                      std::vector<DeviceRecipient> recipients) {
            DeviceMessage message;
            message.nFolderId = nFolder;
            message.strSenderName = std::move(strSender);
            message.nDeliveryTime = nTime;
            message.strBody = "hi";
            message.recipients = std::move(recipients);
            return message;
        };
        ASSERT_EQ(store.AddMessages({
                      sms(nInbox, "Cleo", UtcTicks(2024, 1, 5, 8), {}),
                      sms(nInbox, "+496", UtcTicks(2024, 1, 6), {}),
                      sms(nSent, std::nullopt, UtcTicks(2024, 1, 7), {{"Anna", "+491"}, {"Dan", "+495"}}),
                      sms(nInbox, "Ben", UtcTicks(2024, 1, 8), {}),
                      sms(nSent, std::nullopt, UtcTicks(2024, 1, 9), {{"+493", "+493"}}),
                  }),
                  0);
    }
    const ExportCase cases[] = {
        {"export ranking",
         "caller,number,talk_seconds,incoming_seconds,outgoing_seconds,missed,sms_received,sms_sent,last\r\n"
         "Anna,'+491,60,60,0,0,0,3,2024-01-07T01:00:00+01:00\r\n"
         "Ben,'+492,60,0,60,0,1,2,2024-01-08T01:00:00+01:00\r\n"
         "'+493,'+493,0,0,0,1,0,1,2024-01-09T01:00:00+01:00\r\n"
         "'+496,'+496,0,0,0,0,1,0,2024-01-06T01:00:00+01:00\r\n"
         "Cleo,,0,0,0,0,1,0,2024-01-05T09:00:00+01:00\r\n"
         "Dan,'+495,0,0,0,0,0,1,2024-01-07T01:00:00+01:00\r\n"},
        {"export ranking --from 2024-01-05 --to 2024-01-06",
         "caller,number,talk_seconds,incoming_seconds,outgoing_seconds,missed,sms_received,sms_sent,last\r\n"
         "'+496,'+496,0,0,0,0,1,0,2024-01-06T01:00:00+01:00\r\n"
         "Cleo,,0,0,0,0,1,0,2024-01-05T09:00:00+01:00\r\n"},
    };
    ExpectExports(strPath, cases);
}

TEST(ExportCommand, ReplacesAnExistingFileOnlyWithACompleteOne)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    std::string strOut = dir.File("calls.csv");
    std::ofstream(strOut) << "old\n";
    ToolRun run = RunTool(strPath, "export calls --output " + strOut, "TZ=Europe/Berlin");
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "");
    EXPECT_EQ(ReadFile(strOut).rfind("start,end,duration_seconds,direction,name,number\r\n", 0), 0u);

    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string> {"calls.csv", "device.db"})) << "no file left beside it";

    // An output in no folder: nothing is written, and the tool says so.
    run = RunTool(strPath, "export calls --output " + dir.File("none/calls.csv"));
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_NE(run.strErr.find("none/calls.csv"), std::string::npos) << run.strErr;
}

TEST(ExportCommand, RefusesWrongArguments)
{
    CTempDir dir;
    std::string strPath = dir.File("device.db");
    MakeSmallStore(strPath);
    for (const char* pszArgs :
         {"export", "export calls --format xml", "export calls --from 2024-02-30",
          "export calls --from 2024-03-02 --to 2024-03-01", "export people", "export calls --to"}) {
        SCOPED_TRACE(pszArgs);
        ToolRun run = RunTool(strPath, pszArgs);
        EXPECT_EQ(run.nStatus, 2);
        EXPECT_EQ(run.strOut, "");
    }
    EXPECT_EQ(RunTool(dir.File("missing.db"), "export calls").nStatus, 1);
}
