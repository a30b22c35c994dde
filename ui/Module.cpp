#include "ui/Module.h"

#include "ui/ImageList.h"

#include <cwctype>
#include <set>
#include <string>
#include <vector>

struct ModuleObject {
    std::wstring strName;
    // Loaded at start-up; such a library stays loaded whatever FreeLibrary does.
    bool bBuiltIn;
    int nLoadCount;
    std::vector<std::pair<std::wstring, FARPROC>> exports;
    std::set<std::wstring> hidden;
};

namespace {

uint64_t g_nProcAddressCalls = 0;

std::wstring Lower(LPCWSTR psz)
{
    std::wstring str(psz);
    for (wchar_t& ch : str)
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    return str;
}

std::vector<ModuleObject>& Modules()
{
    // Only what the program looks up by name is exported here.
    static std::vector<ModuleObject> s_modules = {
        {L"ringtally.exe", true, 1, {}, {}},
        {L"coredll.dll", true, 1, {{L"ImageList_ReplaceIcon", reinterpret_cast<FARPROC>(&ImageList_ReplaceIcon)}}, {}},
    };
    return s_modules;
}

ModuleObject* FindModule(LPCWSTR lpName)
{
    std::wstring strName = Lower(lpName);
    for (ModuleObject& module : Modules()) {
        if (module.strName == strName)
            return &module;
    }
    return nullptr;
}

} // namespace

HMODULE GetModuleHandleW(LPCWSTR lpModuleName)
{
    if (!lpModuleName)
        return &Modules().front();
    ModuleObject* pModule = FindModule(lpModuleName);
    return pModule && pModule->nLoadCount > 0 ? pModule : nullptr;
}

HMODULE LoadLibraryW(LPCWSTR lpLibFileName)
{
    if (!lpLibFileName)
        return nullptr;
    ModuleObject* pModule = FindModule(lpLibFileName);
    if (pModule)
        ++pModule->nLoadCount;
    return pModule;
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    if (!hLibModule || hLibModule->nLoadCount <= 0)
        return FALSE;
    if (!hLibModule->bBuiltIn || hLibModule->nLoadCount > 1)
        --hLibModule->nLoadCount;
    return TRUE;
}

FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName)
{
    ++g_nProcAddressCalls;
    if (!hModule || !lpProcName || hModule->nLoadCount <= 0 || hModule->hidden.count(lpProcName))
        return nullptr;
    for (const auto& [strName, pfn] : hModule->exports) {
        if (strName == lpProcName)
            return pfn;
    }
    return nullptr;
}

uint64_t GetProcAddressCalls()
{
    return g_nProcAddressCalls;
}

void SetExportHidden(LPCWSTR lpModuleName, LPCWSTR lpProcName, bool bHidden)
{
    ModuleObject* pModule = FindModule(lpModuleName);
    if (!pModule)
        return;
    if (bHidden)
        pModule->hidden.insert(lpProcName);
    else
        pModule->hidden.erase(lpProcName);
}
