#include "ui/ListCtrl.h"

#include "platform/WideText.h"

#include "ui/ImageList.h"
#include "ui/ListView.h"
#include "ui/UiObjects.h"

#include <QFontMetrics>
#include <QHeaderView>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

CListViewWidget* View(HWND hWnd)
{
    return dynamic_cast<CListViewWidget*>(hWnd);
}

// A list is filled with many short texts: they are converted in one buffer
// kept for the purpose (lists live on the user-interface thread).
// A cell's text as UTF-8, in a buffer reused from one to the next.
std::string_view Utf8Text(LPCWSTR pszText)
{
    static std::string s_buffer;
    s_buffer.clear();
    if (pszText)
        AppendUtf8FromWide(pszText, &s_buffer);
    return s_buffer;
}

} // namespace

int CListCtrl::InsertColumn(int nCol, LPCWSTR lpszColumnHeading, int nFormat, int nWidth, int)
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView)
        return -1;
    int nIndex = pView->Model().InsertColumn(nCol, QStringFromWide(lpszColumnHeading ? lpszColumnHeading : L""),
                                             nFormat);
    if (nIndex >= 0)
        pView->InsertColumnWidth(nIndex, nWidth);
    return nIndex;
}

int CListCtrl::GetColumnCount() const
{
    CListViewWidget* pView = View(m_hWnd);
    return pView ? pView->Model().columnCount() : 0;
}

int CListCtrl::GetColumnWidth(int nCol) const
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || nCol < 0 || nCol >= pView->Model().columnCount())
        return 0;
    return pView->horizontalHeader()->sectionSize(nCol);
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx)
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || nCol < 0 || nCol >= pView->Model().columnCount())
        return FALSE;
    pView->SetColumnWidth(nCol, cx);
    return TRUE;
}

int CListCtrl::GetStringWidth(LPCWSTR lpsz) const
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || !lpsz)
        return 0;
    return QFontMetrics(pView->font()).horizontalAdvance(QStringFromWide(lpsz));
}

int CListCtrl::InsertItem(int nItem, LPCWSTR lpszItem, int nImage)
{
    LVITEMW item {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<LPWSTR>(lpszItem);
    item.iImage = nImage;
    return InsertItem(&item);
}

int CListCtrl::InsertItem(const LVITEMW* pItem)
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || !pItem || pItem->iItem < 0 || pItem->iSubItem != 0)
        return -1;
    bool bText = (pItem->mask & LVIF_TEXT) && pItem->pszText;
    int nImage = (pItem->mask & LVIF_IMAGE) ? pItem->iImage : -1;
    int nIndex = pView->Model().InsertItemUtf8(pItem->iItem, Utf8Text(bText ? pItem->pszText : nullptr), nImage);
    if (nIndex >= 0 && (pItem->mask & LVIF_STATE) && (pItem->stateMask & LVIS_SELECTED))
        pView->SetRowSelected(nIndex, (pItem->state & LVIS_SELECTED) != 0);
    return nIndex;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCWSTR lpszText)
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView)
        return FALSE;
    return pView->Model().SetItemTextUtf8(nItem, nSubItem, Utf8Text(lpszText)) ? TRUE : FALSE;
}

BOOL CListCtrl::SetItem(const LVITEMW* pItem)
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || !pItem || pItem->iItem < 0 || pItem->iItem >= pView->Model().ItemCount() || pItem->iSubItem < 0)
        return FALSE;
    if ((pItem->mask & LVIF_TEXT) &&
        !pView->Model().SetItemTextUtf8(pItem->iItem, pItem->iSubItem, Utf8Text(pItem->pszText)))
        return FALSE;
    if ((pItem->mask & LVIF_IMAGE) && pItem->iSubItem == 0)
        pView->Model().SetItemImage(pItem->iItem, pItem->iImage);
    if ((pItem->mask & LVIF_STATE) && (pItem->stateMask & LVIS_SELECTED))
        pView->SetRowSelected(pItem->iItem, (pItem->state & LVIS_SELECTED) != 0);
    return TRUE;
}

BOOL CListCtrl::GetItem(LVITEMW* pItem) const
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || !pItem || pItem->iItem < 0 || pItem->iItem >= pView->Model().ItemCount() || pItem->iSubItem < 0)
        return FALSE;
    if (pItem->mask & LVIF_TEXT) {
        if (!pItem->pszText || pItem->cchTextMax <= 0)
            return FALSE;
        std::wstring strText;
        if (!pView->Model().GetItemText(pItem->iItem, pItem->iSubItem, &strText))
            return FALSE;
        size_t nCopy = std::min(strText.size(), static_cast<size_t>(pItem->cchTextMax - 1));
        std::wmemcpy(pItem->pszText, strText.data(), nCopy);
        pItem->pszText[nCopy] = L'\0';
    }
    if (pItem->mask & LVIF_IMAGE)
        pItem->iImage = pView->Model().GetItemImage(pItem->iItem);
    if (pItem->mask & LVIF_STATE)
        pItem->state = pView->IsRowSelected(pItem->iItem) ? (LVIS_SELECTED & pItem->stateMask) : 0;
    return TRUE;
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPWSTR lpszText, int nLen) const
{
    LVITEMW item {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.iSubItem = nSubItem;
    item.pszText = lpszText;
    item.cchTextMax = nLen;
    if (!GetItem(&item))
        return 0;
    return static_cast<int>(std::wcslen(lpszText));
}

int CListCtrl::GetItemCount() const
{
    CListViewWidget* pView = View(m_hWnd);
    return pView ? pView->Model().ItemCount() : 0;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView)
        return -1;
    if (nFlags & LVNI_SELECTED) {
        pView->Flush();
        return pView->NextSelected(nItem);
    }
    int nNext = nItem + 1;
    return nNext < pView->Model().ItemCount() ? nNext : -1;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask)
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || nItem < 0 || nItem >= pView->Model().ItemCount())
        return FALSE;
    if (nMask & LVIS_SELECTED)
        pView->SetRowSelected(nItem, (nState & LVIS_SELECTED) != 0);
    return TRUE;
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView)
        return 0;
    return pView->IsRowSelected(nItem) ? (LVIS_SELECTED & nMask) : 0;
}

BOOL CListCtrl::DeleteAllItems()
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView)
        return FALSE;
    pView->Model().DeleteAllItems();
    return TRUE;
}

DWORD CListCtrl::GetExtendedStyle() const
{
    CListViewWidget* pView = View(m_hWnd);
    return pView ? pView->ExtendedStyle() : 0;
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle)
{
    CListViewWidget* pView = View(m_hWnd);
    return pView ? pView->SetExtendedStyle(dwNewStyle) : 0;
}

void CListCtrl::EnableColumnClick()
{
    if (CListViewWidget* pView = View(m_hWnd))
        pView->horizontalHeader()->setSectionsClickable(true);
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType)
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || nImageListType != LVSIL_SMALL)
        return nullptr;
    HIMAGELIST himlOld = pView->SetSmallImageList(pImageList ? pImageList->GetSafeHandle() : nullptr);
    return CImageList::FromHandle(himlOld);
}

CImageList* CListCtrl::GetImageList(int nImageListType) const
{
    CListViewWidget* pView = View(m_hWnd);
    if (!pView || nImageListType != LVSIL_SMALL)
        return nullptr;
    return CImageList::FromHandle(pView->SmallImageList());
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL bPartialOK)
{
    CListViewWidget* pView = View(m_hWnd);
    return pView && pView->EnsureItemVisible(nItem, bPartialOK != FALSE) ? TRUE : FALSE;
}
