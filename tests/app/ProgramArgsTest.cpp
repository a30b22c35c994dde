#include "app/ProgramArgs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Action = ProgramArgs::Action;

// What a FILE received, read back from the start.
std::string Contents(FILE* pFile)
{
    std::string strText;
    std::rewind(pFile);
    for (int c; (c = std::fgetc(pFile)) != EOF;)
        strText += static_cast<char>(c);
    return strText;
}

} // namespace

TEST(ProgramArgs, DeviceIsAnOptionOrTheOneArgument)
{
    struct Case {
        std::vector<std::string> args;
        std::string strDevice;
    };
    const Case kCases[] = {
        {{}, ""},
        {{"mine.db"}, "mine.db"},
        {{"--device", "mine.db"}, "mine.db"},
        {{"--device=mine.db"}, "mine.db"},
        {{"--device", "-odd.db"}, "-odd.db"},
        {{"--device=--help"}, "--help"},
        {{"--", "-odd.db"}, "-odd.db"},
        {{"--", "--"}, "--"},
        {{"-"}, "-"},
        {{"a folder/with blanks.db"}, "a folder/with blanks.db"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ProgramArgs parsed = ParseProgramArgs(c.args);
        EXPECT_EQ(parsed.action, Action::Run) << parsed.strError;
        EXPECT_EQ(parsed.strDevice, c.strDevice);
    }
}

TEST(ProgramArgs, HelpAndVersionWinUntilDoubleDash)
{
    struct Case {
        std::vector<std::string> args;
        Action action;
    };
    const Case kCases[] = {
        {{"--help"}, Action::Help},
        {{"-h"}, Action::Help},
        {{"--version"}, Action::Version},
        {{"mine.db", "--version"}, Action::Version},
        // Before Qt has taken its options, and after a mistake, help is still help.
        {{"-platform", "offscreen", "--help"}, Action::Help},
        {{"--bogus", "--help"}, Action::Help},
        {{"a.db", "b.db", "--version"}, Action::Version},
        {{"--version", "--help"}, Action::Version},
        {{"--device", "--help"}, Action::Help},
        {{"--", "--help"}, Action::Run},
        {{"--", "--version"}, Action::Run},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(ParseProgramArgs(c.args).action, c.action);
    }
}

TEST(ProgramArgs, MistakesAreNamed)
{
    struct Case {
        std::vector<std::string> args;
        std::string strError;
    };
    const Case kCases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"mine.db", "-x"}, "unknown option -x"},
        {{"--device"}, "--device needs a path"},
        {{"--device="}, "--device needs a path"},
        {{"--device", ""}, "the device path is empty"},
        {{""}, "the device path is empty"},
        {{"a.db", "b.db"}, "more than one device: a.db and b.db"},
        {{"--device", "a.db", "b.db"}, "more than one device: a.db and b.db"},
        {{"a.db", "--device=b.db"}, "more than one device: a.db and b.db"},
        {{"a.db", "--", "b.db"}, "more than one device: a.db and b.db"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ProgramArgs parsed = ParseProgramArgs(c.args);
        EXPECT_EQ(parsed.action, Action::UsageError);
        EXPECT_EQ(parsed.strError, c.strError);
    }
}

TEST(ProgramArgs, AnswersGoToTheirStreamWithTheirStatus)
{
    struct Case {
        std::vector<std::string> args;
        int nStatus;
        std::string strOutStart;
        std::string strErrStart;
    };
    const Case kCases[] = {
        {{"--help"}, 0, "Usage: ringtally [--device PATH | PATH]", ""},
        {{"--version"}, 0, "ringtally " RINGTALLY_VERSION "\n", ""},
        {{"--bogus"}, 2, "", "ringtally: unknown option --bogus\n\nUsage: ringtally [--device PATH | PATH]"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        FILE* pOut = std::tmpfile();
        FILE* pErr = std::tmpfile();
        ASSERT_TRUE(pOut && pErr);
        EXPECT_EQ(PrintProgramAnswer(ParseProgramArgs(c.args), pOut, pErr), c.nStatus);
        std::string strOut = Contents(pOut);
        std::string strErr = Contents(pErr);
        std::fclose(pOut);
        std::fclose(pErr);
        // Each starts as expected, and a stream with nothing expected stays empty.
        EXPECT_EQ(strOut.rfind(c.strOutStart, 0), 0u) << strOut;
        EXPECT_EQ(strErr.rfind(c.strErrStart, 0), 0u) << strErr;
        EXPECT_EQ(strOut.empty(), c.strOutStart.empty()) << strOut;
        EXPECT_EQ(strErr.empty(), c.strErrStart.empty()) << strErr;
    }
}
