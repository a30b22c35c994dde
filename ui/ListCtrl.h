#pragma once

// The report list view under the platform's names.

#include "ui/ListViewTypes.h"
#include "ui/Wnd.h"

class CImageList;

// Rows hold a text per column and an image index (-1: no image). Several
// rows may be selected; rows are never sorted. Texts are copied in and out.
class CListCtrl : public CWnd
{
public:
    // nWidth -1: the list's default width. Returns the column's index or -1.
    int InsertColumn(int nCol, LPCWSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                     int nSubItem = -1);
    int GetColumnCount() const;
    int GetColumnWidth(int nCol) const;
    // cx below 0 counts as 0. FALSE for a column that does not exist.
    BOOL SetColumnWidth(int nCol, int cx);
    // The width of the text in the list's font, in pixels, without the
    // margins of a cell; 0 without a list.
    int GetStringWidth(LPCWSTR lpsz) const;

    // Inserts a row at nItem (appended when nItem is past the end) with the
    // text of column 0 and an image; returns its index or -1.
    int InsertItem(int nItem, LPCWSTR lpszItem, int nImage);
    int InsertItem(const LVITEMW* pItem);
    BOOL SetItemText(int nItem, int nSubItem, LPCWSTR lpszText);
    BOOL SetItem(const LVITEMW* pItem);
    // With LVIF_TEXT copies at most cchTextMax - 1 characters and a
    // terminating zero into pszText. FALSE for a row or column that does not
    // exist or a buffer that cannot hold the terminating zero.
    BOOL GetItem(LVITEMW* pItem) const;
    // The length of the text copied, 0 on failure.
    int GetItemText(int nItem, int nSubItem, LPWSTR lpszText, int nLen) const;
    int GetItemCount() const;
    // With LVNI_SELECTED the first selected row after nItem (-1: from the
    // start); -1 when there is none.
    int GetNextItem(int nItem, int nFlags) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    BOOL DeleteAllItems();

    DWORD GetExtendedStyle() const;
    // Returns the previous extended style.
    DWORD SetExtendedStyle(DWORD dwNewStyle);
    // Headings are not buttons unless a dialog asks: then a click on one
    // sends LVN_COLUMNCLICK.
    void EnableColumnClick();
    // Returns the previous image list of that type.
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    CImageList* GetImageList(int nImageListType) const;
    BOOL EnsureVisible(int nItem, BOOL bPartialOK);
};
