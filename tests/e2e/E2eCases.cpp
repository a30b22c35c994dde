#include "tests/e2e/E2eSupport.h"
#include "tests/import/ios/IosFixtures.h"
#include "tests/support/TestDevice.h"
#include "tests/support/TestShell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

// Each folder under cases/ is one run of the real program:
//   script     the automation script ($TMP stands for the run's own folder)
//   expected   the exact standard output
//   device.sql optional: fills a new device store (ft('...') gives FILETIME
//              ticks of a UTC time); without it the device does not exist
//   fixture    optional, instead of device.sql: the name of a device shared
//              by several cases, fixtures/NAME.sql
//   errors     optional: the exact "error" lines of standard error
//   status     optional: the exit status, 0 when absent
//   env        optional: KEY=VALUE lines for the program's environment
//   iphone/    optional, instead of a device: an iPhone backup folder made
//              from calls.sql, sms.sql and contacts.sql (each builds its
//              database on the schema of tests/import/ios) and info.plist,
//              imported into a new device by ringtally-device
namespace {

// Makes the case's iPhone backup and imports it; returns the device, or an
// empty path with a failure recorded.
std::string ImportIphoneBackup(const std::filesystem::path& dir, const CTempDir& work)
{
    const struct {
        const char* pszSql;
        const char* pszSchema;
        const char* pszPath;
    } kDatabases[] = {{"calls.sql", kCallHistorySchema, kCallsPath},
                      {"sms.sql", kSmsSchema, kMessagesPath},
                      {"contacts.sql", kAddressBookSchema, kContactsPath}};
    std::map<std::string, std::string> files;
    for (const auto& database : kDatabases) {
        if (!std::filesystem::exists(dir / database.pszSql))
            continue;
        std::string strDb = work.File(database.pszSql) + ".db";
        MakeDatabase(strDb, std::string(database.pszSchema) + ReadFile((dir / database.pszSql).string()), true);
        files[database.pszPath] = strDb;
    }
    std::string strBackup = work.File("backup");
    MakeBackupFolder(strBackup, files, ReadFile((dir / "info.plist").string()), ManifestPlist(false));
    std::string strDevice = work.File("device.db");
    std::string strOut, strErr;
    int nStatus = RunCommand(ShellQuote(RINGTALLY_DEVICE_TOOL) + " --device " + ShellQuote(strDevice) + " import " +
                                 ShellQuote(strBackup),
                             &strOut, &strErr);
    EXPECT_EQ(nStatus, 0) << strErr;
    return nStatus == 0 ? strDevice : std::string();
}

std::vector<std::string> CaseNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(RINGTALLY_E2E_CASES)) {
        if (entry.is_directory())
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Replace(std::string strText, const std::string& strFrom, const std::string& strTo)
{
    for (size_t n = strText.find(strFrom); n != std::string::npos; n = strText.find(strFrom, n + strTo.size()))
        strText.replace(n, strFrom.size(), strTo);
    return strText;
}

class E2eCase : public ::testing::TestWithParam<std::string>
{};

// Width and height from a PNG file's header, 0 x 0 when it is none.
std::pair<int, int> PngSize(const std::string& strPath)
{
    std::string strBytes = ReadFile(strPath);
    if (strBytes.size() < 24 || strBytes.compare(1, 3, "PNG") != 0)
        return {0, 0};
    auto word = [&](size_t nAt) {
        int nValue = 0;
        for (size_t i = nAt; i < nAt + 4; ++i)
            nValue = nValue * 256 + static_cast<unsigned char>(strBytes[i]);
        return nValue;
    };
    return {word(16), word(20)};
}

} // namespace

