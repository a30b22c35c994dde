#include "ui/ScreenSize.h"

#include "tests/support/UiTestGuards.h"
#include "tests/ui/ProbeDlg.h"
#include "ui/Automation.h"
#include "ui/DialogObservers.h"
#include "ui/Widgets.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

// Runs dialogs as a user would, without a script: the program then reads and
// keeps the remembered size and fits the screen. Each dialog runs the test's
// function once it waits, and is then ended.
class CUnscriptedRun : public CDialogObserver
{
public:
    explicit CUnscriptedRun(std::function<void(CDialog&)> onWaiting)
        : m_onWaiting(std::move(onWaiting))
    {
        RegisterDialogObserver(this);
    }
    ~CUnscriptedRun() override { UnregisterDialogObserver(this); }

    void OnDialogWaiting(CDialog& dlg) override
    {
        if (m_onWaiting)
            m_onWaiting(dlg);
        dlg.EndDialog(IDOK);
    }

private:
    std::function<void(CDialog&)> m_onWaiting;
};

struct Opened {
    QSize size;
    QRect frame; // with the window system's frame
};

// How the main window opens in a run without a script, with the given action
// done to it before it ends.
Opened OpenMain(const std::function<void(CDialog&)>& action = nullptr)
{
    Opened opened;
    CUnscriptedRun run([&](CDialog& dlg) {
        opened.size = dlg.GetFrameWindow()->size();
        opened.frame = dlg.GetFrameWindow()->frameGeometry();
        if (action)
            action(dlg);
    });
    CProbeDlg dlg(102);
    dlg.DoModal();
    return opened;
}

QSize OpenedSize(const std::function<void(CDialog&)>& action = nullptr)
{
    return OpenMain(action).size;
}

QRect AvailableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The largest a window of that size can be with its frame on the screen.
QSize Fitted(QSize size)
{
    Opened any = OpenMain();
    return size.boundedTo(AvailableArea().size() - (any.frame.size() - any.size));
}

} // namespace

