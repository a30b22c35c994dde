#include "tests/reports/ReportsTestSupport.h"

#include "tests/support/TestDevice.h"

#include <QWidget>

CTimeZone::CTimeZone(const char* pszZone)
{
    if (const char* pszOld = std::getenv("TZ")) {
        m_strOld = pszOld;
        m_bHadOld = true;
    }
    ::setenv("TZ", pszZone, 1);
}

CTimeZone::~CTimeZone()
{
    if (m_bHadOld)
        ::setenv("TZ", m_strOld.c_str(), 1);
    else
        ::unsetenv("TZ");
}

CFixedTextHeight::CFixedTextHeight(int nHeight)
{
    SetTextExtentHook([nHeight](LPCWSTR, int cchString, SIZE* pSize) -> BOOL {
        if (nHeight < 0)
            return FALSE;
        pSize->cx = 9 * cchString;
        pSize->cy = nHeight;
        return TRUE;
    });
}

CFixedTextHeight::~CFixedTextHeight()
{
    SetTextExtentHook({});
}

CFixedClock::CFixedClock(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nMilliseconds)
{
    SYSTEMTIME st {};
    st.wYear = static_cast<WORD>(nYear);
    st.wMonth = static_cast<WORD>(nMonth);
    st.wDay = static_cast<WORD>(nDay);
    st.wHour = static_cast<WORD>(nHour);
    st.wMinute = static_cast<WORD>(nMinute);
    st.wSecond = static_cast<WORD>(nSecond);
    st.wMilliseconds = static_cast<WORD>(nMilliseconds);
    FILETIME ft {};
    SystemTimeToFileTime(&st, &ft);
    FileTimeToSystemTime(&ft, &st);
    SetLocalClock([st](SYSTEMTIME* pst) { *pst = st; });
}

CFixedClock::~CFixedClock()
{
    SetLocalClock({});
}

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
