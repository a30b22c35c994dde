#include "import/ImportReport.h"
#include "tests/import/ImporterTestSupport.h"
#include "tests/import/ios/EncryptedFixture.h"
#include "tests/import/ios/IosFixtures.h"
#include "tests/support/TestDevice.h"
#include "tests/support/TestShell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::string Tool(const std::string& strDevice, const std::string& strArgs)
{
    return "TZ=Europe/Berlin RINGTALLY_NOW=2024-06-15T12:00:00 " + ShellQuote(RINGTALLY_DEVICE_TOOL) + " --device " +
           ShellQuote(strDevice) + " " + strArgs;
}

TEST(ImportCommand, ImportReportsEachFile)
{
    CTempDir dir;
    std::string strDevice = dir.File("phone/device.db");
    std::string strOut, strErr;
    std::string strFiles =
        ShellQuote(DataFile("calls-all-types.xml")) + " " + ShellQuote(DataFile("messages-mixed.xml"));
    ASSERT_EQ(RunCommand(Tool(strDevice, "import " + strFiles), &strOut, &strErr), 0) << strErr;
    EXPECT_EQ(strErr, "");
    for (const char* pszLine :
         {"Created a new device store at ", "calls-all-types.xml: calls backup, 1.6 kB\n",
          "  calls: 11 read, 10 added, 0 duplicates skipped\n", "  left out: 1 call without a usable date\n",
          "messages-mixed.xml: messages backup, 3.9 kB\n", "  SMS: 9 read, 9 added, 0 duplicates skipped\n",
          "  MMS: 3 read, 3 added, 0 duplicates skipped\n", "  left out: 1 MMS media part (0.1 kB of encoded media)\n",
          "  text: 2 unpaired surrogate halves replaced by U+FFFD; 2 control characters "
          "dropped\n",
          "  count: the file says 13 records, and holds 12\n"})
        EXPECT_NE(strOut.find(pszLine), std::string::npos) << pszLine << "\nin:\n" << strOut;

    ASSERT_EQ(RunCommand(Tool(strDevice, "import " + strFiles), &strOut, &strErr), 0) << strErr;
    EXPECT_NE(strOut.find("  calls: 11 read, 0 added, 10 duplicates skipped\n"), std::string::npos) << strOut;
    EXPECT_EQ(strOut.find("Created"), std::string::npos) << strOut;
}

TEST(ImportCommand, ImportGoesOnPastAFailedFile)
{
    CTempDir dir;
    std::string strDevice = dir.File("device.db");
    std::string strOut, strErr;
    std::string strArgs =
        "import " + ShellQuote(DataFile("calls-truncated.xml")) + " " + ShellQuote(DataFile("calls-older.xml"));
    EXPECT_EQ(RunCommand(Tool(strDevice, strArgs), &strOut, &strErr), 1);
    EXPECT_NE(strErr.find("ringtally-device: " + DataFile("calls-truncated.xml") + ": truncated at line 6, column 55"),
              std::string::npos)
        << strErr;
    EXPECT_NE(strErr.find("1 of 2 files not imported"), std::string::npos) << strErr;
    EXPECT_NE(strOut.find("  calls: 3 read, 3 added"), std::string::npos) << strOut;

    EXPECT_EQ(RunCommand(Tool(strDevice, "import --salvage " + ShellQuote(DataFile("calls-truncated.xml"))), &strOut,
                         &strErr),
              0)
        << strErr;
    // Two of its three records came with the older file.
    EXPECT_NE(strOut.find("  calls: 3 read, 1 added, 2 duplicates skipped\n"
                          "  truncated at line 6, column 55: read the 3 complete records before it, added 1\n"
                          "  count: the file says 5 records, and breaks off after 3\n"),
              std::string::npos)
        << strOut;
    EXPECT_EQ(RunCommand(Tool(strDevice, "import --salvage " + ShellQuote(DataFile("calls-truncated.xml"))), &strOut,
                         &strErr),
              0)
        << strErr;
    EXPECT_NE(strOut.find("  truncated at line 6, column 55: read the 3 complete records before it, added 0\n"),
              std::string::npos)
        << strOut;

    EXPECT_EQ(RunCommand(Tool(strDevice, "import"), &strOut, &strErr), 2);
    EXPECT_EQ(RunCommand(Tool(strDevice, "import --fast x.xml"), &strOut, &strErr), 2);
}

TEST(ImportCommand, ImportTellsWhatWasTooLarge)
{
    CTempDir dir;
    std::string strFile = WriteFile(dir.File("large.xml"), "<smses>\n<sms date='1709287200000' type='1' body='" +
                                                               std::string(kMostRecordBytes, 'x') +
                                                               "'/>\n<sms date='1709287300000' "
                                                               "type='2' body='short'/>\n</smses>\n");
    std::string strOut, strErr;
    ASSERT_EQ(RunCommand(Tool(dir.File("device.db"), "import " + ShellQuote(strFile)), &strOut, &strErr), 0) << strErr;
    EXPECT_NE(strOut.find("  SMS: 2 read, 1 added, 0 duplicates skipped\n  MMS: 0 read, 0 added, 0 duplicates "
                          "skipped\n  left out: 1 SMS over 16 MiB\n"),
              std::string::npos)
        << strOut;
}

