#include "calllog/CallFigures.h"
#include "platform/MapiStore.h"
#include "platform/PhoneCallLog.h"
#include "reports/TotalSummeryDlg.h"
#include "tests/reports/ReportsTestSupport.h"
#include "tests/support/TestDevice.h"
#include "ui/Automation.h"
#include "ui/CommandBar.h"
#include "ui/ImageList.h"
#include "ui/UiObjects.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class CTestTotalDlg : public CTotalSummeryDlg
{
public:
    using CTotalSummeryDlg::m_imageList;
    using CTotalSummeryDlg::m_list;
};

struct TotalRun {
    std::string strOutput;
    uint64_t nCallRowsRead;
    MapiReadCounts sms;
};

// Runs the report in the given mode with the script, dumping it once it shows.
TotalRun RunTotals(BOOL bByTime, const std::string& strScript = "dump\n")
{
    CAutomationSession session(strScript);
    auto pDlg = std::make_unique<CTotalSummeryDlg>();
    pDlg->m_bByTime = bByTime;
    uint64_t nRowsBefore = PhoneCallLogRowsRead();
    MapiReadCounts before = MapiStoreReadCounts();
    pDlg->DoModal();
    MapiReadCounts after = MapiStoreReadCounts();
    TotalRun run {session.Output(), PhoneCallLogRowsRead() - nRowsBefore, {}};
    run.sms.nFoldersOpened = after.nFoldersOpened - before.nFoldersOpened;
    run.sms.nMessagesOpened = after.nMessagesOpened - before.nMessagesOpened;
    EXPECT_EQ(session.Finish(), 0) << session.Errors();
    return run;
}

std::string Lines(const std::vector<std::string>& texts)
{
    std::string strLines = "dialog\t131\tStat.\n";
    for (size_t i = 0; i < texts.size(); ++i)
        strLines += "row\t" + std::to_string(i) + "\t" + std::to_string(i) + "\t" + texts[i] + "\n";
    return strLines;
}

DeviceCall Call(int iom, int64_t nStartUtc, int nSeconds)
{
    DeviceCall call;
    call.nIom = iom;
    call.nStartTime = nStartUtc;
    call.nEndTime = nStartUtc + nSeconds * kTicksPerSecond;
    call.strNumber = "5551234";
    return call;
}

DeviceMessage Message(int64_t nFolder, int64_t nDeliveryUtc)
{
    DeviceMessage message;
    message.nFolderId = nFolder;
    message.nDeliveryTime = nDeliveryUtc;
    message.strSenderName = "Anna";
    return message;
}

} // namespace

