#include "sms/TableRows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

constexpr ULONG kValueTag = PROP_TAG(PT_LONG, 0x6000);

// What one QueryRows call of the scripted table gives.
struct Fetch {
    HRESULT hr;
    LONG nValue; // the row's value; kEnd: an empty row set; kNoSet: none
};
constexpr LONG kEnd = -1;
constexpr LONG kNoSet = -2;

// A table that answers QueryRows from a script, in memory that FreeProws
// releases, and counts the calls.
class CScriptedTable : public IMAPITable
{
public:
    explicit CScriptedTable(std::vector<Fetch> script)
        : m_script(std::move(script))
    {}

    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetColumns(const SPropTagArray*, ULONG) override { return S_OK; }
    HRESULT GetRowCount(ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }

    HRESULT QueryRows(LONG, ULONG, SRowSet** ppRows) override
    {
        *ppRows = nullptr;
        if (m_nCalls >= m_script.size()) {
            ADD_FAILURE() << "a row was asked for after the walk should have ended";
            return MAPI_E_CALL_FAILED;
        }
        const Fetch& fetch = m_script[m_nCalls++];
        if (FAILED(fetch.hr) || fetch.nValue == kNoSet)
            return fetch.hr;
        auto* pSet = static_cast<SRowSet*>(std::malloc(sizeof(SRowSet)));
        pSet->cRows = 0;
        if (fetch.nValue != kEnd) {
            auto* pProp = static_cast<SPropValue*>(std::malloc(sizeof(SPropValue)));
            pProp->ulPropTag = kValueTag;
            pProp->Value.l = fetch.nValue;
            pSet->cRows = 1;
            pSet->aRow[0] = {0, 1, pProp};
        }
        *ppRows = pSet;
        return fetch.hr;
    }

    size_t Calls() const { return m_nCalls; }

private:
    std::vector<Fetch> m_script;
    size_t m_nCalls = 0;
};

TEST(TableRows, WalksUntilTheEndAFailureOrTheVisitorStops)
{
    struct Case {
        const char* pszWhat;
        std::vector<Fetch> script;
        LONG nStopAt; // the value after which the visitor asks for no more; 0: never
        HRESULT hr;
        std::vector<LONG> visited;
    };
    const Case kCases[] = {
        {"to the end", {{S_OK, 1}, {S_OK, 2}, {S_OK, kEnd}}, 0, S_OK, {1, 2}},
        {"no row set at the end", {{S_OK, 1}, {S_OK, kNoSet}}, 0, S_OK, {1}},
        {"an empty table", {{S_OK, kEnd}}, 0, S_OK, {}},
        {"a failure part way", {{S_OK, 1}, {MAPI_E_CORRUPT_DATA, kNoSet}}, 0, MAPI_E_CORRUPT_DATA, {1}},
        {"a warning goes on", {{MAPI_W_ERRORS_RETURNED, 1}, {S_OK, 2}, {S_OK, kEnd}}, 0, S_OK, {1, 2}},
        {"the visitor stops", {{S_OK, 1}, {S_OK, 2}}, 2, S_OK, {1, 2}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszWhat);
        CScriptedTable table(c.script);
        std::vector<LONG> visited;
        HRESULT hr = ForEachRow(&table, [&](const SRow& row) {
            EXPECT_EQ(row.cValues, 1u);
            EXPECT_EQ(row.lpProps[0].ulPropTag, kValueTag);
            visited.push_back(row.lpProps[0].Value.l);
            return row.lpProps[0].Value.l != c.nStopAt;
        });
        EXPECT_EQ(hr, c.hr);
        EXPECT_EQ(visited, c.visited);
        // Nothing is asked for once the walk has ended.
        EXPECT_EQ(table.Calls(), c.script.size());
    }
}

} // namespace
