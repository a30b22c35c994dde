#include "tests/support/UiTestGuards.h"

#include "ui/ScreenSize.h"

#include <QSettings>

CFixedTextHeight::CFixedTextHeight(int nHeight)
    : m_hook([nHeight](LPCWSTR, int cchString, SIZE* pSize) -> BOOL {
        if (nHeight < 0)
            return FALSE;
        pSize->cx = 9 * cchString;
        pSize->cy = nHeight;
        return TRUE;
    })
{
}

CRememberedSize::CRememberedSize(std::optional<QSize> size)
{
    QSettings().clear();
    if (size)
        RememberScreenSize(*size);
}

CRememberedSize::~CRememberedSize()
{
    QSettings().clear();
}
