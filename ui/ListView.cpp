#include "ui/ListView.h"

#include "ui/ListViewTypes.h"
#include "ui/UiObjects.h"
#include "ui/Wnd.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShowEvent>

#include <algorithm>

namespace {

constexpr char kCellSeparator = '\0';

Qt::Alignment AlignmentOf(int nFormat)
{
    switch (nFormat & 0x0003) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight | Qt::AlignVCenter;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

CListModel::CListModel(QObject* pParent) : QAbstractTableModel(pParent) {}

int CListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nShown;
}

int CListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CListModel::data(const QModelIndex& index, int nRole) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows[static_cast<size_t>(index.row())];
    switch (nRole) {
    case Qt::DisplayRole: {
        std::string_view strCell = Cell(m_texts.View(row.cells), index.column());
        return QString::fromUtf8(strCell.data(), static_cast<qsizetype>(strCell.size()));
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(AlignmentOf(m_columns[static_cast<size_t>(index.column())].nFormat));
    case Qt::DecorationRole:
        // The image of a row shows in its first column; an index past the
        // last image shows none.
        if (index.column() == 0 && m_pImages && row.nImage >= 0 &&
            row.nImage < static_cast<int>(m_pImages->images.size()))
            return m_pImages->images[static_cast<size_t>(row.nImage)];
        return {};
    default:
        return {};
    }
}

QVariant CListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= static_cast<int>(m_columns.size()))
        return QAbstractTableModel::headerData(nSection, orientation, nRole);
    const Column& column = m_columns[static_cast<size_t>(nSection)];
    if (nRole == Qt::DisplayRole)
        return column.strHeading;
    if (nRole == Qt::TextAlignmentRole)
        return QVariant::fromValue(AlignmentOf(column.nFormat));
    return {};
}

Qt::ItemFlags CListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

std::string_view CListModel::Cell(std::string_view strCells, int nSubItem)
{
    size_t nStart = 0;
    for (int i = 0; i < nSubItem; ++i) {
        size_t nSeparator = strCells.find(kCellSeparator, nStart);
        if (nSeparator == std::string_view::npos)
            return {};
        nStart = nSeparator + 1;
    }
    size_t nEnd = strCells.find(kCellSeparator, nStart);
    return strCells.substr(nStart, nEnd == std::string_view::npos ? std::string_view::npos : nEnd - nStart);
}

void CListModel::SetCell(Row* pRow, int nSubItem, std::string_view strText)
{
    std::string_view strCells = m_texts.View(pRow->cells);
    size_t nStart = 0;
    int nCell = 0;
    for (; nCell < nSubItem; ++nCell) {
        size_t nSeparator = strCells.find(kCellSeparator, nStart);
        if (nSeparator == std::string_view::npos)
            break;
        nStart = nSeparator + 1;
    }
    m_strScratch.clear();
    if (nCell < nSubItem) {
        m_strScratch.append(strCells);
        m_strScratch.append(static_cast<size_t>(nSubItem - nCell), kCellSeparator);
        m_strScratch.append(strText);
    } else {
        size_t nEnd = strCells.find(kCellSeparator, nStart);
        if (nEnd == std::string_view::npos)
            nEnd = strCells.size();
        m_strScratch.append(strCells.substr(0, nStart));
        m_strScratch.append(strText);
        m_strScratch.append(strCells.substr(nEnd));
    }
    pRow->cells = m_texts.Replace(pRow->cells, m_strScratch);
    CompactTexts();
}

void CListModel::CompactTexts()
{
    constexpr size_t kMostUnused = size_t {4} << 20;
    if (m_texts.Unused() < kMostUnused || m_texts.Unused() < m_texts.Used())
        return;
    CRowTexts texts;
    for (Row& row : m_rows)
        row.cells = texts.Add(m_texts.View(row.cells));
    std::swap(m_texts, texts);
}

int CListModel::InsertItem(int nItem, QStringView strText, int nImage)
{
    m_strText.clear();
    AppendUtf8(strText, &m_strText);
    return InsertItemUtf8(nItem, m_strText, nImage);
}

bool CListModel::SetItemText(int nItem, int nSubItem, QStringView strText)
{
    m_strText.clear();
    AppendUtf8(strText, &m_strText);
    return SetItemTextUtf8(nItem, nSubItem, m_strText);
}

int CListModel::InsertItemUtf8(int nItem, std::string_view strText, int nImage)
{
    if (nItem < 0)
        return -1;
    if (nItem >= ItemCount()) {
        m_rows.push_back(Row {m_texts.Add(strText), nImage});
        if (!m_bFlushPosted) {
            m_bFlushPosted = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_bFlushPosted = false;
                    Flush();
                },
                Qt::QueuedConnection);
        }
        return ItemCount() - 1;
    }
    Flush();
    beginInsertRows(QModelIndex(), nItem, nItem);
    m_rows.insert(m_rows.begin() + nItem, Row {m_texts.Add(strText), nImage});
    ++m_nShown;
    endInsertRows();
    return nItem;
}

