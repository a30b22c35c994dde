#include "platform/MapiStore.h"

#include "tests/platform/MapiTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string FileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class MapiStoreTest : public MapiTest
{};

TEST_F(MapiStoreTest, StoresTableListsEveryStoreInOrderOneRowAtATime)
{
    ASSERT_GT(m_device.Store().AddStore(std::nullopt), 0);
    ASSERT_GT(m_device.Store().AddStore(std::string("Mail")), 0);
    CSessionGuard session;
    ASSERT_EQ(session.Result(), S_OK);
    IMAPITable* pTable = nullptr;
    ASSERT_EQ(session->GetMsgStoresTable(MAPI_UNICODE, &pTable), S_OK);
    SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME}};
    ASSERT_EQ(pTable->SetColumns(reinterpret_cast<const SPropTagArray*>(&columns), 0), S_OK);
    ULONG ulCount = 0;
    ASSERT_EQ(pTable->GetRowCount(0, &ulCount), S_OK);
    EXPECT_EQ(ulCount, 3u);

    std::vector<Bytes> entries = QueryBlobs(m_device.Store(), "SELECT entry_id FROM msgstore ORDER BY id");
    const wchar_t* kNames[] = {L"SMS", nullptr, L"Mail"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        std::vector<Prop> row = NextRow(pTable);
        ASSERT_EQ(row.size(), 2u);
        ASSERT_EQ(row[0].ulTag, PR_ENTRYID);
        EXPECT_EQ(row[0].bytes, entries[i]);
        if (kNames[i]) {
            EXPECT_EQ(row[1].ulTag, PR_DISPLAY_NAME);
            EXPECT_EQ(row[1].strText, kNames[i]);
        } else {
            EXPECT_EQ(row[1].ulTag, PROP_TAG(PT_ERROR, PROP_ID(PR_DISPLAY_NAME)));
            EXPECT_EQ(row[1].err, MAPI_E_NOT_FOUND);
        }
    }
    EXPECT_TRUE(NextRow(pTable).empty());
    EXPECT_TRUE(NextRow(pTable).empty());
    pTable->Release();
}

