#include "ui/Dialog.h"
#include "ui/ScreenSize.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

constexpr int kKeyboardWidth = 60;

QFont BarFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(15);
    font.setBold(true);
    return font;
}

void AddMenuItems(QMenu* pMenu, const std::vector<MenuItemTemplate>& items)
{
    for (const MenuItemTemplate& item : items) {
        QString strCaption = QString::fromWCharArray(item.pszCaption);
        if (item.nId != 0) {
            QAction* pAction = pMenu->addAction(strCaption);
            pAction->setData(item.nId);
        } else {
            AddMenuItems(pMenu->addMenu(strCaption), item.popup);
        }
    }
}

} // namespace

CDialogClient::CDialogClient(CDialog* pDialog, QWidget* pParent) : QWidget(pParent), m_pDialog(pDialog)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

CWnd* CDialogClient::ControlById(int nID) const
{
    return m_pDialog->ControlById(nID);
}

CWnd* DialogOfWindow(const QWidget* pWidget)
{
    for (; pWidget; pWidget = pWidget->parentWidget()) {
        if (auto* pClient = dynamic_cast<const CDialogClient*>(pWidget))
            return pClient->Dialog();
    }
    return nullptr;
}

CTitleBar::CTitleBar(CDialog* pDialog, QWidget* pParent) : QWidget(pParent), m_pDialog(pDialog) {}

void CTitleBar::SetCaption(const QString& strCaption)
{
    m_strCaption = strCaption;
    update();
}

void CTitleBar::ShowDoneButton(bool bShow)
{
    m_bDone = bShow;
    update();
}

QRect CTitleBar::DoneRect() const
{
    const int nWidth = 44, nHeight = 26;
    return QRect(width() - nWidth - 8, (height() - nHeight) / 2, nWidth, nHeight);
}

void CTitleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0x3a, 0x6f, 0xd8));
    gradient.setColorAt(1, QColor(0x10, 0x38, 0x96));
    painter.fillRect(rect(), gradient);
    painter.setFont(BarFont(font()));
    painter.setPen(Qt::white);
    int nRight = m_bDone ? DoneRect().left() - 8 : width() - 8;
    QRect captionRect(10, 0, nRight - 10, height());
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(m_strCaption, Qt::ElideRight, captionRect.width()));
    if (m_bDone) {
        QRectF done = QRectF(DoneRect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(m_bPressed ? QColor(0x6f, 0x9c, 0xf0) : QColor(0x1d, 0x4b, 0xb5));
        painter.drawRoundedRect(done, done.height() / 2, done.height() / 2);
        painter.drawText(done, Qt::AlignCenter, QStringLiteral("ok"));
    }
}

void CTitleBar::mousePressEvent(QMouseEvent* pEvent)
{
    m_bPressed = m_bDone && DoneRect().contains(pEvent->position().toPoint());
    update();
}

void CTitleBar::mouseReleaseEvent(QMouseEvent* pEvent)
{
    bool bClicked = m_bPressed && DoneRect().contains(pEvent->position().toPoint());
    m_bPressed = false;
    update();
    if (bClicked && m_pDialog->IsRunning())
        m_pDialog->SendCommand(IDOK);
}

CSoftKeyBar::CSoftKeyBar(CDialog* pDialog, QWidget* pParent) : QWidget(pParent), m_pDialog(pDialog) {}

void CSoftKeyBar::SetMenu(const MenuTemplate* pMenu)
{
    m_pMenu = pMenu;
    m_nPressed = -1;
    update();
}

QRect CSoftKeyBar::KeyRect(int nKey) const
{
    int nKeyWidth = (width() - kKeyboardWidth) / 2;
    if (nKey == 0)
        return QRect(0, 0, nKeyWidth, height());
    return QRect(width() - nKeyWidth, 0, nKeyWidth, height());
}

