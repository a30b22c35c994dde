#include "sms/SmsStore.h"

#include "platform/PlatformTime.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr ULONG kInbox = PR_CE_IPM_INBOX_ENTRYID;
constexpr ULONG kSent = PR_IPM_SENTMAIL_ENTRYID;

// Sets the process's time zone for one test and puts the old one back.
class CFaultGuard
{
public:
    explicit CFaultGuard(MapiFault fault) { SetMapiFault(std::move(fault)); }
    ~CFaultGuard() { SetMapiFault({}); }
};

// A calendar time as a FILETIME with no zone shift: a local time when the
// program compares it with local delivery times.
FILETIME At(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0)
{
    return TicksToFileTime(static_cast<uint64_t>(UtcTicks(nYear, nMonth, nDay, nHour, nMinute, nSecond)));
}

DeviceMessage Sms(int64_t nFolder, std::optional<std::string> strSender, std::optional<int64_t> nTime,
                  std::vector<DeviceRecipient> recipients = {})
{
    return DeviceMessage {nFolder, std::move(strSender), std::nullopt, nTime, std::string("hello"),
                          std::move(recipients)};
}

class SmsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { m_zone.emplace("UTC"); }

    void Add(const std::vector<DeviceMessage>& messages) { ASSERT_EQ(m_device.Store().AddMessages(messages), 0); }
    void Sql(const std::string& strSql) { ASSERT_EQ(m_device.Store().Database().Exec(strSql.c_str()), SQLITE_OK); }

    int CallerCount(CSmsStore& store, ULONG ulTag, LPCWSTR pszKey)
    {
        int nCount = -1;
        EXPECT_EQ(store.CountCallerSms(ulTag, pszKey, &nCount), 0);
        return nCount;
    }

    int RangeCount(CSmsStore& store, ULONG ulTag, FILETIME ftStart, FILETIME ftEnd)
    {
        int nCount = -1;
        EXPECT_EQ(store.CountSmsInRange(ulTag, ftStart, ftEnd, &nCount), 0);
        return nCount;
    }

    int FolderCount(CSmsStore& store, ULONG ulTag)
    {
        int nCount = -1;
        EXPECT_EQ(ulTag == kInbox ? store.GetInboxCount(&nCount) : store.GetSentCount(&nCount), 0);
        return nCount;
    }

    std::wstring Address(CSmsStore& store, ULONG ulTag, ULONG n)
    {
        SmsEntry entry;
        EXPECT_EQ(store.GetSmsEntry(ulTag, n, &entry), 0) << n;
        return entry.szAddress;
    }

    std::optional<CTimeZone> m_zone;
    CTestDevice m_device;
};

// Every figure of a store that has no messages to give.
void ExpectAllZero(CSmsStore& store)
{
    FILETIME ftStart = At(1601, 1, 1), ftEnd = At(9999, 12, 31);
    int nCount = -1;
    FILETIME ft = At(2000, 1, 1);
    SmsEntry entry;
    EXPECT_EQ(store.GetSmsEntry(kInbox, 0, &entry), -1);
    EXPECT_EQ(store.GetSmsEntry(kSent, 0, &entry), -1);
    for (auto count : {&CSmsStore::GetInboxCount, &CSmsStore::GetSentCount}) {
        EXPECT_EQ((store.*count)(&nCount), 0);
        EXPECT_EQ(nCount, 0);
    }
    for (auto count : {&CSmsStore::GetCallerInboxCount, &CSmsStore::GetCallerSentCount}) {
        EXPECT_EQ((store.*count)(L"", &nCount), 0);
        EXPECT_EQ(nCount, 0);
    }
    for (auto count : {&CSmsStore::GetInboxCountInRange, &CSmsStore::GetSentCountInRange}) {
        EXPECT_EQ((store.*count)(ftStart, ftEnd, &nCount), 0);
        EXPECT_EQ(nCount, 0);
    }
    for (auto count : {&CSmsStore::GetCallerInboxCountInRange, &CSmsStore::GetCallerSentCountInRange}) {
        EXPECT_EQ((store.*count)(ftStart, ftEnd, L"", &nCount), 0);
        EXPECT_EQ(nCount, 0);
    }
    EXPECT_EQ(store.GetLastSmsTime(L"", &ft), 0);
    EXPECT_EQ(FileTimeToTicks(ft), 0u);
}

