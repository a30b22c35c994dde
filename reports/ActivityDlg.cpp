#include "reports/ActivityDlg.h"

#include "figures/RankingRange.h"
#include "reports/ChooseTimeDlg.h"
#include "ui/WinApp.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QPainter>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>
#include <memory>

BEGIN_MESSAGE_MAP(CActivityDlg, CDialog)
    ON_COMMAND(ID_ACTIVITY_BARS, &CActivityDlg::OnBars)
    ON_COMMAND(ID_ACTIVITY_HOURS, &CActivityDlg::OnHours)
    ON_COMMAND(ID_ACTIVITY_BY_TIME, &CActivityDlg::OnByTime)
    ON_COMMAND(ID_ACTIVITY_EVERYTHING, &CActivityDlg::OnEverything)
END_MESSAGE_MAP()

namespace {

const wchar_t* const kDayNames[] = {L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"};

// The seven days by 24 hours, each cell shaded from white (none) to the
// darkest blue (the busiest hour), with its count written in it.
class CHourGrid : public QWidget
{
public:
    CHourGrid(const ActivityFigures& figures, QWidget* pParent) : QWidget(pParent), m_figures(figures) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        QFont font = painter.font();
        font.setPixelSize(std::max(8, height() / 40));
        painter.setFont(font);
        int nMax = 1;
        for (const auto& day : m_figures.hours)
            nMax = std::max(nMax, *std::max_element(std::begin(day), std::end(day)));
        // Days across, hours down: 24 rows fit the phone's tall screen.
        const int nLeft = 36, nTop = font.pixelSize() + 8;
        double fCellWidth = (width() - nLeft - 4) / 7.0;
        double fCellHeight = (height() - nTop - 4) / 24.0;
        painter.setPen(Qt::black);
        for (int nDay = 0; nDay < 7; ++nDay)
            painter.drawText(QRectF(nLeft + nDay * fCellWidth, 2, fCellWidth, nTop - 4), Qt::AlignCenter,
                             QString::fromWCharArray(kDayNames[nDay]));
        for (int nHour = 0; nHour < 24; ++nHour) {
            double y = nTop + nHour * fCellHeight;
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, y, nLeft - 4, fCellHeight), Qt::AlignRight | Qt::AlignVCenter,
                             QStringLiteral("%1").arg(nHour, 2, 10, QLatin1Char('0')));
            for (int nDay = 0; nDay < 7; ++nDay) {
                int nCount = m_figures.hours[nDay][nHour];
                int nShade = 255 - 215 * nCount / nMax;
                QRectF cell(nLeft + nDay * fCellWidth, y, fCellWidth, fCellHeight);
                painter.fillRect(cell, QColor(nShade, nShade, 255));
                painter.setPen(QColor(200, 200, 200));
                painter.drawRect(cell);
                if (nCount) {
                    painter.setPen(nShade < 140 ? Qt::white : Qt::black);
                    painter.drawText(cell, Qt::AlignCenter, QString::number(nCount));
                }
            }
        }
    }

private:
    const ActivityFigures& m_figures;
};

// Categories of a bar axis must differ; where there are too many bars to
// name each, only the first of each year (months) or month (days) is named
// and the others get distinct blank names.
QStringList BarCategories(const ActivityFigures& figures)
{
    QStringList categories;
    bool bNameAll = figures.bars.size() <= 24;
    for (size_t i = 0; i < figures.bars.size(); ++i) {
        QString strLabel = QString::fromStdWString(figures.bars[i].strLabel);
        if (bNameAll || i == 0 || strLabel.endsWith(QLatin1String("-01")))
            categories << (bNameAll ? strLabel : strLabel.left(figures.bByDay ? 7 : 4));
        else
            categories << QString(static_cast<qsizetype>(i), QLatin1Char(' '));
    }
    return categories;
}

QChartView* MakeChart(const QString& strTitle, const QStringList& categories,
                      const std::vector<std::pair<QString, std::vector<int>>>& sets, QWidget* pParent)
{
    auto* pSeries = new QStackedBarSeries;
    int nMax = 0;
    std::vector<int> totals(static_cast<size_t>(categories.size()), 0);
    for (const auto& [strName, values] : sets) {
        auto* pSet = new QBarSet(strName);
        for (size_t i = 0; i < values.size(); ++i) {
            *pSet << values[i];
            totals[i] += values[i];
        }
        pSeries->append(pSet);
    }
    for (int nTotal : totals)
        nMax = std::max(nMax, nTotal);
    pSeries->setBarWidth(1.0);
    auto* pChart = new QChart;
    pChart->addSeries(pSeries);
    pChart->setTitle(strTitle);
    pChart->legend()->setAlignment(Qt::AlignBottom);
    pChart->setMargins(QMargins(2, 2, 2, 2));
    auto* pAxisX = new QBarCategoryAxis;
    pAxisX->append(categories);
    pAxisX->setLabelsAngle(-90);
    pChart->addAxis(pAxisX, Qt::AlignBottom);
    pSeries->attachAxis(pAxisX);
    auto* pAxisY = new QValueAxis;
    pAxisY->setRange(0, std::max(1, nMax));
    pAxisY->setLabelFormat(QStringLiteral("%d"));
    pAxisY->applyNiceNumbers();
    pChart->addAxis(pAxisY, Qt::AlignLeft);
    pSeries->attachAxis(pAxisY);
    auto* pView = new QChartView(pChart, pParent);
    pView->setRenderHint(QPainter::Antialiasing);
    return pView;
}

} // namespace

