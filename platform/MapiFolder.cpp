#include "platform/MapiFolder.h"

#include "platform/MapiFolderSnapshot.h"
#include "platform/MapiStoreDb.h"
#include "platform/MapiTable.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// What a folder and everything opened from it share: the folder's messages
// as read, and the message row that its contents table handed out last, so
// that opening that message costs no lookup.
struct FolderState {
    std::shared_ptr<CStoreDb> pDb;
    int64_t nStoreId = 0;
    int64_t nFolderId = 0;
    std::vector<BYTE> entryId;
    std::optional<std::string> strName;

    std::shared_ptr<CFolderSnapshot> pSnapshot;
    MessageData lastRow;
    bool bLastRow = false;

    CFolderSnapshot& Snapshot()
    {
        if (!pSnapshot)
            pSnapshot = pDb->Folder(nFolderId);
        return *pSnapshot;
    }

    int ReadRecipients(const MessageData& message, std::vector<RecipientData>* pRows)
    {
        pRows->clear();
        // A message of another folder of the store, or one whose folder's
        // recipients cannot be read together, is looked up on its own.
        if (message.nFolderId == nFolderId && Snapshot().RecipientsOf(*pDb, message.nId, pRows))
            return 0;
        pRows->clear();
        return ReadRecipientsOf(message.nId, pRows);
    }

    // A message's subject, which a folder's pass leaves out, looked up
    // when first asked for.
    bool ReadSubject(MessageData* pData)
    {
        if (pData->bSubjectRead)
            return true;
        CStoreLookup lookup(pDb->m_subjectOfMessage);
        lookup->BindInt(1, pData->nId);
        int nCode = lookup.Step();
        if (nCode != SQLITE_ROW && nCode != SQLITE_DONE)
            return false;
        pData->strSubject = nCode == SQLITE_ROW ? lookup->ColumnText(0) : std::nullopt;
        pData->bSubjectRead = true;
        return true;
    }

    int ReadRecipientsOf(int64_t nMessageId, std::vector<RecipientData>* pRows)
    {
        CStoreLookup lookup(pDb->m_recipientsOfMessage);
        lookup->BindInt(1, nMessageId);
        int nCode;
        while ((nCode = lookup.Step()) == SQLITE_ROW)
            pRows->push_back({lookup->ColumnText(0), lookup->ColumnText(1)});
        return nCode == SQLITE_DONE ? 0 : -1;
    }
};

void AddMessageProp(CPropBuilder& builder, ULONG ulTag, MessageData& data, FolderState& folder)
{
    switch (ulTag) {
    case PR_ENTRYID:
        builder.AddBinary(ulTag, data.entryId);
        break;
    case PR_SENDER_NAME:
        builder.AddText(ulTag, data.strSender);
        break;
    case PR_SUBJECT:
        if (!folder.ReadSubject(&data)) {
            builder.AddError(ulTag, MAPI_E_CALL_FAILED);
            break;
        }
        builder.AddText(ulTag, data.strSubject);
        break;
    case PR_MESSAGE_DELIVERY_TIME:
        if (data.timeState == TimeState::Present)
            builder.AddTime(ulTag, data.nTime);
        else
            builder.AddError(ulTag, data.timeState == TimeState::Absent ? MAPI_E_NOT_FOUND : MAPI_E_CORRUPT_DATA);
        break;
    default:
        builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        break;
    }
}

class CRecipientTable : public CMapiTable
{
public:
    explicit CRecipientTable(std::vector<RecipientData> rows)
        : CMapiTable({PR_DISPLAY_NAME, PR_EMAIL_ADDRESS})
        , m_rows(std::move(rows))
    {}

    HRESULT GetRowCount(ULONG, ULONG* pulCount) override
    {
        if (!pulCount)
            return MAPI_E_INVALID_PARAMETER;
        *pulCount = static_cast<ULONG>(m_rows.size());
        return S_OK;
    }

protected:
    int FetchRow(CPropBuilder& builder) override
    {
        if (m_nNext >= m_rows.size())
            return 0;
        const RecipientData& row = m_rows[m_nNext++];
        for (ULONG ulTag : m_columns) {
            if (ulTag == PR_DISPLAY_NAME && row.strName)
                builder.AddText(ulTag, row.strName);
            else if (ulTag == PR_EMAIL_ADDRESS && row.strAddress)
                builder.AddText(ulTag, row.strAddress);
        }
        return 1;
    }

private:
    std::vector<RecipientData> m_rows;
    size_t m_nNext = 0;
};

class CMessage : public CMapiObject<IMessage>
{
public:
    CMessage(std::shared_ptr<FolderState> pFolder, MessageData data)
        : m_pFolder(std::move(pFolder))
        , m_data(std::move(data))
    {}

    HRESULT GetProps(const SPropTagArray* pTags, ULONG, ULONG* pcValues, SPropValue** ppProps) override
    {
        if (!pTags || !pcValues || !ppProps)
            return MAPI_E_INVALID_PARAMETER;
        if (HRESULT hr = CheckMapiFault(MapiFaultStep::GetProps, m_data.nId); FAILED(hr))
            return hr;
        return GetPropsOf(pTags, pcValues, ppProps, [&](CPropBuilder& builder, ULONG ulTag) {
            AddMessageProp(builder, ulTag, m_data, *m_pFolder);
        });
    }