TEST_P(E2eCase, PrintsExactlyWhatIsExpected)
{
    std::filesystem::path dir = std::filesystem::path(RINGTALLY_E2E_CASES) / GetParam();
    auto file = [&](const char* pszName) { return (dir / pszName).string(); };
    auto exists = [&](const char* pszName) { return std::filesystem::exists(dir / pszName); };
    CTempDir work;

    std::string strDevice;
    std::string strDeviceSql;
    if (exists("device.sql")) {
        strDeviceSql = file("device.sql");
    } else if (exists("fixture")) {
        std::string strName = ReadFile(file("fixture"));
        strName.erase(strName.find_last_not_of(" \n") + 1);
        strDeviceSql = (std::filesystem::path(RINGTALLY_E2E_CASES) / ".." / "fixtures" / (strName + ".sql")).string();
    }
    if (!strDeviceSql.empty()) {
        ASSERT_TRUE(std::filesystem::exists(strDeviceSql)) << strDeviceSql;
        strDevice = work.File("device.db");
        ASSERT_EQ(MakeDevice(strDevice, ReadFile(strDeviceSql)), "");
    } else if (exists("iphone")) {
        strDevice = ImportIphoneBackup(dir / "iphone", work);
        ASSERT_FALSE(strDevice.empty());
    }
    std::string strScript = work.File("script");
    WriteFile(strScript, Replace(ReadFile(file("script")), "$TMP", work.Path()));
    std::vector<std::string> environment;
    if (exists("env")) {
        std::istringstream lines(ReadFile(file("env")));
        for (std::string strLine; std::getline(lines, strLine);) {
            if (!strLine.empty())
                environment.push_back(strLine);
        }
    }
    RingtallyRun run = RunRingtally(strScript, strDevice, work.Path(), environment);

    EXPECT_EQ(run.strOutput, Replace(ReadFile(file("expected")), "$TMP", work.Path()));
    EXPECT_EQ(run.strErrors, exists("errors") ? ReadFile(file("errors")) : std::string());
    EXPECT_EQ(run.nStatus, exists("status") ? std::stoi(ReadFile(file("status"))) : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, E2eCase, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string strName = info.param;
                             std::replace(strName.begin(), strName.end(), '-', '_');
                             return strName;
                         });

TEST(Ringtally, AScriptThatCannotBeReadEndsTheRunAtOnce)
{
    CTempDir work;
    RingtallyRun run = RunRingtally(work.File("missing.script"), "", work.Path());
    EXPECT_EQ(run.nStatus, 2);
    EXPECT_EQ(run.strOutput, "");
    EXPECT_EQ(run.strErrors, "error\t0\tcannot read the script " + work.File("missing.script") + "\n");
}

TEST(Ringtally, TheDeviceComesFromTheCommandLineBeforeTheEnvironment)
{
    CTempDir work;
    ASSERT_EQ(MakeDevice(work.File("mine.db"),
                         "INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES "
                         "(ft('2024-02-03 08:05:07'), ft('2024-02-03 08:06:12'), 1, '+4930123456', 'Anna')"),
              "");
    WriteFile(work.File("script"), "dump\n");
    const std::string kRows = "dialog\t102\tRingtallyV2\n"
                              "row\t0\t0\tAnna\t02-03 09:05:07\t+4930123456\n"
                              "closed\t102\t1\n";
    // A device that does not exist is an empty phone, and said so once.
    auto empty = [](const std::string& strPath) {
        return "messagebox\tRingtally\tThe device store cannot be read: " + strPath +
               ": no such file. The phone is empty.\ndialog\t102\tRingtallyV2\nclosed\t102\t1\n";
    };
    struct Case {
        std::string strArguments;
        std::string strExpected;
    };
    // RINGTALLY_DEVICE names a device that does not exist; Qt's own options
    // may stand anywhere.
    const Case kCases[] = {
        {"", empty(work.File("no-device.db"))},
        {"mine.db", kRows},
        {"--device mine.db", kRows},
        {"--device=" + ShellQuote(work.File("mine.db")), kRows},
        {"-style fusion mine.db", kRows},
        {"mine.db -style fusion", kRows},
        {"-- mine.db", kRows},
        {"other.db", empty("other.db")},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.strArguments);
        RingtallyRun run = RunRingtally(work.File("script"), "", work.Path(), {"TZ=Europe/Berlin"}, c.strArguments);
        EXPECT_EQ(run.nStatus, 0) << run.strErrors;
        EXPECT_EQ(run.strOutput, c.strExpected);
    }
}

