#pragma once

// The phone platform's base types, under the platform's names, with the
// platform's widths. Texts are wchar_t strings (32 bits here).

#include <cstdint>
#include <cwchar>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using UINT = unsigned int;
using HRESULT = int32_t;
using WCHAR = wchar_t;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using HANDLE = void*;
using HLOCAL = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// A FILETIME as one 64-bit count of 100 ns ticks, and back.
inline uint64_t FileTimeToTicks(const FILETIME& ft)
{
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline FILETIME TicksToFileTime(uint64_t nTicks)
{
    return FILETIME{static_cast<DWORD>(nTicks & 0xffffffffu), static_cast<DWORD>(nTicks >> 32)};
}

// Releases a text handed out by a platform call (the call log's texts).
// Accepts null; returns null, as on the platform.
HLOCAL LocalFree(HLOCAL hMem);
// Copies a text into memory that LocalFree releases; null stays null.
wchar_t* LocalAllocText(const wchar_t* pszText);
