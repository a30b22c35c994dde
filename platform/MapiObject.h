#pragma once

// What every object of the message store shares: counted references, the
// checks that OpenEntry makes first, and the failure seam.

#include "platform/MapiStore.h"

template <class TInterface> class CMapiObject : public TInterface
{
public:
    ULONG AddRef() override { return ++m_cRef; }
    ULONG Release() override
    {
        ULONG cRef = --m_cRef;
        if (cRef == 0)
            delete this;
        return cRef;
    }

private:
    ULONG m_cRef = 1;
};

// The store is only read, and an object is named by a non-empty entry
// identifier.
inline HRESULT CheckOpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, ULONG ulFlags, IUnknown** ppUnk)
{
    if (!ppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *ppUnk = nullptr;
    if (ulFlags & MAPI_MODIFY)
        return MAPI_E_NO_ACCESS;
    if (cbEntryID == 0 || !pEntryID)
        return MAPI_E_INVALID_ENTRYID;
    return S_OK;
}

// The fault set by SetMapiFault, and what it makes of a step; S_OK without
// one.
extern MapiFault g_mapiFault;

inline HRESULT CheckMapiFault(MapiFaultStep step, int64_t nMessageId)
{
    return g_mapiFault ? g_mapiFault(step, nMessageId) : S_OK;
}