TEST(Ringtally, HelpAndVersionNeedNoDisplay)
{
    // Without a display the X11 platform cannot start, so these must answer
    // before Qt does.
    const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " + ShellQuote(RINGTALLY_BIN);
    std::string strOut, strErr;
    EXPECT_EQ(RunCommand(kNoDisplay + " --help", &strOut, &strErr), 0) << strErr;
    EXPECT_EQ(strOut.rfind("Usage: ringtally [--device PATH | PATH]", 0), 0u) << strOut;
    EXPECT_NE(strOut.find("--version"), std::string::npos) << strOut;
    EXPECT_EQ(strErr, "");
    EXPECT_EQ(RunCommand(kNoDisplay + " -platform xcb --version", &strOut, &strErr), 0) << strErr;
    EXPECT_EQ(strOut, "ringtally " RINGTALLY_VERSION "\n");
    EXPECT_EQ(strErr, "");
}

TEST(Ringtally, AMistakeOnTheCommandLineOpensNoWindow)
{
    CTempDir work;
    WriteFile(work.File("script"), "dump\n");
    const std::string kCommand = "cd " + ShellQuote(work.Path()) +
                                 " && env QT_QPA_PLATFORM=offscreen RINGTALLY_AUTOMATION=script " +
                                 ShellQuote(RINGTALLY_BIN);
    for (const char* pszArguments : {"--bogus", "a.db b.db", "--device", "-style fusion --no-such-option"}) {
        SCOPED_TRACE(pszArguments);
        std::string strOut, strErr;
        EXPECT_EQ(RunCommand(kCommand + " " + pszArguments, &strOut, &strErr), 2);
        EXPECT_EQ(strOut, "");
        EXPECT_NE(strErr.find("ringtally: "), std::string::npos) << strErr;
        EXPECT_NE(strErr.find("\n\nUsage: ringtally"), std::string::npos) << strErr;
    }
}

TEST(Ringtally, SaysOnceWhenItCannotUseTheScreenSizeItIsGiven)
{
    CTempDir work;
    WriteFile(work.File("script"), "menu Menu About\nexpect 132\nscreenshot about.png\nok\n");
    for (const char* pszScreen : {"big", "20x30", "480x640px"}) {
        RingtallyRun run =
            RunRingtally(work.File("script"), "", work.Path(), {std::string("RINGTALLY_SCREEN=") + pszScreen});
        EXPECT_EQ(run.nStatus, 0) << run.strErrors;
        EXPECT_EQ(run.strWarnings, std::string("ringtally: RINGTALLY_SCREEN=\"") + pszScreen +
                                       "\" is not a screen size; give WIDTHxHEIGHT in pixels, each from 160 to 4096 "
                                       "(such as 480x640)\n")
            << "once, though two windows opened";
        EXPECT_EQ(PngSize(work.File("about.png")), std::make_pair(480, 640)) << "the phone's own size then";
    }
    RingtallyRun run = RunRingtally(work.File("script"), "", work.Path(), {"RINGTALLY_SCREEN=320x480"});
    EXPECT_EQ(run.strWarnings, "");
    EXPECT_EQ(PngSize(work.File("about.png")), std::make_pair(320, 480));
}

TEST(Ringtally, StepTimesNameEveryStepThatRan)
{
    CTempDir work;
    WriteFile(work.File("script"), "# open the about box\n\ncommand 32793\ndump\n");
    RingtallyRun run =
        RunRingtally(work.File("script"), "", work.Path(), {"RINGTALLY_AUTOMATION_TIMES=" + work.File("times")});
    ASSERT_EQ(run.nStatus, 0) << run.strErrors;
    std::istringstream times(ReadFile(work.File("times")));
    std::vector<std::pair<int, std::string>> steps;
    for (std::string strLine; std::getline(times, strLine);) {
        std::istringstream fields(strLine);
        int nLine = -1;
        double dMs = -1;
        std::string strText;
        fields >> nLine >> dMs;
        std::getline(fields >> std::ws, strText);
        EXPECT_GE(dMs, 0.0) << strLine;
        steps.emplace_back(nLine, strText);
    }
    const std::vector<std::pair<int, std::string>> kExpected = {{0, "start"}, {3, "command 32793"}, {4, "dump"}};
    EXPECT_EQ(steps, kExpected);

    RingtallyRun refused = RunRingtally(work.File("script"), "", work.Path(),
                                        {"RINGTALLY_AUTOMATION_TIMES=" + work.File("no/such/folder/times")});
    EXPECT_EQ(refused.nStatus, 2);
    EXPECT_NE(refused.strErrors.find("cannot write the step times"), std::string::npos) << refused.strErrors;
}

