#include "platform/PlatformTime.h"
#include "tests/support/TestDevice.h"
#include "tests/support/UiTestGuards.h"
#include "tests/ui/ProbeDlg.h"
#include "ui/Automation.h"
#include "ui/Controls.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// The main window's template and menu with a few rows.
std::unique_ptr<CProbeDlg> MainProbe()
{
    auto pDlg = std::make_unique<CProbeDlg>(102, 139, 1001);
    pDlg->m_onInit = [](CProbeDlg& d) {
        d.m_list.InsertColumn(0, L"Name", LVCFMT_CENTER, 100);
        d.m_list.InsertColumn(1, L"Time", LVCFMT_CENTER, 100);
        d.m_list.InsertColumn(2, L"Hidden", LVCFMT_CENTER, 0);
        d.m_list.InsertItem(0, L"Anna Schmidt", 0);
        d.m_list.SetItemText(0, 1, L"02-03 09:05:07");
        d.m_list.SetItemText(0, 2, L"+4930123456");
        d.m_list.InsertItem(1, L"", 7);
        d.m_list.InsertItem(2, L"tab\tless", -1);
        d.m_list.SetItemText(2, 2, L"x");
    };
    return pDlg;
}

struct ScriptResult {
    std::string strOutput;
    std::string strErrors;
    int nExit;
    std::vector<std::string> events;
};

ScriptResult RunMain(const std::string& strScript)
{
    CAutomationSession session(strScript);
    auto pDlg = MainProbe();
    pDlg->DoModal();
    int nExit = session.Finish();
    return ScriptResult {session.Output(), session.Errors(), nExit, pDlg->m_events};
}

} // namespace

TEST(Automation, DumpPrintsTheControlsInTemplateOrder)
{
    ScriptResult run = RunMain("dump\n");
    EXPECT_EQ(run.strOutput, "dialog\t102\tRingtallyV2\n"
                             "row\t0\t0\tAnna Schmidt\t02-03 09:05:07\t+4930123456\n"
                             "row\t1\t7\t\t\t\n"
                             "row\t2\t-1\ttab less\t\tx\n"
                             "closed\t102\t1\n");
    EXPECT_EQ(run.nExit, 0);

    CFixedClock clock(SYSTEMTIME {2025, 6, 0, 15, 10, 20, 30, 0});
    CAutomationSession session("date 1013 2024-02-29\ndump\n");
    CProbeDlg picker(154);
    SYSTEMTIME end {};
    session.AddAction([&](CDialog& d) { static_cast<CDateTimeCtrl*>(d.GetDlgItem(1013))->GetTime(&end); });
    picker.DoModal();
    EXPECT_EQ(session.Output(), "dialog\t154\tChoose Time\n"
                                "date\t1010\t2025-06-15\n"
                                "date\t1013\t2024-02-29\n"
                                "closed\t154\t1\n");
    EXPECT_EQ(end.wHour, 10) << "the date step keeps the time of day";
    EXPECT_EQ(end.wMinute, 20);

    CAutomationSession about("dump\n");
    CProbeDlg box(132);
    box.m_onInit = [](CProbeDlg& d) {
        static_cast<CListBox*>(d.GetDlgItem(1006))->AddString(L"b");
        static_cast<CListBox*>(d.GetDlgItem(1006))->AddString(L"A");
    };
    box.DoModal();
    EXPECT_EQ(about.Output(), "dialog\t132\tABOUT\nitem\t0\tA\nitem\t1\tb\nclosed\t132\t1\n");
}

TEST(Automation, ScriptsSkipBlankLinesAndCommentsAndQuoteWords)
{
    ScriptResult run = RunMain("\n# choose from the left soft key\n   \n  menu Analyse \"Call Log\"\n"
                      "menu Menu Summary \"By Time\"\n\tselect 2 0\n");
    EXPECT_EQ(run.strErrors, "");
    EXPECT_EQ(run.events, std::vector<std::string>({"first", "second", "OnOK"}));
    EXPECT_EQ(run.strOutput, "closed\t102\t1\n");
}

TEST(Automation, SelectChoosesExactlyTheRowsGiven)
{
    CAutomationSession session("select 2 0\n");
    auto pDlg = MainProbe();
    std::vector<int> selected;
    session.AddAction([&](CDialog&) {
        for (int n = pDlg->m_list.GetNextItem(-1, LVNI_SELECTED); n != -1; n = pDlg->m_list.GetNextItem(n, LVNI_SELECTED))
            selected.push_back(n);
    });
    session.AddScript("select\n");
    session.AddAction([&](CDialog&) { selected.push_back(pDlg->m_list.GetNextItem(-1, LVNI_SELECTED)); });
    pDlg->DoModal();
    EXPECT_EQ(selected, std::vector<int>({0, 2, -1}));
}

TEST(Automation, MenuStepsChooseEntriesByTheirCaptions)
{
    EXPECT_EQ(RunMain("menu Menu Exit\n").events, std::vector<std::string>({"exit", "OnOK"}));
    CAutomationSession session("menu Dial\n");
    CProbeDlg detail(130, 140);
    detail.DoModal();
    EXPECT_EQ(detail.m_events, std::vector<std::string>({"first", "OnOK"})) << "a soft key that is a command";
    EXPECT_EQ(session.Output(), "closed\t130\t1\n") << "the only dialog open ends as the main window";
}

