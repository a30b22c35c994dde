#include "ui/ImageList.h"
#include "ui/ListCtrl.h"
#include "ui/ListView.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace {

// A list view control on its own, as a template would make it.
struct ListFixture {
    explicit ListFixture(DWORD dwStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT | WS_BORDER)
        : view(DialogItemTemplate {WC_LISTVIEWW, L"", 1001, dwStyle, 0, 0, 60, 50}, nullptr)
    {
        list.m_hWnd = &view;
    }
    void AddRows(int nRows)
    {
        list.InsertColumn(0, L"Name", LVCFMT_CENTER, 100);
        list.InsertColumn(1, L"Time", LVCFMT_CENTER, 100);
        for (int i = 0; i < nRows; ++i) {
            list.InsertItem(i, (L"caller " + std::to_wstring(i)).c_str(), i % 3);
            list.SetItemText(i, 1, (L"time " + std::to_wstring(i)).c_str());
        }
    }

    CListViewWidget view;
    CListCtrl list;
};

} // namespace

TEST(ListCtrl, ReadsGiveAtMostCapacityMinusOneCharacters)
{
    ListFixture f;
    f.AddRows(1);
    std::wstring strLong(300, L'x');
    ASSERT_TRUE(f.list.SetItemText(0, 1, strLong.c_str()));

    struct Case {
        int nCapacity;
        BOOL bResult;
        size_t nLength;
    };
    for (Case c : {Case {255, TRUE, 254}, Case {301, TRUE, 300}, Case {400, TRUE, 300}, Case {1, TRUE, 0},
                   Case {0, FALSE, 0}, Case {-5, FALSE, 0}}) {
        std::wstring strBuffer(512, L'#');
        LVITEMW item {};
        item.mask = LVIF_TEXT;
        item.iItem = 0;
        item.iSubItem = 1;
        item.pszText = strBuffer.data();
        item.cchTextMax = c.nCapacity;
        EXPECT_EQ(f.list.GetItem(&item), c.bResult) << c.nCapacity;
        if (c.bResult)
            EXPECT_EQ(std::wcslen(strBuffer.c_str()), c.nLength) << c.nCapacity;
        else
            EXPECT_EQ(strBuffer[0], L'#') << c.nCapacity;
    }

    wchar_t szText[8];
    EXPECT_EQ(f.list.GetItemText(0, 0, szText, 8), 7);
    EXPECT_STREQ(szText, L"caller ");
    EXPECT_EQ(f.list.GetItemText(1, 0, szText, 8), 0);
    EXPECT_EQ(f.list.GetItemText(0, -1, szText, 8), 0);
    // A column never written reads as empty, successfully.
    EXPECT_EQ(f.list.GetItemText(0, 2, szText, 8), 0);
    EXPECT_STREQ(szText, L"");
}

