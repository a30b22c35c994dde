// The message store's session, its stores table and the stores, and the
// functions through which the program reaches them.

#include "platform/MapiStore.h"

#include "platform/MapiFolder.h"
#include "platform/MapiStoreDb.h"
#include "platform/MapiTable.h"

#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

MapiFault g_mapiFault;

namespace {

int g_nInitialized = 0;

class CMsgStore : public CMapiObject<IMsgStore>
{
public:
    CMsgStore(std::shared_ptr<CStoreDb> pDb, int64_t nStoreId, std::vector<BYTE> entryId,
              std::optional<std::string> strName)
        : m_pDb(std::move(pDb))
        , m_nStoreId(nStoreId)
        , m_entryId(std::move(entryId))
        , m_strName(std::move(strName))
    {}

    HRESULT GetProps(const SPropTagArray* pTags, ULONG, ULONG* pcValues, SPropValue** ppProps) override
    {
        return GetPropsOf(pTags, pcValues, ppProps, [&](CPropBuilder& builder, ULONG ulTag) {
            if (AddNameProp(builder, ulTag, m_entryId, m_strName))
                return;
            if (ulTag == PR_CE_IPM_INBOX_ENTRYID)
                AddFolderEntry(builder, ulTag, "inbox");
            else if (ulTag == PR_IPM_SENTMAIL_ENTRYID)
                AddFolderEntry(builder, ulTag, "sent");
            else
                builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        });
    }

    HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, const void*, ULONG ulFlags, ULONG* pulObjType,
                      IUnknown** ppUnk) override
    {
        if (HRESULT hr = CheckOpenEntry(cbEntryID, pEntryID, ulFlags, ppUnk); FAILED(hr))
            return hr;
        IMAPIFolder* pFolder = nullptr;
        if (HRESULT hr = OpenMapiFolder(m_pDb, m_nStoreId, cbEntryID, pEntryID, &pFolder); FAILED(hr))
            return hr;
        if (pulObjType)
            *pulObjType = MAPI_FOLDER;
        *ppUnk = pFolder;
        return S_OK;
    }

private:
    void AddFolderEntry(CPropBuilder& builder, ULONG ulTag, const char* pszRole)
    {
        CStoreLookup lookup(m_pDb->m_folderOfRole);
        lookup->BindInt(1, m_nStoreId);
        lookup->BindText(2, std::string_view(pszRole));
        int nCode = lookup.Step();
        if (nCode == SQLITE_ROW)
            builder.AddBinary(ulTag, lookup->ColumnBlob(0));
        else
            builder.AddError(ulTag, nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED);
    }

    std::shared_ptr<CStoreDb> m_pDb;
    int64_t m_nStoreId;
    std::vector<BYTE> m_entryId;
    std::optional<std::string> m_strName;
};

class CStoresTable : public CCursorTable
{
public:
    explicit CStoresTable(std::shared_ptr<CStoreDb> pDb)
        : CCursorTable({PR_ENTRYID, PR_DISPLAY_NAME})
        , m_pDb(std::move(pDb))
    {
        if (m_pDb)
            m_rows.Prepare(m_pDb->Db(), "SELECT id, display_name, entry_id FROM msgstore ORDER BY id");
    }

    HRESULT GetRowCount(ULONG, ULONG* pulCount) override
    {
        if (!pulCount)
            return MAPI_E_INVALID_PARAMETER;
        *pulCount = 0;
        if (!m_pDb)
            return S_OK;
        CStoreLookup lookup(m_pDb->m_storeCount);
        if (lookup.Step() != SQLITE_ROW)
            return MAPI_E_CALL_FAILED;
        *pulCount = static_cast<ULONG>(lookup->ColumnInt(0));
        return S_OK;
    }

protected:
    int FetchRow(CPropBuilder& builder) override
    {
        if (int nNext = NextRow(); nNext != 1)
            return nNext;
        for (ULONG ulTag : m_columns) {
            if (ulTag == PR_ENTRYID)
                builder.AddBinary(ulTag, m_rows.ColumnBlob(2));
            else if (ulTag == PR_DISPLAY_NAME)
                builder.AddText(ulTag, m_rows.ColumnText(1));
            else
                builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        }
        return 1;
    }

private:
    std::shared_ptr<CStoreDb> m_pDb;
};

class CSession : public CMapiObject<IMAPISession>
{
public:
    explicit CSession(std::shared_ptr<CStoreDb> pDb)
        : m_pDb(std::move(pDb))
    {}

    HRESULT GetMsgStoresTable(ULONG, IMAPITable** ppTable) override
    {
        if (!ppTable)
            return MAPI_E_INVALID_PARAMETER;
        *ppTable = new CStoresTable(m_pDb);
        return S_OK;
    }

    HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, const void*, ULONG ulFlags, ULONG* pulObjType,
                      IUnknown** ppUnk) override
    {
        if (HRESULT hr = CheckOpenEntry(cbEntryID, pEntryID, ulFlags, ppUnk); FAILED(hr))
            return hr;
        if (!m_pDb)
            return MAPI_E_NOT_FOUND;
        CStoreLookup lookup(m_pDb->m_storeByEntry);
        lookup->BindBlob(1, pEntryID, static_cast<int>(cbEntryID));
        int nCode = lookup.Step();
        if (nCode != SQLITE_ROW)
            return nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
        std::vector<BYTE> entryId(reinterpret_cast<const BYTE*>(pEntryID),
                                  reinterpret_cast<const BYTE*>(pEntryID) + cbEntryID);
        if (pulObjType)
            *pulObjType = MAPI_STORE;
        *ppUnk = new CMsgStore(m_pDb, lookup->ColumnInt(0), std::move(entryId), lookup->ColumnText(1));
        return S_OK;
    }

    HRESULT Logoff(ULONG_PTR, ULONG, ULONG) override { return S_OK; }

private:
    std::shared_ptr<CStoreDb> m_pDb;
};

} // namespace

HRESULT MAPIInitialize(void*)
{
    ++g_nInitialized;
    return S_OK;
}

void MAPIUninitialize()
{
    if (g_nInitialized > 0)
        --g_nInitialized;
}

HRESULT MAPILogonEx(ULONG_PTR, LPWSTR, LPWSTR, ULONG, IMAPISession** lppSession)
{
    if (!lppSession)
        return MAPI_E_INVALID_PARAMETER;
    *lppSession = nullptr;
    if (g_nInitialized == 0)
        return MAPI_E_NOT_INITIALIZED;
    *lppSession = new CSession(CurrentStoreDb());
    return S_OK;
}

MapiReadCounts MapiStoreReadCounts()
{
    return g_mapiCounts;
}

void MapiWaitForReadingAhead()
{
    if (auto pDb = CurrentStoreDb())
        pDb->WaitForReadingAhead();
}

void SetMapiFault(MapiFault fault)
{
    g_mapiFault = std::move(fault);
}
