#include "ui/ListHelpers.h"

#include "ui/Gdi.h"
#include "ui/Module.h"
#include "ui/Wnd.h"

#include <cwchar>

namespace {

using PFNIMAGELISTREPLACEICON = int (*)(HIMAGELIST, int, HICON);

// The image list call is found by name in the system library on first use
// and kept for the rest of the run. A system without it appends nothing:
// the rows then show no icon, which the program already tolerates.
struct ReplaceIconLookup {
    bool bDone = false;
    HMODULE hCoreDll = nullptr;
    bool bLoadedByUs = false;
    PFNIMAGELISTREPLACEICON pfnReplaceIcon = nullptr;
};

ReplaceIconLookup g_lookup;

PFNIMAGELISTREPLACEICON ReplaceIcon()
{
    if (!g_lookup.bDone) {
        g_lookup.bDone = true;
        g_lookup.hCoreDll = GetModuleHandleW(L"coredll.dll");
        if (!g_lookup.hCoreDll) {
            g_lookup.hCoreDll = LoadLibraryW(L"coredll.dll");
            g_lookup.bLoadedByUs = g_lookup.hCoreDll != nullptr;
        }
        if (g_lookup.hCoreDll)
            g_lookup.pfnReplaceIcon =
                reinterpret_cast<PFNIMAGELISTREPLACEICON>(GetProcAddressW(g_lookup.hCoreDll, L"ImageList_ReplaceIcon"));
    }
    return g_lookup.pfnReplaceIcon;
}

} // namespace

int AppendIcon(HIMAGELIST himl, HICON hIcon)
{
    PFNIMAGELISTREPLACEICON pfn = ReplaceIcon();
    if (!pfn)
        return -1;
    return pfn(himl, -1, hIcon);
}

void SetControlFont(HWND hWnd, int nExtraHeight)
{
    HDC hdc = GetDC(hWnd);
    SIZE size {};
    LONG nBaseHeight = 16;
    if (hdc && GetTextExtentExPointW(hdc, L"A", 1, 0, nullptr, nullptr, &size))
        nBaseHeight = size.cy;
    ReleaseDC(hWnd, hdc);

    LOGFONTW lf {};
    lf.lfHeight = nBaseHeight + nExtraHeight;
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
    std::wcscpy(lf.lfFaceName, L"Tahoma");
    HFONT hFont = CreateFontIndirectW(&lf);
    SendMessageW(hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
}

void ResetAppendIconLookup()
{
    if (g_lookup.bLoadedByUs)
        FreeLibrary(g_lookup.hCoreDll);
    g_lookup = ReplaceIconLookup();
}
