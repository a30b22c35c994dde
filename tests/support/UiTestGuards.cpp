#include "tests/support/UiTestGuards.h"

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
