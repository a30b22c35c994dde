#include "platform/MapiStore.h"

#include "tests/platform/MapiTestSupport.h"
#include "tests/platform/PlatformTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

class MapiSnapshotTest : public MapiTest
{};

TEST_F(MapiSnapshotTest, ContentsTableListsTheFolderInAscendingIdAndSeesNewMessages)
{
    int64_t nInbox = m_device.Inbox();
    int64_t nSent = m_device.Sent();
    ASSERT_EQ(m_device.Store().AddMessages({{nInbox, "a", {}, UtcTicks(2024, 5, 3), {}, {}},
                                            {nSent, {}, {}, UtcTicks(2024, 5, 1), {}, {}},
                                            {nInbox, "b", {}, UtcTicks(2024, 5, 1), {}, {}},
                                            {nInbox, "c", {}, UtcTicks(2024, 5, 2), {}, {}}}),
              0);
    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), StoreEntry());
    IMAPIFolder* pFolder = OpenFolder(pStore, FolderEntry(nInbox));
    ASSERT_NE(pFolder, nullptr);

    IMAPITable* pTable = nullptr;
    ASSERT_EQ(pFolder->GetContentsTable(0, &pTable), S_OK);
    ULONG ulCount = 0;
    ASSERT_EQ(pTable->GetRowCount(0, &ulCount), S_OK);
    EXPECT_EQ(ulCount, 3u);
    std::vector<Bytes> seen;
    for (std::vector<Prop> row; !(row = NextRow(pTable)).empty();) {
        ASSERT_EQ(row.size(), 1u);
        ASSERT_EQ(row[0].ulTag, PR_ENTRYID);
        seen.push_back(row[0].bytes);
    }
    pTable->Release();
    EXPECT_EQ(seen, QueryBlobs(m_device.Store(), "SELECT entry_id FROM message WHERE folder_id = " +
                                                     std::to_string(nInbox) + " ORDER BY id"));

    // A message that arrives while the folder is open is in the next table.
    ASSERT_EQ(m_device.Store().AddMessages({{nInbox, "d", {}, UtcTicks(2024, 4, 1), {}, {}}}), 0);
    ASSERT_EQ(pFolder->GetContentsTable(0, &pTable), S_OK);
    ASSERT_EQ(pTable->GetRowCount(0, &ulCount), S_OK);
    EXPECT_EQ(ulCount, 4u);
    pTable->Release();
    pFolder->Release();
    pStore->Release();
}

TEST_F(MapiSnapshotTest, RecipientRowsHoldNameThenAddressWhicheverTheyHave)
{
    int64_t nSent = m_device.Sent();
    ASSERT_EQ(m_device.Store().AddMessages(
                  {{nSent,
                    {},
                    {},
                    UtcTicks(2024, 1, 1),
                    {},
                    {{"Anna", "anna@example.org"}, {{}, "+4917012"}, {"Bob", {}}, {{}, {}}, {"", ""}}},
                   {nSent, {}, {}, UtcTicks(2024, 1, 2), {}, {}},
                   {nSent, {}, {}, UtcTicks(2024, 1, 3), {}, {{"Carl", "carl@example.org"}}}}),
              0);
    const std::wstring kExpected[] = {
        L"[n:Anna;a:anna@example.org;][a:+4917012;][n:Bob;][][n:;a:;]",
        L"",
        L"[n:Carl;a:carl@example.org;]",
    };
    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), StoreEntry());
    IMAPIFolder* pFolder = OpenFolder(pStore, FolderEntry(nSent));
    ASSERT_NE(pFolder, nullptr);

    // In table order, as a walk reads them, and then again in any order.
    IMAPITable* pTable = nullptr;
    ASSERT_EQ(pFolder->GetContentsTable(0, &pTable), S_OK);
    for (size_t i = 0; i < 3; ++i) {
        std::vector<Prop> row = NextRow(pTable);
        ASSERT_EQ(row.size(), 1u);
        IMessage* pMessage = OpenMessage(pFolder, row[0].bytes);
        ASSERT_NE(pMessage, nullptr);
        EXPECT_EQ(RecipientsOf(pMessage), kExpected[i]) << i;
        pMessage->Release();
    }
    pTable->Release();
    for (int64_t nMessage : {3, 1, 2, 3}) {
        IMessage* pMessage = OpenMessage(pFolder, MessageEntry(nMessage));
        ASSERT_NE(pMessage, nullptr);
        EXPECT_EQ(RecipientsOf(pMessage), kExpected[nMessage - 1]) << nMessage;
        pMessage->Release();
    }
    pFolder->Release();
    pStore->Release();
}

// A walk of a folder's contents table: the messages seen, and the rows read
// from the store for them.
std::pair<size_t, uint64_t> Walk(IMAPIFolder* pFolder)
{
    IMAPITable* pTable = nullptr;
    EXPECT_EQ(pFolder->GetContentsTable(0, &pTable), S_OK);
    if (!pTable)
        return {0, 0};
    uint64_t nBefore = MapiStoreReadCounts().nStoreRowsRead;
    size_t nSeen = 0;
    while (!NextRow(pTable).empty())
        ++nSeen;
    pTable->Release();
    return {nSeen, MapiStoreReadCounts().nStoreRowsRead - nBefore};
}

// Every session reads a folder through the process's one view of the device,
// which reads it again only when the device has changed: a session that
// stays open as well as a new one.
TEST_F(MapiSnapshotTest, AFolderIsReadAgainOnlyWhenTheDeviceChanges)
{
    CWatchClockGuard clock;
    int64_t nInbox = m_device.Inbox();
    auto sms = [&](const char* pszSender) {
        return DeviceMessage {nInbox, pszSender, {}, UtcTicks(2024, 1, 1), {}, {}};
    };
    ASSERT_EQ(m_device.Store().AddMessages({sms("a"), sms("b"), sms("c")}), 0);
    Bytes store = StoreEntry(), inbox = FolderEntry(nInbox);
    CForeignWriter writer(m_device.Path());
    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), store);
    ASSERT_NE(pStore, nullptr);
    IMAPIFolder* pFolder = OpenFolder(pStore, inbox);
    ASSERT_NE(pFolder, nullptr);

    struct Case {
        const char* pszWhat;
        std::function<void()> change;
        size_t nSeen;
        uint64_t nRowsRead;
    };
    const Case kCases[] = {
        {"first walk", [] {}, 3, 3},
        {"nothing changed", [] {}, 3, 0},
        {"another process adds one, looked for too soon",
         [&] { writer.Exec("INSERT INTO message (folder_id) VALUES (" + std::to_string(nInbox) + ")"); }, 3, 0},
        {"looked for again", [&] { clock.PassRecheckTime(); }, 4, 4},
        {"this process adds one", [&] { ASSERT_EQ(m_device.Store().AddMessages({sms("d")}), 0); }, 5, 5},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszWhat);
        c.change();
        EXPECT_EQ(Walk(pFolder), std::make_pair(c.nSeen, c.nRowsRead));
        CSessionGuard newSession;
        IMsgStore* pNewStore = OpenStore(newSession.Get(), store);
        ASSERT_NE(pNewStore, nullptr);
        IMAPIFolder* pNewFolder = OpenFolder(pNewStore, inbox);
        ASSERT_NE(pNewFolder, nullptr);
        EXPECT_EQ(Walk(pNewFolder), std::make_pair(c.nSeen, uint64_t {0})) << "new session";
        pNewFolder->Release();
        pNewStore->Release();
    }
    pFolder->Release();
    pStore->Release();
}

} // namespace