TEST(ListCtrl, FindsTheFirstSelectedRow)
{
    ListFixture f;
    f.AddRows(6);
    EXPECT_EQ(f.list.GetNextItem(-1, LVNI_SELECTED), -1);
    f.list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);
    f.list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(f.list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(f.list.GetNextItem(1, LVNI_SELECTED), 4);
    EXPECT_EQ(f.list.GetNextItem(4, LVNI_SELECTED), -1);
    EXPECT_EQ(f.list.GetItemState(4, LVIS_SELECTED), LVIS_SELECTED);
    EXPECT_EQ(f.list.GetItemState(3, LVIS_SELECTED), 0u);
    f.view.SelectRows({});
    EXPECT_EQ(f.list.GetNextItem(-1, LVNI_SELECTED), -1);
    // A list made for one selection at a time keeps the last.
    ListFixture single(WS_CHILD | LVS_REPORT | LVS_SINGLESEL);
    single.AddRows(3);
    EXPECT_EQ(f.view.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(single.view.selectionMode(), QAbstractItemView::SingleSelection);
}

TEST(ListCtrl, InsertsAtThePlaceAskedOrAtTheEnd)
{
    ListFixture f;
    f.AddRows(2);
    EXPECT_EQ(f.list.InsertItem(100, L"appended", 0), 2);
    EXPECT_EQ(f.list.InsertItem(0, L"first", 1), 0);
    EXPECT_EQ(f.list.GetItemCount(), 4);
    wchar_t szText[32];
    f.list.GetItemText(0, 0, szText, 32);
    EXPECT_STREQ(szText, L"first");
    f.list.GetItemText(3, 0, szText, 32);
    EXPECT_STREQ(szText, L"appended");
    LVITEMW item {};
    item.mask = LVIF_IMAGE;
    item.iItem = 0;
    ASSERT_TRUE(f.list.GetItem(&item));
    EXPECT_EQ(item.iImage, 1);
    // An item inserted without an image holds none.
    LVITEMW plain {};
    plain.mask = LVIF_TEXT;
    plain.iItem = 4;
    plain.pszText = const_cast<LPWSTR>(L"plain");
    ASSERT_EQ(f.list.InsertItem(&plain), 4);
    item.iItem = 4;
    ASSERT_TRUE(f.list.GetItem(&item));
    EXPECT_EQ(item.iImage, -1);
    EXPECT_TRUE(f.list.DeleteAllItems());
    EXPECT_EQ(f.list.GetItemCount(), 0);
    EXPECT_EQ(f.list.GetColumnCount(), 2);
}

TEST(ListCtrl, ColumnsStylesAndImageList)
{
    ListFixture f;
    EXPECT_EQ(f.list.InsertColumn(0, L"Name", LVCFMT_CENTER, 230), 0);
    EXPECT_EQ(f.list.InsertColumn(1, L"Time", LVCFMT_CENTER, 0), 1);
    EXPECT_EQ(f.list.InsertColumn(7, L"No"), 2);
    EXPECT_EQ(f.list.GetColumnWidth(0), 230);
    EXPECT_EQ(f.list.GetColumnWidth(1), 0);
    EXPECT_EQ(f.list.GetColumnWidth(2), kDefaultColumnWidth);
    EXPECT_FALSE(f.view.horizontalHeader()->isHidden());
    EXPECT_FALSE(f.view.isSortingEnabled());

    EXPECT_EQ(f.list.GetExtendedStyle(), 0u);
    EXPECT_FALSE(f.view.showGrid());
    EXPECT_EQ(f.list.SetExtendedStyle(f.list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES), 0u);
    EXPECT_EQ(f.list.GetExtendedStyle(), LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    EXPECT_TRUE(f.view.showGrid());

    CImageList images;
    ASSERT_TRUE(images.Create(32, 32, ILC_MASK, 0, 4));
    EXPECT_EQ(f.list.SetImageList(&images, LVSIL_SMALL), nullptr);
    EXPECT_EQ(f.list.GetImageList(LVSIL_SMALL), &images);
    EXPECT_EQ(f.view.iconSize(), QSize(32, 32));
    EXPECT_GE(f.view.verticalHeader()->defaultSectionSize(), 32);
    EXPECT_EQ(f.list.SetImageList(nullptr, LVSIL_SMALL), &images);

    ListFixture headless(WS_CHILD | LVS_REPORT | LVS_NOCOLUMNHEADER);
    EXPECT_TRUE(headless.view.horizontalHeader()->isHidden());
    CListCtrl unbound;
    EXPECT_EQ(unbound.InsertItem(0, L"x", 0), -1);
    EXPECT_EQ(unbound.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST(ListCtrl, EnsureVisibleWaitsForTheViewToShow)
{
    ListFixture f;
    f.view.resize(200, 120);
    f.AddRows(200);
    EXPECT_TRUE(f.list.EnsureVisible(150, FALSE));
    EXPECT_FALSE(f.list.EnsureVisible(200, FALSE));
    f.view.show();
    QRect row = f.view.visualRect(f.view.Model().index(150, 0));
    EXPECT_TRUE(f.view.viewport()->rect().contains(row)) << row.y();
}

TEST(ListCtrl, FillsAMillionRowsWithoutPerRowNotifications)
{
    ListFixture f;
    f.list.InsertColumn(0, L"Name", LVCFMT_CENTER, 100);
    f.list.InsertColumn(1, L"Time", LVCFMT_CENTER, 100);
    f.list.InsertColumn(2, L"No");
    QSignalSpy inserted(&f.view.Model(), &QAbstractItemModel::rowsInserted);
    const int nRows = 1000000;
    for (int i = 0; i < nRows; ++i) {
        f.list.InsertItem(i, L"Anna Schmidt", i % 3);
        f.list.SetItemText(i, 1, L"02-03 09:05:07");
        f.list.SetItemText(i, 2, L"+4930123456");
    }
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(f.list.GetItemCount(), nRows);
    f.view.Flush();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(f.view.Model().rowCount(), nRows);
    wchar_t szText[32];
    f.list.GetItemText(nRows - 1, 2, szText, 32);
    EXPECT_STREQ(szText, L"+4930123456");
}

TEST(ListCtrl, NoRowIsCurrentUntilOneIsSelected)
{
    ListFixture f;
    f.AddRows(4);
    f.view.Flush();
    // Taking the focus makes no row current: the first Down selects the
    // first row, not the second.
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&f.view, &focus);
    EXPECT_FALSE(f.view.currentIndex().isValid());
    QTest::keyClick(&f.view, Qt::Key_Down);
    EXPECT_EQ(f.list.GetNextItem(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(f.view.currentIndex().row(), 0);
    QTest::keyClick(&f.view, Qt::Key_Down);
    EXPECT_EQ(f.list.GetNextItem(-1, LVNI_SELECTED), 1);

    // Clearing the selection clears the current row; a row selected by the
    // program becomes current when none is.
    f.view.SelectRows({});
    EXPECT_FALSE(f.view.currentIndex().isValid());
    f.list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(f.view.currentIndex().row(), 2);
    QTest::keyClick(&f.view, Qt::Key_Down);
    EXPECT_EQ(f.list.GetNextItem(-1, LVNI_SELECTED), 3);
    // A row already chosen stays current when the focus comes back.
    QApplication::sendEvent(&f.view, &focus);
    EXPECT_EQ(f.view.currentIndex().row(), 3);
}

TEST(ListCtrl, ColumnWidthsCanBeSetAgain)
{
    ListFixture f;
    f.AddRows(1);
    EXPECT_TRUE(f.list.SetColumnWidth(1, 37));
    EXPECT_EQ(f.list.GetColumnWidth(1), 37);
    EXPECT_TRUE(f.list.SetColumnWidth(0, -5));
    EXPECT_EQ(f.list.GetColumnWidth(0), 0);
    EXPECT_FALSE(f.list.SetColumnWidth(2, 10));
    EXPECT_FALSE(f.list.SetColumnWidth(-1, 10));
}
