#include "platform/PlatformTime.h"
#include "tests/support/UiTestGuards.h"
#include "tests/ui/ProbeDlg.h"
#include "ui/Automation.h"
#include "ui/Controls.h"
#include "ui/Gdi.h"
#include "ui/ImageList.h"
#include "ui/Widgets.h"
#include "ui/WinApp.h"

#include <QImage>

#include <gtest/gtest.h>

#include <set>

namespace {

// The time range dialog's colouring: white labels on dark blue.
class CColourDlg : public CProbeDlg
{
public:
    CColourDlg() : CProbeDlg(154) {}
    std::set<int> m_asked;

protected:
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) override
    {
        HBRUSH hBrush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
        m_asked.insert(pWnd ? pWnd->GetDlgCtrlID() : -1);
        if (nCtlColor == CTLCOLOR_STATIC) {
            pDC->SetTextColor(RGB(255, 255, 255));
            pDC->SetBkColor(RGB(0, 0, 64));
        }
        return hBrush;
    }
};

bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wDayOfWeek == b.wDayOfWeek &&
           a.wHour == b.wHour && a.wMinute == b.wMinute && a.wSecond == b.wSecond &&
           a.wMilliseconds == b.wMilliseconds;
}

} // namespace

TEST(Controls, StaticControlsTakeTheColoursTheirDialogGives)
{
    CAutomationSession session;
    CColourDlg dlg;
    QImage label;
    CStaticWidget* pLabel = nullptr;
    session.AddAction([&](CDialog& d) {
        pLabel = dynamic_cast<CStaticWidget*>(d.GetDlgItem(1011)->m_hWnd);
        ASSERT_NE(pLabel, nullptr);
        pLabel->resize(200, 30);
        label = pLabel->grab().toImage();
        EXPECT_EQ(pLabel->m_crText, RGB(255, 255, 255));
        EXPECT_EQ(pLabel->m_crBk, RGB(0, 0, 64));
        EXPECT_EQ(pLabel->m_crBrush, RGB(255, 255, 255));
        d.GetFrameWindow()->grab();
    });
    dlg.DoModal();
    ASSERT_FALSE(label.isNull());
    // The text's band is dark blue, the rest of the control the dialog's white.
    EXPECT_EQ(label.pixelColor(0, 0), QColor(0, 0, 64));
    EXPECT_EQ(label.pixelColor(label.width() - 2, label.height() - 2), QColor(Qt::white));
    EXPECT_EQ(dlg.m_asked, std::set<int>({1011, 1012})) << "only static controls ask";
}

TEST(Controls, DatePickerHoldsAFullTimeAndShowsTheDate)
{
    const SYSTEMTIME now {2025, 6, 0, 15, 10, 20, 30, 456};
    CFixedClock clock(now);
    CAutomationSession session;
    CProbeDlg dlg(154);
    SYSTEMTIME initial {}, after {}, picked {};
    QString strFormat;
    BOOL bBadMonth = TRUE, bNone = TRUE;
    session.AddAction([&](CDialog& d) {
        auto* pPicker = static_cast<CDateTimeCtrl*>(d.GetDlgItem(1010));
        EXPECT_EQ(pPicker->GetTime(&initial), GDT_VALID);
        SYSTEMTIME st {2024, 2, 0, 29, 13, 45, 10, 123};
        EXPECT_TRUE(pPicker->SetTime(&st));
        SYSTEMTIME bad {2024, 13, 0, 1, 0, 0, 0, 0};
        bBadMonth = DateTime_SetSystemtime(pPicker->m_hWnd, GDT_VALID, &bad);
        bNone = DateTime_SetSystemtime(pPicker->m_hWnd, GDT_NONE, &st);
        DateTime_GetSystemtime(pPicker->m_hWnd, &after);
        auto* pWidget = static_cast<CDateTimeWidget*>(pPicker->m_hWnd);
        strFormat = pWidget->displayFormat();
        EXPECT_EQ(pWidget->date(), QDate(2024, 2, 29));
        // The user picks a date; the time of day stays as it was set.
        pWidget->setDate(QDate(2024, 3, 1));
        pPicker->GetTime(&picked);
    });
    dlg.DoModal();
    EXPECT_TRUE(SameTime(initial, SYSTEMTIME {2025, 6, 0, 15, 10, 20, 30, 456})) << "starts at the local time";
    EXPECT_FALSE(bBadMonth);
    EXPECT_FALSE(bNone) << "the picker has no empty state";
    EXPECT_TRUE(SameTime(after, SYSTEMTIME {2024, 2, 4, 29, 13, 45, 10, 123}));
    EXPECT_TRUE(SameTime(picked, SYSTEMTIME {2024, 3, 5, 1, 13, 45, 10, 123}));
    EXPECT_TRUE(strFormat.contains(QLatin1String("yyyy"))) << strFormat.toStdString();
}

TEST(Controls, SortedListBoxPlacesLinesAlphabetically)
{
    CAutomationSession session;
    CProbeDlg dlg(132);
    std::vector<int> indexes;
    std::vector<std::wstring> lines;
    session.AddAction([&](CDialog& d) {
        auto* pList = static_cast<CListBox*>(d.GetDlgItem(1006));
        for (LPCWSTR psz : {L"Ringtally 2.1(PPC)", L"licence: see the project", L"Bugs: report them", L"apple"})
            indexes.push_back(pList->AddString(psz));
        for (int i = 0; i < pList->GetCount(); ++i)
            lines.push_back(pList->GetText(i));
        EXPECT_EQ(pList->GetText(9), L"");
    });
    dlg.DoModal();
    EXPECT_EQ(indexes, std::vector<int>({0, 0, 0, 0}));
    EXPECT_EQ(lines, std::vector<std::wstring>(
                         {L"apple", L"Bugs: report them", L"licence: see the project", L"Ringtally 2.1(PPC)"}));
}

TEST(Controls, StaticIconShowsItsIconAtIconSize)
{
    CAutomationSession session;
    CProbeDlg dlg(132);
    HICON hIcon = nullptr;
    RECT rc {};
    session.AddAction([&](CDialog& d) {
        auto* pIcon = static_cast<CStatic*>(d.GetDlgItem(1007));
        hIcon = pIcon->GetIcon();
        pIcon->GetClientRect(&rc);
    });
    dlg.DoModal();
    EXPECT_EQ(hIcon, LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(128)));
    EXPECT_EQ(rc.right, 32);
    EXPECT_EQ(rc.bottom, 32);
}
