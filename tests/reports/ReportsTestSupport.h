#pragma once

#include "ui/Dialog.h"
#include "ui/Gdi.h"
#include "platform/PlatformTime.h"
#include "platform/PlatformTypes.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// The device screen size for as long as the object lives.
class CScreenSize
{
public:
    explicit CScreenSize(const char* pszSize) { ::setenv("RINGTALLY_SCREEN", pszSize, 1); }
    ~CScreenSize() { ::unsetenv("RINGTALLY_SCREEN"); }
    CScreenSize(const CScreenSize&) = delete;
    CScreenSize& operator=(const CScreenSize&) = delete;
};

// The process's time zone (TZ) for as long as the object lives.
class CTimeZone
{
public:
    explicit CTimeZone(const char* pszZone);
    ~CTimeZone();
    CTimeZone(const CTimeZone&) = delete;
    CTimeZone& operator=(const CTimeZone&) = delete;

private:
    std::string m_strOld;
    bool m_bHadOld = false;
};

// Every measured "A" is nHeight pixels high (nHeight < 0: the measurement
// fails) for as long as the object lives.
class CFixedTextHeight
{
public:
    explicit CFixedTextHeight(int nHeight);
    ~CFixedTextHeight();
    CFixedTextHeight(const CFixedTextHeight&) = delete;
    CFixedTextHeight& operator=(const CFixedTextHeight&) = delete;
};

// The platform clock stands still at the given local time while the object lives.
class CFixedClock
{
public:
    CFixedClock(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nMilliseconds = 0);
    ~CFixedClock();
    CFixedClock(const CFixedClock&) = delete;
    CFixedClock& operator=(const CFixedClock&) = delete;
};

struct Geometry {
    int x, y, cx, cy;
    bool operator==(const Geometry&) const = default;
};
Geometry GeometryOf(const CWnd* pWnd);
// The cell height a control's font was made with (LOGFONT height), 0 when
// it has a font of no description.
LONG FontHeightOf(const CWnd* pWnd);

// A local calendar time as FILETIME ticks with no zone shift.
uint64_t LocalTicks(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0,
                    int nMilliseconds = 0);
inline uint64_t Ticks(const FILETIME& ft)
{
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
