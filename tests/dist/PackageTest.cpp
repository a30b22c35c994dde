#include "tests/support/TestFiles.h"
#include "tests/support/TestShell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The package is made once for all the tests below, by cpack from this build,
// and unpacked with dpkg-deb into a scratch folder instead of the system.
namespace {

class PackageTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pDir = std::make_unique<CTempDir>();
        std::string strOut, strErr;
        if (RunCommand(ShellQuote(RINGTALLY_CPACK) + " -G DEB --config " + ShellQuote(RINGTALLY_CPACK_CONFIG) + " -B " +
                           ShellQuote(s_pDir->File("made")),
                       &strOut, &strErr) != 0) {
            s_strFailure = "cpack failed:\n" + strOut + strErr;
            return;
        }
        for (const auto& entry : std::filesystem::directory_iterator(s_pDir->File("made"))) {
            if (entry.path().extension() == ".deb")
                s_strPackage = entry.path().string();
        }
        if (s_strPackage.empty()) {
            s_strFailure = "cpack made no .deb:\n" + strOut;
            return;
        }
        if (RunCommand("dpkg-deb -x " + ShellQuote(s_strPackage) + " " + ShellQuote(s_pDir->File("root")), &strOut,
                       &strErr) != 0)
            s_strFailure = "dpkg-deb -x failed:\n" + strErr;
    }
    static void TearDownTestSuite() { s_pDir.reset(); }

    void SetUp() override { ASSERT_EQ(s_strFailure, ""); }

    // A path under the unpacked /usr.
    static std::string Installed(const std::string& strPath) { return s_pDir->File("root/usr/" + strPath); }

    static inline std::unique_ptr<CTempDir> s_pDir;
    static inline std::string s_strPackage;
    static inline std::string s_strFailure;
};

const char* const kPrograms[] = {"ringtally", "ringtally-device", "ringtally-tmail"};

// Width and height from a PNG's header; 0 x 0 when it is no PNG.
std::pair<unsigned, unsigned> PngSize(const std::string& strPath)
{
    std::string strBytes = ReadFile(strPath);
    if (strBytes.size() < 24 || strBytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        strBytes.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto number = [&](size_t nAt) {
        unsigned nValue = 0;
        for (size_t i = nAt; i < nAt + 4; ++i)
            nValue = nValue << 8 | static_cast<unsigned char>(strBytes[i]);
        return nValue;
    };
    return {number(16), number(20)};
}


} // namespace

TEST_F(PackageTest, HoldsTheProgramsTheirPagesAndTheDesktopFiles)
{
    std::vector<std::string> files = {"share/applications/ringtally.desktop",
                                      "share/metainfo/org.ringtally.Ringtally.metainfo.xml",
                                      "share/icons/hicolor/scalable/apps/ringtally.svg"};
    // ringtally-tmail beside ringtally, where Send SMS looks for it first.
    for (const char* pszProgram : kPrograms) {
        files.push_back(std::string("bin/") + pszProgram);
        files.push_back(std::string("share/man/man1/") + pszProgram + ".1");
    }
    for (const std::string& strFile : files)
        EXPECT_TRUE(std::filesystem::is_regular_file(Installed(strFile))) << strFile;
    for (unsigned nSize : {16u, 22u, 24u, 32u, 48u, 64u, 128u, 256u}) {
        std::string strIcon =
            "share/icons/hicolor/" + std::to_string(nSize) + "x" + std::to_string(nSize) + "/apps/ringtally.png";
        EXPECT_EQ(PngSize(Installed(strIcon)), std::make_pair(nSize, nSize)) << strIcon;
    }

    std::string strControl;
    ASSERT_EQ(RunCommand("dpkg-deb -f " + ShellQuote(s_strPackage) + " Package Version Depends", &strControl), 0);
    EXPECT_NE(strControl.find("Package: ringtally\n"), std::string::npos) << strControl;
    EXPECT_NE(strControl.find("Version: " RINGTALLY_VERSION "\n"), std::string::npos) << strControl;
    // Found by dpkg-shlibdeps in the programs, not listed by hand.
    for (const char* pszLibrary : {"libqt6widgets6", "libqt6svg6", "libsqlite3-0", "libexpat1", "libc6"})
        EXPECT_NE(strControl.find(pszLibrary), std::string::npos) << pszLibrary << " in " << strControl;
}

TEST_F(PackageTest, ProgramsRunFromWhereTheyAreInstalled)
{
    for (const char* pszProgram : kPrograms) {
        std::string strOut;
        EXPECT_EQ(RunCommand(ShellQuote(Installed(std::string("bin/") + pszProgram)) + " --version", &strOut), 0);
        EXPECT_EQ(strOut, std::string(pszProgram) + " " RINGTALLY_VERSION "\n");
    }

    CTempDir work;
    std::string strDevice = work.File("demo.db");
    std::string strOut, strErr;
    ASSERT_EQ(RunCommand(ShellQuote(Installed("bin/ringtally-device")) + " --device " + ShellQuote(strDevice) +
                             " demo --calls 25 --messages 10",
                         &strOut, &strErr),
              0)
        << strErr;
    WriteFile(work.File("script"), "dump\nselect 0\nmenu Analyse \"Call Log\"\nexpect 129\n");
    int nStatus = RunCommand("env QT_QPA_PLATFORM=offscreen RINGTALLY_AUTOMATION=" + ShellQuote(work.File("script")) +
                                 " " + ShellQuote(Installed("bin/ringtally")) + " " + ShellQuote(strDevice),
                             &strOut, &strErr);
    EXPECT_EQ(nStatus, 0) << strErr;
    std::vector<std::string> lines = SplitLines(strOut);
    ASSERT_EQ(lines.size(), 1u + 25u + 2u) << strOut;
    EXPECT_EQ(lines.front(), "dialog\t102\tRingtallyV2");
    for (size_t i = 1; i <= 25; ++i)
        EXPECT_EQ(lines[i].rfind("row\t" + std::to_string(i - 1) + "\t", 0), 0u) << lines[i];
    EXPECT_EQ(lines[26], "closed\t129\t2");
    EXPECT_EQ(lines[27], "closed\t102\t1");
}

TEST_F(PackageTest, DesktopEntryMetadataAndManPagesPassTheirValidators)
{
    struct Check {
        std::string strCommand;
        // desktop-file-validate and groff print warnings but exit with 0.
        bool bSilent;
    };
    std::vector<Check> checks = {
        {"desktop-file-validate " + ShellQuote(Installed("share/applications/ringtally.desktop")), true},
        // The whole tree: the metadata, and the desktop entry it names. A
        // warning fails it.
        {"appstreamcli validate-tree --no-net " + ShellQuote(s_pDir->File("root")), false},
    };
    for (const char* pszProgram : kPrograms)
        checks.push_back(
            {"groff -man -ww -z " + ShellQuote(Installed(std::string("share/man/man1/") + pszProgram + ".1")), true});
    for (const Check& check : checks) {
        std::string strOut, strErr;
        EXPECT_EQ(RunCommand(check.strCommand, &strOut, &strErr), 0) << check.strCommand << "\n" << strOut << strErr;
        if (check.bSilent) {
            EXPECT_EQ(strOut + strErr, "") << check.strCommand;
        }
    }
}
