#pragma once

// The message store's property marshalling: property values are gathered
// for one row or one GetProps call and handed out as one block that
// MAPIFreeBuffer releases; rows are handed out as a row set whose values
// FreeProws releases with it.

#include "platform/MapiStore.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

// A message's entry identifier: held inline when short, as identifiers
// normally are, so that reading a row of a large folder allocates nothing
// for it.
class CEntryBytes
{
public:
    void Assign(const BYTE* pData, size_t cb)
    {
        m_cb = cb;
        if (cb <= m_inline.size()) {
            if (cb)
                std::memcpy(m_inline.data(), pData, cb);
        } else {
            m_heap.assign(pData, pData + cb);
        }
    }
    const BYTE* Data() const { return m_cb <= m_inline.size() ? m_inline.data() : m_heap.data(); }
    size_t Size() const { return m_cb; }
    bool IsEntry(ULONG cbEntryID, const ENTRYID* pEntryID) const
    {
        return m_cb == cbEntryID && (cbEntryID == 0 || std::memcmp(Data(), pEntryID, cbEntryID) == 0);
    }

private:
    std::array<BYTE, 32> m_inline {};
    std::vector<BYTE> m_heap;
    size_t m_cb = 0;
};

// Collects the property values of one row or one GetProps call. A text
// that is absent becomes the error value MAPI_E_NOT_FOUND.
class CPropBuilder
{
public:
    void Clear()
    {
        m_nItems = 0;
        m_strText.clear();
        m_bytes.clear();
        m_bErrors = false;
    }

    void AddError(ULONG ulTag, SCODE sc)
    {
        Push({PROP_TAG(PT_ERROR, PROP_ID(ulTag)), Kind::Error, sc, 0, 0, 0});
        m_bErrors = true;
    }

    void AddText(ULONG ulTag, const std::optional<std::string>& strUtf8);

    void AddBinary(ULONG ulTag, const BYTE* pData, size_t cb)
    {
        size_t nOffset = m_bytes.size();
        m_bytes.insert(m_bytes.end(), pData, pData + cb);
        Push({ulTag, Kind::Binary, 0, nOffset, cb, 0});
    }
    void AddBinary(ULONG ulTag, const std::vector<BYTE>& bytes) { AddBinary(ulTag, bytes.data(), bytes.size()); }
    void AddBinary(ULONG ulTag, const CEntryBytes& bytes) { AddBinary(ulTag, bytes.Data(), bytes.Size()); }

    void AddTime(ULONG ulTag, uint64_t nTicks) { Push({ulTag, Kind::Time, 0, 0, 0, nTicks}); }

    bool HasErrors() const { return m_bErrors; }
    ULONG Count() const { return static_cast<ULONG>(m_nItems); }

    // The values in one block that MAPIFreeBuffer releases; null when
    // memory runs out.
    SPropValue* Build() const
    {
        size_t cbProps = m_nItems * sizeof(SPropValue);
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
        for (size_t i = 0; i < m_nItems; ++i) {
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

private:
    enum class Kind { Error, Text, Binary, Time };
    struct Item {
        ULONG ulTag;
        Kind kind;
        SCODE sc;
        size_t nOffset;
        size_t cb;
        uint64_t nTicks;
    };

    // The items go into a buffer that only grows, since one builder serves
    // every row: adding one is then a store, compiled inline where it is used.
    void Push(const Item& item)
    {
        if (m_nItems == m_items.size())
            m_items.resize(m_items.empty() ? 8 : 2 * m_items.size());
        m_items[m_nItems++] = item;
    }

    std::vector<Item> m_items;
    size_t m_nItems = 0;
    std::wstring m_strText;
    std::vector<BYTE> m_bytes;
    bool m_bErrors = false;
};

// The builder that every call uses, so that its buffers keep their size from
// one message to the next. Calls never nest.
inline CPropBuilder& PropBuilder()
{
    static CPropBuilder s_builder;
    return s_builder;
}

// Hands out the builder's values as GetProps does: S_OK, or
// MAPI_W_ERRORS_RETURNED when some are error values.
inline HRESULT HandOutProps(const CPropBuilder& builder, ULONG* pcValues, SPropValue** ppProps)
{
    SPropValue* pProps = builder.Build();
    if (!pProps)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *pcValues = builder.Count();
    *ppProps = pProps;
    return builder.HasErrors() ? MAPI_W_ERRORS_RETURNED : S_OK;
}

// GetProps of an object whose addProp(builder, tag) adds the value of one
// tag, or an error value for a property it lacks.
template <class AddProp>
HRESULT GetPropsOf(const SPropTagArray* pTags, ULONG* pcValues, SPropValue** ppProps, AddProp addProp)
{
    if (!pTags || !pcValues || !ppProps)
        return MAPI_E_INVALID_PARAMETER;
    CPropBuilder& builder = PropBuilder();
    builder.Clear();
    for (ULONG i = 0; i < pTags->cValues; ++i)
        addProp(builder, pTags->aulPropTag[i]);
    return HandOutProps(builder, pcValues, ppProps);
}

// The properties that stores and folders share: PR_ENTRYID and
// PR_DISPLAY_NAME. False for any other tag, which the builder is left without.
bool AddNameProp(CPropBuilder& builder, ULONG ulTag, const std::vector<BYTE>& entryId,
                 const std::optional<std::string>& strName);

// Hands out fetched rows as one row set (an empty set for none). When
// memory runs out, their values are freed and nothing is handed out.
inline HRESULT HandOutRows(const std::vector<SRow>& rows, SRowSet** ppRows)
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
