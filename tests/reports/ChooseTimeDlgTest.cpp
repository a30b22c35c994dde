#include "calllog/CallFigures.h"
#include "reports/ChooseTimeDlg.h"
#include "tests/reports/ReportsTestSupport.h"
#include "tests/support/TestDevice.h"
#include "ui/Automation.h"
#include "ui/CommandBar.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/UiObjects.h"
#include "ui/Widgets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TimeRun {
    INT_PTR nResult;
    TimeRange range;
    std::string strOutput;
    int nExit;
};

TimeRun RunChooseTime(const std::string& strScript)
{
    CAutomationSession session(strScript);
    CChooseTimeDlg dlg;
    TimeRun run {};
    run.nResult = dlg.DoModal();
    run.range = dlg.m_range;
    run.strOutput = session.Output();
    run.nExit = session.Finish();
    return run;
}

const char kReversedMessage[] = "messagebox\tError\tStart time must greater than End time!\n";

} // namespace

TEST(ChooseTimeDlg, LayoutFollowsTheHeightOfAAndTheClientWidth)
{
    struct Case {
        const char* pszScreen;
        int nMeasured; // < 0: the measurement fails
        int x, w, h;
        int tops[4];
    };
    const Case cases[] = {
        {"240x320", 14, 12, 192, 17, {10, 30, 64, 84}},
        {"240x320", -1, 12, 192, 17, {10, 30, 64, 84}},
        // 1.2 x 23 and 0.05 x 330 are truncated, not rounded.
        {"330x480", 20, 16, 264, 23, {10, 37, 83, 110}},
        {"480x640", 13, 24, 384, 16, {10, 29, 61, 80}},
    };
    const int ids[] = {IDC_START_TIME_LABEL, IDC_START_TIME, IDC_END_TIME_LABEL, IDC_END_TIME};
    for (const Case& c : cases) {
        CScreenSize screen(c.pszScreen);
        CFixedTextHeight height(c.nMeasured);
        CAutomationSession session;
        CChooseTimeDlg dlg;
        RECT rcClient {};
        std::vector<Geometry> places;
        session.AddAction([&](CDialog& d) {
            d.GetClientRect(&rcClient);
            for (int nId : ids)
                places.push_back(GeometryOf(d.GetDlgItem(nId)));
        });
        dlg.DoModal();
        SCOPED_TRACE(std::string(c.pszScreen) + " measured " + std::to_string(c.nMeasured));
        ASSERT_EQ(places.size(), 4u);
        EXPECT_EQ(rcClient.right, std::stoi(c.pszScreen));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(places[i], (Geometry {c.x, c.tops[i], c.w, c.h})) << "control " << ids[i];
    }
}

TEST(ChooseTimeDlg, LabelsGetLargerFontsAndWhiteTextOnDarkBlue)
{
    CFixedTextHeight height(14);
    CAutomationSession session;
    CChooseTimeDlg dlg;
    LONG nStartFont = 0, nEndFont = 0;
    HFONT hPickerFont = reinterpret_cast<HFONT>(1);
    std::vector<COLORREF> colours;
    COLORREF crOtherText = 0, crOtherBk = 0;
    session.AddAction([&](CDialog& d) {
        nStartFont = FontHeightOf(d.GetDlgItem(IDC_START_TIME_LABEL));
        nEndFont = FontHeightOf(d.GetDlgItem(IDC_END_TIME_LABEL));
        hPickerFont = d.GetDlgItem(IDC_START_TIME)->GetFont();
        for (int nId : {IDC_START_TIME_LABEL, IDC_END_TIME_LABEL}) {
            auto* pLabel = static_cast<CStaticWidget*>(d.GetDlgItem(nId)->m_hWnd);
            pLabel->grab();
            colours.insert(colours.end(), {pLabel->m_crText, pLabel->m_crBk, pLabel->m_crBrush});
        }
        // A control of another kind keeps the colours the base dialog gives.
        DeviceContext dc;
        CDC cdc(&dc);
        CWnd* pDialog = &d;
        HBRUSH hBrush = pDialog->OnCtlColor(&cdc, d.GetDlgItem(IDC_START_TIME), CTLCOLOR_STATIC + 1);
        EXPECT_EQ(hBrush, DialogBackgroundBrush());
        crOtherText = dc.crText;
        crOtherBk = dc.crBk;
    });
    dlg.DoModal();
    EXPECT_EQ(nStartFont, 14 + 2);
    EXPECT_EQ(nEndFont, 14 + 1);
    EXPECT_EQ(hPickerFont, nullptr) << "the pickers keep the dialog font";
    const COLORREF white = RGB(255, 255, 255), band = RGB(0, 0, 64);
    EXPECT_EQ(colours, std::vector<COLORREF>({white, band, DialogBackgroundBrush()->crColor, white, band,
                                              DialogBackgroundBrush()->crColor}));
    EXPECT_EQ(crOtherText, RGB(0, 0, 0));
    EXPECT_EQ(crOtherBk, RGB(255, 255, 255));
}

