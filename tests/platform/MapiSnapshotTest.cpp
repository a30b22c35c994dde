#include "platform/MapiStore.h"

#include "tests/platform/MapiTestSupport.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <iterator>
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

std::pair<HRESULT, uint64_t> DeliveryTimeOf(IMessage* pMessage);

// Entry identifiers of any length, and recipients stored out of their
// order, come back as stored: a folder that holds most of the store's
// messages (read with one pass over each table) and one that holds few
// (read through the indexes).
TEST_F(MapiSnapshotTest, EntriesAndRecipientsComeBackAsStoredWhateverTheirShape)
{
    int64_t nSent = m_device.Sent();
    ASSERT_EQ(m_device.Store().AddMessages({{nSent, {}, {}, UtcTicks(2024, 1, 1), {}, {}},
                                            {nSent, {}, {}, UtcTicks(2024, 1, 2), {}, {}},
                                            {nSent, {}, {}, UtcTicks(2024, 1, 3), {}, {}},
                                            {nSent, {}, {}, UtcTicks(2024, 1, 4), {}, {}}}),
              0);
    CForeignWriter(m_device.Path())
        .Exec("UPDATE message SET entry_id = X'07' WHERE id = 1;"
              "UPDATE message SET entry_id = zeroblob(40) || X'01' WHERE id = 2;"
              "UPDATE message SET entry_id = X'0708' WHERE id = 4;"
              "INSERT INTO recipient VALUES (3, 9, 'Carl', '+49 3');"
              "INSERT INTO recipient VALUES (1, 2, 'Bob', 'bob@example.org');"
              "INSERT INTO recipient VALUES (3, -1, NULL, '+49 1');"
              "INSERT INTO recipient VALUES (1, 0, 'Anna', NULL);"
              "INSERT INTO recipient VALUES (3, 4, 'Anna', 'anna@example.org');");
    const std::wstring kExpected[] = {
        L"[n:Anna;][n:Bob;a:bob@example.org;]",
        L"",
        L"[a:+49 1;][n:Anna;a:anna@example.org;][n:Carl;a:+49 3;]",
        L"",
    };
    for (bool bSmall : {false, true}) {
        SCOPED_TRACE(bSmall ? "few of the store's messages" : "most of the store's messages");
        if (bSmall) {
            std::vector<DeviceMessage> inbox(20,
                                             DeviceMessage {m_device.Inbox(), "x", {}, UtcTicks(2024, 2, 1), {}, {}});
            ASSERT_EQ(m_device.Store().AddMessages(inbox), 0);
        }
        CSessionGuard session;
        IMsgStore* pStore = OpenStore(session.Get(), StoreEntry());
        IMAPIFolder* pFolder = OpenFolder(pStore, FolderEntry(nSent));
        ASSERT_NE(pFolder, nullptr);
        IMAPITable* pTable = nullptr;
        ASSERT_EQ(pFolder->GetContentsTable(0, &pTable), S_OK);
        std::vector<Bytes> entries =
            QueryBlobs(m_device.Store(),
                       "SELECT entry_id FROM message WHERE folder_id = " + std::to_string(nSent) + " ORDER BY id");
        ASSERT_EQ(entries.size(), 4u);
        for (size_t i = 0; i < entries.size(); ++i) {
            std::vector<Prop> row = NextRow(pTable);
            ASSERT_EQ(row.size(), 1u);
            EXPECT_EQ(row[0].bytes, entries[i]) << i;
            IMessage* pMessage = OpenMessage(pFolder, row[0].bytes);
            ASSERT_NE(pMessage, nullptr);
            EXPECT_EQ(RecipientsOf(pMessage), kExpected[i]) << i;
            auto nTime = static_cast<uint64_t>(UtcTicks(2024, 1, static_cast<int>(i) + 1));
            EXPECT_EQ(DeliveryTimeOf(pMessage), (std::pair<HRESULT, uint64_t> {S_OK, nTime}));
            pMessage->Release();
        }
        EXPECT_TRUE(NextRow(pTable).empty());
        pTable->Release();
        pFolder->Release();
        pStore->Release();
    }
}

