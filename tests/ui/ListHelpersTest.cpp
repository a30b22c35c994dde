#include "resources/ResourceTypes.h"
#include "tests/support/UiTestGuards.h"
#include "ui/Gdi.h"
#include "ui/ImageList.h"
#include "ui/ListHelpers.h"
#include "ui/Module.h"
#include "ui/UiObjects.h"
#include "ui/Wnd.h"

#include <QFontInfo>
#include <QWidget>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

// Measures "A" as a font of the given height would; 0 makes it fail.
class CMeasuredA
{
public:
    explicit CMeasuredA(LONG nHeight)
        : m_hook([this, nHeight](LPCWSTR psz, int cch, SIZE* pSize) {
            m_strMeasured.assign(psz, static_cast<size_t>(cch));
            if (nHeight == 0)
                return FALSE;
            *pSize = SIZE {9, nHeight};
            return TRUE;
        })
    {
    }
    std::wstring m_strMeasured;

private:
    CTextExtentHookGuard m_hook;
};

LOGFONTW FontOf(QWidget& widget)
{
    LOGFONTW lf {};
    auto hFont = reinterpret_cast<HFONT>(SendMessageW(&widget, WM_GETFONT, 0, 0));
    EXPECT_EQ(GetObjectW(hFont, sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    return lf;
}

HICON Icon(UINT nId)
{
    return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nId));
}

} // namespace

TEST(SetControlFont, TakesTheHeightOfAPlusTheExtraHeight)
{
    struct Case {
        LONG nMeasured;
        int nExtra;
        LONG nHeight;
    };
    // A failed measurement counts as 16.
    for (Case c : {Case {13, 2, 15}, Case {13, 1, 14}, Case {0, 2, 18}, Case {20, 0, 20}}) {
        CMeasuredA measure(c.nMeasured);
        QWidget control;
        SetControlFont(&control, c.nExtra);
        EXPECT_EQ(measure.m_strMeasured, L"A");
        LOGFONTW lf = FontOf(control);
        EXPECT_EQ(lf.lfHeight, c.nHeight) << c.nMeasured << " + " << c.nExtra;
        EXPECT_EQ(lf.lfWidth, 0);
        EXPECT_EQ(lf.lfEscapement, 0);
        EXPECT_EQ(lf.lfWeight, 400);
        EXPECT_EQ(lf.lfItalic | lf.lfUnderline | lf.lfStrikeOut | lf.lfCharSet | lf.lfQuality, 0);
        EXPECT_EQ(lf.lfPitchAndFamily, 0x20);
        EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
        // The control shows a font whose cell is no higher than asked.
        EXPECT_LE(QFontMetrics(control.font()).height(), c.nHeight);
        EXPECT_GE(QFontMetrics(control.font()).height(), c.nHeight - 3);
    }
}

TEST(SetControlFont, MakesANewFontOnEveryCall)
{
    CMeasuredA measure(13);
    QWidget control;
    SetControlFont(&control, 2);
    auto hFirst = reinterpret_cast<HFONT>(SendMessageW(&control, WM_GETFONT, 0, 0));
    SetControlFont(&control, 2);
    auto hSecond = reinterpret_cast<HFONT>(SendMessageW(&control, WM_GETFONT, 0, 0));
    EXPECT_NE(hFirst, nullptr);
    EXPECT_NE(hFirst, hSecond);
    // The earlier font stays alive: the platform never frees it for us.
    LOGFONTW lf {};
    EXPECT_GT(GetObjectW(hFirst, sizeof(lf), &lf), 0);
}

TEST(SetControlFont, MeasuresTheDefaultFontNotTheControls)
{
    QWidget control;
    SetControlFont(&control, 2);
    LONG nFirst = FontOf(control).lfHeight;
    SetControlFont(&control, 2);
    EXPECT_EQ(FontOf(control).lfHeight, nFirst);
    HDC hdc = GetDC(&control);
    SIZE size {};
    ASSERT_TRUE(GetTextExtentExPointW(hdc, L"A", 1, 0, nullptr, nullptr, &size));
    ReleaseDC(&control, hdc);
    EXPECT_EQ(nFirst, size.cy + 2);
}

TEST(AppendIcon, AppendsInOrderFromZero)
{
    CImageList images;
    ASSERT_TRUE(images.Create(32, 32, ILC_MASK, 0, 4));
    EXPECT_EQ(AppendIcon(images.GetSafeHandle(), Icon(145)), 0);
    EXPECT_EQ(AppendIcon(images.GetSafeHandle(), Icon(146)), 1);
    EXPECT_EQ(AppendIcon(images.GetSafeHandle(), Icon(147)), 2);
    EXPECT_EQ(images.GetImageCount(), 3);
    // A missing icon or list appends nothing.
    EXPECT_EQ(AppendIcon(images.GetSafeHandle(), Icon(151)), -1);
    EXPECT_EQ(AppendIcon(nullptr, Icon(145)), -1);
    EXPECT_EQ(images.GetImageCount(), 3);
}

TEST(AppendIcon, LooksTheImageListCallUpOncePerRun)
{
    ResetAppendIconLookup();
    CImageList images;
    ASSERT_TRUE(images.Create(32, 32, ILC_MASK, 0, 7));
    uint64_t nBefore = GetProcAddressCalls();
    for (UINT nId : {149u, 145u, 146u, 147u, 150u, 148u, 152u})
        AppendIcon(images.GetSafeHandle(), Icon(nId));
    EXPECT_EQ(GetProcAddressCalls(), nBefore + 1);
    EXPECT_EQ(images.GetImageCount(), 7);
}

TEST(AppendIcon, WithoutTheCallAppendsNothing)
{
    ResetAppendIconLookup();
    SetExportHidden(L"coredll.dll", L"ImageList_ReplaceIcon", true);
    CImageList images;
    ASSERT_TRUE(images.Create(32, 32, ILC_MASK, 0, 4));
    EXPECT_EQ(AppendIcon(images.GetSafeHandle(), Icon(145)), -1);
    // The answer is kept for the run, even if the call appears later.
    SetExportHidden(L"coredll.dll", L"ImageList_ReplaceIcon", false);
    EXPECT_EQ(AppendIcon(images.GetSafeHandle(), Icon(145)), -1);
    EXPECT_EQ(images.GetImageCount(), 0);
    ResetAppendIconLookup();
    EXPECT_EQ(AppendIcon(images.GetSafeHandle(), Icon(145)), 0);
}

TEST(Icons, EveryResourceLoadsAtItsSizes)
{
    for (UINT nId : IconResourceIds()) {
        HICON hIcon = Icon(nId);
        ASSERT_NE(hIcon, nullptr) << nId;
        EXPECT_EQ(Icon(nId), hIcon) << "icons are shared";
    }
    // The program icon serves sizes from the task bar's to the about box's.
    EXPECT_EQ(Icon(128)->icon.availableSizes().size(), 8u);
    EXPECT_EQ(Icon(145)->icon.availableSizes(), QList<QSize>({QSize(32, 32)}));
    CImageList images;
    ASSERT_TRUE(images.Create(32, 32, ILC_MASK, 0, 1));
    ASSERT_EQ(images.Add(Icon(128)), 0);
    EXPECT_EQ(Icon(151), nullptr);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(L"coredll.dll"), MAKEINTRESOURCEW(145)), nullptr);
}