TEST_F(MapiStoreTest, StorePropertiesNameTheInboxAndSentFolders)
{
    Bytes inbox = FolderEntry(m_device.Inbox());
    Bytes sent = FolderEntry(m_device.Sent());
    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), StoreEntry());
    ASSERT_NE(pStore, nullptr);
    SizedSPropTagArray(3, tags) = {3, {PR_CE_IPM_INBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID, PR_SUBJECT}};
    ULONG cValues = 0;
    SPropValue* pProps = nullptr;
    ASSERT_EQ(pStore->GetProps(reinterpret_cast<const SPropTagArray*>(&tags), 0, &cValues, &pProps),
              MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(cValues, 3u);
    EXPECT_EQ(pProps[0].ulPropTag, PR_CE_IPM_INBOX_ENTRYID);
    EXPECT_EQ(ToBytes(pProps[0].Value.bin), inbox);
    EXPECT_EQ(pProps[1].ulPropTag, PR_IPM_SENTMAIL_ENTRYID);
    EXPECT_EQ(ToBytes(pProps[1].Value.bin), sent);
    EXPECT_EQ(pProps[2].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_SUBJECT)));
    MAPIFreeBuffer(pProps);

    // The folder entry opens that folder, read-only.
    IMAPIFolder* pFolder = OpenFolder(pStore, inbox);
    ASSERT_NE(pFolder, nullptr);
    pFolder->Release();
    IUnknown* pUnknown = nullptr;
    EXPECT_EQ(
        pStore->OpenEntry(static_cast<ULONG>(inbox.size()), AsEntry(inbox), nullptr, MAPI_MODIFY, nullptr, &pUnknown),
        MAPI_E_NO_ACCESS);
    EXPECT_EQ(pUnknown, nullptr);

    // Without an inbox folder the property is an error value.
    ASSERT_EQ(m_device.Store().Database().Exec("DELETE FROM folder WHERE role = 'inbox'"), SQLITE_OK);
    SizedSPropTagArray(2, both) = {2, {PR_CE_IPM_INBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID}};
    ASSERT_EQ(pStore->GetProps(reinterpret_cast<const SPropTagArray*>(&both), 0, &cValues, &pProps),
              MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(cValues, 2u);
    EXPECT_EQ(pProps[0].ulPropTag, PROP_TAG(PT_ERROR, 0x8106));
    EXPECT_EQ(pProps[0].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(pProps[1].ulPropTag, PR_IPM_SENTMAIL_ENTRYID);
    MAPIFreeBuffer(pProps);
    EXPECT_EQ(pStore->OpenEntry(static_cast<ULONG>(inbox.size()), AsEntry(inbox), nullptr, 0, nullptr, &pUnknown),
              MAPI_E_NOT_FOUND);
    pStore->Release();
}

TEST_F(MapiStoreTest, MessagePropertiesComeBackAsValuesOrErrorValues)
{
    int64_t nInbox = m_device.Inbox();
    ASSERT_EQ(m_device.Store().AddMessages(
                  {{nInbox, "Anna Smith", "Hi", UtcTicks(2024, 3, 1, 23, 30), {}, {}}, {nInbox, {}, {}, {}, {}, {}}}),
              0);
    ASSERT_EQ(m_device.Store().Database().Exec(
                  "INSERT INTO message (folder_id, sender_name, delivery_time) VALUES (1, 'Bob', 'soon')"),
              SQLITE_OK);
    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), StoreEntry());
    IMAPIFolder* pFolder = OpenFolder(pStore, FolderEntry(nInbox));
    SizedSPropTagArray(3, tags) = {3, {PR_SENDER_NAME, PR_SUBJECT, PR_MESSAGE_DELIVERY_TIME}};

    struct Case {
        int64_t nMessage;
        HRESULT hr;
        const wchar_t* pszSender; // null: an error value
        const wchar_t* pszSubject;
        int64_t nTime; // -1: absent, -2: unreadable
    };
    const Case kCases[] = {
        {1, S_OK, L"Anna Smith", L"Hi", UtcTicks(2024, 3, 1, 23, 30)},
        {2, MAPI_W_ERRORS_RETURNED, nullptr, nullptr, -1},
        {3, MAPI_W_ERRORS_RETURNED, L"Bob", nullptr, -2},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.nMessage);
        IMessage* pMessage = OpenMessage(pFolder, MessageEntry(c.nMessage));
        ASSERT_NE(pMessage, nullptr);
        ULONG cValues = 0;
        SPropValue* pProps = nullptr;
        ASSERT_EQ(pMessage->GetProps(reinterpret_cast<const SPropTagArray*>(&tags), 0, &cValues, &pProps), c.hr);
        ASSERT_EQ(cValues, 3u);
        if (c.pszSender) {
            ASSERT_EQ(pProps[0].ulPropTag, PR_SENDER_NAME);
            EXPECT_STREQ(pProps[0].Value.lpszW, c.pszSender);
        } else {
            EXPECT_EQ(pProps[0].ulPropTag, PROP_TAG(PT_ERROR, 0x0C1A));
        }
        if (c.pszSubject) {
            ASSERT_EQ(pProps[1].ulPropTag, PR_SUBJECT);
            EXPECT_STREQ(pProps[1].Value.lpszW, c.pszSubject);
        } else {
            EXPECT_EQ(pProps[1].ulPropTag, PROP_TAG(PT_ERROR, 0x0037));
        }
        if (c.nTime >= 0) {
            ASSERT_EQ(pProps[2].ulPropTag, PR_MESSAGE_DELIVERY_TIME);
            EXPECT_EQ(FileTimeToTicks(pProps[2].Value.ft), static_cast<uint64_t>(c.nTime));
        } else {
            EXPECT_EQ(pProps[2].ulPropTag, PROP_TAG(PT_ERROR, 0x0E06));
            EXPECT_EQ(pProps[2].Value.err, c.nTime == -1 ? MAPI_E_NOT_FOUND : MAPI_E_CORRUPT_DATA);
        }
        MAPIFreeBuffer(pProps);
        pMessage->Release();
    }

    // An entry the store does not hold, and an empty one, open nothing.
    IUnknown* pUnknown = nullptr;
    Bytes unknown(16, 0xab);
    EXPECT_EQ(pFolder->OpenEntry(16, AsEntry(unknown), nullptr, MAPI_BEST_ACCESS, nullptr, &pUnknown),
              MAPI_E_NOT_FOUND);
    EXPECT_EQ(pFolder->OpenEntry(0, AsEntry(unknown), nullptr, MAPI_BEST_ACCESS, nullptr, &pUnknown),
              MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(pUnknown, nullptr);
    pFolder->Release();
    pStore->Release();
}