// The delivery time as a message hands it out: S_OK and its ticks, or the
// code of the error value that stands for it.
std::pair<HRESULT, uint64_t> DeliveryTimeOf(IMessage* pMessage)
{
    SizedSPropTagArray(1, tags) = {1, {PR_MESSAGE_DELIVERY_TIME}};
    ULONG cValues = 0;
    SPropValue* pProps = nullptr;
    HRESULT hr = pMessage->GetProps(reinterpret_cast<const SPropTagArray*>(&tags), 0, &cValues, &pProps);
    std::pair<HRESULT, uint64_t> time {E_FAIL, 0};
    if (cValues == 1 && pProps[0].ulPropTag == PR_MESSAGE_DELIVERY_TIME && hr == S_OK)
        time = {S_OK, FileTimeToTicks(pProps[0].Value.ft)};
    else if (cValues == 1 && pProps[0].ulPropTag == PROP_TAG(PT_ERROR, PROP_ID(PR_MESSAGE_DELIVERY_TIME)) &&
             hr == MAPI_W_ERRORS_RETURNED)
        time = {pProps[0].Value.err, 0};
    MAPIFreeBuffer(pProps);
    return time;
}

// A stored delivery time is a time only when it is a non-negative integer;
// NULL is no time, and anything else a damaged one. The column's integer
// affinity makes integers of texts and reals that spell one exactly.
TEST_F(MapiSnapshotTest, ADeliveryTimeIsATimeOnlyWhenANonNegativeInteger)
{
    struct Case {
        const char* pszStored; // as SQL
        HRESULT hr;            // S_OK, or the error value's code
        uint64_t nTicks;
    };
    const Case kCases[] = {
        {"NULL", MAPI_E_NOT_FOUND, 0},
        {"0", S_OK, 0},
        {"1", S_OK, 1},
        {"133500000000000000", S_OK, 133500000000000000ULL},
        {"9223372036854775807", S_OK, 9223372036854775807ULL},
        {"-1", MAPI_E_CORRUPT_DATA, 0},
        {"-133500000000000000", MAPI_E_CORRUPT_DATA, 0},
        {"-9223372036854775808", MAPI_E_CORRUPT_DATA, 0},
        {"'42'", S_OK, 42},
        {"'-42'", MAPI_E_CORRUPT_DATA, 0},
        {"'soon'", MAPI_E_CORRUPT_DATA, 0},
        {"''", MAPI_E_CORRUPT_DATA, 0},
        {"2.0", S_OK, 2},
        {"1.5", MAPI_E_CORRUPT_DATA, 0},
        {"-2.0", MAPI_E_CORRUPT_DATA, 0},
        {"1e30", MAPI_E_CORRUPT_DATA, 0},
        {"X'01'", MAPI_E_CORRUPT_DATA, 0},
    };
    int64_t nInbox = m_device.Inbox();
    for (const Case& c : kCases)
        ASSERT_EQ(m_device.Store().Database().Exec(("INSERT INTO message (folder_id, delivery_time) VALUES (" +
                                                    std::to_string(nInbox) + ", " + c.pszStored + ")")
                                                       .c_str()),
                  SQLITE_OK)
            << c.pszStored;
    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), StoreEntry());
    ASSERT_NE(pStore, nullptr);

    // A message opened from the row its folder's table just handed out, and
    // one looked up by its entry alone, are read by different queries.
    IMAPIFolder* pWalked = OpenFolder(pStore, FolderEntry(nInbox));
    IMAPIFolder* pLookedUp = OpenFolder(pStore, FolderEntry(nInbox));
    ASSERT_TRUE(pWalked && pLookedUp);
    IMAPITable* pTable = nullptr;
    ASSERT_EQ(pWalked->GetContentsTable(0, &pTable), S_OK);
    for (size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        SCOPED_TRACE(c.pszStored);
        std::vector<Prop> row = NextRow(pTable);
        ASSERT_EQ(row.size(), 1u);
        for (IMAPIFolder* pFolder : {pWalked, pLookedUp}) {
            IMessage* pMessage = OpenMessage(pFolder, pFolder == pWalked ? row[0].bytes : MessageEntry(int64_t(i) + 1));
            ASSERT_NE(pMessage, nullptr);
            EXPECT_EQ(DeliveryTimeOf(pMessage), std::make_pair(c.hr, c.nTicks))
                << (pFolder == pWalked ? "walked" : "looked up");
            pMessage->Release();
        }
    }
    pTable->Release();
    pLookedUp->Release();
    pWalked->Release();
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

