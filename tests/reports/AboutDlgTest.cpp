#include "reports/AboutDlg.h"
#include "tests/reports/ReportsTestSupport.h"
#include "ui/Automation.h"
#include "ui/CommandBar.h"
#include "ui/ImageList.h"

#include <QListWidget>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <string>

namespace {

class CTestAboutDlg : public CAboutDlg
{
public:
    using CAboutDlg::m_listBox;
};

const char kAboutLines[] = "dialog\t132\tABOUT\n"
                           "item\t0\tLicence: GPL-3.0-or-later, see LICENSE\n"
                           "item\t1\tProject: the Ringtally source tree, see README.md\n"
                           "item\t2\tReport a problem: the project's issue tracker\n"
                           "item\t3\tRingtally 2.1(PPC)\n";

} // namespace

TEST(AboutDlg, ListSitsBelowTheIconAtFiveLinesHigh)
{
    struct Case {
        const char* pszScreen;
        int nMeasured; // < 0: the measurement fails
        Geometry list;
        LONG nFont;
    };
    // The icon control is 32 pixels high.
    const Case cases[] = {
        {"240x320", 14, {10, 49, 220, 85}, 16},
        {"240x320", -1, {10, 49, 220, 85}, 18},
        {"480x640", 20, {10, 55, 460, 115}, 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszScreen) + " measured " + std::to_string(c.nMeasured));
        CScreenSize screen(c.pszScreen);
        CFixedTextHeight height(c.nMeasured);
        CAutomationSession session;
        CTestAboutDlg dlg;
        Geometry list {}, icon {};
        LONG nFont = 0;
        HICON hIcon = nullptr;
        session.AddAction([&](CDialog& d) {
            list = GeometryOf(&dlg.m_listBox);
            icon = GeometryOf(d.GetDlgItem(IDC_ABOUT_ICON));
            nFont = FontHeightOf(&dlg.m_listBox);
            hIcon = static_cast<CStatic*>(d.GetDlgItem(IDC_ABOUT_ICON))->GetIcon();
        });
        session.AddScript("dump\ncommand 32772\n");
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(list, c.list);
        EXPECT_EQ(icon.cy, 32);
        EXPECT_EQ(hIcon, LoadIconW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME)));
        // The list font is 2 over the default "A" (16 when that cannot be measured).
        EXPECT_EQ(nFont, c.nFont);
        EXPECT_EQ(session.Output(), std::string(kAboutLines) + "closed\t132\t1\n");
    }
}

TEST(AboutDlg, MoreLinesThanFitScrollAndKeepTheirOrder)
{
    CScreenSize screen("240x320");
    CFixedTextHeight height(14);
    CAutomationSession session;
    CTestAboutDlg dlg;
    bool bScrolls = false;
    session.AddAction([&](CDialog&) {
        for (const wchar_t* psz : {L"zeta", L"Alpha", L"omega", L"beta", L"Ringtally 1.0"})
            dlg.m_listBox.AddString(psz);
        auto* pView = static_cast<QListWidget*>(dlg.m_listBox.m_hWnd);
        pView->grab();
        bScrolls = pView->verticalScrollBar()->maximum() > 0;
    });
    session.AddScript("dump\nok\n");
    dlg.DoModal();
    EXPECT_TRUE(bScrolls);
    EXPECT_EQ(session.Output(), "dialog\t132\tABOUT\n"
                                "item\t0\tAlpha\n"
                                "item\t1\tbeta\n"
                                "item\t2\tLicence: GPL-3.0-or-later, see LICENSE\n"
                                "item\t3\tomega\n"
                                "item\t4\tProject: the Ringtally source tree, see README.md\n"
                                "item\t5\tReport a problem: the project's issue tracker\n"
                                "item\t6\tRingtally 1.0\n"
                                "item\t7\tRingtally 2.1(PPC)\n"
                                "item\t8\tzeta\n"
                                "closed\t132\t1\n");
}

TEST(AboutDlg, WithoutItsMenuTheListStaysEmptyWhereTheTemplatePutsIt)
{
    CScreenSize screen("240x320");
    CFixedTextHeight height(14);
    SetMenuResourceMissing(IDR_ABOUT_MENU, true);
    CAutomationSession session;
    CTestAboutDlg dlg;
    Geometry list {};
    session.AddAction([&](CDialog&) { list = GeometryOf(&dlg.m_listBox); });
    session.AddScript("dump\nok\n");
    dlg.DoModal();
    SetMenuResourceMissing(IDR_ABOUT_MENU, false);
    EXPECT_EQ(session.Output(), "dialog\t132\tABOUT\nclosed\t132\t1\n");
    EXPECT_NE(list, (Geometry {10, 49, 220, 85}));
    EXPECT_GT(list.cx, 0);
}