TEST_F(MapiStoreTest, AMissingOrBrokenDeviceIsASessionWithoutStores)
{
    CTempDir dir;
    std::string strBroken = dir.File("broken.db");
    std::ofstream(strBroken) << "not a device store";
    for (const std::string& strPath : {dir.File("missing.db"), strBroken, dir.Path()}) {
        SCOPED_TRACE(strPath);
        CEnvVar device("RINGTALLY_DEVICE", strPath);
        CSessionGuard session;
        ASSERT_EQ(session.Result(), S_OK);
        IMAPITable* pTable = nullptr;
        ASSERT_EQ(session->GetMsgStoresTable(MAPI_UNICODE, &pTable), S_OK);
        ULONG ulCount = 1;
        EXPECT_EQ(pTable->GetRowCount(0, &ulCount), S_OK);
        EXPECT_EQ(ulCount, 0u);
        EXPECT_TRUE(NextRow(pTable).empty());
        pTable->Release();
    }
    EXPECT_EQ(FileBytes(strBroken), "not a device store");
}

TEST_F(MapiStoreTest, LogonNeedsMapiInitialize)
{
    IMAPISession* pSession = nullptr;
    EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, &pSession), MAPI_E_NOT_INITIALIZED);
    EXPECT_EQ(pSession, nullptr);
    EXPECT_EQ(MAPIInitialize(nullptr), S_OK);
    EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, &pSession), S_OK);
    ASSERT_NE(pSession, nullptr);
    pSession->Release();
    MAPIUninitialize();
}

TEST_F(MapiStoreTest, ReadingLeavesTheDeviceStoreAsItWas)
{
    int64_t nSent = m_device.Sent();
    ASSERT_EQ(m_device.Store().AddMessages({{nSent, {}, {}, UtcTicks(2024, 1, 1), {}, {{"Anna", "a@b"}}}}), 0);
    Bytes store = StoreEntry(), folder = FolderEntry(nSent), message = MessageEntry(1);
    m_device.Store().Close();
    std::string strBefore = FileBytes(m_device.Path());
    auto timeBefore = std::filesystem::last_write_time(m_device.Path());
    {
        CSessionGuard session;
        IMsgStore* pStore = OpenStore(session.Get(), store);
        ASSERT_NE(pStore, nullptr);
        IMAPIFolder* pFolder = OpenFolder(pStore, folder);
        ASSERT_NE(pFolder, nullptr);
        IMessage* pMessage = OpenMessage(pFolder, message);
        ASSERT_NE(pMessage, nullptr);
        EXPECT_EQ(RecipientsOf(pMessage), L"[n:Anna;a:a@b;]");
        pMessage->Release();
        pFolder->Release();
        pStore->Release();
    }
    EXPECT_EQ(FileBytes(m_device.Path()), strBefore);
    EXPECT_EQ(std::filesystem::last_write_time(m_device.Path()), timeBefore);
    EXPECT_FALSE(std::filesystem::exists(m_device.Path() + "-journal"));
    EXPECT_FALSE(std::filesystem::exists(m_device.Path() + "-wal"));
}

} // namespace
