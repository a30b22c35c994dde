#include "platform/PlatformTypes.h"

#include <cstdlib>
#include <cstring>

HLOCAL LocalFree(HLOCAL hMem)
{
    std::free(hMem);
    return nullptr;
}

wchar_t* LocalAllocText(const wchar_t* pszText)
{
    if (!pszText)
        return nullptr;
    size_t cch = std::wcslen(pszText) + 1;
    auto* pszCopy = static_cast<wchar_t*>(std::malloc(cch * sizeof(wchar_t)));
    if (pszCopy)
        std::memcpy(pszCopy, pszText, cch * sizeof(wchar_t));
    return pszCopy;
}