TEST_F(SmsStoreTest, UsesTheFirstStoreNamedSmsInAnyLetterCase)
{
    struct Case {
        std::vector<std::optional<std::string>> names; // stores after the first, which is renamed
        std::optional<std::string> firstName;
        const wchar_t* pszFound; // the sender marking the store used; null: none
    };
    const Case kCases[] = {
        {{}, std::string("SMS"), L"store 1"},
        {{}, std::string("sms"), L"store 1"},
        {{std::string("SMS")}, std::string("Mail"), L"store 2"},
        {{std::nullopt, std::string("sMs"), std::string("SMS")}, std::string("SMS "), L"store 3"},
        {{std::string("SMSC"), std::string("")}, std::string("Mail"), nullptr},
    };
    for (size_t i = 0; i < std::size(kCases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = kCases[i];
        CTestDevice device;
        CDeviceStore& writer = device.Store();
        CStatement rename(writer.Database(), "UPDATE msgstore SET display_name = ?1 WHERE id = 1");
        rename.BindText(1, c.firstName);
        ASSERT_EQ(rename.Step(), SQLITE_DONE);
        for (const auto& strName : c.names)
            ASSERT_GT(writer.AddStore(strName), 0);
        CStatement inboxes(writer.Database(), "SELECT id, store_id FROM folder WHERE role = 'inbox'");
        std::vector<DeviceMessage> messages;
        while (inboxes.Step() == SQLITE_ROW)
            messages.push_back(Sms(inboxes.ColumnInt(0), "store " + std::to_string(inboxes.ColumnInt(1)),
                                   UtcTicks(2024, 1, 1)));
        ASSERT_EQ(writer.AddMessages(messages), 0);

        CSmsStore store;
        store.Open();
        EXPECT_EQ(store.FindSmsStore(), S_OK);
        if (c.pszFound) {
            EXPECT_EQ(Address(store, kInbox, 0), c.pszFound);
            EXPECT_EQ(FolderCount(store, kInbox), 1);
            SmsEntry entry;
            EXPECT_EQ(store.GetSmsEntry(kInbox, 1, &entry), -1);
        } else {
            EXPECT_EQ(store.OpenFolder(kInbox), nullptr);
            ExpectAllZero(store);
        }
    }
}

TEST_F(SmsStoreTest, NoDeviceOrNoSessionGivesZeroFigures)
{
    CSmsStore unopened;
    ExpectAllZero(unopened);

    CEnvVar device("RINGTALLY_DEVICE", "/nonexistent/device.db");
    CSmsStore store;
    store.Open();
    EXPECT_EQ(store.FindSmsStore(), S_OK);
    ExpectAllZero(store);
    store.Close();
    store.Close();
    ExpectAllZero(store);
}

TEST_F(SmsStoreTest, AStoreWithoutInboxStillCountsSentItems)
{
    Add({Sms(m_device.Inbox(), "Anna", UtcTicks(2024, 1, 1, 9)),
         Sms(m_device.Sent(), {}, UtcTicks(2024, 1, 1, 10), {{"Anna", "+4912345"}})});
    Sql("DELETE FROM folder WHERE role = 'inbox'");
    CSmsStore store;
    store.Open();
    EXPECT_EQ(store.OpenFolder(kInbox), nullptr);
    EXPECT_EQ(FolderCount(store, kInbox), 0);
    EXPECT_EQ(CallerCount(store, kInbox, L"Anna"), 0);
    EXPECT_EQ(FolderCount(store, kSent), 1);
    EXPECT_EQ(CallerCount(store, kSent, L"Anna"), 1);
    FILETIME ft {};
    store.GetLastSmsTime(L"Anna", &ft);
    EXPECT_EQ(FileTimeToTicks(ft), static_cast<uint64_t>(UtcTicks(2024, 1, 1, 10)));
}

TEST_F(SmsStoreTest, CallerMatchIsACaseSensitivePartOfANonEmptyAddress)
{
    int64_t nInbox = m_device.Inbox();
    int64_t nTime = UtcTicks(2024, 1, 1);
    Add({Sms(nInbox, "+4912345", nTime), Sms(nInbox, "123456", nTime), Sms(nInbox, "Anna Smith", nTime),
         Sms(nInbox, "anna", nTime), Sms(nInbox, "", nTime), Sms(nInbox, {}, nTime)});
    CSmsStore store;
    store.Open();
    struct Case {
        const wchar_t* pszKey;
        int nCount;
    };
    const Case kCases[] = {
        {L"12345", 2}, {L"+4912345", 1}, {L"123456", 1}, {L"Anna", 1}, {L"anna", 1},
        {L"Smith", 1}, {L"", 4},         {nullptr, 4},   {L"Bob", 0},  {L"+49 12345", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszKey ? c.pszKey : L"(null)");
        EXPECT_EQ(CallerCount(store, kInbox, c.pszKey), c.nCount);
        int nCount = -1;
        EXPECT_EQ(store.GetCallerInboxCount(c.pszKey, &nCount), 0);
        EXPECT_EQ(nCount, c.nCount);
        EXPECT_EQ(store.GetCallerSentCount(c.pszKey, &nCount), 0);
        EXPECT_EQ(nCount, 0);
    }
    // The folder totals count the messages without an address as well.
    EXPECT_EQ(FolderCount(store, kInbox), 6);
    EXPECT_EQ(RangeCount(store, kInbox, At(2024, 1, 1), At(2024, 1, 1, 23, 59, 59)), 6);
}

TEST_F(SmsStoreTest, SentItemsAreAddressedByTheirRecipientsText)
{
    int64_t nSent = m_device.Sent();
    int64_t nTime = UtcTicks(2024, 1, 1);
    Add({Sms(nSent, std::string("Me"), nTime, {{"Anna", "anna@example.org"}, {"Bob", "+4917012"}}),
         Sms(nSent, std::string("Me"), nTime, {{{}, "+4912345"}}),
         Sms(nSent, std::string("Me"), nTime, {}),
         Sms(nSent, std::string("Me"), nTime, {{"Carl", {}}, {{}, {}}})});
    CSmsStore store;
    store.Open();
    EXPECT_EQ(Address(store, kSent, 0), L"Anna<anna@example.org>Bob<+4917012>");
    EXPECT_EQ(Address(store, kSent, 1), L"<+4912345>");
    EXPECT_EQ(Address(store, kSent, 2), L"");
    EXPECT_EQ(Address(store, kSent, 3), L"Carl");

    struct Case {
        const wchar_t* pszKey;
        int nCount;
    };
    // The sender text plays no part in Sent Items.
    const Case kCases[] = {{L"Anna", 1}, {L"Bob", 1}, {L"+4917012", 1}, {L"12345", 1},
                           {L"Carl", 1}, {L"", 3},    {L"Me", 0},       {L"<", 2}};
    for (const Case& c : kCases)
        EXPECT_EQ(CallerCount(store, kSent, c.pszKey), c.nCount) << c.pszKey;
    EXPECT_EQ(FolderCount(store, kSent), 4);
}

TEST_F(SmsStoreTest, RangesHoldBothBoundsOnLocalDeliveryTimes)
{
    int64_t nInbox = m_device.Inbox();
    FILETIME ftStart = At(2024, 3, 2), ftEnd = At(2024, 3, 2, 23, 59, 59);
    auto ticks = [](FILETIME ft) { return static_cast<int64_t>(FileTimeToTicks(ft)); };
    Add({Sms(nInbox, "Anna", ticks(ftStart) - 1), Sms(nInbox, "Anna", ticks(ftStart)),
         Sms(nInbox, "Bob", ticks(ftStart) + 36000000000), Sms(nInbox, "Anna", ticks(ftEnd)),
         Sms(nInbox, "Anna", ticks(ftEnd) + 1), Sms(nInbox, "Anna", {})});
    CSmsStore store;
    store.Open();
    EXPECT_EQ(RangeCount(store, kInbox, ftStart, ftEnd), 3);
    int nCount = -1;
    EXPECT_EQ(store.GetInboxCountInRange(ftStart, ftEnd, &nCount), 0);
    EXPECT_EQ(nCount, 3);
    EXPECT_EQ(store.GetCallerInboxCountInRange(ftStart, ftEnd, L"Anna", &nCount), 0);
    EXPECT_EQ(nCount, 2);
    EXPECT_EQ(store.CountCallerSmsInRange(kInbox, ftStart, ftEnd, L"Bob", &nCount), 0);
    EXPECT_EQ(nCount, 1);
    EXPECT_EQ(store.GetSentCountInRange(ftStart, ftEnd, &nCount), 0);
    EXPECT_EQ(nCount, 0);
    // A one-instant range, and one whose end lies before its start.
    EXPECT_EQ(RangeCount(store, kInbox, ftEnd, ftEnd), 1);
    EXPECT_EQ(RangeCount(store, kInbox, ftEnd, ftStart), 0);
}

TEST_F(SmsStoreTest, DeliveryTimesAreReadInTheDevicesZone)
{
    m_zone.reset();
    CTimeZone zone("Etc/GMT-2"); // two hours ahead of UTC
    int64_t nSent = m_device.Sent();
    Add({Sms(nSent, {}, UtcTicks(2024, 3, 1, 23, 30), {{"Anna", {}}})});
    CSmsStore store;
    store.Open();
    SmsEntry entry;
    ASSERT_EQ(store.GetSmsEntry(kSent, 0, &entry), 0);
    EXPECT_EQ(FileTimeToTicks(entry.ftDeliveryTime), FileTimeToTicks(At(2024, 3, 2, 1, 30)));

    int nCount = -1;
    EXPECT_EQ(store.GetCallerSentCountInRange(At(2024, 3, 2), At(2024, 3, 2, 23, 59, 59), L"Anna", &nCount), 0);
    EXPECT_EQ(nCount, 1);
    EXPECT_EQ(store.GetCallerSentCountInRange(At(2024, 3, 1), At(2024, 3, 1, 23, 59, 59), L"Anna", &nCount), 0);
    EXPECT_EQ(nCount, 0);
    FILETIME ft {};
    store.GetLastSmsTime(L"Anna", &ft);
    EXPECT_EQ(FileTimeToTicks(ft), FileTimeToTicks(At(2024, 3, 2, 1, 30)));
}

TEST_F(SmsStoreTest, LastSmsTimeIsTheLatestEitherWayAndSentItemsOnATie)
{
    struct Case {
        int nInboxHour; // -1: no message from Anna in that folder
        int nSentHour;
        int nExpectedHour; // -1: time 0
    };
    const Case kCases[] = {{11, 10, 11}, {10, 11, 11}, {10, 10, 10}, {-1, 9, 9}, {9, -1, 9}, {-1, -1, -1}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.nInboxHour << " " << c.nSentHour);
        CTestDevice device;
        int64_t nInbox = device.Inbox(), nSent = device.Sent();
        // Around Anna's messages: later ones of others, and ones without a time.
        std::vector<DeviceMessage> messages = {Sms(nInbox, "Bob", UtcTicks(2024, 5, 1, 20)),
                                               Sms(nInbox, "Anna", {}),
                                               Sms(nSent, {}, UtcTicks(2024, 5, 1, 21), {{"Bob", {}}}),
                                               Sms(nSent, {}, {}, {{"Anna", {}}})};
        if (c.nInboxHour >= 0) {
            messages.push_back(Sms(nInbox, "Anna", UtcTicks(2024, 5, 1, c.nInboxHour)));
            messages.push_back(Sms(nInbox, "Anna", UtcTicks(2024, 5, 1, c.nInboxHour - 1)));
        }
        if (c.nSentHour >= 0) {
            messages.push_back(Sms(nSent, {}, UtcTicks(2024, 5, 1, c.nSentHour - 2), {{"Anna", {}}}));
            messages.push_back(Sms(nSent, {}, UtcTicks(2024, 5, 1, c.nSentHour), {{"Anna", {}}}));
        }
        ASSERT_EQ(device.Store().AddMessages(messages), 0);
        CSmsStore store;
        store.Open();
        FILETIME ft = At(2000, 1, 1);
        EXPECT_EQ(store.GetLastSmsTime(L"Anna", &ft), 0);
        uint64_t nExpected = c.nExpectedHour < 0 ? 0 : static_cast<uint64_t>(UtcTicks(2024, 5, 1, c.nExpectedHour));
        EXPECT_EQ(FileTimeToTicks(ft), nExpected);
    }
}

