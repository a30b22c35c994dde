#include "tests/e2e/E2eSupport.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
namespace {

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

TEST(Ringtally, TakesQtOptionsAndNothingOfItsOwn)
{
    CTempDir work;
    WriteFile(work.File("script"), "dump\n");
    RingtallyRun run = RunRingtally(work.File("script"), "", work.Path(), {}, "-style fusion");
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(run.strOutput, "dialog\t102\tRingtallyV2\nclosed\t102\t1\n");
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
    std::string strBytes = ReadFile(strDamaged);
    for (size_t i = strBytes.size() / 2; i < strBytes.size() / 2 + 2 * 4096; ++i)
        strBytes[i] = static_cast<char>(0xA5);
    WriteFile(strDamaged, strBytes);
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
