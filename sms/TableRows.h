#pragma once

// Walking a message store table one row at a time, as the program reads
// every table: each row set is freed once its row has been looked at, and a
// walk that fails part way has handed out the rows before the failure.

#include "platform/MapiStore.h"

// Hands visit(row) the rows of pTable from its current position until the
// table ends, a fetch fails, or visit returns false. The failed fetch's
// code, else S_OK; a warning from a fetch does not end the walk.
template <class Visit> HRESULT ForEachRow(IMAPITable* pTable, Visit&& visit)
{
    for (;;) {
        SRowSet* pRows = nullptr;
        HRESULT hr = pTable->QueryRows(1, 0, &pRows);
        if (FAILED(hr) || !pRows || pRows->cRows == 0) {
            FreeProws(pRows);
            return FAILED(hr) ? hr : S_OK;
        }
        bool bMore = true;
        for (ULONG i = 0; i < pRows->cRows && bMore; ++i)
            bMore = visit(pRows->aRow[i]);
        FreeProws(pRows);
        if (!bMore)
            return S_OK;
    }
}