void CListModel::RowChanged(int nItem)
{
    if (nItem < m_nShown && !m_columns.empty())
        emit dataChanged(index(nItem, 0), index(nItem, columnCount() - 1));
}

bool CListModel::SetItemTextUtf8(int nItem, int nSubItem, std::string_view strText)
{
    if (nItem < 0 || nItem >= ItemCount() || nSubItem < 0)
        return false;
    SetCell(&m_rows[static_cast<size_t>(nItem)], nSubItem, strText);
    RowChanged(nItem);
    return true;
}

bool CListModel::SetItemImage(int nItem, int nImage)
{
    if (nItem < 0 || nItem >= ItemCount())
        return false;
    m_rows[static_cast<size_t>(nItem)].nImage = nImage;
    RowChanged(nItem);
    return true;
}

bool CListModel::GetItemText(int nItem, int nSubItem, std::wstring* pText) const
{
    if (nItem < 0 || nItem >= ItemCount() || nSubItem < 0)
        return false;
    std::string_view strCell = Cell(m_texts.View(m_rows[static_cast<size_t>(nItem)].cells), nSubItem);
    *pText = QString::fromUtf8(strCell.data(), static_cast<qsizetype>(strCell.size())).toStdWString();
    return true;
}

int CListModel::GetItemImage(int nItem) const
{
    if (nItem < 0 || nItem >= ItemCount())
        return -1;
    return m_rows[static_cast<size_t>(nItem)].nImage;
}

void CListModel::DeleteAllItems()
{
    beginResetModel();
    std::vector<Row>().swap(m_rows);
    m_texts.Clear();
    m_nShown = 0;
    endResetModel();
}

int CListModel::InsertColumn(int nCol, const QString& strHeading, int nFormat)
{
    if (nCol < 0)
        return -1;
    nCol = std::min(nCol, columnCount());
    beginInsertColumns(QModelIndex(), nCol, nCol);
    m_columns.insert(m_columns.begin() + nCol, Column {strHeading, nFormat});
    endInsertColumns();
    return nCol;
}

void CListModel::SetImageList(std::shared_ptr<ImageListObject> pImages)
{
    m_pImages = std::move(pImages);
    if (m_nShown > 0 && !m_columns.empty())
        emit dataChanged(index(0, 0), index(m_nShown - 1, 0), {Qt::DecorationRole});
}

void CListModel::Flush()
{
    if (m_nShown >= ItemCount())
        return;
    beginInsertRows(QModelIndex(), m_nShown, ItemCount() - 1);
    m_nShown = ItemCount();
    endInsertRows();
}

