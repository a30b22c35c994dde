#include "platform/MapiTable.h"

#include "platform/MapiStoreDb.h"

#include <sqlite3.h>

#include <algorithm>

HRESULT CMapiTable::SetColumns(const SPropTagArray* pTags, ULONG)
{
    if (!pTags || pTags->cValues == 0)
        return MAPI_E_INVALID_PARAMETER;
    m_columns.Assign(pTags->aulPropTag, pTags->aulPropTag + pTags->cValues);
    return S_OK;
}

HRESULT CMapiTable::QueryRows(LONG lRowCount, ULONG, SRowSet** ppRows)
{
    if (!ppRows || lRowCount <= 0)
        return MAPI_E_INVALID_PARAMETER;
    *ppRows = nullptr;
    // Rows are gathered in one buffer that every table shares: a fetch
    // never runs inside another.
    static std::vector<SRow> s_fetched;
    std::vector<SRow>& fetched = s_fetched;
    fetched.clear();
    HRESULT hr = S_OK;
    CPropBuilder& builder = PropBuilder();
    while (fetched.size() < static_cast<size_t>(lRowCount)) {
        builder.Clear();
        int nFetched = FetchRow(builder);
        if (nFetched == 0)
            break;
        SPropValue* pProps = nFetched > 0 ? builder.Build() : nullptr;
        if (!pProps) {
            hr = nFetched > 0 ? MAPI_E_NOT_ENOUGH_MEMORY : MAPI_E_CALL_FAILED;
            break;
        }
        fetched.push_back({0, builder.Count(), pProps});
    }
    if (FAILED(hr) && fetched.empty())
        return hr;
    return HandOutRows(fetched, ppRows);
}

int CCursorTable::NextRow()
{
    if (m_bDone || !m_rows.IsValid())
        return 0;
    int nCode = StepRow(m_rows);
    if (nCode == SQLITE_ROW)
        return 1;
    // A statement stepped again after its end would start over.
    m_bDone = true;
    m_rows.Reset();
    return nCode == SQLITE_DONE ? 0 : -1;
}
