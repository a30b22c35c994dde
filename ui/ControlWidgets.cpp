#include "ui/Controls.h"

#include "platform/PlatformTime.h"
#include "ui/Gdi.h"
#include "ui/ImageList.h"
#include "ui/ListView.h"
#include "ui/UiObjects.h"
#include "ui/Widgets.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QLocale>
#include <QPainter>

#include <cwctype>
#include <cwchar>

namespace {

constexpr int kIconSize = 32;

// The short date with the whole year: a two-digit year could not be typed
// beyond its century.
QString ShortDateFormat()
{
    QString strFormat = QLocale().dateFormat(QLocale::ShortFormat);
    if (!strFormat.contains(QLatin1String("yyyy")))
        strFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return strFormat;
}

} // namespace

CStaticWidget::CStaticWidget(const DialogItemTemplate& item, QWidget* pParent)
    : QWidget(pParent), CControlWindow(item)
{
    if ((item.dwStyle & 0x1F) == SS_ICON) {
        // An icon control takes the size of its icon, whatever the template says.
        m_hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(item.nIcon));
    }
}

bool CStaticWidget::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM, LRESULT* pResult)
{
    if (uMsg == STM_SETICON) {
        *pResult = reinterpret_cast<LRESULT>(m_hIcon);
        m_hIcon = reinterpret_cast<HICON>(wParam);
        update();
        return true;
    }
    if (uMsg == STM_GETICON) {
        *pResult = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    }
    return false;
}

void CStaticWidget::paintEvent(QPaintEvent*)
{
    DeviceContext dc;
    dc.pWidget = this;
    dc.font = font();
    CDC cdc(&dc);
    HBRUSH hBrush = DialogBackgroundBrush();
    if (CWnd* pDialog = DialogOfWindow(this)) {
        if (HBRUSH hAnswer = pDialog->OnCtlColor(&cdc, pDialog->GetDlgItem(m_nId), CTLCOLOR_STATIC))
            hBrush = hAnswer;
    }
    m_crText = dc.crText;
    m_crBk = dc.crBk;
    m_crBrush = hBrush->crColor;

    QPainter painter(this);
    painter.fillRect(rect(), ColorFromColorRef(m_crBrush));
    if ((m_dwStyle & 0x1F) == SS_ICON) {
        if (m_hIcon)
            painter.drawPixmap(0, 0, m_hIcon->Pixmap(kIconSize, kIconSize));
        return;
    }
    // The text background covers the text itself; the rest of the control
    // takes the brush.
    const int nFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    painter.setFont(font());
    QRect textRect = painter.boundingRect(rect(), nFlags, windowTitle()).intersected(rect());
    painter.fillRect(textRect, ColorFromColorRef(m_crBk));
    painter.setPen(ColorFromColorRef(m_crText));
    painter.drawText(rect(), nFlags, windowTitle());
}

CListBoxWidget::CListBoxWidget(const DialogItemTemplate& item, QWidget* pParent)
    : QListWidget(pParent), CControlWindow(item)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy((item.dwStyle & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape((item.dwStyle & WS_BORDER) ? QFrame::Box : QFrame::NoFrame);
    setFocusPolicy((item.dwStyle & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setUniformItemSizes(true);
}

int CListBoxWidget::AddString(const QString& strText)
{
    int nIndex = count();
    if (m_dwStyle & LBS_SORT) {
        nIndex = 0;
        while (nIndex < count() && QString::compare(item(nIndex)->text(), strText, Qt::CaseInsensitive) <= 0)
            ++nIndex;
    }
    insertItem(nIndex, strText);
    return nIndex;
}

bool CListBoxWidget::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    int nIndex = static_cast<int>(wParam);
    switch (uMsg) {
    case LB_ADDSTRING: {
        auto pszText = reinterpret_cast<LPCWSTR>(lParam);
        *pResult = pszText ? AddString(QStringFromWide(pszText)) : LB_ERR;
        return true;
    }
    case LB_GETCOUNT:
        *pResult = count();
        return true;
    case LB_GETTEXTLEN:
        *pResult = nIndex < count() ? static_cast<LRESULT>(item(nIndex)->text().toStdWString().size()) : LB_ERR;
        return true;
    case LB_GETTEXT: {
        auto pszBuffer = reinterpret_cast<LPWSTR>(lParam);
        if (nIndex >= count() || !pszBuffer) {
            *pResult = LB_ERR;
            return true;
        }
        std::wstring strText = item(nIndex)->text().toStdWString();
        std::wmemcpy(pszBuffer, strText.c_str(), strText.size() + 1);
        *pResult = static_cast<LRESULT>(strText.size());
        return true;
    }
    default:
        return false;
    }
}

std::wstring CListBox::GetText(int nIndex) const
{
    LRESULT nLength = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex));
    if (nLength == LB_ERR || nIndex < 0)
        return {};
    std::wstring strText(static_cast<size_t>(nLength) + 1, L'\0');
    SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(strText.data()));
    strText.resize(static_cast<size_t>(nLength));
    return strText;
}