TEST(TotalSummeryDlg, ListFillsTheClientAreaWithOneColumnAndFiveIconLines)
{
    CScreenSize screen("240x320");
    CFixedTextHeight height(14);
    CTestDevice device;
    CAutomationSession session;
    CTestTotalDlg dlg;
    RECT rcClient {}, rcList {};
    Geometry list {};
    int nColumns = 0, nWidth = 0, nImages = 0;
    DWORD dwStyle = 0;
    LONG nFont = 0;
    std::vector<QImage> images;
    session.AddAction([&](CDialog& d) {
        d.GetClientRect(&rcClient);
        dlg.m_list.GetClientRect(&rcList);
        list = GeometryOf(&dlg.m_list);
        nColumns = dlg.m_list.GetColumnCount();
        nWidth = dlg.m_list.GetColumnWidth(0);
        dwStyle = dlg.m_list.GetExtendedStyle();
        nFont = FontHeightOf(&dlg.m_list);
        nImages = dlg.m_imageList.GetImageCount();
        for (const QPixmap& image : ImageListFromHandle(dlg.m_imageList.GetSafeHandle())->images)
            images.push_back(image.toImage());
    });
    session.AddScript("dump\ncommand 32801\n");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(list, (Geometry {0, 0, 240, rcClient.bottom}));
    EXPECT_EQ(nColumns, 1);
    EXPECT_EQ(nWidth, rcList.right) << "the column fills the list inside its border";
    EXPECT_EQ(dwStyle & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(nFont, 14 + 2);
    ASSERT_EQ(nImages, 5);
    const UINT icons[] = {IDI_INCOMING_CALL, IDI_OUTGOING_CALL, IDI_MISSED_CALL, IDI_SMS_RECEIVED, IDI_SMS_SENT};
    for (int i = 0; i < 5; ++i) {
        QImage expected = LoadIconW(nullptr, MAKEINTRESOURCEW(icons[i]))->Pixmap(32, 32).toImage();
        EXPECT_EQ(images[i], expected) << "image " << i << " is icon " << icons[i];
    }
    // An empty phone: both talk times in seconds, every count 0.
    EXPECT_EQ(session.Output(), Lines({"0 secs in call", "0 secs out call", "0 missed call", "0 in sms", "0 out sms"}) +
                                    "closed\t131\t1\n");
}

TEST(TotalSummeryDlg, EachModeReadsTheLogOnceAndCountsMessagesCheaply)
{
    CTestDevice device;
    std::vector<DeviceCall> calls;
    for (int i = 0; i < 40; ++i)
        calls.push_back(Call(i % 4, UtcTicks(2024, 3, 1 + i / 4, 10, i), 61 + i));
    ASSERT_EQ(device.Store().AddCalls(calls), 0);
    ASSERT_EQ(device.Store().AddMessages({Message(device.Inbox(), UtcTicks(2024, 3, 2, 9)),
                                          Message(device.Inbox(), UtcTicks(2024, 3, 5, 9)),
                                          Message(device.Inbox(), UtcTicks(2024, 3, 20, 9)),
                                          Message(device.Sent(), UtcTicks(2024, 3, 5, 9))}),
              0);
    CCallLog callLog;
    CallFigures figures;
    GetTotalCallFigures(callLog, &figures);
    uint64_t nBefore = PhoneCallLogRowsRead();
    GetTotalCallFigures(callLog, &figures);
    const uint64_t nOnePass = PhoneCallLogRowsRead() - nBefore;

    TotalRun whole = RunTotals(FALSE);
    EXPECT_EQ(whole.strOutput, Lines({"13 mins 20 secs in call", "13 mins 30 secs out call", "20 missed call",
                                      "3 in sms", "1 out sms"}) +
                                   "closed\t131\t1\n");
    EXPECT_EQ(whole.nCallRowsRead, nOnePass);
    EXPECT_EQ(whole.sms.nMessagesOpened, 0u) << "whole folders are counted by their rows";

    CFixedClock clock(2024, 3, 10, 12, 0, 0);
    TotalRun byTime = RunTotals(TRUE, "date 1010 2024-03-02\ndate 1013 2024-03-05\nok\ndump\n");
    // Days 2 to 5 hold calls 4 to 19: 4 of each direction.
    EXPECT_EQ(byTime.strOutput, "closed\t154\t1\n" +
                                    Lines({"4 mins 48 secs in call", "4 mins 52 secs out call", "8 missed call",
                                           "2 in sms", "1 out sms"}) +
                                    "closed\t131\t1\n");
    EXPECT_EQ(byTime.nCallRowsRead, nOnePass);
    EXPECT_EQ(byTime.sms.nFoldersOpened, 2u);
    EXPECT_EQ(byTime.sms.nMessagesOpened, 4u) << "each message is read once";
}

TEST(TotalSummeryDlg, EveryOpeningCountsAfresh)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({Call(1, UtcTicks(2024, 3, 1, 10), 30)}), 0);
    EXPECT_EQ(RunTotals(FALSE).strOutput,
              Lines({"30 secs in call", "0 secs out call", "0 missed call", "0 in sms", "0 out sms"}) +
                  "closed\t131\t1\n");

    ASSERT_EQ(device.Store().AddCalls({Call(1, UtcTicks(2024, 3, 2, 10), 45), Call(7, UtcTicks(2024, 3, 3, 10), 5)}),
              0);
    ASSERT_EQ(device.Store().AddMessages({Message(device.Sent(), UtcTicks(2024, 3, 2, 9))}), 0);
    EXPECT_EQ(RunTotals(FALSE).strOutput,
              Lines({"1 mins 15 secs in call", "0 secs out call", "1 missed call", "0 in sms", "1 out sms"}) +
                  "closed\t131\t1\n");
}

