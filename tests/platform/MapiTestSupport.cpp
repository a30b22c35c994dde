#include "tests/platform/MapiTestSupport.h"

#include <sqlite3.h>

CSessionGuard::CSessionGuard()
{
    EXPECT_EQ(MAPIInitialize(nullptr), S_OK);
    m_hr = MAPILogonEx(0, nullptr, nullptr, 0, &m_pSession);
}

CSessionGuard::~CSessionGuard()
{
    if (m_pSession) {
        m_pSession->Logoff(0, 0, 0);
        m_pSession->Release();
    }
    MAPIUninitialize();
}

const ENTRYID* AsEntry(const Bytes& bytes)
{
    return reinterpret_cast<const ENTRYID*>(bytes.data());
}

Bytes ToBytes(const SBinary& bin)
{
    return Bytes(bin.lpb, bin.lpb + bin.cb);
}

Bytes QueryBlob(CDeviceStore& store, const std::string& strSql)
{
    CStatement stmt(store.Database(), strSql.c_str());
    EXPECT_EQ(stmt.Step(), SQLITE_ROW) << strSql;
    return stmt.ColumnBlob(0);
}

std::vector<Bytes> QueryBlobs(CDeviceStore& store, const std::string& strSql)
{
    std::vector<Bytes> blobs;
    CStatement stmt(store.Database(), strSql.c_str());
    while (stmt.Step() == SQLITE_ROW)
        blobs.push_back(stmt.ColumnBlob(0));
    return blobs;
}

std::vector<Prop> NextRow(IMAPITable* pTable)
{
    SRowSet* pRows = nullptr;
    EXPECT_EQ(pTable->QueryRows(1, 0, &pRows), S_OK);
    std::vector<Prop> values;
    if (pRows && pRows->cRows == 1) {
        const SRow& row = pRows->aRow[0];
        for (ULONG i = 0; i < row.cValues; ++i) {
            const SPropValue& value = row.lpProps[i];
            Prop prop {value.ulPropTag, 0, {}, {}};
            if (PROP_TYPE(value.ulPropTag) == PT_ERROR)
                prop.err = value.Value.err;
            else if (PROP_TYPE(value.ulPropTag) == PT_UNICODE)
                prop.strText = value.Value.lpszW;
            else if (PROP_TYPE(value.ulPropTag) == PT_BINARY)
                prop.bytes = ToBytes(value.Value.bin);
            values.push_back(prop);
        }
    }
    EXPECT_TRUE(pRows && pRows->cRows <= 1);
    FreeProws(pRows);
    return values;
}

namespace {

template <class T> T* OpenAs(HRESULT hr, IUnknown* pUnknown, ULONG ulType, ULONG ulExpected)
{
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(ulType, ulExpected);
    return static_cast<T*>(pUnknown);
}

} // namespace

IMsgStore* OpenStore(IMAPISession* pSession, const Bytes& entryId)
{
    IUnknown* pUnknown = nullptr;
    ULONG ulType = 0;
    HRESULT hr = pSession->OpenEntry(static_cast<ULONG>(entryId.size()), AsEntry(entryId), nullptr, MAPI_BEST_ACCESS,
                                     &ulType, &pUnknown);
    return OpenAs<IMsgStore>(hr, pUnknown, ulType, MAPI_STORE);
}

IMAPIFolder* OpenFolder(IMsgStore* pStore, const Bytes& entryId)
{
    IUnknown* pUnknown = nullptr;
    ULONG ulType = 0;
    HRESULT hr =
        pStore->OpenEntry(static_cast<ULONG>(entryId.size()), AsEntry(entryId), nullptr, 0, &ulType, &pUnknown);
    return OpenAs<IMAPIFolder>(hr, pUnknown, ulType, MAPI_FOLDER);
}

IMessage* OpenMessage(IMAPIFolder* pFolder, const Bytes& entryId)
{
    IUnknown* pUnknown = nullptr;
    ULONG ulType = 0;
    HRESULT hr = pFolder->OpenEntry(static_cast<ULONG>(entryId.size()), AsEntry(entryId), nullptr, MAPI_BEST_ACCESS,
                                    &ulType, &pUnknown);
    return OpenAs<IMessage>(hr, pUnknown, ulType, MAPI_MESSAGE);
}

std::wstring RecipientsOf(IMessage* pMessage)
{
    IMAPITable* pTable = nullptr;
    EXPECT_EQ(pMessage->GetRecipientTable(0, &pTable), S_OK);
    std::wstring strText;
    for (;;) {
        SRowSet* pRows = nullptr;
        EXPECT_EQ(pTable->QueryRows(1, 0, &pRows), S_OK);
        if (!pRows || pRows->cRows == 0) {
            FreeProws(pRows);
            break;
        }
        strText += L"[";
        const SRow& row = pRows->aRow[0];
        for (ULONG i = 0; i < row.cValues; ++i)
            strText += (row.lpProps[i].ulPropTag == PR_DISPLAY_NAME ? L"n:" : L"a:") +
                       std::wstring(row.lpProps[i].Value.lpszW) + L";";
        strText += L"]";
        FreeProws(pRows);
    }
    pTable->Release();
    return strText;
}

Bytes MapiTest::StoreEntry(int64_t nStore)
{
    return QueryBlob(m_device.Store(), "SELECT entry_id FROM msgstore WHERE id = " + std::to_string(nStore));
}

Bytes MapiTest::FolderEntry(int64_t nFolder)
{
    return QueryBlob(m_device.Store(), "SELECT entry_id FROM folder WHERE id = " + std::to_string(nFolder));
}

Bytes MapiTest::MessageEntry(int64_t nMessage)
{
    return QueryBlob(m_device.Store(), "SELECT entry_id FROM message WHERE id = " + std::to_string(nMessage));
}
