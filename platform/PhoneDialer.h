#pragma once

// The phone library's dialling request. There is no phone here, so the
// number goes to the desktop's dialler: the command in RINGTALLY_DIALER (run
// by /bin/sh, with the number appended as one more argument), else
// "xdg-open tel:NUMBER". The request waits up to two seconds, the windows
// painting meanwhile, for the dialler to say whether it took the number: a
// dialler that ends with a status other than 0 within that time has not.
//
// Under automation nothing is dialled: the request prints "dial NUMBER".

#include "platform/PlatformTypes.h"

constexpr DWORD PMCF_DEFAULT = 0x00000001;

struct PHONEMAKECALLINFO {
    DWORD cbSize;
    DWORD dwFlags;
    LPCWSTR pszDestAddress;
    LPCWSTR pszAppName;
    LPCWSTR pszCalledParty;
    LPCWSTR pszComment;
};

// Hands pszDestAddress, exactly as given, to the dialler. Returns 0 when the
// dialler took it or is still busy with it (or under automation), -1 when the
// request is malformed (no request, a wrong cbSize, no address), or no
// dialler could be started or it failed.
LONG PhoneMakeCall(PHONEMAKECALLINFO* ppmci);