// A damaged store shows what can be read of it, and says once, when the
// main window is up, that the figures may be incomplete; a store left by an
// interrupted import shows nothing, and says what to do.
TEST(Ringtally, SaysOnceWhatIsWrongWithTheDevice)
{
    CTempDir work;
    std::string strDamaged = work.File("damaged.db");
    {
        CDeviceStore store;
        ASSERT_EQ(store.Create(strDamaged), DeviceStatus::Ok);
        std::vector<DeviceCall> calls;
        for (int i = 0; i < 3000; ++i)
            calls.push_back(MakeTestCall("Anna", "+4930", 1 + i % 2, UtcTicks(2026, 1, 1) + i * 600 * kTicksPerSecond));
        ASSERT_EQ(store.AddCalls(calls), 0);
    }
    DamageTablePages(strDamaged, "calllog", 2);
    WriteFile(work.File("script"), "menu Menu Summary Total\nexpect 131\nok\nmenu Menu Summary Total\nok\n");

    RingtallyRun run = RunRingtally(work.File("script"), strDamaged, work.Path());
    EXPECT_EQ(run.nStatus, 0) << run.strErrors;
    std::string strBox = "messagebox\tRingtally\tThe device store " + strDamaged + " is damaged (";
    size_t nBox = run.strOutput.find(strBox);
    ASSERT_NE(nBox, std::string::npos) << run.strOutput;
    EXPECT_EQ(run.strOutput.find(strBox, nBox + 1), std::string::npos) << "told twice:\n" << run.strOutput;
    EXPECT_LT(nBox, run.strOutput.find("dialog\t131")) << run.strOutput;
    EXPECT_NE(run.strOutput.find("ringtally-device check"), std::string::npos) << run.strOutput;

    std::string strInterrupted = work.File("interrupted.db");
    {
        CDeviceStore store;
        ASSERT_EQ(store.Create(strInterrupted), DeviceStatus::Ok);
        ASSERT_EQ(store.AddCalls({MakeTestCall("Anna", "+4930", 1, UtcTicks(2026, 1, 1))}), 0);
    }
    LeaveInterruptedWrite(strInterrupted);
    WriteFile(work.File("script"), "dump\n");
    run = RunRingtally(work.File("script"), strInterrupted, work.Path());
    EXPECT_EQ(run.nStatus, 0) << run.strErrors;
    EXPECT_EQ(run.strOutput.rfind("messagebox\tRingtally\tThe device store cannot be read: " + strInterrupted +
                                      ": an import into it was interrupted",
                                  0),
              0u)
        << run.strOutput;
    EXPECT_NE(run.strOutput.find("\ndialog\t102\tRingtallyV2\nclosed\t102\t1\n"), std::string::npos) << run.strOutput;
}

