#include "reports/AboutDlg.h"
#include "reports/CallDetailDlg.h"
#include "reports/CallerSummeryDlg.h"
#include "reports/ChooseTimeDlg.h"
#include "reports/TotalSummeryDlg.h"
#include "tests/reports/ReportsTestSupport.h"
#include "ui/Automation.h"
#include "ui/ListCtrl.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Where a dialog's controls are and how wide its lists' columns are.
struct Layout {
    std::vector<QRect> controls;
    std::vector<int> columns;
    bool operator==(const Layout&) const = default;
};

Layout LayoutOf(CDialog& dlg)
{
    Layout layout;
    for (CWnd* pControl : dlg.GetControls()) {
        layout.controls.push_back(pControl->m_hWnd->geometry());
        if (auto* pList = dynamic_cast<CListCtrl*>(pControl)) {
            for (int nColumn = 0; nColumn < pList->GetColumnCount(); ++nColumn)
                layout.columns.push_back(pList->GetColumnWidth(nColumn));
        }
    }
    return layout;
}

// The dialog's layout once it waits, after the action.
Layout RunAndLayOut(const std::function<std::unique_ptr<CDialog>()>& make, const std::function<void(CDialog&)>& action)
{
    CAutomationSession session;
    Layout layout;
    session.AddAction([&](CDialog& dlg) {
        if (action)
            action(dlg);
        layout = LayoutOf(dlg);
    });
    make()->DoModal();
    return layout;
}

} // namespace

TEST(Relayout, EveryScreenGivenANewSizeIsLaidOutAsIfItHadOpenedAtThatSize)
{
    struct Screen {
        const char* pszName;
        std::function<std::unique_ptr<CDialog>()> make;
    };
    const Screen screens[] = {
        {"caller summary",
         [] {
             auto pDlg = std::make_unique<CCallerSummeryDlg>();
             pDlg->m_strName = L"Anna";
             return pDlg;
         }},
        {"call list",
         [] {
             auto pDlg = std::make_unique<CCallDetailDlg>();
             pDlg->m_strName = L"Anna";
             return pDlg;
         }},
        {"totals", [] { return std::make_unique<CTotalSummeryDlg>(); }},
        {"time range", [] { return std::make_unique<CChooseTimeDlg>(); }},
        {"about", [] { return std::make_unique<CAboutDlg>(); }},
    };
    for (const Screen& screen : screens) {
        Layout large = RunAndLayOut(screen.make, nullptr);
        Layout small;
        {
            CScreenSize size("301x455");
            small = RunAndLayOut(screen.make, nullptr);
        }
        Layout resized = RunAndLayOut(screen.make, [](CDialog& dlg) { dlg.GetFrameWindow()->resize(301, 455); });
        EXPECT_EQ(resized, small) << screen.pszName;
        EXPECT_NE(resized, large) << screen.pszName << ": the size makes a difference";
    }
}