TEST(ImportCommand, ImportTellsOfDatesReadAsSeconds)
{
    CTempDir dir;
    std::string strOut, strErr;
    ASSERT_EQ(RunCommand(Tool(dir.File("device.db"), "import " + ShellQuote(DataFile("calls-dates-in-seconds.xml"))),
                         &strOut, &strErr),
              0)
        << strErr;
    EXPECT_NE(strOut.find("  calls: 4 read, 4 added, 0 duplicates skipped\n"
                          "  dates in seconds instead of milliseconds, read as seconds: 2 calls\n"),
              std::string::npos)
        << strOut;
}

TEST(ImportCommand, DemoMakesANewStoreOnly)
{
    CTempDir dir;
    std::string strDevice = dir.File("demo.db");
    std::string strOut, strErr;
    ASSERT_EQ(RunCommand(Tool(strDevice, "demo --calls 300 --messages=200 --seed 5"), &strOut, &strErr), 0) << strErr;
    EXPECT_NE(strOut.find("300 calls, 200 messages (seed 5)"), std::string::npos) << strOut;
    ASSERT_EQ(RunCommand(Tool(strDevice, "info"), &strOut, &strErr), 0) << strErr;
    EXPECT_NE(strOut.find("Call records: 300\n"), std::string::npos) << strOut;
    // RINGTALLY_NOW is the demo's now.
    EXPECT_NE(strOut.find("Last call: 2024-06-1"), std::string::npos) << strOut;

    auto nSize = std::filesystem::file_size(strDevice);
    EXPECT_EQ(RunCommand(Tool(strDevice, "demo"), &strOut, &strErr), 1);
    EXPECT_NE(strErr.find("already exists"), std::string::npos) << strErr;
    EXPECT_EQ(std::filesystem::file_size(strDevice), nSize);

    for (const char* pszArgs :
         {"demo --calls", "demo --calls -5", "demo --messages 1e3", "demo --seed x", "demo extra"}) {
        EXPECT_EQ(RunCommand(Tool(dir.File("other.db"), pszArgs), &strOut, &strErr), 2) << pszArgs;
        EXPECT_FALSE(std::filesystem::exists(dir.File("other.db"))) << pszArgs;
    }
}

TEST(ImportCommand, HelpDescribesTheCommandsArguments)
{
    std::string strOut;
    ASSERT_EQ(RunCommand(std::string(RINGTALLY_DEVICE_TOOL) + " help demo", &strOut), 0);
    EXPECT_EQ(strOut.rfind("Usage: ringtally-device [--device PATH] demo [--calls N] [--messages M] [--seed S]\n", 0),
              0u)
        << strOut;
    ASSERT_EQ(RunCommand(std::string(RINGTALLY_DEVICE_TOOL) + " import --help", &strOut), 0);
    EXPECT_EQ(strOut.rfind("Usage: ringtally-device [--device PATH] import [--salvage] [--into-demo] [--region XX] "
                           "[--password-file FILE] FILE...\n",
                           0),
              0u)
        << strOut;
    EXPECT_NE(strOut.find("--salvage    import the complete records"), std::string::npos) << strOut;
}

TEST(ImportCommand, HelpIsLookedForOnlyBeforeDoubleDash)
{
    CTempDir dir;
    std::string strDevice = dir.File("device.db");
    std::string strOut, strErr;
    for (const char* pszArgs : {"import --help", "import x.xml --help", "import --salvage -h x.xml", "help import"}) {
        SCOPED_TRACE(pszArgs);
        EXPECT_EQ(RunCommand(Tool(strDevice, pszArgs), &strOut, &strErr), 0);
        EXPECT_EQ(strOut.rfind("Usage: ringtally-device [--device PATH] import", 0), 0u) << strOut;
        EXPECT_EQ(strErr, "");
        EXPECT_FALSE(std::filesystem::exists(strDevice));
    }

    // After "--" it is a file like any other: missing, then a backup.
    const std::string kInDir = "cd " + ShellQuote(dir.Path()) + " && ";
    EXPECT_EQ(RunCommand(kInDir + Tool(strDevice, "import -- --help"), &strOut, &strErr), 1);
    EXPECT_EQ(strOut.find("Usage"), std::string::npos) << strOut;
    EXPECT_NE(strErr.find("ringtally-device: --help: "), std::string::npos) << strErr;
    std::filesystem::copy_file(DataFile("calls-older.xml"), dir.File("--help"));
    ASSERT_EQ(RunCommand(kInDir + Tool(strDevice, "import -- --help"), &strOut, &strErr), 0) << strErr;
    EXPECT_NE(strOut.find("--help: calls backup"), std::string::npos) << strOut;
    EXPECT_NE(strOut.find("  calls: 3 read, 3 added"), std::string::npos) << strOut;
}

} // namespace

