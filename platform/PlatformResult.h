#pragma once

// The platform's HRESULT-style result codes that more than one service uses:
// zero and positive values succeed (positive ones are warnings), negative
// values fail.

#include "platform/PlatformTypes.h"

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}

constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}