TEST(Automation, AStepThatCannotBeDoneEndsTheRun)
{
    struct Case {
        std::string strStep;
        std::string strError;
    };
    CTempDir dir;
    const Case cases[] = {
        {"expect 129", "the active dialog is 102, not 129"},
        {"expect", "expect takes one dialog template id"},
        {"select 3", "no such row 3"},
        {"select 1 x", "\"x\" is not a number"},
        {"command 4242", "the active dialog has no command 4242"},
        {"command -1", "\"-1\" is not a number"},
        {"menu Menu", "\"Menu\" opens a menu: choose one of its items"},
        {"menu Nope", "no soft key \"Nope\""},
        {"menu Menu Summary", "\"Summary\" opens a menu: choose one of its items"},
        {"menu Analyse \"Call Log\" More", "\"Call Log\" is a command and has no menu"},
        {"menu Analyse Missing", "no item \"Missing\" in \"Analyse\""},
        {"menu Menu Dial", "the active dialog has no command 32787"},
        {"menu \"Analyse", "a quoted word has no closing quote"},
        {"date 1010 2024-01-01", "no date-time picker 1010"},
        {"ok now", "ok takes nothing"},
        {"dump all", "dump takes nothing"},
        {"screenshot " + dir.File("missing/main.png"), "cannot write " + dir.File("missing/main.png")},
        {"wave", "unknown step \"wave\""},
    };
    for (const Case& c : cases) {
        ScriptResult run = RunMain("# line 1\n" + c.strStep + "\nok\n");
        EXPECT_EQ(run.strErrors, "error\t2\t" + c.strError + "\n") << c.strStep;
        EXPECT_EQ(run.strOutput, "closed\t102\t2\n") << c.strStep;
        EXPECT_EQ(run.nExit, 2) << c.strStep;
        EXPECT_TRUE(run.events.empty()) << c.strStep << ": no step after the error runs";
    }
}

TEST(Automation, DatesMustBeDatesThePickerCanHold)
{
    for (const char* pszDate : {"2024-13-01", "2023-02-29", "24-01-01", "2024-1-01", "1600-12-31"}) {
        CAutomationSession session(std::string("date 1010 ") + pszDate + "\n");
        CProbeDlg dlg(154);
        dlg.DoModal();
        EXPECT_EQ(session.Errors(), std::string("error\t1\t\"") + pszDate +
                                        "\" is not a date YYYY-MM-DD the picker can hold\n");
        EXPECT_EQ(session.Finish(), 2);
    }
}

TEST(Automation, TheScriptsEndCancelsFromTheTopAndOksTheMainWindow)
{
    CAutomationSession session("menu Analyse \"Call Log\"\nexpect 129\n");
    auto pDlg = MainProbe();
    INT_PTR nInner = 0, nInnermost = 0;
    pDlg->m_onFirst = [&](CProbeDlg&) {
        CProbeDlg inner(129);
        inner.m_onInit = [&](CProbeDlg&) {
            CProbeDlg innermost(154);
            nInnermost = innermost.DoModal();
        };
        nInner = inner.DoModal();
    };
    pDlg->DoModal();
    // The script ends inside the time dialog, opened while the summary
    // initialised: both are cancelled, the main window gets ok.
    EXPECT_EQ(session.Errors(), "error\t2\tthe active dialog is 154, not 129\n");
    EXPECT_EQ(session.Output(), "closed\t154\t2\nclosed\t129\t2\nclosed\t102\t2\n");
    EXPECT_EQ(nInnermost, IDCANCEL);
    EXPECT_EQ(nInner, IDCANCEL);

    CAutomationSession clean("menu Analyse \"Call Log\"\nexpect 129\n");
    auto pMain = MainProbe();
    pMain->m_onFirst = [&](CProbeDlg&) { CProbeDlg(129).DoModal(); };
    pMain->DoModal();
    EXPECT_EQ(clean.Output(), "closed\t129\t2\nclosed\t102\t1\n");
    EXPECT_EQ(clean.Finish(), 0);
}

TEST(Automation, StepsLeftWhenTheMainWindowHasEndedAreAnError)
{
    ScriptResult run = RunMain("ok\n\ndump\n");
    EXPECT_EQ(run.strOutput, "closed\t102\t1\n");
    EXPECT_EQ(run.strErrors, "error\t3\tno dialog is open\n");
    EXPECT_EQ(run.nExit, 2);
}

TEST(Automation, ScreenshotSavesTheWholeScreen)
{
    CTempDir dir;
    std::string strFile = dir.File("main window.png");
    ScriptResult run = RunMain("screenshot \"" + strFile + "\"\n");
    EXPECT_EQ(run.strErrors, "");
    QImage picture(QString::fromStdString(strFile));
    EXPECT_EQ(picture.size(), QSize(480, 640));
}