TEST(ScreenSize, OnlyWidthTimesHeightWithinTheBoundsIsASize)
{
    struct Case {
        const char* pszValue;
        std::optional<QSize> size;
    };
    const Case cases[] = {
        {"480x640", QSize(480, 640)},
        {"160x4096", QSize(160, 4096)},
        {"4096x160", QSize(4096, 160)},
        {"159x640", std::nullopt},
        {"480x4097", std::nullopt},
        {"big", std::nullopt},
        {"480X640", std::nullopt},
        {"480x", std::nullopt},
        {"x640", std::nullopt},
        {"480x640x2", std::nullopt},
        {" 480x640", std::nullopt},
        {"480x640 ", std::nullopt},
        {"+480x640", std::nullopt},
        {"-480x640", std::nullopt},
        {"480.5x640", std::nullopt},
        {"", std::nullopt},
        {"99999999999x640", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseScreenSize(c.pszValue), c.size) << c.pszValue;
    EXPECT_EQ(UnusableScreenSizeMessage("big"), "ringtally: RINGTALLY_SCREEN=\"big\" is not a screen size; give "
                                                "WIDTHxHEIGHT in pixels, each from 160 to 4096 (such as 480x640)");
}

TEST(ScreenSize, AWindowIsFittedIntoTheAreaAndMovedOntoIt)
{
    struct SizeCase {
        QSize size, area, fitted;
    };
    for (SizeCase c : {SizeCase {{480, 640}, {1280, 1024}, {480, 640}}, SizeCase {{480, 640}, {640, 487}, {480, 487}},
                       SizeCase {{900, 300}, {640, 487}, {640, 300}}, SizeCase {{480, 640}, {100, 120}, {160, 160}}})
        EXPECT_EQ(FitSizeInto(c.size, c.area), c.fitted) << c.area.width() << "x" << c.area.height();

    const QRect area(0, 30, 640, 480);
    struct MoveCase {
        QRect rect, moved;
    };
    for (MoveCase c :
         {MoveCase {{10, 40, 200, 100}, {10, 40, 200, 100}}, MoveCase {{500, 400, 200, 200}, {440, 310, 200, 200}},
          MoveCase {{-50, 0, 200, 100}, {0, 30, 200, 100}},
          // Too large for the area: the top-left corner stays on it.
          MoveCase {{100, 100, 700, 600}, {0, 30, 700, 600}}})
        EXPECT_EQ(MoveRectInto(c.rect, area), c.moved) << c.rect.x() << "," << c.rect.y();
}

TEST(ScreenSize, TheMainWindowNeverOpensLargerThanTheScreen)
{
    // In the small screen run of these tests the area is that of a 1280 x
    // 1024 screen at twice the size, 640 x 512, lower than the phone.
    const QRect available = AvailableArea();
    CRememberedSize none(std::nullopt);
    struct Case {
        const char* pszScreen;
        std::optional<QSize> remembered;
        QSize wanted;
    };
    for (const Case& c :
         {Case {nullptr, std::nullopt, QSize(480, 640)}, Case {"4000x4000", std::nullopt, QSize(4000, 4000)},
          Case {nullptr, QSize(3000, 200), QSize(3000, 200)}}) {
        CEnvVar screen("RINGTALLY_SCREEN", c.pszScreen ? std::optional<std::string>(c.pszScreen) : std::nullopt);
        CRememberedSize remembered(c.remembered);
        Opened opened = OpenMain();
        EXPECT_EQ(opened.size, Fitted(c.wanted)) << (c.pszScreen ? c.pszScreen : "remembered");
        EXPECT_TRUE(available.contains(opened.frame)) << "the soft keys at the bottom stay on the screen";
    }

    // A scripted run shows the phone at its size on every screen.
    CAutomationSession session;
    CProbeDlg dlg(102);
    QSize scripted;
    session.AddAction([&](CDialog& d) { scripted = d.GetFrameWindow()->size(); });
    dlg.DoModal();
    EXPECT_EQ(scripted, QSize(480, 640));
}

TEST(ScreenSize, TheSizeTheUserGivesTheMainWindowIsRememberedForTheNextRun)
{
    CEnvVar screen("RINGTALLY_SCREEN", std::nullopt);
    CRememberedSize none(std::nullopt);
    EXPECT_EQ(OpenedSize([](CDialog& dlg) { dlg.GetFrameWindow()->resize(300, 400); }), Fitted(QSize(480, 640)));
    EXPECT_EQ(RememberedScreenSize(), QSize(300, 400));
    EXPECT_EQ(OpenedSize(), QSize(300, 400));
    EXPECT_EQ(RememberedScreenSize(), QSize(300, 400)) << "a window left as it opened changes nothing";

    // Neither a size given for one run nor a scripted run changes it, and a
    // scripted run does not use it.
    {
        CEnvVar given("RINGTALLY_SCREEN", "320x480");
        EXPECT_EQ(OpenedSize([](CDialog& dlg) { dlg.GetFrameWindow()->resize(250, 250); }), QSize(320, 480));
    }
    {
        CAutomationSession session;
        CProbeDlg dlg(102);
        QSize scripted;
        session.AddAction([&](CDialog& d) {
            scripted = d.GetFrameWindow()->size();
            d.GetFrameWindow()->resize(200, 200);
        });
        dlg.DoModal();
        EXPECT_EQ(scripted, QSize(480, 640));
    }
    EXPECT_EQ(RememberedScreenSize(), QSize(300, 400));

    // A remembered value that is no usable size counts as none.
    CRememberedSize broken(std::nullopt);
    QSettings().setValue("window/size", "huge");
    EXPECT_EQ(RememberedScreenSize(), std::nullopt);
    EXPECT_EQ(OpenedSize(), Fitted(QSize(480, 640)));
}