// Another device is opened from the menu, and backups are imported into it by
// the device tool, whose report is shown; the list then shows the device as
// it is, and F5 reads it again.
TEST(Ringtally, OpensAnotherDeviceAndImportsBackupsThroughTheTool)
{
    CTempDir work;
    ASSERT_EQ(MakeDevice(work.File("demo.db"), "CREATE TABLE demo (seed, calls, messages)"), "");
    ASSERT_EQ(MakeDevice(work.File("mine.db"), ""), "");
    std::string strBackup =
        std::filesystem::path(RINGTALLY_E2E_CASES).parent_path().parent_path() / "data" / "calls-older.xml";
    WriteFile(work.File("script"), "choose " + work.File("mine.db") +
                                       "\nmenu Menu \"Open device...\"\ndump\n"
                                       "choose " +
                                       work.File("missing.xml") +
                                       "\nmenu Menu \"Import backup...\"\n"
                                       "choose " +
                                       strBackup +
                                       "\nmenu Menu \"Import backup...\"\ndump\n"
                                       "choose\nmenu Menu \"Open device...\"\ncommand 57664\ndump\n");
    RingtallyRun run = RunRingtally(work.File("script"), work.File("demo.db"), work.Path(), {"TZ=Europe/Berlin"});
    ASSERT_EQ(run.nStatus, 0) << run.strErrors;
    const std::string kRows = "dialog\t102\tRingtallyV2\n"
                              "row\t0\t1\t\t03-01 13:00:00\t\n"
                              "row\t1\t2\tBen Berger\t03-01 12:00:00\t+4930222222\n"
                              "row\t2\t0\tAnna Adler\t03-01 11:00:00\t+4930111111\n";
    std::vector<std::string> output = SplitLines(run.strOutput);
    ASSERT_EQ(output.size(), 16u) << run.strOutput;
    EXPECT_EQ(output[0], "filedialog\tOpen device");
    EXPECT_EQ(output[1], "dialog\t102\tRingtallyV2");
    EXPECT_EQ(output[2], "filedialog\tImport backup");
    EXPECT_EQ(output[3].rfind("messagebox\tImport backup\t", 0), 0u) << output[3];
    EXPECT_NE(output[3].find(work.File("missing.xml")), std::string::npos) << output[3];
    EXPECT_EQ(output[4], "filedialog\tImport backup");
    EXPECT_EQ(output[5].rfind("messagebox\tImport backup\t" + strBackup, 0), 0u) << output[5];
    EXPECT_NE(output[5].find("3 added"), std::string::npos) << output[5];
    EXPECT_EQ(run.strOutput.substr(run.strOutput.find("dialog", run.strOutput.find(output[5]))),
              kRows + "filedialog\tOpen device\n" + kRows + "closed\t102\t1\n");
    CDeviceStore demo;
    ASSERT_EQ(demo.OpenReadOnly(work.File("demo.db")), DeviceStatus::Ok);
    EXPECT_EQ(demo.Database().QueryInt("SELECT count(*) FROM calllog"), 0);
}

// Importing while the demo is shown puts the backups into the user's own
// device, never into the demo, and the window then shows that device.
TEST(Ringtally, ImportingFromTheDemoFillsYourOwnDevice)
{
    CTempDir work;
    std::string strDemo = work.File("data/ringtally/demo.db");
    std::string strOwn = work.File("data/ringtally/device.db");
    std::filesystem::create_directories(work.File("data/ringtally"));
    ASSERT_EQ(MakeDevice(strDemo, "CREATE TABLE demo (seed, calls, messages)"), "");
    std::string strBackup =
        std::filesystem::path(RINGTALLY_E2E_CASES).parent_path().parent_path() / "data" / "calls-older.xml";
    WriteFile(work.File("script"), "choose " + strBackup + "\nmenu Menu \"Import backup...\"\ndump\n");
    RingtallyRun run = RunRingtally(work.File("script"), strDemo, work.Path(),
                                    {"TZ=Europe/Berlin", "XDG_DATA_HOME=" + work.File("data")});
    ASSERT_EQ(run.nStatus, 0) << run.strErrors;
    std::vector<std::string> output = SplitLines(run.strOutput);
    ASSERT_EQ(output.size(), 8u) << run.strOutput;
    EXPECT_EQ(output[0], "messagebox\tImport backup\tThe demo phone takes no real backups. They go into your own "
                         "device, " +
                             strOwn + ", which Ringtally then shows.");
    EXPECT_EQ(output[1], "filedialog\tImport backup");
    EXPECT_EQ(output[2].rfind("messagebox\tImport backup\tCreated a new device store at " + strOwn, 0), 0u)
        << output[2];
    EXPECT_EQ(output[3], "dialog\t102\tRingtallyV2");
    EXPECT_EQ(output[4], "row\t0\t1\t\t03-01 13:00:00\t");
    CDeviceStore demo;
    ASSERT_EQ(demo.OpenReadOnly(strDemo), DeviceStatus::Ok);
    EXPECT_EQ(demo.Database().QueryInt("SELECT count(*) FROM calllog"), 0);
}
