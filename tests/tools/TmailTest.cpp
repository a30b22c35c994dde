#include "tools/ComposeWnd.h"

#include "tests/support/TestFiles.h"
#include "tests/support/TestGuards.h"
#include "tests/support/TestShell.h"
#include "tools/TmailCommandLine.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kTmail = RINGTALLY_TMAIL_PROGRAM;

TEST(TmailTool, SmsServiceEndsAtOnceWithoutADisplay)
{
    // The first launch must never need a window system.
    for (const char* pszArgs : {"-service Sms", "-service \"Sms\"", "-service sms"}) {
        std::string strOut, strErr;
        EXPECT_EQ(RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " + kTmail + " " + pszArgs,
                             &strOut, &strErr),
                  0)
            << pszArgs << ": " << strErr;
        EXPECT_EQ(strOut + strErr, "") << pszArgs;
    }
}

TEST(TmailTool, HelpAndUsageErrors)
{
    std::string strOut, strErr;
    EXPECT_EQ(RunCommand(kTmail + " --help", &strOut, &strErr), 0);
    EXPECT_EQ(strOut.rfind("Usage: ringtally-tmail", 0), 0u) << strOut;
    EXPECT_EQ(strErr, "");

    struct Case {
        const char* pszArgs;
        const char* pszError;
    };
    const Case cases[] = {
        {"--bogus", "ringtally-tmail: unknown argument --bogus (see ringtally-tmail --help)\n"},
        {"-service", "ringtally-tmail: -service needs a service name (see ringtally-tmail --help)\n"},
        {"-contact", "ringtally-tmail: -contact needs a name (see ringtally-tmail --help)\n"},
        {"-service Email",
         "ringtally-tmail: unknown service Email; only Sms is available (see ringtally-tmail --help)\n"},
        {"5551234", "ringtally-tmail: unknown argument 5551234 (see ringtally-tmail --help)\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunCommand(kTmail + " " + c.pszArgs, &strOut, &strErr), 2) << c.pszArgs;
        EXPECT_EQ(strOut, "") << c.pszArgs;
        EXPECT_EQ(strErr, c.pszError) << c.pszArgs;
    }
}

// Takes the place of the desktop's opener of links (xdg-open on PATH): it
// writes the link it gets to a file and ends with the given status.
class CDesktopOpener
{
public:
    explicit CDesktopOpener(int nStatus)
        : m_path("PATH", m_dir.Path() + ":/usr/bin:/bin")
    {
        WriteScript(m_dir.File("xdg-open"),
                    "printf '%s\\n' \"$@\" >> '" + m_dir.File("opened") + "'\nexit " + std::to_string(nStatus) + "\n");
    }
    std::vector<std::string> Opened() const { return ReadLines(m_dir.File("opened")); }

private:
    CTempDir m_dir;
    CEnvVar m_path;
};

TEST(ComposeWnd, SmsUrlPercentEncodesNumberAndBody)
{
    struct Case {
        const char* pszNumber;
        const char* pszBody;
        const char* pszUrl;
    };
    const Case cases[] = {
        {"5551234", "", "sms:5551234?body="},
        {"+4930123456", "Hi", "sms:+4930123456?body=Hi"},
        {"+49 30 123", "See you at 8 & bring #2?", "sms:+49%2030%20123?body=See%20you%20at%208%20%26%20bring%20%232%3F"},
        {"555", "a+b=c%\nline 2", "sms:555?body=a%2Bb%3Dc%25%0Aline%202"},
        {"555?body=x", "\xc3\xbc \xf0\x9f\x98\x80", "sms:555%3Fbody%3Dx?body=%C3%BC%20%F0%9F%98%80"},
    };
    for (const Case& c : cases) {
        QUrl url = CComposeWnd::SmsUrl(QString::fromUtf8(c.pszNumber), QString::fromUtf8(c.pszBody));
        EXPECT_TRUE(url.isValid()) << c.pszUrl;
        EXPECT_EQ(url.toEncoded().toStdString(), c.pszUrl);
    }
}

TEST(ComposeWnd, SendHandsTheMessageToTheSmsHandler)
{
    CDesktopOpener opener(0);
    CComposeWnd wnd(QStringLiteral("5551234"));
    wnd.show();
    EXPECT_EQ(wnd.ToEdit()->text(), QStringLiteral("5551234"));
    EXPECT_TRUE(wnd.SendButton()->isEnabled());
    QSignalSpy accepted(&wnd, &QDialog::accepted);
    QTest::keyClicks(wnd.BodyEdit(), QStringLiteral("On my way & late"));
    QTest::mouseClick(wnd.SendButton(), Qt::LeftButton);
    EXPECT_EQ(opener.Opened(), std::vector<std::string> {"sms:5551234?body=On%20my%20way%20%26%20late"});
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_EQ(wnd.result(), QDialog::Accepted);
}

TEST(ComposeWnd, WithoutAHandlerTheWindowStaysWithItsTextUntilTheUserGivesUp)
{
    CDesktopOpener opener(3);
    CComposeWnd wnd(QStringLiteral("5551234"));
    wnd.show();
    QSignalSpy accepted(&wnd, &QDialog::accepted);
    QTest::keyClicks(wnd.BodyEdit(), QStringLiteral("See you at 8"));
    QTest::mouseClick(wnd.SendButton(), Qt::LeftButton);
    EXPECT_EQ(opener.Opened().size(), 1u);
    EXPECT_EQ(accepted.count(), 0);
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(wnd.BodyEdit()->toPlainText(), QStringLiteral("See you at 8"));
    EXPECT_TRUE(wnd.SendButton()->isEnabled()) << "the user may try again";
    ASSERT_NE(wnd.Warning(), nullptr);
    EXPECT_TRUE(wnd.Warning()->isVisible());
    EXPECT_TRUE(wnd.Warning()->text().contains(QStringLiteral("no program on this computer handles text messages")));

    // Trying again asks the desktop again and warns in the same box.
    wnd.Warning()->accept();
    QTest::mouseClick(wnd.SendButton(), Qt::LeftButton);
    EXPECT_EQ(opener.Opened().size(), 2u);
    EXPECT_EQ(wnd.findChildren<QMessageBox*>().size(), 1);
    EXPECT_TRUE(wnd.Warning()->isVisible());
    wnd.Warning()->accept();
    QTest::mouseClick(wnd.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(wnd.result(), QDialog::Rejected) << "giving up is the only way out that is not success";
}

TEST(ComposeWnd, CancelSendsNothing)
{
    CDesktopOpener opener(0);
    CComposeWnd wnd(QStringLiteral("5551234"));
    wnd.show();
    QTest::keyClicks(wnd.BodyEdit(), QStringLiteral("never mind"));
    QTest::mouseClick(wnd.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(opener.Opened().empty());
    EXPECT_EQ(wnd.result(), QDialog::Rejected);
}

TEST(ComposeWnd, SendNeedsANumber)
{
    CDesktopOpener opener(0);
    CComposeWnd wnd {QString()};
    wnd.show();
    EXPECT_FALSE(wnd.SendButton()->isEnabled());
    QTest::keyClicks(wnd.ToEdit(), QStringLiteral("   "));
    EXPECT_FALSE(wnd.SendButton()->isEnabled());
    wnd.ToEdit()->clear();
    QTest::keyClicks(wnd.ToEdit(), QStringLiteral(" 555 1234 "));
    ASSERT_TRUE(wnd.SendButton()->isEnabled());
    QTest::mouseClick(wnd.SendButton(), Qt::LeftButton);
    EXPECT_EQ(opener.Opened(), std::vector<std::string> {"sms:555%201234?body="});
}

TEST(ComposeWnd, TheContactsNameStandsBesideItsNumber)
{
    CComposeWnd wnd(QStringLiteral("5551234"), QStringLiteral("Anna <b>Schmidt</b>"));
    wnd.show();
    EXPECT_TRUE(wnd.ContactLabel()->isVisible());
    EXPECT_EQ(wnd.ContactLabel()->text(), QStringLiteral("Anna <b>Schmidt</b>"));
    EXPECT_EQ(wnd.ContactLabel()->textFormat(), Qt::PlainText);
    // Another number is not the contact's.
    QTest::keyClick(wnd.ToEdit(), Qt::Key_Backspace);
    EXPECT_FALSE(wnd.ContactLabel()->isVisible());
    QTest::keyClicks(wnd.ToEdit(), QStringLiteral("4"));
    EXPECT_TRUE(wnd.ContactLabel()->isVisible());

    CComposeWnd nameless(QStringLiteral("5551234"));
    nameless.show();
    EXPECT_FALSE(nameless.ContactLabel()->isVisible());
}

TEST(TmailCommandLine, TakesTheServiceTheContactAndTheMailtoAddress)
{
    using Action = TmailCommandLine::Action;
    struct Case {
        std::vector<std::string> args;
        Action action;
        const char* pszNumber;
        const char* pszContact;
    };
    const Case cases[] = {
        {{}, Action::Compose, "", ""},
        {{"-service", "Sms"}, Action::Done, "", ""},
        {{"mailto:5551234"}, Action::Compose, "5551234", ""},
        {{"-contact", "Anna Schmidt", "mailto:5551234"}, Action::Compose, "5551234", "Anna Schmidt"},
        {{"-service", "sms", "-contact", "", "MAILTO:+49", "30", "123"}, Action::Compose, "+49 30 123", ""},
        {{"mailto:555", "-contact", "x"}, Action::Compose, "555 -contact x", ""},
        {{"-contact", "Anna"}, Action::Done, "", "Anna"},
        {{"-h"}, Action::Help, "", ""},
        {{"mailto:1", "--help"}, Action::Compose, "1 --help", ""},
    };
    for (const Case& c : cases) {
        TmailCommandLine command = ParseTmailCommandLine(c.args);
        EXPECT_EQ(command.action, c.action) << testing::PrintToString(c.args);
        EXPECT_EQ(command.strNumber, c.pszNumber) << testing::PrintToString(c.args);
        EXPECT_EQ(command.strContact, c.pszContact) << testing::PrintToString(c.args);
    }
}

} // namespace
