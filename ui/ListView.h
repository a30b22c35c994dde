#pragma once

// The report list view: a model that keeps the rows and a table view that
// shows them. Only ui/ and its tests see these.

#include "resources/ResourceTypes.h"
#include "ui/RowTexts.h"
#include "ui/Widgets.h"

#include <QAbstractTableModel>
#include <QTableView>

#include <memory>
#include <string>
#include <vector>

struct ImageListObject;

// Rows are stored compactly, all cells of a row in one run of UTF-8
// separated by NUL (a cell text never holds one), so that a million rows stay
// small.
// Rows appended at the end are kept back from the views until Flush, so that
// filling a list costs no notification per row.
class CListModel : public QAbstractTableModel
{
public:
    struct Column {
        QString strHeading;
        int nFormat;
    };

    explicit CListModel(QObject* pParent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The list's own operations, on every row, shown or kept back.
    int ItemCount() const { return static_cast<int>(m_rows.size()); }
    // Inserts at nItem (at the end when nItem is past it); returns the index.
    int InsertItem(int nItem, QStringView strText, int nImage);
    bool SetItemText(int nItem, int nSubItem, QStringView strText);
    // The same with the text as UTF-8, which is how it is kept.
    int InsertItemUtf8(int nItem, std::string_view strText, int nImage);
    bool SetItemTextUtf8(int nItem, int nSubItem, std::string_view strText);
    bool SetItemImage(int nItem, int nImage);
    // false when there is no such row or the sub-item is negative.
    bool GetItemText(int nItem, int nSubItem, std::wstring* pText) const;
    int GetItemImage(int nItem) const;
    void DeleteAllItems();
    int InsertColumn(int nCol, const QString& strHeading, int nFormat);
    const std::vector<Column>& Columns() const { return m_columns; }
    void SetImageList(std::shared_ptr<ImageListObject> pImages);
    void Reserve(int nRows) { m_rows.reserve(static_cast<size_t>(nRows)); }

    // Makes the rows kept back known to the views.
    void Flush();
    bool HasPendingRows() const { return m_nShown < ItemCount(); }

private:
    struct Row {
        CRowTexts::Ref cells;
        int nImage;
    };

    // The cell's UTF-8 text within a row's cells.
    static std::string_view Cell(std::string_view strCells, int nSubItem);
    void SetCell(Row* pRow, int nSubItem, std::string_view strText);
    // Stores the rows' texts anew once most of the store is texts replaced.
    void CompactTexts();
    void RowChanged(int nItem);

    std::vector<Row> m_rows;
    CRowTexts m_texts;
    // Reused for a text converted to UTF-8 and for building a row's cells,
    // so that setting one costs no allocation.
    std::string m_strText;
    std::string m_strScratch;
    int m_nShown = 0;
    bool m_bFlushPosted = false;
    std::vector<Column> m_columns;
    std::shared_ptr<ImageListObject> m_pImages;
};

// No row is current until one is selected, so that the current row and the
// selection agree: the first Down selects the first row. A double click on a
// row and Enter on the current row activate it.
class CListViewWidget : public QTableView, public CControlWindow
{
public:
    CListViewWidget(const DialogItemTemplate& item, QWidget* pParent);
    CListModel& Model() { return m_model; }
    void Flush() override;

    DWORD ExtendedStyle() const { return m_dwExStyle; }
    DWORD SetExtendedStyle(DWORD dwExStyle);
    HIMAGELIST SetSmallImageList(HIMAGELIST himl);
    HIMAGELIST SmallImageList() const { return m_himlSmall; }
    void InsertColumnWidth(int nCol, int nWidth);
    void SetColumnWidth(int nCol, int nWidth);
    bool EnsureItemVisible(int nItem, bool bPartialOk);
    // The lowest selected row after nItem, or -1.
    int NextSelected(int nItem) const;
    bool IsRowSelected(int nItem) const;
    // Selects exactly these rows; an empty list clears the selection.
    void SelectRows(const std::vector<int>& rows);
    void SetRowSelected(int nItem, bool bSelected);

protected:
    void changeEvent(QEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void UpdateRowHeight();
    // Tells the dialog that the user activated a row (LVN_ITEMACTIVATE).
    void NotifyItemActivate(int nItem);
    // Tells the dialog that the user clicked a column's heading.
    void NotifyColumnClick(int nColumn);

    CListModel m_model;
    DWORD m_dwExStyle = 0;
    HIMAGELIST m_himlSmall = nullptr;
    // Ensure-visible requests made before the view was first shown, replayed
    // once it has its size.
    std::vector<std::pair<int, bool>> m_pendingEnsureVisible;
};

// The width a column gets when it is inserted without one.
constexpr int kDefaultColumnWidth = 60;