    HRESULT GetRecipientTable(ULONG, IMAPITable** ppTable) override
    {
        if (!ppTable)
            return MAPI_E_INVALID_PARAMETER;
        *ppTable = nullptr;
        if (HRESULT hr = CheckMapiFault(MapiFaultStep::GetRecipientTable, m_data.nId); FAILED(hr))
            return hr;
        std::vector<RecipientData> rows;
        if (m_pFolder->ReadRecipients(m_data, &rows) != 0)
            return MAPI_E_CALL_FAILED;
        *ppTable = new CRecipientTable(std::move(rows));
        return S_OK;
    }

private:
    std::shared_ptr<FolderState> m_pFolder;
    MessageData m_data;
};

class CContentsTable : public CMapiTable
{
public:
    explicit CContentsTable(std::shared_ptr<FolderState> pFolder)
        : CMapiTable({PR_ENTRYID})
        , m_pFolder(std::move(pFolder))
    {}

    HRESULT GetRowCount(ULONG, ULONG* pulCount) override
    {
        if (!pulCount)
            return MAPI_E_INVALID_PARAMETER;
        CStoreLookup lookup(m_pFolder->pDb->m_messageCount);
        lookup->BindInt(1, m_pFolder->nFolderId);
        if (lookup.Step() != SQLITE_ROW)
            return MAPI_E_CALL_FAILED;
        *pulCount = static_cast<ULONG>(lookup->ColumnInt(0));
        return S_OK;
    }

protected:
    int FetchRow(CPropBuilder& builder) override
    {
        if (m_bDone)
            return 0;
        // The folder's messages are read when the first row is asked for, so
        // that a table opened only for its row count reads none of them.
        if (!m_pSnapshot)
            m_pSnapshot = m_pFolder->pSnapshot = m_pFolder->pDb->Folder(m_pFolder->nFolderId);
        if (m_nNext >= m_pSnapshot->Count()) {
            // A folder that could not be read to its end fails there, once.
            m_bDone = true;
            return m_pSnapshot->IsComplete() ? 0 : -1;
        }
        m_pSnapshot->Fill(m_nNext++, &m_pFolder->lastRow);
        m_pFolder->bLastRow = true;
        for (ULONG ulTag : m_columns)
            AddMessageProp(builder, ulTag, m_pFolder->lastRow, *m_pFolder);
        ++g_mapiCounts.nContentsRowsFetched;
        return 1;
    }

private:
    std::shared_ptr<FolderState> m_pFolder;
    std::shared_ptr<CFolderSnapshot> m_pSnapshot;
    size_t m_nNext = 0;
    bool m_bDone = false;
};

class CFolder : public CMapiObject<IMAPIFolder>
{
public:
    explicit CFolder(std::shared_ptr<FolderState> pState)
        : m_pState(std::move(pState))
    {}

    HRESULT GetProps(const SPropTagArray* pTags, ULONG, ULONG* pcValues, SPropValue** ppProps) override
    {
        return GetPropsOf(pTags, pcValues, ppProps, [&](CPropBuilder& builder, ULONG ulTag) {
            if (!AddNameProp(builder, ulTag, m_pState->entryId, m_pState->strName))
                builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        });
    }

    HRESULT GetContentsTable(ULONG, IMAPITable** ppTable) override
    {
        if (!ppTable)
            return MAPI_E_INVALID_PARAMETER;
        *ppTable = nullptr;
        auto* pTable = new CContentsTable(m_pState);
        ++g_mapiCounts.nContentsTablesOpened;
        *ppTable = pTable;
        return S_OK;
    }

    HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, const void*, ULONG ulFlags, ULONG* pulObjType,
                      IUnknown** ppUnk) override
    {
        if (HRESULT hr = CheckOpenEntry(cbEntryID, pEntryID, ulFlags, ppUnk); FAILED(hr))
            return hr;
        MessageData data;
        FolderState& state = *m_pState;
        if (state.bLastRow && state.lastRow.entryId.IsEntry(cbEntryID, pEntryID)) {
            data = std::move(state.lastRow);
            state.bLastRow = false;
        } else {
            CStoreLookup lookup(state.pDb->m_messageByEntry);
            lookup->BindBlob(1, pEntryID, static_cast<int>(cbEntryID));
            lookup->BindInt(2, state.nStoreId);
            int nCode = lookup.Step();
            if (nCode != SQLITE_ROW)
                return nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
            data.Read(*lookup);
        }
        if (HRESULT hr = CheckMapiFault(MapiFaultStep::OpenMessage, data.nId); FAILED(hr))
            return hr;
        ++g_mapiCounts.nMessagesOpened;
        if (pulObjType)
            *pulObjType = MAPI_MESSAGE;
        *ppUnk = new CMessage(m_pState, std::move(data));
        return S_OK;
    }

private:
    std::shared_ptr<FolderState> m_pState;
};

} // namespace

HRESULT OpenMapiFolder(const std::shared_ptr<CStoreDb>& pDb, int64_t nStoreId, ULONG cbEntryID, const ENTRYID* pEntryID,
                       IMAPIFolder** ppFolder)
{
    auto pState = std::make_shared<FolderState>();
    {
        CStoreLookup lookup(pDb->m_folderByEntry);
        lookup->BindBlob(1, pEntryID, static_cast<int>(cbEntryID));
        lookup->BindInt(2, nStoreId);
        int nCode = lookup.Step();
        if (nCode != SQLITE_ROW)
            return nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
        pState->nFolderId = lookup->ColumnInt(0);
        pState->strName = lookup->ColumnText(1);
    }
    pState->pDb = pDb;
    pState->nStoreId = nStoreId;
    pState->entryId.assign(reinterpret_cast<const BYTE*>(pEntryID),
                           reinterpret_cast<const BYTE*>(pEntryID) + cbEntryID);
    ++g_mapiCounts.nFoldersOpened;
    *ppFolder = new CFolder(std::move(pState));
    return S_OK;
}