CListViewWidget::CListViewWidget(const DialogItemTemplate& item, QWidget* pParent)
    : QTableView(pParent), CControlWindow(item)
{
    setModel(&m_model);
    QHeaderView* pRows = verticalHeader();
    pRows->hide();
    pRows->setSectionResizeMode(QHeaderView::Fixed);
    pRows->setMinimumSectionSize(1);
    QHeaderView* pColumns = horizontalHeader();
    pColumns->setSectionResizeMode(QHeaderView::Interactive);
    pColumns->setStretchLastSection(false);
    pColumns->setMinimumSectionSize(0);
    pColumns->setHighlightSections(false);
    // A click on a heading neither sorts nor selects a column.
    pColumns->setSectionsClickable(false);
    pColumns->setVisible((item.dwStyle & LVS_NOCOLUMNHEADER) == 0);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode((item.dwStyle & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                    : QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFocusPolicy((item.dwStyle & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setFrameShape((item.dwStyle & WS_BORDER) ? QFrame::Box : QFrame::NoFrame);
    setIconSize(QSize(0, 0));
    UpdateRowHeight();
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { NotifyItemActivate(index.row()); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int nSection) { NotifyColumnClick(nSection); });
}

void CListViewWidget::Flush()
{
    m_model.Flush();
}

DWORD CListViewWidget::SetExtendedStyle(DWORD dwExStyle)
{
    DWORD dwOld = m_dwExStyle;
    m_dwExStyle = dwExStyle;
    setShowGrid((dwExStyle & LVS_EX_GRIDLINES) != 0);
    UpdateRowHeight();
    return dwOld;
}

HIMAGELIST CListViewWidget::SetSmallImageList(HIMAGELIST himl)
{
    HIMAGELIST himlOld = m_himlSmall;
    m_himlSmall = himl;
    std::shared_ptr<ImageListObject> pImages = ImageListFromHandle(himl);
    setIconSize(pImages ? QSize(pImages->cx, pImages->cy) : QSize(0, 0));
    m_model.SetImageList(std::move(pImages));
    UpdateRowHeight();
    return himlOld;
}

void CListViewWidget::InsertColumnWidth(int nCol, int nWidth)
{
    horizontalHeader()->resizeSection(nCol, nWidth < 0 ? kDefaultColumnWidth : nWidth);
}

void CListViewWidget::SetColumnWidth(int nCol, int nWidth)
{
    horizontalHeader()->resizeSection(nCol, std::max(0, nWidth));
}

bool CListViewWidget::EnsureItemVisible(int nItem, bool bPartialOk)
{
    if (nItem < 0 || nItem >= m_model.ItemCount())
        return false;
    Flush();
    if (!isVisible()) {
        m_pendingEnsureVisible.emplace_back(nItem, bPartialOk);
        return true;
    }
    QModelIndex index = m_model.index(nItem, 0);
    if (bPartialOk && visualRect(index).intersects(viewport()->rect()))
        return true;
    scrollTo(index, QAbstractItemView::EnsureVisible);
    return true;
}

int CListViewWidget::NextSelected(int nItem) const
{
    int nBest = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        int nCandidate = std::max(range.top(), nItem + 1);
        if (nCandidate <= range.bottom() && (nBest < 0 || nCandidate < nBest))
            nBest = nCandidate;
    }
    return nBest;
}

bool CListViewWidget::IsRowSelected(int nItem) const
{
    if (nItem < 0 || nItem >= m_model.rowCount() || m_model.columnCount() == 0)
        return false;
    return selectionModel()->isSelected(m_model.index(nItem, 0));
}

void CListViewWidget::SelectRows(const std::vector<int>& rows)
{
    Flush();
    QItemSelection selection;
    int nLastColumn = m_model.columnCount() - 1;
    for (int nRow : rows) {
        if (nRow >= 0 && nRow < m_model.rowCount() && nLastColumn >= 0)
            selection.select(m_model.index(nRow, 0), m_model.index(nRow, nLastColumn));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.empty() && nLastColumn >= 0 && rows.front() >= 0 && rows.front() < m_model.rowCount())
        selectionModel()->setCurrentIndex(m_model.index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    else if (!selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}

void CListViewWidget::SetRowSelected(int nItem, bool bSelected)
{
    Flush();
    if (nItem < 0 || nItem >= m_model.rowCount() || m_model.columnCount() == 0)
        return;
    selectionModel()->select(m_model.index(nItem, 0), (bSelected ? QItemSelectionModel::Select
                                                                  : QItemSelectionModel::Deselect) |
                                                          QItemSelectionModel::Rows);
    if (bSelected && !currentIndex().isValid())
        selectionModel()->setCurrentIndex(m_model.index(nItem, 0), QItemSelectionModel::NoUpdate);
}

void CListViewWidget::changeEvent(QEvent* pEvent)
{
    QTableView::changeEvent(pEvent);
    if (pEvent->type() == QEvent::FontChange) {
        // The headings take the list's font, as the rows do.
        horizontalHeader()->setFont(font());
        UpdateRowHeight();
    }
}

void CListViewWidget::focusInEvent(QFocusEvent* pEvent)
{
    bool bHadCurrent = currentIndex().isValid();
    QTableView::focusInEvent(pEvent);
    // The view makes its first row current when it takes the focus. That row
    // would look chosen without being selected, and the first Down would
    // select the second row.
    if (!bHadCurrent && currentIndex().isValid() && !selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}

void CListViewWidget::keyPressEvent(QKeyEvent* pEvent)
{
    bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (bEnter && (pEvent->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && currentIndex().isValid()) {
        pEvent->accept();
        NotifyItemActivate(currentIndex().row());
        return;
    }
    QTableView::keyPressEvent(pEvent);
}

void CListViewWidget::NotifyItemActivate(int nItem)
{
    NMITEMACTIVATE nm {};
    nm.hdr.hwndFrom = this;
    nm.hdr.idFrom = static_cast<UINT_PTR>(m_nId);
    nm.hdr.code = LVN_ITEMACTIVATE;
    nm.iItem = nItem;
    SendMessageW(parentWidget(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void CListViewWidget::NotifyColumnClick(int nColumn)
{
    NMLISTVIEW nm {};
    nm.hdr.hwndFrom = this;
    nm.hdr.idFrom = static_cast<UINT_PTR>(m_nId);
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    nm.iSubItem = nColumn;
    SendMessageW(parentWidget(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void CListViewWidget::showEvent(QShowEvent* pEvent)
{
    QTableView::showEvent(pEvent);
    if (m_pendingEnsureVisible.empty())
        return;
    executeDelayedItemsLayout();
    std::vector<std::pair<int, bool>> requests;
    requests.swap(m_pendingEnsureVisible);
    for (const auto& [nItem, bPartialOk] : requests)
        EnsureItemVisible(nItem, bPartialOk);
}

void CListViewWidget::UpdateRowHeight()
{
    // A row is as high as its text or its image, whichever is higher, plus
    // the grid line.
    int nHeight = std::max(fontMetrics().height(), iconSize().height()) + 2;
    verticalHeader()->setDefaultSectionSize(nHeight);
}
