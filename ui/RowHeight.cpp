#include "ui/RowHeight.h"

#include "ui/Gdi.h"
#include "ui/Wnd.h"

int GetRowHeight(const CWnd& wnd)
{
    int nHeight = 17;
    HDC hdc = GetDC(wnd.m_hWnd);
    SIZE size {};
    if (hdc && GetTextExtentExPointW(hdc, L"A", 1, 0, nullptr, nullptr, &size))
        nHeight = size.cy + 3;
    ReleaseDC(wnd.m_hWnd, hdc);
    return nHeight;
}