CDateTimeWidget::CDateTimeWidget(const DialogItemTemplate& item, QWidget* pParent)
    : QDateEdit(pParent), CControlWindow(item)
{
    setCalendarPopup(true);
    setDisplayFormat(ShortDateFormat());
    setMinimumDate(QDate(1601, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
    setFocusPolicy((item.dwStyle & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    SYSTEMTIME st {};
    GetLocalTime(&st);
    SetValue(st);
    connect(this, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_st.wYear = static_cast<WORD>(date.year());
        m_st.wMonth = static_cast<WORD>(date.month());
        m_st.wDay = static_cast<WORD>(date.day());
        m_st.wDayOfWeek = static_cast<WORD>(date.dayOfWeek() % 7);
    });
    if ((item.dwStyle & DTS_RIGHTALIGN) && calendarWidget())
        calendarWidget()->window()->installEventFilter(this);
}

BOOL CDateTimeWidget::SetValue(const SYSTEMTIME& st)
{
    FILETIME ft {};
    if (!SystemTimeToFileTime(&st, &ft))
        return FALSE;
    QDate date(st.wYear, st.wMonth, st.wDay);
    if (date < minimumDate() || date > maximumDate())
        return FALSE;
    m_st = st;
    m_st.wDayOfWeek = static_cast<WORD>(date.dayOfWeek() % 7);
    QSignalBlocker blocker(this);
    setDate(date);
    return TRUE;
}

bool CDateTimeWidget::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (uMsg == DTM_GETSYSTEMTIME) {
        auto* pst = reinterpret_cast<SYSTEMTIME*>(lParam);
        if (!pst) {
            *pResult = GDT_ERROR;
            return true;
        }
        *pst = m_st;
        *pResult = static_cast<LRESULT>(GDT_VALID);
        return true;
    }
    if (uMsg == DTM_SETSYSTEMTIME) {
        auto* pst = reinterpret_cast<const SYSTEMTIME*>(lParam);
        // Only a valid value can be set: the picker has no empty state.
        *pResult = (wParam == GDT_VALID && pst) ? SetValue(*pst) : FALSE;
        return true;
    }
    return false;
}

bool CDateTimeWidget::eventFilter(QObject* pObject, QEvent* pEvent)
{
    // The calendar drops down aligned with the picker's right edge.
    if (pEvent->type() == QEvent::Show && calendarWidget() && pObject == calendarWidget()->window()) {
        QWidget* pPopup = calendarWidget()->window();
        pPopup->move(mapToGlobal(QPoint(width() - pPopup->width(), height())));
    }
    return QDateEdit::eventFilter(pObject, pEvent);
}

QWidget* CreateControlWindow(const DialogItemTemplate& item, const QRect& rect, QWidget* pParent)
{
    QWidget* pWidget = nullptr;
    QRect geometry = rect;
    if (SameClassName(item.pszClass, WC_LISTVIEWW)) {
        pWidget = new CListViewWidget(item, pParent);
    } else if (SameClassName(item.pszClass, WC_LISTBOXW)) {
        pWidget = new CListBoxWidget(item, pParent);
    } else if (SameClassName(item.pszClass, DATETIMEPICK_CLASSW)) {
        pWidget = new CDateTimeWidget(item, pParent);
    } else if (SameClassName(item.pszClass, WC_STATICW)) {
        pWidget = new CStaticWidget(item, pParent);
        if ((item.dwStyle & 0x1F) == SS_ICON)
            geometry.setSize(QSize(kIconSize, kIconSize));
    }
    if (!pWidget)
        return nullptr;
    pWidget->setWindowTitle(QStringFromWide(item.pszText ? item.pszText : L""));
    pWidget->setGeometry(geometry);
    pWidget->setVisible((item.dwStyle & WS_VISIBLE) != 0);
    return pWidget;
}