TEST_F(SmsStoreTest, AMessageThatCannotBeReadIsLeftOutAndTheWalkGoesOn)
{
    int64_t nInbox = m_device.Inbox(), nSent = m_device.Sent();
    // Messages 1-4 in the Inbox and 5-8 in Sent Items, one hour apart.
    std::vector<DeviceMessage> messages;
    for (int i = 0; i < 4; ++i)
        messages.push_back(Sms(nInbox, "Anna", UtcTicks(2024, 6, 1, 10 + i)));
    for (int i = 0; i < 4; ++i)
        messages.push_back(Sms(nSent, {}, UtcTicks(2024, 6, 1, 10 + i), {{"Anna", {}}}));
    Add(messages);

    struct Case {
        MapiFaultStep step;
        ULONG ulTag;
        int64_t nFailing; // the message that fails
        int nLastHour;    // the caller's latest time in that folder
    };
    const Case kCases[] = {
        {MapiFaultStep::OpenMessage, kInbox, 2, 13},      {MapiFaultStep::GetProps, kInbox, 1, 13},
        {MapiFaultStep::OpenMessage, kInbox, 4, 12},      {MapiFaultStep::GetRecipientTable, kSent, 6, 13},
        {MapiFaultStep::GetProps, kSent, 7, 13},          {MapiFaultStep::GetRecipientTable, kInbox, 2, -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.step) << " on " << c.nFailing);
        CFaultGuard fault([&](MapiFaultStep step, int64_t nMessage) {
            return step == c.step && nMessage == c.nFailing ? MAPI_E_CALL_FAILED : S_OK;
        });
        // The Inbox never reads recipients, so that fault leaves it whole.
        int nExpected = c.nLastHour < 0 ? 4 : 3;
        int nLastHour = c.nLastHour < 0 ? 13 : c.nLastHour;
        CSmsStore store;
        store.Open();
        EXPECT_EQ(CallerCount(store, c.ulTag, L"Anna"), nExpected);
        // Counting by time alone reads no recipients, so that fault leaves it whole.
        int nRangeExpected = c.step == MapiFaultStep::GetRecipientTable ? 4 : nExpected;
        EXPECT_EQ(RangeCount(store, c.ulTag, At(2024, 6, 1), At(2024, 6, 1, 23, 59, 59)), nRangeExpected);
        int nCount = -1;
        EXPECT_EQ(store.CountCallerSmsInRange(c.ulTag, At(2024, 6, 1), At(2024, 6, 2), L"Anna", &nCount), 0);
        EXPECT_EQ(nCount, nExpected);
        FILETIME ft {};
        EXPECT_EQ(store.GetLastCallerSmsTime(c.ulTag, L"Anna", &ft), 0);
        EXPECT_EQ(FileTimeToTicks(ft), static_cast<uint64_t>(UtcTicks(2024, 6, 1, nLastHour)));
        EXPECT_EQ(FolderCount(store, c.ulTag), 4);
        // Read one by one, the failing message is the one that gives -1.
        int64_t nFirst = c.ulTag == kInbox ? 1 : 5;
        for (ULONG n = 0; n < 4; ++n) {
            SmsEntry entry;
            bool bFails = c.nLastHour >= 0 && nFirst + n == c.nFailing;
            EXPECT_EQ(store.GetSmsEntry(c.ulTag, n, &entry), bFails ? -1 : 0) << n;
        }
    }
}