TEST(TotalSummeryDlg, ByTimeAsksForTheRangeUnderTheNormalCursor)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({Call(2, UtcTicks(2024, 3, 1, 10), 30)}), 0);
    CFixedClock clock(2024, 3, 1, 12, 0, 0);
    for (const char* pszAnswer : {"cancel", "ok"}) {
        SCOPED_TRACE(pszAnswer);
        CAutomationSession session;
        CTestTotalDlg dlg;
        dlg.m_bByTime = TRUE;
        bool bBusyWhileChoosing = true, bBusyAfter = true;
        int nColumns = 0;
        session.AddAction([&](CDialog& d) {
            EXPECT_EQ(d.GetTemplateId(), IDD_CHOOSE_TIME);
            bBusyWhileChoosing = QGuiApplication::overrideCursor() != nullptr;
        });
        session.AddScript(std::string(pszAnswer) + "\n");
        session.AddAction([&](CDialog& d) {
            EXPECT_EQ(d.GetTemplateId(), IDD_TOTAL_SUMMERY);
            bBusyAfter = QGuiApplication::overrideCursor() != nullptr;
            nColumns = dlg.m_list.GetColumnCount();
        });
        session.AddScript("dump\nok\n");
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_FALSE(bBusyWhileChoosing);
        EXPECT_FALSE(bBusyAfter);
        EXPECT_EQ(nColumns, 1) << "the list is set up before the range is asked for";
        if (std::string(pszAnswer) == "cancel") {
            EXPECT_EQ(session.Output(), "closed\t154\t2\ndialog\t131\tStat.\nclosed\t131\t1\n");
        } else {
            EXPECT_EQ(session.Output(), "closed\t154\t1\n" +
                                            Lines({"0 secs in call", "30 secs out call", "0 missed call", "0 in sms",
                                                   "0 out sms"}) +
                                            "closed\t131\t1\n");
        }
    }
}

// The message store session lives as long as the dialog object: it is the
// one opened when the object was made, while every call count opens the log
// anew.
TEST(TotalSummeryDlg, MessagesComeFromTheSessionOpenedWithTheDialog)
{
    auto pFirst = std::make_unique<CTestDevice>();
    ASSERT_EQ(pFirst->Store().AddMessages({Message(pFirst->Inbox(), UtcTicks(2024, 3, 2, 9)),
                                           Message(pFirst->Inbox(), UtcTicks(2024, 3, 3, 9))}),
              0);
    CAutomationSession session("dump\nok\n");
    auto pDlg = std::make_unique<CTotalSummeryDlg>();
    CTestDevice second;
    ASSERT_EQ(second.Store().AddCalls({Call(0, UtcTicks(2024, 3, 1, 10), 0)}), 0);
    pDlg->DoModal();
    EXPECT_EQ(session.Output(), Lines({"0 secs in call", "0 secs out call", "1 missed call", "2 in sms", "0 out sms"}) +
                                    "closed\t131\t1\n");
}

TEST(TotalSummeryDlg, WithoutItsMenuNothingIsSetUpOrCounted)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({Call(1, UtcTicks(2024, 3, 1, 10), 30)}), 0);
    SetMenuResourceMissing(IDR_TOTAL_SUMMERY_MENU, true);
    for (BOOL bByTime : {FALSE, TRUE}) {
        CAutomationSession session;
        CTestTotalDlg dlg;
        dlg.m_bByTime = bByTime;
        int nColumns = -1, nImages = -1;
        session.AddAction([&](CDialog&) {
            nColumns = dlg.m_list.GetColumnCount();
            nImages = dlg.m_imageList.GetImageCount();
        });
        session.AddScript("dump\nok\n");
        uint64_t nBefore = PhoneCallLogRowsRead();
        dlg.DoModal();
        EXPECT_EQ(PhoneCallLogRowsRead(), nBefore) << bByTime;
        EXPECT_EQ(nColumns, 0) << bByTime;
        EXPECT_EQ(nImages, 0) << bByTime;
        // No time range dialog, no lines.
        EXPECT_EQ(session.Output(), "dialog\t131\tStat.\nclosed\t131\t1\n") << bByTime;
    }
    SetMenuResourceMissing(IDR_TOTAL_SUMMERY_MENU, false);
}