// Walking the Inbox has Sent Items read beside it: the walk of Sent Items
// that follows finds it read, counted once when taken, and a change of the
// store in between has it read again rather than handed out as it was.
TEST_F(MapiSnapshotTest, TheFolderReadAheadIsTheOneAWalkWouldRead)
{
    CWatchClockGuard clock;
    int64_t nInbox = m_device.Inbox(), nSent = m_device.Sent();
    auto sms = [](int64_t nFolder, const char* pszSender) {
        return DeviceMessage {nFolder, pszSender ? std::optional<std::string>(pszSender) : std::nullopt,
                              {},      UtcTicks(2024, 1, 1),
                              {},      {}};
    };
    ASSERT_EQ(m_device.Store().AddMessages({sms(nInbox, "a"), sms(nSent, nullptr), sms(nSent, nullptr)}), 0);
    Bytes store = StoreEntry(), inbox = FolderEntry(nInbox), sent = FolderEntry(nSent);
    CForeignWriter writer(m_device.Path());

    for (bool bChangeBetween : {false, true}) {
        SCOPED_TRACE(bChangeBetween ? "the store changes between the walks" : "nothing changes");
        CSessionGuard session;
        IMsgStore* pStore = OpenStore(session.Get(), store);
        ASSERT_NE(pStore, nullptr);
        IMAPIFolder* pInbox = OpenFolder(pStore, inbox);
        IMAPIFolder* pSent = OpenFolder(pStore, sent);
        ASSERT_NE(pInbox, nullptr);
        ASSERT_NE(pSent, nullptr);
        size_t nSentBefore = Walk(pSent).first;
        // Another change, so that both folders are read anew for this case.
        writer.Exec("INSERT INTO message (folder_id) VALUES (" + std::to_string(nInbox) + ")");
        clock.PassRecheckTime();
        size_t nInboxSeen = Walk(pInbox).first;
        EXPECT_GE(nInboxSeen, 2u);
        MapiWaitForReadingAhead();
        size_t nSentNow = nSentBefore;
        if (bChangeBetween) {
            writer.Exec("INSERT INTO message (folder_id) VALUES (" + std::to_string(nSent) + ")");
            clock.PassRecheckTime();
            ++nSentNow;
        }
        EXPECT_EQ(Walk(pSent), std::make_pair(nSentNow, static_cast<uint64_t>(nSentNow)));
        pSent->Release();
        pInbox->Release();
        pStore->Release();
    }
}

// A folder's pass leaves the subjects out, which may be of any size: a
// message opened from its row still has its subject, looked up when asked
// for, and a table with the subject as a column has it in every row.
TEST_F(MapiSnapshotTest, SubjectsLeftOutOfTheFolderPassAreThereWhenAskedFor)
{
    int64_t nInbox = m_device.Inbox();
    ASSERT_EQ(m_device.Store().AddMessages({{nInbox, "a", std::string(1 << 20, 's'), UtcTicks(2024, 5, 1), {}, {}},
                                            {nInbox, "b", {}, UtcTicks(2024, 5, 2), {}, {}},
                                            {nInbox, "c", "Hallo", UtcTicks(2024, 5, 3), {}, {}}}),
              0);
    const std::wstring kSubjects[] = {std::wstring(1 << 20, L's'), L"(none)", L"Hallo"};
    auto subject = [](const Prop& prop) { return prop.ulTag == PR_SUBJECT ? prop.strText : std::wstring(L"(none)"); };
    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), StoreEntry());
    IMAPIFolder* pFolder = OpenFolder(pStore, FolderEntry(nInbox));
    ASSERT_NE(pFolder, nullptr);
    IMAPITable* pTable = nullptr;
    ASSERT_EQ(pFolder->GetContentsTable(0, &pTable), S_OK);
    SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_SUBJECT}};
    ASSERT_EQ(pTable->SetColumns(reinterpret_cast<const SPropTagArray*>(&columns), 0), S_OK);
    size_t i = 0;
    for (std::vector<Prop> row; !(row = NextRow(pTable)).empty(); ++i) {
        ASSERT_LT(i, std::size(kSubjects));
        ASSERT_EQ(row.size(), 2u);
        EXPECT_EQ(subject(row[1]), kSubjects[i]) << i;
        IMessage* pMessage = OpenMessage(pFolder, row[0].bytes);
        ASSERT_NE(pMessage, nullptr);
        SizedSPropTagArray(1, tags) = {1, {PR_SUBJECT}};
        ULONG cValues = 0;
        SPropValue* pProps = nullptr;
        ASSERT_TRUE(SUCCEEDED(pMessage->GetProps(reinterpret_cast<const SPropTagArray*>(&tags), 0, &cValues, &pProps)));
        ASSERT_EQ(cValues, 1u);
        Prop prop;
        prop.ulTag = pProps[0].ulPropTag;
        if (prop.ulTag == PR_SUBJECT)
            prop.strText = pProps[0].Value.lpszW;
        EXPECT_EQ(subject(prop), kSubjects[i]) << i;
        MAPIFreeBuffer(pProps);
        pMessage->Release();
    }
    EXPECT_EQ(i, std::size(kSubjects));
    pTable->Release();
    pFolder->Release();
    pStore->Release();
}

} // namespace