TEST(ChooseTimeDlg, EveryOpeningStartsBothPickersAtToday)
{
    {
        CFixedClock clock(2024, 3, 31, 10, 20, 30);
        TimeRun run = RunChooseTime("date 1010 2023-01-02\ndate 1013 2023-01-05\ndump\nok\n");
        EXPECT_EQ(run.nResult, IDOK);
    }
    CFixedClock clock(2024, 4, 1, 8, 0, 0);
    TimeRun run = RunChooseTime("expect 154\ndump\ncancel\n");
    EXPECT_EQ(run.strOutput,
              "dialog\t154\tChoose Time\ndate\t1010\t2024-04-01\ndate\t1013\t2024-04-01\nclosed\t154\t2\n");
    EXPECT_EQ(run.nExit, 0);
}

TEST(ChooseTimeDlg, AcceptGivesWholeDaysFromEitherOk)
{
    // The end bound keeps the milliseconds of the time the picker was set to.
    CFixedClock clock(2024, 3, 31, 10, 20, 30, 456);
    for (const char* pszAccept : {"command 32803", "ok"}) {
        SCOPED_TRACE(pszAccept);
        TimeRun run = RunChooseTime(std::string("date 1010 2024-03-05\ndate 1013 2024-03-07\n") + pszAccept + "\n");
        EXPECT_EQ(run.nResult, IDOK);
        EXPECT_EQ(Ticks(run.range.start), LocalTicks(2024, 3, 5));
        EXPECT_EQ(Ticks(run.range.end), LocalTicks(2024, 3, 7, 23, 59, 59, 456));
        EXPECT_EQ(run.strOutput, "closed\t154\t1\n");
    }
    // One day: from its first moment to 23:59:59 of the same day.
    TimeRun run = RunChooseTime("date 1010 2024-02-29\ndate 1013 2024-02-29\ncommand 32803\n");
    EXPECT_EQ(run.nResult, IDOK);
    EXPECT_EQ(Ticks(run.range.start), LocalTicks(2024, 2, 29));
    EXPECT_EQ(Ticks(run.range.end), LocalTicks(2024, 2, 29, 23, 59, 59, 456));
}

TEST(ChooseTimeDlg, CancelEndsWithIdCancel)
{
    for (const char* pszCancel : {"command 32805", "cancel"}) {
        TimeRun run = RunChooseTime(std::string(pszCancel) + "\n");
        EXPECT_EQ(run.nResult, IDCANCEL) << pszCancel;
        EXPECT_EQ(run.strOutput, "closed\t154\t2\n") << pszCancel;
    }
}

TEST(ChooseTimeDlg, AReversedRangeIsReportedAndTheDialogStaysOpen)
{
    CFixedClock clock(2024, 3, 31, 12, 0, 0);
    TimeRun run = RunChooseTime("date 1010 2024-03-08\ndate 1013 2024-03-07\ncommand 32803\n"
                                "ok\n"
                                "expect 154\ndump\n"
                                "date 1010 2024-03-07\ncommand 32803\n");
    EXPECT_EQ(run.nResult, IDOK);
    EXPECT_EQ(run.strOutput, std::string(kReversedMessage) + kReversedMessage +
                                 "dialog\t154\tChoose Time\ndate\t1010\t2024-03-08\ndate\t1013\t2024-03-07\n"
                                 "closed\t154\t1\n");
    EXPECT_EQ(Ticks(run.range.start), LocalTicks(2024, 3, 7));
    EXPECT_EQ(Ticks(run.range.end), LocalTicks(2024, 3, 7, 23, 59, 59));
    EXPECT_EQ(run.nExit, 0);

    // The message is an error box with the caption "Error".
    std::vector<UINT> types;
    std::vector<std::wstring> captions;
    SetMessageBoxHook([&](HWND, LPCWSTR, LPCWSTR pszCaption, UINT uType) {
        types.push_back(uType);
        captions.push_back(pszCaption);
        return IDOK;
    });
    TimeRun cancelled = RunChooseTime("date 1010 2024-04-01\ncommand 32803\ncommand 32805\n");
    SetMessageBoxHook({});
    EXPECT_EQ(cancelled.nResult, IDCANCEL);
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0] & 0xF0, MB_ICONERROR);
    EXPECT_EQ(captions[0], L"Error");
}