TEST_F(SmsStoreTest, AMessageWithAnEmptyEntryIsLeftOut)
{
    int64_t nInbox = m_device.Inbox();
    Add({Sms(nInbox, "Anna", UtcTicks(2024, 6, 1)), Sms(nInbox, "Anna", UtcTicks(2024, 6, 2)),
         Sms(nInbox, "Anna", UtcTicks(2024, 6, 3))});
    Sql("UPDATE message SET entry_id = X'' WHERE id = 2");
    CSmsStore store;
    store.Open();
    EXPECT_EQ(CallerCount(store, kInbox, L"Anna"), 2);
    FILETIME ft {};
    store.GetLastSmsTime(L"Anna", &ft);
    EXPECT_EQ(FileTimeToTicks(ft), static_cast<uint64_t>(UtcTicks(2024, 6, 3)));
    EXPECT_EQ(FolderCount(store, kInbox), 3);
}

TEST_F(SmsStoreTest, MissingPropertiesAreReadAsEmptyAddressAndTimeZero)
{
    int64_t nInbox = m_device.Inbox();
    // No subject anywhere; the second lacks its sender, the third its time.
    Add({Sms(nInbox, "Anna", UtcTicks(2024, 6, 1)), Sms(nInbox, {}, UtcTicks(2024, 6, 2)),
         Sms(nInbox, "Anna", {}), Sms(nInbox, "Anna", UtcTicks(2024, 6, 4))});
    Sql("UPDATE message SET subject = NULL");
    CSmsStore store;
    store.Open();
    std::vector<std::pair<std::wstring, uint64_t>> seen;
    EXPECT_EQ(store.ForEachSmsEntry(kInbox, [&](const SmsEntry& entry) {
        seen.emplace_back(entry.szAddress, FileTimeToTicks(entry.ftDeliveryTime));
    }),
              0);
    std::vector<std::pair<std::wstring, uint64_t>> expected = {
        {L"Anna", UtcTicks(2024, 6, 1)}, {L"", UtcTicks(2024, 6, 2)}, {L"Anna", 0}, {L"Anna", UtcTicks(2024, 6, 4)}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(CallerCount(store, kInbox, L"Anna"), 3);
    EXPECT_EQ(CallerCount(store, kInbox, L""), 3);
    EXPECT_EQ(RangeCount(store, kInbox, At(2024, 6, 1), At(2024, 6, 30)), 3);
    FILETIME ft {};
    store.GetLastSmsTime(L"Anna", &ft);
    EXPECT_EQ(FileTimeToTicks(ft), static_cast<uint64_t>(UtcTicks(2024, 6, 4)));
}

TEST_F(SmsStoreTest, LongAddressesAreCutAt255Characters)
{
    std::string strSender = std::string(250, 'x') + "+4912345" + std::string(42, 'y');
    std::vector<DeviceRecipient> recipients;
    for (int i = 0; i < 30; ++i)
        recipients.push_back({"Person " + std::to_string(i), "+49170" + std::to_string(1000 + i)});
    int64_t nTime = UtcTicks(2024, 6, 1, 12);
    Add({Sms(m_device.Inbox(), strSender, nTime), Sms(m_device.Sent(), {}, nTime, recipients)});
    CSmsStore store;
    store.Open();
    for (ULONG ulTag : {kInbox, kSent}) {
        SmsEntry entry;
        std::wmemset(entry.szAddress, L'#', std::size(entry.szAddress));
        ASSERT_EQ(store.GetSmsEntry(ulTag, 0, &entry), 0);
        EXPECT_EQ(std::wcslen(entry.szAddress), 255u);
        EXPECT_EQ(FileTimeToTicks(entry.ftDeliveryTime), static_cast<uint64_t>(nTime));
    }
    EXPECT_EQ(Address(store, kInbox, 0), std::wstring(250, L'x') + L"+4912");
    EXPECT_EQ(Address(store, kSent, 0).substr(0, 23), L"Person 0<+491701000>Per");
    // A key beyond the cut no longer matches.
    EXPECT_EQ(CallerCount(store, kInbox, L"+4912"), 1);
    EXPECT_EQ(CallerCount(store, kInbox, L"+4912345"), 0);
    EXPECT_EQ(CallerCount(store, kSent, L"Person 1"), 1);
    EXPECT_EQ(CallerCount(store, kSent, L"Person 29"), 0);
}

TEST_F(SmsStoreTest, GetSmsEntryReadsTheNthMessageInStoreOrder)
{
    int64_t nInbox = m_device.Inbox();
    Add({Sms(nInbox, "late", UtcTicks(2024, 6, 3)), Sms(m_device.Sent(), {}, UtcTicks(2024, 6, 1), {{"x", {}}}),
         Sms(nInbox, "early", UtcTicks(2024, 6, 1))});
    CSmsStore store;
    store.Open();
    SmsEntry entry;
    ASSERT_EQ(store.GetSmsEntry(kInbox, 0, &entry), 0);
    EXPECT_STREQ(entry.szAddress, L"late");
    EXPECT_EQ(FileTimeToTicks(entry.ftDeliveryTime), static_cast<uint64_t>(UtcTicks(2024, 6, 3)));
    ASSERT_EQ(store.GetSmsEntry(kInbox, 1, &entry), 0);
    EXPECT_STREQ(entry.szAddress, L"early");
    EXPECT_EQ(store.GetSmsEntry(kInbox, 2, &entry), -1);
    EXPECT_STREQ(entry.szAddress, L"");
    EXPECT_EQ(FileTimeToTicks(entry.ftDeliveryTime), 0u);
    // Any other store property names no folder.
    EXPECT_EQ(store.GetSmsEntry(PR_SUBJECT, 0, &entry), -1);
    EXPECT_EQ(store.GetSmsEntry(PR_ENTRYID, 0, &entry), -1);
}

TEST_F(SmsStoreTest, RecipientsComeInPositionOrderWhateverTheStoredOrder)
{
    // Sent Items holds most messages, so its recipients are read in one pass
    // over the recipient table: rows stored out of order, and rows of a
    // message in another folder, must not change what each message shows.
    int64_t nSent = m_device.Sent();
    int64_t nOutbox = m_device.Store().FindFolder("SMS", "outbox");
    ASSERT_GT(nOutbox, 0);
    std::vector<DeviceMessage> messages;
    for (int i = 0; i < 6; ++i)
        messages.push_back(Sms(nSent, {}, UtcTicks(2024, 1, 1 + i)));
    messages.push_back(Sms(nOutbox, {}, UtcTicks(2024, 2, 1)));
    Add(messages);
    // Message ids 1 to 6 in Sent Items, 7 in the Outbox; recipients written
    // newest message first and each message's last position first.
    Sql("INSERT INTO recipient (message_id, position, display_name, email_address) VALUES "
        "(7, 0, 'Outbox', '+7'), (6, 1, 'Fay', '+62'), (6, 0, 'Eve', '+61'), (4, 0, 'Dan', '+4'), "
        "(3, 2, 'Cy', '+33'), (3, 1, NULL, '+32'), (3, 0, 'Cid', NULL), (1, 0, 'Ann', '+1')");
    CSmsStore store;
    store.Open();
    const std::wstring kExpected[] = {L"Ann<+1>", L"", L"Cid<+32>Cy<+33>", L"Dan<+4>", L"", L"Eve<+61>Fay<+62>"};
    for (ULONG n = 0; n < 6; ++n)
        EXPECT_EQ(Address(store, kSent, n), kExpected[n]) << n;
    // Walked in order, as the figures walk, and again from the kept folder.
    for (int nWalk = 0; nWalk < 2; ++nWalk) {
        std::vector<std::wstring> addresses;
        store.ForEachSmsEntry(kSent, [&](const SmsEntry& entry) { addresses.push_back(entry.szAddress); });
        EXPECT_EQ(addresses, std::vector<std::wstring>(std::begin(kExpected), std::end(kExpected))) << nWalk;
    }
}

TEST_F(SmsStoreTest, DamagedStoreEndsTheWalkAtTheDamage)
{
    int64_t nInbox = m_device.Inbox();
    std::vector<DeviceMessage> messages;
    for (int i = 0; i < 3000; ++i) {
        messages.push_back(Sms(nInbox, "+4917012", UtcTicks(2024, 1, 1) + i * 10000000LL));
        messages.back().strBody = std::string(200, 'b');
    }
    Add(messages);
    {
        std::fstream file(m_device.Path(), std::ios::in | std::ios::out | std::ios::binary);
        std::string strBytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_GT(strBytes.size(), 100u * 4096);
        file.seekp(static_cast<std::streamoff>(strBytes.size() / 2));
        file << std::string(2 * 4096, '\xA5');
    }
    CSmsStore store;
    store.Open();
    // The walk hands out the messages before the damage and stops there;
    // the next walk reads the folder again and stops at the same place.
    for (int nWalk = 0; nWalk < 2; ++nWalk) {
        SCOPED_TRACE(nWalk);
        MapiReadCounts before = MapiStoreReadCounts();
        int nSeen = 0;
        store.ForEachSmsEntry(kInbox, [&](const SmsEntry&) { ++nSeen; });
        MapiReadCounts after = MapiStoreReadCounts();
        EXPECT_GT(nSeen, 0);
        EXPECT_LT(nSeen, 3000);
        EXPECT_GE(after.nStoreRowsRead - before.nStoreRowsRead, static_cast<uint64_t>(nSeen));
    }
}

TEST_F(SmsStoreTest, EachFolderIsReadOnceUntilTheStoreChanges)
{
    constexpr int kInboxMessages = 60000;
    constexpr int kSentMessages = 40000;
    int64_t nInbox = m_device.Inbox(), nSent = m_device.Sent();
    int64_t nBase = UtcTicks(2024, 1, 1);
    constexpr int64_t kMinute = 60LL * 10000000LL;
    std::vector<DeviceMessage> messages;
    messages.reserve(kInboxMessages + kSentMessages);
    for (int i = 0; i < kInboxMessages; ++i)
        messages.push_back(Sms(nInbox, "+49170" + std::to_string(i % 100), nBase + i * kMinute));
    for (int i = 0; i < kSentMessages; ++i)
        messages.push_back(Sms(nSent, {}, nBase + i * kMinute, {{"Friend", "+49170" + std::to_string(i % 50)}}));
    Add(messages);
    messages.clear();

    CSmsStore store;
    store.Open();
    FILETIME ftStart = At(2024, 1, 1), ftEnd = At(2024, 1, 1, 23, 59, 59);
    struct Case {
        const char* pszName;
        std::function<int64_t()> run; // the figure
        int64_t nExpected;
        int nFolders;
        uint64_t nMessages;  // messages in the folders walked
        uint64_t nStoreRows; // message and recipient rows read from the store
    };
    // A folder's messages are read the first time a walk needs them, its
    // recipients the first time a message's are asked for; both are kept.
    // The Inbox's walk has Sent Items read beside it, with its recipients
    // (one per message here), counted when a walk of Sent Items takes them.
    const std::vector<Case> cases = {
        // A folder's count comes from its table without reading a message.
        {"GetInboxCount",
         [&] {
             int n = 0;
             store.GetInboxCount(&n);
             return n;
         },
         kInboxMessages, 1, 0, 0},
        {"GetSentCount",
         [&] {
             int n = 0;
             store.GetSentCount(&n);
             return n;
         },
         kSentMessages, 1, 0, 0},
        {"GetCallerInboxCount",
         [&] {
             int n = 0;
             store.GetCallerInboxCount(L"+491707", &n);
             return n;
         },
         kInboxMessages / 100 * 11, 1, kInboxMessages, kInboxMessages},
        {"GetSentCountInRange",
         [&] {
             int n = 0;
             store.GetSentCountInRange(ftStart, ftEnd, &n);
             return n;
         },
         1440, 1, kSentMessages, 2 * kSentMessages},
        {"GetCallerSentCount",
         [&] {
             int n = 0;
             store.GetCallerSentCount(L"<+4917049>", &n);
             return n;
         },
         kSentMessages / 50, 1, kSentMessages, 0},
        {"GetLastSmsTime",
         [&] {
             FILETIME ft {};
             store.GetLastSmsTime(L"+4917099", &ft);
             return static_cast<int64_t>(FileTimeToTicks(ft));
         },
         nBase + (kInboxMessages - 1) * kMinute, 2, kInboxMessages + kSentMessages, 0},
        {"GetInboxCountInRange",
         [&] {
             int n = 0;
             store.GetInboxCountInRange(ftStart, ftEnd, &n);
             return n;
         },
         1440, 1, kInboxMessages, 0},
        {"GetCallerInboxCountInRange",
         [&] {
             int n = 0;
             store.GetCallerInboxCountInRange(ftStart, ftEnd, L"+4917042", &n);
             return n;
         },
         14, 1, kInboxMessages, 0},
        {"GetCallerSentCountInRange",
         [&] {
             int n = 0;
             store.GetCallerSentCountInRange(ftStart, ftEnd, L"Friend", &n);
             return n;
         },
         1440, 1, kSentMessages, 0},
        // A change of the store has the folder read again.
        {"GetCallerInboxCount after a change",
         [&] {
             Add({Sms(nInbox, "+491707", nBase)});
             int n = 0;
             store.GetCallerInboxCount(L"+491707", &n);
             return n;
         },
         kInboxMessages / 100 * 11 + 1, 1, kInboxMessages + 1, kInboxMessages + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        MapiReadCounts before = MapiStoreReadCounts();
        EXPECT_EQ(c.run(), c.nExpected);
        MapiReadCounts after = MapiStoreReadCounts();
        EXPECT_EQ(after.nFoldersOpened - before.nFoldersOpened, static_cast<uint64_t>(c.nFolders));
        EXPECT_EQ(after.nContentsTablesOpened - before.nContentsTablesOpened, static_cast<uint64_t>(c.nFolders));
        EXPECT_EQ(after.nContentsRowsFetched - before.nContentsRowsFetched, c.nMessages);
        EXPECT_EQ(after.nMessagesOpened - before.nMessagesOpened, c.nMessages);
        // The rows read, and a few lookups per folder.
        uint64_t nRows = after.nStoreRowsRead - before.nStoreRowsRead;
        EXPECT_GE(nRows, c.nStoreRows);
        EXPECT_LE(nRows, c.nStoreRows + 4u * static_cast<uint64_t>(c.nFolders));
    }
}

} // namespace