int CSoftKeyBar::KeyAt(const QPoint& pt) const
{
    if (!m_pMenu)
        return -1;
    for (int nKey = 0; nKey < 2 && nKey < static_cast<int>(m_pMenu->items.size()); ++nKey) {
        if (KeyRect(nKey).contains(pt))
            return nKey;
    }
    return -1;
}

void CSoftKeyBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0x52, 0x52, 0x58));
    gradient.setColorAt(1, QColor(0x18, 0x18, 0x1c));
    painter.fillRect(rect(), gradient);
    painter.setPen(QColor(0x90, 0x90, 0x98));
    painter.drawLine(0, 0, width(), 0);

    // The input panel button between the keys; there is no input panel here.
    QRectF keyboard(width() / 2.0 - 13, height() / 2.0 - 8, 26, 16);
    painter.setPen(QPen(QColor(0xc8, 0xc8, 0xd0), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(keyboard, 2.5, 2.5);
    for (int nRow = 0; nRow < 2; ++nRow) {
        for (int nCol = 0; nCol < 5; ++nCol)
            painter.drawPoint(QPointF(keyboard.left() + 4 + nCol * 4.5, keyboard.top() + 4.5 + nRow * 4));
    }
    painter.drawLine(QPointF(keyboard.left() + 7, keyboard.bottom() - 3.5),
                     QPointF(keyboard.right() - 7, keyboard.bottom() - 3.5));

    painter.setPen(QColor(0x70, 0x70, 0x78));
    painter.drawLine(KeyRect(0).right() + 1, 6, KeyRect(0).right() + 1, height() - 6);
    painter.drawLine(KeyRect(1).left() - 1, 6, KeyRect(1).left() - 1, height() - 6);
    if (!m_pMenu)
        return;
    painter.setFont(BarFont(font()));
    for (int nKey = 0; nKey < 2 && nKey < static_cast<int>(m_pMenu->items.size()); ++nKey) {
        QRect key = KeyRect(nKey);
        if (nKey == m_nPressed)
            painter.fillRect(key.adjusted(2, 2, -2, -1), QColor(0x2a, 0x5b, 0xd7));
        painter.setPen(Qt::white);
        QString strCaption = QString::fromWCharArray(m_pMenu->items[static_cast<size_t>(nKey)].pszCaption);
        painter.drawText(key, Qt::AlignCenter,
                         painter.fontMetrics().elidedText(strCaption, Qt::ElideRight, key.width() - 8));
    }
}

void CSoftKeyBar::mousePressEvent(QMouseEvent* pEvent)
{
    m_nPressed = KeyAt(pEvent->position().toPoint());
    update();
}

void CSoftKeyBar::mouseReleaseEvent(QMouseEvent* pEvent)
{
    int nKey = m_nPressed;
    bool bClicked = nKey >= 0 && KeyAt(pEvent->position().toPoint()) == nKey;
    if (!bClicked) {
        m_nPressed = -1;
        update();
        return;
    }
    ActivateKey(nKey);
}

void CSoftKeyBar::ActivateKey(int nKey)
{
    if (!m_pMenu || nKey < 0 || nKey >= static_cast<int>(m_pMenu->items.size()) || !m_pDialog->IsRunning())
        return;
    // The menu may be replaced while its command runs; keep what was chosen.
    const MenuItemTemplate& key = m_pMenu->items[static_cast<size_t>(nKey)];
    UINT nCommand = key.nId;
    if (nCommand == 0) {
        m_nPressed = nKey;
        update();
        QMenu menu(this);
        AddMenuItems(&menu, key.popup);
        // A soft key's menu opens upwards from the bar, on the key's side.
        QSize size = menu.sizeHint();
        QRect rect = KeyRect(nKey);
        QPoint pt = nKey == 0 ? mapToGlobal(rect.topLeft()) : mapToGlobal(rect.topRight()) - QPoint(size.width() - 1, 0);
        QAction* pAction = menu.exec(pt - QPoint(0, size.height()));
        nCommand = pAction ? pAction->data().toUInt() : 0;
    }
    m_nPressed = -1;
    update();
    if (nCommand != 0 && m_pDialog->IsRunning())
        m_pDialog->SendCommand(nCommand);
}

CDialogFrame::CDialogFrame(CDialog* pDialog, CDialogFrame* pOwner, QSize size)
    : QWidget(pOwner, pOwner ? Qt::Dialog : Qt::Window)
    , m_pDialog(pDialog)
{
    if (pOwner)
        setFixedSize(size);
    else
        setMinimumSize(kMinScreenSide, kMinScreenSide);
    m_pTitle = new CTitleBar(pDialog, this);
    m_pKeys = new CSoftKeyBar(pDialog, this);
    m_pClient = new CDialogClient(pDialog, this);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    resize(size);
    m_sizeOpened = size;
    PlaceBars();
}

QRect CDialogFrame::FullClientRect() const
{
    return QRect(0, kTitleBarHeight, width(), height() - kTitleBarHeight - kSoftKeyBarHeight);
}

void CDialogFrame::SetClientFullScreen()
{
    m_bFullClient = true;
    m_pClient->setGeometry(FullClientRect());
}

QSize CDialogFrame::NormalSize() const
{
    return isMaximized() || isFullScreen() ? normalGeometry().size() : size();
}

void CDialogFrame::PlaceBars()
{
    m_pTitle->setGeometry(0, 0, width(), kTitleBarHeight);
    m_pKeys->setGeometry(0, height() - kSoftKeyBarHeight, width(), kSoftKeyBarHeight);
    if (m_bFullClient)
        m_pClient->setGeometry(FullClientRect());
}

void CDialogFrame::FitOnScreenIfFramed()
{
    if (!m_bFitPending || !isVisible())
        return;
    // Until the window manager has put its frame around the window, the
    // frame's size is not known.
    QRect frame = frameGeometry();
    if (frame == geometry() || !screen())
        return;
    m_bFitPending = false;
    QRect available = screen()->availableGeometry();
    QSize margins = frame.size() - size();
    QSize fitted = FitSizeInto(size(), available.size() - margins);
    QRect placed = MoveRectInto(QRect(frame.topLeft(), fitted + margins), available);
    if (fitted != size())
        resize(fitted);
    if (placed.topLeft() != frame.topLeft())
        move(placed.topLeft());
    m_sizeOpened = fitted;
}

void CDialogFrame::moveEvent(QMoveEvent* pEvent)
{
    QWidget::moveEvent(pEvent);
    FitOnScreenIfFramed();
}

void CDialogFrame::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    // The frames of the dialogs opened over this one are its children.
    for (QObject* pChild : children()) {
        if (auto* pDialogOver = dynamic_cast<CDialogFrame*>(pChild))
            pDialogOver->setFixedSize(size());
    }
    PlaceBars();
    FitOnScreenIfFramed();
    m_pDialog->FrameResized();
}

void CDialogFrame::showEvent(QShowEvent* pEvent)
{
    QWidget::showEvent(pEvent);
    FitOnScreenIfFramed();
}

void CDialogFrame::closeEvent(QCloseEvent* pEvent)
{
    // Closing the window is the dialog's cancel; the dialog ends itself.
    pEvent->ignore();
    if (m_pDialog->IsRunning())
        m_pDialog->SendCommand(IDCANCEL);
}

void CDialogFrame::keyPressEvent(QKeyEvent* pEvent)
{
    switch (pEvent->key()) {
    case Qt::Key_Escape:
        if (m_pDialog->IsRunning())
            m_pDialog->SendCommand(IDCANCEL);
        return;
    case Qt::Key_F1:
        m_pKeys->ActivateKey(0);
        return;
    case Qt::Key_F2:
        m_pKeys->ActivateKey(1);
        return;
    case Qt::Key_F5:
        if (m_pDialog->IsRunning())
            m_pDialog->SendCommand(ID_VIEW_REFRESH);
        return;
    default:
        QWidget::keyPressEvent(pEvent);
    }
}
