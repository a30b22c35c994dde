#include "import/android/BackupFormat.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

namespace {

TEST(BackupFormat, CallTypesBecomeDirections)
{
    struct Case {
        int64_t nType;
        int nIom;
        int nFlags; // with a duration of 10 s
    };
    const Case kCases[] = {
        {1, 1, 6}, {2, 2, 7}, {3, 0, 4}, {4, 0, 4}, {5, 0, 4}, {6, 0, 4}, {7, 1, 6}, {0, 0, 4}, {8, 0, 4}, {-1, 0, 4},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(CallIomFromType(c.nType), c.nIom) << c.nType;
        EXPECT_EQ(CallFlagsFromType(c.nType, 10), c.nFlags) << c.nType;
    }
    EXPECT_EQ(CallFlagsFromType(2, 0), 5) << "an outgoing call nobody took is not connected";
}

TEST(BackupFormat, TypesAndBoxesChooseFolders)
{
    const std::pair<int64_t, const char*> kCases[] = {
        {1, "inbox"}, {2, "sent"}, {3, "drafts"}, {4, "outbox"}, {5, "outbox"}, {6, "outbox"}, {0, "other"}, {7, "other"},
    };
    for (const auto& [nType, pszRole] : kCases)
        EXPECT_STREQ(FolderRoleFromType(nType), pszRole) << nType;

    // An MMS whose box names no folder goes by its message type.
    struct MmsCase {
        int64_t nBox, nMessageType;
        const char* pszRole;
    };
    const MmsCase kMmsCases[] = {
        {1, 128, "inbox"}, {2, 132, "sent"},   {4, 0, "outbox"},  {0, 128, "sent"},
        {0, 132, "inbox"}, {9, 132, "inbox"}, {0, 130, "other"}, {0, 0, "other"},
    };
    for (const MmsCase& c : kMmsCases)
        EXPECT_STREQ(MmsFolderRole(c.nBox, c.nMessageType), c.pszRole) << c.nBox << "/" << c.nMessageType;
}

TEST(BackupFormat, UnnamedContacts)
{
    for (const char* psz : {"", "(Unknown)", "null"})
        EXPECT_FALSE(IsKnownContactName(psz)) << psz;
    for (const char* psz : {"Anna", "Null Island", "(Unknown) Caller", "NULL"})
        EXPECT_TRUE(IsKnownContactName(psz)) << psz;
}

TEST(BackupFormat, DatesAreUtcMilliseconds)
{
    EXPECT_EQ(BackupDateTicks(1709287200000, false), UtcTicks(2024, 3, 1, 10));
    EXPECT_EQ(BackupDateTicks(1709287200123, false), UtcTicks(2024, 3, 1, 10, 0, 0, 123));
    EXPECT_EQ(BackupDateTicks(0, false), kUnixEpochTicks);
    // An MMS date below 10^11 is in seconds; from there on, milliseconds.
    EXPECT_EQ(BackupDateTicks(1709287200, true), UtcTicks(2024, 3, 1, 10));
    EXPECT_EQ(BackupDateTicks(1709287200000, true), UtcTicks(2024, 3, 1, 10));
    EXPECT_EQ(BackupDateTicks(99999999999, true), UtcTicks(5138, 11, 16, 9, 46, 39));
    EXPECT_EQ(BackupDateTicks(1709287200, false), UtcTicks(1970, 1, 20, 18, 48, 7, 200));
    EXPECT_FALSE(BackupDateTicks(-11644473600001, false));
    EXPECT_FALSE(BackupDateTicks(253402300800000, false));
    EXPECT_FALSE(BackupDateTicks(INT64_MAX, true));
}

TEST(BackupFormat, DatesWrittenInSeconds)
{
    struct Case {
        int64_t nValue;
        const char* pszReadable;
        bool bInSeconds;
    };
    const Case kCases[] = {
        {1485921084, "", true},                                // 2017-02-01 03:51:24 UTC
        {1485921084, "Feb 1, 2017 4:51:24 AM", true},
        {1485921084, "2017-02-01 04:51", true},
        {1485921084, "1/2/17 04:51", true},                    // names no year of four digits
        {1485921084, "Jan 18, 1970 5:45:21 PM", false},        // the milliseconds' date
        {1485921084, "Feb 1, 2016 4:51:24 AM", false},
        {1485921084, "Feb 1, 2017 / 12345 / 1970", true},      // one of the years is the date's
        {1485921084000, "Feb 1, 2017", false},                 // milliseconds already
        // Near a new year, the readable date may be a day off in local time.
        {1514764800, "Dec 31, 2017 11:00:00 PM", true},        // 2018-01-01 00:00 UTC
        {1514764800, "Dec 30, 2016", false},
        {631152000, "", true},                                 // 1990-01-01
        {631151999, "", false},
        {4102444799, "", true},                                // 2099-12-31 23:59:59
        {4102444800, "", false},
        {0, "", false},
        {-1485921084, "", false},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(IsDateInSeconds(c.nValue, c.pszReadable), c.bInSeconds) << c.nValue << " " << c.pszReadable;
}

TEST(BackupFormat, SeveralAddressesAndTheirNames)
{
    EXPECT_EQ(SplitAddresses("+491~+492~~ +493 ~"), (std::vector<std::string> {"+491", "+492", "+493"}));
    EXPECT_TRUE(SplitAddresses("").empty());

    using Names = std::vector<std::optional<std::string>>;
    EXPECT_EQ(ContactNamesFor("Anna Adler, Ben Berger", 2), (Names {"Anna Adler", "Ben Berger"}));
    EXPECT_EQ(ContactNamesFor("Anna Adler,(Unknown)", 2), (Names {"Anna Adler", std::nullopt}));
    EXPECT_EQ(ContactNamesFor("Anna Adler, Ben Berger", 3), (Names {std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(ContactNamesFor("Adler, Anna", 1), (Names {"Adler, Anna"}));
    EXPECT_EQ(ContactNamesFor("(Unknown)", 1), (Names {std::nullopt}));

    std::vector<DeviceRecipient> recipients = RecipientsFor({"+491", "+492"}, {"Anna", std::nullopt});
    ASSERT_EQ(recipients.size(), 2u);
    EXPECT_EQ(recipients[0].strDisplayName, "Anna");
    EXPECT_EQ(recipients[0].strEmailAddress, "+491");
    EXPECT_EQ(recipients[1].strDisplayName, "+492");
    EXPECT_EQ(recipients[1].strEmailAddress, "+492");
}

TEST(BackupFormat, AddressesOfOnePhone)
{
    struct Case {
        const char* pszA;
        const char* pszB;
        bool bSame;
    };
    const Case kCases[] = {
        {"+4930999000", "+49 30 999000", true},
        {"+491701234567", "01701234567", true},
        {"+491701234567", "+491701234568", false},
        {"+49 (30) 123-4567", "030/123.4567", true},
        // A shorter number matches the end of a longer one from seven digits
        // on, leading zeros aside.
        {"1234567", "+491234567", true},
        {"+491234567", "1234567", true},
        {"123456", "+49123456", false},
        {"0123456", "49123456", false},
        {"00301234567", "+49301234567", true},
        {"1234567", "12345678", false},
        {"1234", "91234", false},
        // Equal digits are one number however short.
        {"112", "0112", true},
        {"112", "+112", true},
        // A number and an address with letters are not one phone's, nor are
        // numbers that are only zeros, which compare as texts.
        {"1234567", "x1234567", false},
        {"00", "000", false},
        {"me@example.org", "ME@Example.org", true},
        {"me@example.org", "you@example.org", false},
        {"Anna", "Anna ", false},
        {"insert-address-token", "+4930999000", false},
        // Beyond twenty digits an address is no phone number, and compares
        // as a text.
        {"+49 1234 5678 9012 3456 7890", "1234567890123456789012345678901234567890", false},
        {"123456789012345678901234", "123456789012345678901234", true},
        {"12345678901234567890", "0012345678901234567890", true},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(IsSameAddress(c.pszA, c.pszB), c.bSame) << c.pszA << " / " << c.pszB;
}

TEST(BackupFormat, TheAddressIndexFindsWhatPairwiseComparingFinds)
{
    const std::vector<std::string> list = {
        "me@example.org", "+49 30 999000", "030999000",  "112",      "1234567",       "+491234567",
        "00",             "ANNA",          "+4930999000", "99999999", "+1 555 0100 99", "123456789012345678901234",
    };
    const char* const kQueries[] = {
        "ME@example.org", "0049 30 999000", "30999000", "999000",   "+112", "0112",  "91234567",  "1234567",
        "000",            "anna",           "Anna ",    "99999999", "+4999999999", "5550100", "15550100 99",
        "123456789012345678901234", "0123456789012345678901234", "", "nobody",
    };
    CAddressIndex index(list);
    for (const char* pszQuery : kQueries) {
        std::optional<size_t> nExpected;
        for (size_t i = 0; i < list.size() && !nExpected; ++i) {
            if (IsSameAddress(list[i], pszQuery))
                nExpected = i;
        }
        EXPECT_EQ(index.Find(pszQuery), nExpected) << pszQuery;
    }
    EXPECT_EQ(index.Find("+49 30 999000"), 1u) << "the first of several that match";
    EXPECT_EQ(CAddressIndex({}).Find("+491"), std::nullopt);
}

} // namespace
