#include "platform/MapiProps.h"

#include <algorithm>
#include <cstdlib>

SPropValue* CPropBuilder::Build() const
{
    size_t cbProps = m_items.size() * sizeof(SPropValue);
    size_t cbText = m_strText.size() * sizeof(wchar_t);
    size_t cb = cbProps + cbText + m_bytes.size();
    auto* pBlock = static_cast<BYTE*>(std::malloc(cb ? cb : 1));
    if (!pBlock)
        return nullptr;
    auto* pProps = reinterpret_cast<SPropValue*>(pBlock);
    auto* pText = reinterpret_cast<wchar_t*>(pBlock + cbProps);
    BYTE* pBytes = pBlock + cbProps + cbText;
    if (cbText)
        std::memcpy(pText, m_strText.data(), cbText);
    if (!m_bytes.empty())
        std::memcpy(pBytes, m_bytes.data(), m_bytes.size());
    for (size_t i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        SPropValue& value = pProps[i];
        value.ulPropTag = item.ulTag;
        value.dwAlignPad = 0;
        switch (item.kind) {
        case Kind::Error:
            value.Value.err = item.sc;
            break;
        case Kind::Text:
            value.Value.lpszW = pText + item.nOffset;
            break;
        case Kind::Binary:
            value.Value.bin.cb = static_cast<ULONG>(item.cb);
            value.Value.bin.lpb = item.cb ? pBytes + item.nOffset : nullptr;
            break;
        case Kind::Time:
            value.Value.ft = TicksToFileTime(item.nTicks);
            break;
        }
    }
    return pProps;
}

bool AddNameProp(CPropBuilder& builder, ULONG ulTag, const std::vector<BYTE>& entryId,
                 const std::optional<std::string>& strName)
{
    if (ulTag == PR_ENTRYID)
        builder.AddBinary(ulTag, entryId);
    else if (ulTag == PR_DISPLAY_NAME)
        builder.AddText(ulTag, strName);
    else
        return false;
    return true;
}

HRESULT HandOutRows(const std::vector<SRow>& rows, SRowSet** ppRows)
{
    size_t cb = offsetof(SRowSet, aRow) + std::max<size_t>(rows.size(), 1) * sizeof(SRow);
    auto* pSet = static_cast<SRowSet*>(std::malloc(cb));
    if (!pSet) {
        for (const SRow& row : rows)
            MAPIFreeBuffer(row.lpProps);
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    pSet->cRows = static_cast<ULONG>(rows.size());
    std::copy(rows.begin(), rows.end(), pSet->aRow);
    *ppRows = pSet;
    return S_OK;
}

ULONG MAPIFreeBuffer(void* lpBuffer)
{
    std::free(lpBuffer);
    return 0;
}

void FreeProws(SRowSet* lpRows)
{
    if (!lpRows)
        return;
    for (ULONG i = 0; i < lpRows->cRows; ++i)
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
}
