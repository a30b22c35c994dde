#include "tools/ComposeWnd.h"

#include "tests/support/TestShell.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>

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

// Takes the place of the desktop's handler for sms: links.
class CSmsHandler : public QObject
{
    Q_OBJECT
public:
    CSmsHandler() { QDesktopServices::setUrlHandler(QStringLiteral("sms"), this, "Open"); }
    ~CSmsHandler() override { QDesktopServices::unsetUrlHandler(QStringLiteral("sms")); }
    QList<QUrl> m_urls;

public slots:
    void Open(const QUrl& url) { m_urls.append(url); }
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
    CSmsHandler handler;
    CComposeWnd wnd(QStringLiteral("5551234"));
    wnd.show();
    EXPECT_EQ(wnd.ToEdit()->text(), QStringLiteral("5551234"));
    EXPECT_TRUE(wnd.SendButton()->isEnabled());
    QSignalSpy accepted(&wnd, &QDialog::accepted);
    QTest::keyClicks(wnd.BodyEdit(), QStringLiteral("On my way & late"));
    QTest::mouseClick(wnd.SendButton(), Qt::LeftButton);
    ASSERT_EQ(handler.m_urls.size(), 1);
    EXPECT_EQ(handler.m_urls[0].toEncoded().toStdString(), "sms:5551234?body=On%20my%20way%20%26%20late");
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_EQ(wnd.result(), QDialog::Accepted);
}

TEST(ComposeWnd, CancelSendsNothing)
{
    CSmsHandler handler;
    CComposeWnd wnd(QStringLiteral("5551234"));
    wnd.show();
    QTest::keyClicks(wnd.BodyEdit(), QStringLiteral("never mind"));
    QTest::mouseClick(wnd.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(handler.m_urls.isEmpty());
    EXPECT_EQ(wnd.result(), QDialog::Rejected);
}

TEST(ComposeWnd, SendNeedsANumber)
{
    CSmsHandler handler;
    CComposeWnd wnd {QString()};
    wnd.show();
    EXPECT_FALSE(wnd.SendButton()->isEnabled());
    QTest::keyClicks(wnd.ToEdit(), QStringLiteral("   "));
    EXPECT_FALSE(wnd.SendButton()->isEnabled());
    wnd.ToEdit()->clear();
    QTest::keyClicks(wnd.ToEdit(), QStringLiteral(" 555 1234 "));
    ASSERT_TRUE(wnd.SendButton()->isEnabled());
    QTest::mouseClick(wnd.SendButton(), Qt::LeftButton);
    ASSERT_EQ(handler.m_urls.size(), 1);
    EXPECT_EQ(handler.m_urls[0].toEncoded().toStdString(), "sms:555%201234?body=");
}

} // namespace

#include "TmailTest.moc"