TEST(ChooseTimeDlg, WithoutItsMenuTheDialogOpensAsTheTemplateLeftIt)
{
    CFixedClock clock(2024, 3, 31, 12, 0, 0);
    SetMenuResourceMissing(IDR_CHOOSE_TIME_MENU, true);
    CFixedTextHeight height(14);
    CAutomationSession session;
    CChooseTimeDlg dlg;
    Geometry label {}, picker {};
    LONG nLabelFont = -1;
    const MenuTemplate* pMenu = nullptr;
    session.AddAction([&](CDialog& d) {
        label = GeometryOf(d.GetDlgItem(IDC_START_TIME_LABEL));
        picker = GeometryOf(d.GetDlgItem(IDC_END_TIME));
        nLabelFont = FontHeightOf(d.GetDlgItem(IDC_START_TIME_LABEL));
        pMenu = d.GetSoftKeyMenu();
    });
    session.AddScript("dump\nok\n");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    SetMenuResourceMissing(IDR_CHOOSE_TIME_MENU, false);
    EXPECT_EQ(pMenu, nullptr);
    EXPECT_NE(label.y, 10) << "the label was not moved";
    EXPECT_GT(picker.y, label.y);
    EXPECT_EQ(nLabelFont, 0) << "the label keeps the dialog font";
    // The pickers still hold a date of their own.
    EXPECT_NE(session.Output().find("date\t1010\t2024-03-31\n"), std::string::npos) << session.Output();
}

// The range holds local wall-clock days: on the days the clocks change, the
// day still runs from local midnight to 23:59:59, 23 or 25 hours long.
TEST(ChooseTimeDlg, RangeOnADaylightSavingDayHoldsTheLocalDay)
{
    struct Call {
        int iom;
        int64_t nStartUtc;
        int nSeconds;
        bool bInRange;
    };
    struct Case {
        const char* pszDate;
        std::vector<Call> calls;
    };
    // Berlin: clocks go forward at 01:00 UTC on 2024-03-31 and back at
    // 01:00 UTC on 2024-10-27.
    CTimeZone zone("Europe/Berlin");
    const Case cases[] = {
        {"2024-03-31",
         {
             {1, UtcTicks(2024, 3, 30, 23, 0, 0), 61, true},    // 00:00:00 CET, the first moment
             {1, UtcTicks(2024, 3, 30, 22, 59, 55), 30, false}, // began the day before
             {0, UtcTicks(2024, 3, 31, 0, 59, 59), 0, true},    // 01:59:59 CET
             {2, UtcTicks(2024, 3, 31, 1, 0, 0), 120, true},    // 03:00:00 CEST
             {2, UtcTicks(2024, 3, 31, 21, 59, 50), 9, true},   // ends 23:59:59 CEST
             {1, UtcTicks(2024, 3, 31, 21, 59, 50), 30, false}, // ends after midnight
         }},
        {"2024-10-27",
         {
             {1, UtcTicks(2024, 10, 26, 22, 0, 0), 10, true},   // 00:00:00 CEST
             {1, UtcTicks(2024, 10, 27, 0, 30, 0), 60, true},   // 02:30 CEST
             {2, UtcTicks(2024, 10, 27, 1, 30, 0), 120, true},  // 02:30 CET, the hour again
             {0, UtcTicks(2024, 10, 27, 22, 59, 0), 0, true},   // 23:59 CET
             {1, UtcTicks(2024, 10, 27, 23, 0, 0), 60, false},  // 00:00 CET the next day
             {0, UtcTicks(2024, 10, 26, 21, 59, 59), 0, false}, // 23:59:59 CEST the day before
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszDate);
        CTestDevice device;
        std::vector<DeviceCall> calls;
        CallFigures expected;
        for (const Call& call : c.calls) {
            DeviceCall row;
            row.nIom = call.iom;
            row.nStartTime = call.nStartUtc;
            row.nEndTime = call.nStartUtc + call.nSeconds * kTicksPerSecond;
            row.strNumber = "5551234";
            calls.push_back(row);
            if (!call.bInRange)
                continue;
            if (call.iom == 1)
                expected.nIncomingSeconds += call.nSeconds;
            else if (call.iom == 2)
                expected.nOutgoingSeconds += call.nSeconds;
            else
                ++expected.nMissed;
        }
        ASSERT_EQ(device.Store().AddCalls(calls), 0);

        CFixedClock clock(2024, 1, 15, 9, 0, 0);
        TimeRun run = RunChooseTime(std::string("date 1010 ") + c.pszDate + "\ndate 1013 " + c.pszDate +
                                    "\ncommand 32803\n");
        ASSERT_EQ(run.nResult, IDOK);
        EXPECT_EQ(Ticks(run.range.end) - Ticks(run.range.start), (86400 - 1) * 10000000ULL);

        CCallLog callLog;
        CallFigures figures;
        GetTotalCallFiguresInRange(callLog, run.range, &figures);
        EXPECT_EQ(figures.nIncomingSeconds, expected.nIncomingSeconds);
        EXPECT_EQ(figures.nOutgoingSeconds, expected.nOutgoingSeconds);
        EXPECT_EQ(figures.nMissed, expected.nMissed);
    }
}
