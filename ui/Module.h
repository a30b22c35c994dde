#pragma once

// Libraries and their exported functions by name. The system library
// "coredll.dll" is loaded from the start; a null name is the program itself,
// whose handle is the instance handle its resources are loaded with.

#include "ui/WinDef.h"

HMODULE GetModuleHandleW(LPCWSTR lpModuleName);
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
BOOL FreeLibrary(HMODULE hLibModule);
FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName);

// Test seams: how many times GetProcAddressW has been asked, and hiding an
// export of a library as on a platform that lacks it.
uint64_t GetProcAddressCalls();
void SetExportHidden(LPCWSTR lpModuleName, LPCWSTR lpProcName, bool bHidden);