CActivityDlg::CActivityDlg(CWnd* pParent) : CDialog(CActivityDlg::IDD, pParent)
{
    m_smsStore.Open();
}

CActivityDlg::~CActivityDlg()
{
    m_smsStore.Close();
}

BOOL CActivityDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (!m_menuBar.Create(this) || !m_menuBar.InsertMenuBar(IDR_ACTIVITY_MENU))
        return FALSE;

    CountAndShow();
    return TRUE;
}

void CActivityDlg::CountAndShow()
{
    CWaitCursor wait;
    const TimeRange* pRange = m_range ? &*m_range : nullptr;
    GetActivity(m_callLog, m_smsStore, m_strName ? m_strName->c_str() : nullptr, pRange, &m_figures);
    SetCaption((L"Activity: " + (m_strName ? *m_strName : std::wstring(L"all")) + L", " + RangeText(pRange)).c_str());
    ShowView();
}

void CActivityDlg::ShowView()
{
    delete m_pView;
    m_pView = new QWidget(m_hWnd);
    if (m_bHours) {
        new CHourGrid(m_figures, m_pView);
    } else {
        QStringList categories = BarCategories(m_figures);
        std::vector<int> incoming, outgoing, missed, received, sent;
        for (const ActivityBar& bar : m_figures.bars) {
            incoming.push_back(bar.nIncoming);
            outgoing.push_back(bar.nOutgoing);
            missed.push_back(bar.nMissed);
            received.push_back(bar.nReceived);
            sent.push_back(bar.nSent);
        }
        QString strUnit = m_figures.bByDay ? QStringLiteral("per day") : QStringLiteral("per month");
        MakeChart(QStringLiteral("Calls ") + strUnit, categories,
                  {{QStringLiteral("Incoming"), incoming},
                   {QStringLiteral("Outgoing"), outgoing},
                   {QStringLiteral("Missed"), missed}},
                  m_pView);
        MakeChart(QStringLiteral("Texts ") + strUnit, categories,
                  {{QStringLiteral("Received"), received}, {QStringLiteral("Sent"), sent}}, m_pView);
    }
    FitViewToClient();
    m_pView->show();
}

void CActivityDlg::FitViewToClient()
{
    RECT rc {};
    GetClientRect(&rc);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    m_pView->setGeometry(rc.left, rc.top, cx, cy);
    // The charts share the height, one above the other.
    QList<QWidget*> parts = m_pView->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < parts.size(); ++i)
        parts[i]->setGeometry(0, static_cast<int>(i * cy / parts.size()), cx, static_cast<int>(cy / parts.size()));
}

void CActivityDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    if (m_pView)
        FitViewToClient();
}

void CActivityDlg::GetDumpLines(std::vector<std::vector<std::wstring>>* pLines) const
{
    if (m_bHours) {
        for (int nDay = 0; nDay < 7; ++nDay) {
            for (int nHour = 0; nHour < 24; ++nHour)
                pLines->push_back(
                    {L"cell", kDayNames[nDay], std::to_wstring(nHour), std::to_wstring(m_figures.hours[nDay][nHour])});
        }
        return;
    }
    for (const ActivityBar& bar : m_figures.bars) {
        pLines->push_back({L"bar", bar.strLabel, std::to_wstring(bar.nIncoming), std::to_wstring(bar.nOutgoing),
                           std::to_wstring(bar.nMissed), std::to_wstring(bar.nReceived), std::to_wstring(bar.nSent)});
    }
}

void CActivityDlg::OnBars()
{
    m_bHours = false;
    ShowView();
}

void CActivityDlg::OnHours()
{
    m_bHours = true;
    ShowView();
}

void CActivityDlg::OnByTime()
{
    auto pChooseTime = std::make_unique<CChooseTimeDlg>();
    if (pChooseTime->DoModal() == IDCANCEL)
        return;
    m_range = pChooseTime->m_range;
    CountAndShow();
}

void CActivityDlg::OnEverything()
{
    m_range.reset();
    CountAndShow();
}
