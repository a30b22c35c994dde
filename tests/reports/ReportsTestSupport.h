#pragma once

#include "platform/PlatformTime.h"
#include "platform/PlatformTypes.h"
#include "tests/support/UiTestGuards.h"
#include "ui/Dialog.h"
#include "ui/Gdi.h"

#include <cstdint>
#include <cstdlib>
#include <string>

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
