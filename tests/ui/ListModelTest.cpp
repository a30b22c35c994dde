#include "ui/ImageList.h"
#include "ui/ListCtrl.h"
#include "ui/ListView.h"
#include "ui/UiObjects.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring Text(const CListModel& model, int nItem, int nSubItem)
{
    std::wstring strText;
    EXPECT_TRUE(model.GetItemText(nItem, nSubItem, &strText));
    return strText;
}

} // namespace

TEST(ListModel, StaysConsistentThroughEveryKindOfChange)
{
    CListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.InsertColumn(0, QStringLiteral("Name"), LVCFMT_CENTER);
    model.InsertColumn(1, QStringLiteral("Time"), LVCFMT_CENTER);
    for (int i = 0; i < 50; ++i)
        model.InsertItem(i, QStringLiteral("row %1").arg(i), i % 3);
    model.Flush();
    model.SetItemText(10, 1, QStringLiteral("02-03 09:05:07"));
    model.SetItemImage(11, 2);
    model.InsertItem(0, QStringLiteral("first"), 0);
    // Rows kept back are made known before a row goes in between.
    model.InsertItem(model.ItemCount(), QStringLiteral("last"), 1);
    model.InsertItem(5, QStringLiteral("middle"), 1);
    model.InsertColumn(2, QStringLiteral("No"), LVCFMT_LEFT);
    model.DeleteAllItems();
    model.InsertItem(0, QStringLiteral("again"), 0);
    model.Flush();
    EXPECT_EQ(model.rowCount(), 1);
}

TEST(ListModel, AppendedRowsReachTheViewsInOneNotification)
{
    CListModel model;
    model.InsertColumn(0, QStringLiteral("Name"), LVCFMT_LEFT);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 10000; ++i) {
        model.InsertItem(i, QStringLiteral("caller"), 0);
        model.SetItemText(i, 1, QStringLiteral("time"));
    }
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.ItemCount(), 10000);
    model.Flush();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 9999);
    EXPECT_EQ(model.rowCount(), 10000);
    // Rows kept back are flushed from the event loop as well.
    model.InsertItem(10000, QStringLiteral("late"), 0);
    EXPECT_TRUE(model.HasPendingRows());
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.HasPendingRows());
    EXPECT_EQ(model.rowCount(), 10001);
}

TEST(ListModel, CellTextsGoInAndOutUnchanged)
{
    CListModel model;
    model.InsertItem(0, QString(), -1);
    EXPECT_EQ(Text(model, 0, 0), L"");
    EXPECT_EQ(Text(model, 0, 3), L"");
    // Cells set out of order, an empty cell between, and a character
    // beyond the basic plane.
    model.SetItemText(0, 2, QStringFromWide(L"+49 30 123"));
    model.SetItemText(0, 0, QStringFromWide(L"J\U0001F600rg"));
    EXPECT_EQ(Text(model, 0, 0), L"J\U0001F600rg");
    EXPECT_EQ(Text(model, 0, 1), L"");
    EXPECT_EQ(Text(model, 0, 2), L"+49 30 123");
    model.SetItemText(0, 1, QStringLiteral("02-03 09:05:07"));
    model.SetItemText(0, 0, QString());
    EXPECT_EQ(Text(model, 0, 0), L"");
    EXPECT_EQ(Text(model, 0, 1), L"02-03 09:05:07");
    EXPECT_EQ(Text(model, 0, 2), L"+49 30 123");

    std::wstring strText;
    EXPECT_FALSE(model.GetItemText(1, 0, &strText));
    EXPECT_FALSE(model.GetItemText(-1, 0, &strText));
    EXPECT_FALSE(model.GetItemText(0, -1, &strText));
    EXPECT_FALSE(model.SetItemText(1, 0, QStringLiteral("x")));
    EXPECT_EQ(model.InsertItem(-1, QStringLiteral("x"), 0), -1);
}

