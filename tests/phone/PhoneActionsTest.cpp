#include "phone/PhoneActions.h"
#include "platform/PhoneDialer.h"
#include "platform/Process.h"

#include "tests/support/TestDevice.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestGuards.h"
#include "tests/support/UiTestGuards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Appends one line per launch to LOG: each argument in brackets. A mailto
// launch first sleeps, so that a caller that does not wait would see no line.
std::string TmailRecorder(const std::string& strLog)
{
    return "case \"$1\" in mailto:*) sleep 0.3;; esac\n"
           "line=\n"
           "for a in \"$@\"; do line=\"$line[$a]\"; done\n"
           "printf '%s\\n' \"$line\" >> '" + strLog + "'\n";
}

class SendSmsTest : public testing::Test
{
protected:
    CTempDir m_dir;
    std::string m_strLog = m_dir.File("launches");
    std::string m_strTmail = m_dir.File("tmail");
    CEnvVar m_automation {"RINGTALLY_AUTOMATION", std::nullopt};
    CEnvVar m_tmail {"RINGTALLY_TMAIL", m_strTmail};

    void SetUp() override { WriteScript(m_strTmail, TmailRecorder(m_strLog)); }
};

// The lines of the log once both launches have written theirs, sorted: the
// first process is not waited for, so its line may come second.
std::vector<std::string> BothLaunches(const std::string& strLog)
{
    std::vector<std::string> lines = WaitForLines(strLog, 2);
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& strLine)
{
    return std::find(lines.begin(), lines.end(), strLine) != lines.end();
}

TEST_F(SendSmsTest, LaunchesTheSmsServiceThenTheMailtoAddressAndWaitsForTheSecond)
{
    EXPECT_EQ(SendSms(L"5551234"), 1);
    EXPECT_TRUE(Contains(ReadLines(m_strLog), "[mailto:5551234]")) << "SendSms returned before the second process ended";
    EXPECT_EQ(BothLaunches(m_strLog), (std::vector<std::string> {"[-service][Sms]", "[mailto:5551234]"}));
}

TEST_F(SendSmsTest, EmptyNumberGivesMailtoAlone)
{
    EXPECT_EQ(SendSms(L""), 1);
    EXPECT_EQ(BothLaunches(m_strLog), (std::vector<std::string> {"[-service][Sms]", "[mailto:]"}));
}

TEST_F(SendSmsTest, NumberIsPassedAsStoredAndSplitAsTheCommandLineIs)
{
    EXPECT_EQ(SendSms(L"+49 30 \u00fc$(id)"), 1);
    EXPECT_EQ(BothLaunches(m_strLog),
              (std::vector<std::string> {"[-service][Sms]", "[mailto:+49][30][\xc3\xbc$(id)]"}));
}

