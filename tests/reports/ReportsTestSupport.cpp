#include "tests/reports/ReportsTestSupport.h"

#include "tests/support/TestDevice.h"

#include <QWidget>

Geometry GeometryOf(const CWnd* pWnd)
{
    if (!pWnd || !pWnd->m_hWnd)
        return {-1, -1, -1, -1};
    QRect rc = pWnd->m_hWnd->geometry();
    return {rc.x(), rc.y(), rc.width(), rc.height()};
}

LONG FontHeightOf(const CWnd* pWnd)
{
    LOGFONTW lf {};
    HFONT hFont = pWnd ? pWnd->GetFont() : nullptr;
    if (!hFont || GetObjectW(hFont, sizeof(lf), &lf) == 0)
        return 0;
    return lf.lfHeight;
}

uint64_t LocalTicks(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nMilliseconds)
{
    return static_cast<uint64_t>(UtcTicks(nYear, nMonth, nDay, nHour, nMinute, nSecond, nMilliseconds));
}
