#pragma once

// What the message store's tables share: their columns, and rows fetched
// one at a time and handed out as row sets.

#include "device/Statement.h"
#include "platform/MapiObject.h"
#include "platform/MapiProps.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

// A table's columns: a few tags, held inline, since a recipient table is
// made for every message read.
class CTableColumns
{
public:
    CTableColumns(std::initializer_list<ULONG> tags) { Assign(tags.begin(), tags.end()); }

    void Assign(const ULONG* pFirst, const ULONG* pLast)
    {
        m_nCount = static_cast<size_t>(pLast - pFirst);
        if (m_nCount <= m_inline.size())
            std::copy(pFirst, pLast, m_inline.begin());
        else
            m_heap.assign(pFirst, pLast);
    }
    const ULONG* begin() const { return m_nCount <= m_inline.size() ? m_inline.data() : m_heap.data(); }
    const ULONG* end() const { return begin() + m_nCount; }

private:
    std::array<ULONG, 8> m_inline {};
    std::vector<ULONG> m_heap;
    size_t m_nCount = 0;
};

class CMapiTable : public CMapiObject<IMAPITable>
{
public:
    explicit CMapiTable(std::initializer_list<ULONG> columns)
        : m_columns(columns)
    {}

    HRESULT SetColumns(const SPropTagArray* pTags, ULONG ulFlags) override;
    HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, SRowSet** ppRows) override;

protected:
    // Adds the columns of the next row to the builder: 1, or 0 at the end of
    // the table, or -1 on a failed read.
    virtual int FetchRow(CPropBuilder& builder) = 0;

    CTableColumns m_columns;
};

// A table whose rows come from one query, stepped as rows are asked for.
class CCursorTable : public CMapiTable
{
public:
    using CMapiTable::CMapiTable;

protected:
    // 1 when m_rows stands on the next row, 0 at the end, -1 on a failed read.
    int NextRow();

    CStatement m_rows;

private:
    bool m_bDone = false;
};