TEST_F(SendSmsTest, TheContactsNameGoesBeforeTheMailtoAddress)
{
    struct Case {
        const wchar_t* pszName;
        const char* pszLaunch;
    };
    const Case cases[] = {
        {L"Anna Schmidt", "[-contact][Anna Schmidt][mailto:5551234]"},
        {L"J\u00fcrgen \"Sonny\" W\\", "[-contact][J\xc3\xbcrgen \"Sonny\" W\\][mailto:5551234]"},
        // A caller without a name is known by the number.
        {L"5551234", "[mailto:5551234]"},
        {L"", "[mailto:5551234]"},
        {nullptr, "[mailto:5551234]"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(m_strLog);
        EXPECT_EQ(SendSms(L"5551234", c.pszName), 1);
        EXPECT_TRUE(Contains(BothLaunches(m_strLog), c.pszLaunch)) << c.pszLaunch;
    }

    // The command line holds 259 characters: the name, quoted, fits beside
    // a number of 200 characters and is left out beside a longer one.
    for (size_t nLength : {200u, 201u}) {
        std::filesystem::remove(m_strLog);
        EXPECT_EQ(SendSms(std::wstring(nLength, L'5').c_str(), std::wstring(40, L'n').c_str()), 1);
        std::string strMailto = "[mailto:" + std::string(nLength, '5') + "]";
        EXPECT_TRUE(Contains(BothLaunches(m_strLog),
                             nLength == 200 ? "[-contact][" + std::string(40, 'n') + "]" + strMailto : strMailto))
            << nLength;
    }
}

TEST_F(SendSmsTest, FailedFirstLaunchStopsBeforeTheSecond)
{
    CEnvVar missing("RINGTALLY_TMAIL", m_dir.File("no-such-program"));
    uint64_t nBefore = CreateProcessCalls();
    EXPECT_EQ(SendSms(L"5551234"), 0);
    EXPECT_EQ(CreateProcessCalls() - nBefore, 1u);

    // A file that is there but cannot be run fails the same way.
    std::string strPlain = m_dir.File("not-executable");
    WriteScript(strPlain, "exit 0\n");
    std::filesystem::permissions(strPlain, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    CEnvVar plain("RINGTALLY_TMAIL", strPlain);
    nBefore = CreateProcessCalls();
    EXPECT_EQ(SendSms(L"5551234"), 0);
    EXPECT_EQ(CreateProcessCalls() - nBefore, 1u);
}

TEST_F(SendSmsTest, NumberTooLongForTheCommandLineStartsNothing)
{
    // "mailto:" and 252 characters fill the 260-character buffer with its
    // terminator.
    std::wstring strLongest(252, L'7');
    EXPECT_EQ(SendSms(strLongest.c_str()), 1);
    EXPECT_TRUE(Contains(BothLaunches(m_strLog), "[mailto:" + std::string(252, '7') + "]"));

    std::filesystem::remove(m_strLog);
    uint64_t nBefore = CreateProcessCalls();
    for (size_t nLength : {253u, 254u, 1000u}) {
        std::wstring strTooLong(nLength, L'7');
        EXPECT_EQ(SendSms(strTooLong.c_str()), 0) << nLength;
    }
    EXPECT_EQ(CreateProcessCalls(), nBefore);
    EXPECT_FALSE(std::filesystem::exists(m_strLog));
}

TEST(PhoneActionsAutomation, PrintTheDialAndLaunchLinesAndStartNothing)
{
    CEnvVar automation("RINGTALLY_AUTOMATION", "script.txt");
    // Would fail every launch if anything were really started.
    CEnvVar tmail("RINGTALLY_TMAIL", "/nonexistent/tmail");
    CEnvVar dialer("RINGTALLY_DIALER", "/nonexistent/dialer");
    CStdoutCapture capture;
    EXPECT_EQ(DialNumber(L"5551234"), 0);
    EXPECT_EQ(DialNumber(L""), 0);
    EXPECT_EQ(DialNumber(nullptr), 0);
    EXPECT_EQ(SendSms(L"5551234"), 1);
    EXPECT_EQ(SendSms(L"", L"Anna"), 1);
    EXPECT_EQ(SendSms(std::wstring(253, L'1').c_str()), 0);
    EXPECT_EQ(capture.Text(), "dial\t5551234\n"
                              "dial\t\n"
                              "dial\t\n"
                              "launch\t\\windows\\tmail.exe\t-service \"Sms\"\n"
                              "launch\t\\windows\\tmail.exe\tmailto:5551234\n"
                              "launch\t\\windows\\tmail.exe\t-service \"Sms\"\n"
                              "launch\t\\windows\\tmail.exe\t-contact \"Anna\" mailto:\n");
}

class DialTest : public testing::Test
{
protected:
    CTempDir m_dir;
    std::string m_strLog = m_dir.File("dialled");
    std::string m_strRecorder = m_dir.File("dialer");
    CEnvVar m_automation {"RINGTALLY_AUTOMATION", std::nullopt};

    // Records the argument count, then each argument on a line of its own,
    // and moves the record into place in one step.
    void SetUp() override
    {
        WriteScript(m_strRecorder, "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                                       m_strLog + ".part'\nmv '" + m_strLog + ".part' '" + m_strLog + "'\n");
    }
};

TEST_F(DialTest, DialerGetsTheNumberAsOneArgumentUntouched)
{
    CEnvVar dialer("RINGTALLY_DIALER", m_strRecorder + " --call");
    const std::string strMarker = m_dir.File("injected");
    const std::string strNumber = "+1 (555) 123; touch " + strMarker + " $(touch " + strMarker + ") `touch " +
                                  strMarker + "` \"$HOME\" '*' | & > < \\ #";
    EXPECT_EQ(DialNumber(std::wstring(strNumber.begin(), strNumber.end()).c_str()), 0);
    EXPECT_EQ(WaitForLines(m_strLog, 3), (std::vector<std::string> {"2", "--call", strNumber}));
    EXPECT_FALSE(std::filesystem::exists(strMarker));
}

TEST_F(DialTest, EmptyNumberIsStillOneArgument)
{
    CEnvVar dialer("RINGTALLY_DIALER", m_strRecorder);
    EXPECT_EQ(DialNumber(L""), 0);
    EXPECT_EQ(WaitForLines(m_strLog, 2), (std::vector<std::string> {"1", ""}));
}

TEST_F(DialTest, WithoutADialerTheTelLinkGoesToXdgOpen)
{
    std::filesystem::rename(m_strRecorder, m_dir.File("xdg-open"));
    CEnvVar dialer("RINGTALLY_DIALER", std::nullopt);
    CEnvVar path("PATH", m_dir.Path() + ":/usr/bin:/bin");
    EXPECT_EQ(DialNumber(L"+49 (30) 123#45"), 0);
    EXPECT_EQ(WaitForLines(m_strLog, 2), (std::vector<std::string> {"1", "tel:+49%20(30)%20123%2345"}));
}

TEST(PhoneMakeCall, FailsOnAMalformedRequestOrWithoutADialer)
{
    PHONEMAKECALLINFO info {sizeof(PHONEMAKECALLINFO), PMCF_DEFAULT, nullptr, nullptr, nullptr, nullptr};
    {
        CEnvVar automation("RINGTALLY_AUTOMATION", "script.txt");
        CStdoutCapture capture;
        EXPECT_NE(PhoneMakeCall(nullptr), 0);
        EXPECT_NE(PhoneMakeCall(&info), 0);
        info.pszDestAddress = L"5551234";
        info.cbSize = 24;
        EXPECT_NE(PhoneMakeCall(&info), 0);
        info.cbSize = sizeof(info);
        EXPECT_EQ(PhoneMakeCall(&info), 0);
        EXPECT_EQ(capture.Text(), "dial\t5551234\n");
    }
    CTempDir dir;
    CEnvVar automation("RINGTALLY_AUTOMATION", std::nullopt);
    CEnvVar dialer("RINGTALLY_DIALER", std::nullopt);
    CEnvVar path("PATH", dir.Path());
    EXPECT_NE(PhoneMakeCall(&info), 0);
}

// Message boxes shown while the object lives, as "CAPTION|TEXT".
class CShownBoxes
{
public:
    CShownBoxes()
        : m_hook([this](HWND, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
            m_boxes.push_back(std::wstring(lpCaption) + L"|" + lpText);
            m_uType = uType;
            return IDOK;
        })
    {}
    std::vector<std::wstring> m_boxes;
    UINT m_uType = 0;

private:
    CMessageBoxHookGuard m_hook;
};

TEST_F(DialTest, ADialerThatTakesNoNumberIsToldWithTheNumberToDialByHand)
{
    const std::wstring strTold =
        L"Dial|No program on this computer could dial +49 30 123. Please dial the number by hand.";
    struct Case {
        const char* pszDialer; // nullptr: xdg-open, here a script of this test
        const char* pszScript;
        const wchar_t* pszNumber;
        std::wstring strBox; // empty: none
    };
    const Case cases[] = {
        {"false", nullptr, L"+49 30 123", strTold},
        {"exit 3;", nullptr, L"+49 30 123", strTold},
        {"/nonexistent/dialer", nullptr, L"+49 30 123", strTold},
        {"true", nullptr, L"+49 30 123", L""},
        {nullptr, "echo \"xdg-open: no method available for opening '$1'\" >&2; exit 3\n", L"+49 30 123", strTold},
        {nullptr, "exit 0\n", L"+49 30 123", L""},
        {"false", nullptr, L"", L"Dial|This call has no number to dial."},
    };
    CEnvVar path("PATH", m_dir.Path() + ":/usr/bin:/bin");
    for (const Case& c : cases) {
        CEnvVar dialer("RINGTALLY_DIALER", c.pszDialer ? std::optional<std::string>(c.pszDialer) : std::nullopt);
        if (c.pszScript)
            WriteScript(m_dir.File("xdg-open"), c.pszScript);
        CShownBoxes shown;
        EXPECT_EQ(DialNumber(c.pszNumber), c.strBox.empty() ? 0 : -1) << (c.pszDialer ? c.pszDialer : c.pszScript);
        EXPECT_EQ(shown.m_boxes, c.strBox.empty() ? std::vector<std::wstring>() : std::vector<std::wstring> {c.strBox})
            << (c.pszDialer ? c.pszDialer : c.pszScript);
        if (!c.strBox.empty()) {
            EXPECT_EQ(shown.m_uType, MB_ICONWARNING);
        }
    }
}

TEST_F(DialTest, ADialerStillBusyAfterTwoSecondsHasTakenTheNumber)
{
    CEnvVar dialer("RINGTALLY_DIALER", "sleep 4; false");
    CShownBoxes shown;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DialNumber(L"5551234"), 0);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(shown.m_boxes.empty());
    EXPECT_GE(elapsed, std::chrono::milliseconds(1900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3500)) << "the dialler is not waited for to the end";
}

} // namespace