namespace {

TEST(ImportCommand, IphoneBackupFolderAndItsReport)
{
    CTempDir dir;
    std::string strCalls = dir.File("calls.db");
    MakeDatabase(strCalls, std::string(kCallHistorySchema) +
                               "INSERT INTO ZCALLRECORD (ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZADDRESS, "
                               "ZUNIQUE_ID) VALUES (" +
                               std::to_string(AppleSeconds(2024, 5, 1)) + ", 60, 1, 1, '0170 1234567', 'C1');");
    std::string strSms = dir.File("sms.db");
    MakeDatabase(strSms, std::string(kSmsSchema) +
                             "INSERT INTO handle VALUES (1, '+491701234567', 'SMS');"
                             "INSERT INTO message (guid, text, handle_id, service, date) VALUES "
                             "('G1', 'Hallo', 1, 'SMS', 1), ('G2', 'Hi', 1, 'iMessage', 2), "
                             "('G3', 'Liked', 1, 'iMessage', 3);"
                             "UPDATE message SET associated_message_type = 2001 WHERE guid = 'G3';");
    std::string strFolder = dir.File("Backup/00008030-000A");
    MakeBackupFolder(strFolder, {{kCallsPath, strCalls}, {kMessagesPath, strSms}},
                     InfoPlist("Annas iPhone", "+49 170 0000000"), ManifestPlist(false));
    std::string strDevice = dir.File("device.db");
    std::string strOut, strErr;
    ASSERT_EQ(RunCommand(Tool(strDevice, "import " + ShellQuote(strFolder)), &strOut, &strErr), 0) << strErr;
    EXPECT_EQ(strOut, "Created a new device store at " + strDevice + "\n" + strFolder +
                          ": iPhone backup\n"
                          "  phone: Annas iPhone, +49 170 0000000, iOS 17.5, backed up 2024-06-01 10:00 UTC\n"
                          "  missing from the backup: Library/AddressBook/AddressBook.sqlitedb\n"
                          "  calls: 1 read, 1 added, 0 duplicates skipped\n"
                          "  SMS: 1 read, 1 added, 0 duplicates skipped\n"
                          "  iMessage: 1 read, 1 added, 0 duplicates skipped\n"
                          "  left out: 1 reaction or edit\n");

    // A wrong region is a usage error; a backup that is no backup names why.
    EXPECT_EQ(RunCommand(Tool(strDevice, "import --region Germany " + ShellQuote(strFolder)), &strOut, &strErr), 2);
    EXPECT_NE(strErr.find("--region needs a two-letter country code"), std::string::npos) << strErr;
    EXPECT_EQ(RunCommand(Tool(strDevice, "import " + ShellQuote(dir.Path())), &strOut, &strErr), 1);
    EXPECT_EQ(strErr, "ringtally-device: " + dir.Path() + ": not an iPhone backup folder (it has no Manifest.db)\n");
}

} // namespace

namespace {

TEST(ImportCommand, EncryptedBackupWithItsPasswordFromAFile)
{
    CTempDir dir;
    std::string strCalls = dir.File("calls.db");
    MakeDatabase(strCalls, std::string(kCallHistorySchema) +
                               "INSERT INTO ZCALLRECORD (ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZADDRESS) VALUES "
                               "(1000, 60, 1, 1, '0170 1234567');");
    std::string strFolder = dir.File("encrypted");
    MakeEncryptedBackupFolder(strFolder, {{kCallsPath, strCalls}}, "open sesame", InfoPlist("Phone", ""));
    std::string strDevice = dir.File("device.db");
    std::string strOut, strErr;
    // Without a terminal and without a file, no password; a wrong one is
    // one clear error; neither leaves a store behind.
    std::string strImport = "import " + ShellQuote(strFolder) + " </dev/null";
    EXPECT_EQ(RunCommand("setsid env " + Tool(strDevice, strImport), &strOut, &strErr), 1);
    EXPECT_NE(strErr.find(": an encrypted backup, and no password was given"), std::string::npos) << strErr;
    WriteFile(dir.File("wrong"), "open sesam\n");
    EXPECT_EQ(RunCommand(Tool(strDevice,
                              "import --password-file " + ShellQuote(dir.File("wrong")) + " " + ShellQuote(strFolder)),
                         &strOut, &strErr),
              1);
    EXPECT_EQ(strErr, "ringtally-device: deriving the backup's key from its password; this takes a few seconds...\n"
                      "ringtally-device: " +
                          strFolder + ": wrong backup password\n");
    EXPECT_FALSE(std::filesystem::exists(strDevice));

    WriteFile(dir.File("right"), "open sesame\n");
    ASSERT_EQ(RunCommand(Tool(strDevice,
                              "import --password-file " + ShellQuote(dir.File("right")) + " " + ShellQuote(strFolder)),
                         &strOut, &strErr),
              0)
        << strErr;
    EXPECT_NE(strOut.find("  calls: 1 read, 1 added, 0 duplicates skipped\n"), std::string::npos) << strOut;
}

} // namespace