TEST(ListModel, RowsFilledCellByCellKeepTheirCells)
{
    // The way a list is filled: a row appended, then its cells one by one;
    // every row read back while later rows go in, around and between.
    CListModel model;
    for (int i = 0; i < 3; ++i) {
        model.InsertItem(i, QStringLiteral("name %1").arg(i), 0);
        model.SetItemText(i, 1, QStringLiteral("time %1").arg(i));
        EXPECT_EQ(Text(model, i, 1), L"time " + std::to_wstring(i));
        model.SetItemText(i, 3, QStringLiteral("note %1").arg(i));
    }
    model.InsertItem(1, QStringLiteral("between"), 0);
    model.SetItemText(3, 2, QStringLiteral("number 2"));
    model.InsertItem(4, QStringLiteral("name 3"), 0);
    model.SetItemText(2, 2, QStringLiteral("number 1"));
    const std::vector<std::vector<std::wstring>> kExpected = {
        {L"name 0", L"time 0", L"", L"note 0"},
        {L"between", L"", L"", L""},
        {L"name 1", L"time 1", L"number 1", L"note 1"},
        {L"name 2", L"time 2", L"number 2", L"note 2"},
        {L"name 3", L"", L"", L""},
    };
    ASSERT_EQ(model.ItemCount(), 5);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(Text(model, i, j), kExpected[static_cast<size_t>(i)][static_cast<size_t>(j)]) << i << "," << j;
    model.DeleteAllItems();
    model.InsertItem(0, QStringLiteral("again"), 0);
    EXPECT_EQ(Text(model, 0, 0), L"again");
    EXPECT_EQ(Text(model, 0, 1), L"");
}

TEST(ListModel, ShowsTextsAlignmentAndImages)
{
    HIMAGELIST himl = ImageList_Create(32, 32, ILC_MASK, 0, 4);
    ASSERT_NE(himl, nullptr);
    HICON hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(145));
    ASSERT_NE(hIcon, nullptr);
    ASSERT_EQ(ImageList_ReplaceIcon(himl, -1, hIcon), 0);
    ASSERT_EQ(ImageList_ReplaceIcon(himl, -1, hIcon), 1);

    CListModel model;
    model.InsertColumn(0, QStringLiteral("Name"), LVCFMT_CENTER);
    model.InsertColumn(1, QStringLiteral("No"), LVCFMT_LEFT);
    model.SetImageList(ImageListFromHandle(himl));
    const int images[] = {0, 1, 2, -1};
    for (int i = 0; i < 4; ++i)
        model.InsertItem(i, QStringLiteral("row"), images[i]);
    model.Flush();

    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_TRUE(model.data(model.index(0, 0), Qt::DecorationRole).value<QPixmap>().size() == QSize(32, 32));
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::DecorationRole).isNull());
    // An index past the last image, or none, shows no icon; nor does any
    // column but the first.
    EXPECT_TRUE(model.data(model.index(2, 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.data(model.index(3, 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.data(model.index(0, 1), Qt::DecorationRole).isNull());
    ImageList_Destroy(himl);
    // The view keeps what it shows even when the list's owner lets go.
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isNull());
}

TEST(ListModel, CellsRewrittenAllOverTheListKeepEveryRow)
{
    // Rows changed out of order leave their old texts behind, which are
    // given up in one go once they are most of what is stored; every row
    // keeps its cells through that, and rows longer than a block of the
    // store go in whole.
    CListModel model;
    constexpr int kRows = 300;
    for (int i = 0; i < kRows; ++i) {
        model.InsertItem(i, QStringLiteral("name %1").arg(i), i % 3);
        model.SetItemText(i, 1, QStringLiteral("time %1").arg(i));
    }
    const QString strLong(300000, QChar(u'x'));
    for (int nRound = 0; nRound < 4; ++nRound)
        for (int i = 0; i < kRows; i += 7)
            model.SetItemText(i, 2, QStringLiteral("%1 %2 ").arg(nRound).arg(i) + strLong.left(60000 + i));
    model.SetItemText(kRows - 1, 3, strLong);
    for (int i = 0; i < kRows; ++i) {
        EXPECT_EQ(Text(model, i, 0), L"name " + std::to_wstring(i)) << i;
        EXPECT_EQ(Text(model, i, 1), L"time " + std::to_wstring(i)) << i;
        std::wstring strThird = Text(model, i, 2);
        if (i % 7 == 0) {
            EXPECT_EQ(strThird.size(), std::to_wstring(i).size() + 3 + 60000 + static_cast<size_t>(i)) << i;
            EXPECT_EQ(strThird.substr(0, 2), L"3 ") << i;
        } else {
            EXPECT_EQ(strThird, L"") << i;
        }
        EXPECT_EQ(model.GetItemImage(i), i % 3);
    }
    EXPECT_EQ(Text(model, kRows - 1, 3), strLong.toStdWString());
}

TEST(ListModel, UnpairedSurrogatesBecomeReplacementCharacters)
{
    CListModel model;
    const char16_t szText[] = {u'a', 0xD83D, u'b', 0xDE00, 0xD83D, 0xDE00, 0xDBFF};
    model.InsertItem(0, QStringView(szText, 7), 0);
    EXPECT_EQ(Text(model, 0, 0), L"a\uFFFDb\uFFFD\U0001F600\uFFFD");
}
