#include "import/android/RecordMapping.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int64_t kMarch1 = 1709287200000; // 2024-03-01 10:00 UTC in milliseconds

std::string Text(const std::optional<std::string>& str)
{
    return str ? *str : "NULL";
}

// A message in one line: "store/role|sender|subject|body|recipients|key",
// recipients as "name<address>" joined by ' ', the key as
// "kind,type,address,id".
std::string Describe(const std::optional<BackupMessage>& result)
{
    if (!result)
        return "undated";
    const DeviceMessage& message = result->message;
    std::string strRecipients;
    for (const DeviceRecipient& recipient : message.recipients) {
        if (!strRecipients.empty())
            strRecipients += ' ';
        strRecipients += Text(recipient.strDisplayName) + "<" + Text(recipient.strEmailAddress) + ">";
    }
    const BackupMessageKey& key = result->key;
    return std::string(result->pszStore) + "/" + result->pszRole + "|" + Text(message.strSenderName) + "|" +
           Text(message.strSubject) + "|" + Text(message.strBody) + "|" + strRecipients + "|" + key.pszKind + "," +
           std::to_string(key.nType) + "," + key.strAddress + "," + Text(key.strId);
}

MmsRecord Mms(int64_t nBox, std::string strAddress, std::string strContactName, std::vector<MmsAddress> addresses)
{
    MmsRecord record;
    record.nDate = kMarch1;
    record.nBox = nBox;
    record.strId = "null";
    record.strSubject = "null";
    record.strAddress = std::move(strAddress);
    record.strContactName = std::move(strContactName);
    record.strText = "hi";
    record.addresses = std::move(addresses);
    return record;
}

TEST(RecordMapping, CallsBecomeCallRecords)
{
    struct Case {
        CallRecord record;
        const char* pszExpected; // "seconds|iom|flags|cidt|number|name", or "undated"
    };
    const Case kCases[] = {
        {{kMarch1, 65, 1, 1, "+4930111111", "Anna Adler"}, "65|1|6|2|+4930111111|Anna Adler"},
        {{kMarch1, 0, 2, 1, "+4930222222", "(Unknown)"}, "0|2|5|2|+4930222222|NULL"},
        {{kMarch1, 30, 3, 2, "", "null"}, "30|0|4|1|NULL|NULL"},
        {{kMarch1, -5, 1, 3, "+49", ""}, "0|1|4|0|+49|NULL"},
        {{kMarch1, 5000000000, 7, 4, "+49", "Ben"}, "1000000000|1|6|2|+49|Ben"},
        {{std::nullopt, 10, 1, 1, "+49", "Anna"}, "undated"},
        {{253402300800000, 10, 1, 1, "+49", "Anna"}, "undated"},
    };
    for (const Case& c : kCases) {
        std::optional<DeviceCall> call = CallFromRecord(c.record);
        std::string strActual = "undated";
        if (call) {
            EXPECT_EQ(call->nStartTime, UtcTicks(2024, 3, 1, 10)) << c.pszExpected;
            strActual = std::to_string((call->nEndTime - call->nStartTime) / kTicksPerSecond) + "|" +
                        std::to_string(call->nIom) + "|" + std::to_string(call->nFlags) + "|" +
                        std::to_string(call->nCidt) + "|" + Text(call->strNumber) + "|" + Text(call->strName);
            EXPECT_EQ(call->strNameType, std::nullopt);
            EXPECT_EQ(call->strNote, std::nullopt);
        }
        EXPECT_EQ(strActual, c.pszExpected);
    }
}

TEST(RecordMapping, SmsGoByTheirType)
{
    struct Case {
        SmsRecord record;
        const char* pszExpected;
    };
    const Case kCases[] = {
        // Received: the contact's name, else the address, is the sender.
        {{kMarch1, 1, "+491", "Anna", "Hi", "null"}, "SMS/inbox|Anna|NULL|Hi||sms,1,+491,NULL"},
        {{kMarch1, 1, "+491", "(Unknown)", "Hi", ""}, "SMS/inbox|+491|NULL|Hi||sms,1,+491,NULL"},
        {{kMarch1, 1, "", "", std::nullopt, "null"}, "SMS/inbox|NULL|NULL|NULL||sms,1,,NULL"},
        {{kMarch1, 9, "+494", "", "?", "null"}, "SMS/other|+494|NULL|?||sms,9,+494,NULL"},
        // Sent, drafts and outbox: one recipient per address, named in order.
        {{kMarch1, 2, "+491~+492", "Anna, Ben", "Both", "Plans"},
         "SMS/sent|NULL|Plans|Both|Anna<+491> Ben<+492>|sms,2,+491~+492,NULL"},
        {{kMarch1, 3, "+493", "null", "Draft", "null"}, "SMS/drafts|NULL|NULL|Draft|+493<+493>|sms,3,+493,NULL"},
        {{kMarch1, 5, " +493 ~", "Carla", "", "null"}, "SMS/outbox|NULL|NULL||Carla<+493>|sms,5, +493 ~,NULL"},
        {{std::nullopt, 1, "+491", "Anna", "Hi", "null"}, "undated"},
    };
    for (const Case& c : kCases) {
        std::optional<BackupMessage> message = MessageFromSms(c.record);
        EXPECT_EQ(Describe(message), c.pszExpected);
        if (message) {
            EXPECT_EQ(message->message.nDeliveryTime, UtcTicks(2024, 3, 1, 10)) << c.pszExpected;
        }
    }
}

TEST(RecordMapping, MmsPartiesByTheirAddressTypes)
{
    struct Case {
        MmsRecord record;
        const char* pszFrom;
        std::vector<std::string> to;
        const char* pszKey;
    };
    const Case kCases[] = {
        {Mms(1, "", "", {{137, "+491"}, {151, "+499"}, {130, "+492"}, {129, "+493"}, {0, "+494"}}), "+491",
         {"+499", "+492", "+493"}, "+491~+499~+492~+493~+494"},
        {Mms(2, "", "", {{137, "+491"}, {137, "+492"}}), "+491", {}, "+491~+492"},
        // Empty and "null" addresses take no part, but stay in the key; the
        // key joins from its first non-empty piece on.
        {Mms(1, "", "", {{137, ""}, {137, "null"}, {137, "+493"}, {151, ""}}), "+493", {}, "null~+493~"},
        // A received MMS without a sender has the first of its own addresses;
        // a sent one has none.
        {Mms(1, " +495 ~+496", "", {{151, "+499"}}), "+495", {"+499"}, "+499"},
        {Mms(2, "+495~+496", "", {{151, "+499"}}), nullptr, {"+499"}, "+499"},
        {Mms(1, "", "", {}), nullptr, {}, ""},
    };
    for (const Case& c : kCases) {
        MmsParties parties = PartiesOf(c.record);
        EXPECT_EQ(parties.strFrom, c.pszFrom ? std::optional<std::string>(c.pszFrom) : std::nullopt) << c.pszKey;
        EXPECT_EQ(parties.to, c.to) << c.pszKey;
        EXPECT_EQ(parties.strKeyAddresses, c.pszKey);
        EXPECT_EQ(parties.bIncoming, c.record.nBox == 1) << c.pszKey;
    }
}

TEST(RecordMapping, WhatAnMmsTellsOfTheOwnersAddress)
{
    const std::string strToken(kOwnAddressToken);
    struct Case {
        const char* pszWhat;
        MmsParties parties;
        const char* pszOwner;
    };
    const Case kCases[] = {
        {"sent: the sender", {false, "+4930999000", {"+491", "+492"}, ""}, "+4930999000"},
        {"sent as the token", {false, strToken, {"+491"}, ""}, nullptr},
        {"sent without a sender", {false, std::nullopt, {"+491"}, ""}, nullptr},
        {"received alone: the recipient", {true, "+491", {"+4930999000"}, ""}, "+4930999000"},
        {"received by the token alone", {true, "+491", {strToken}, ""}, nullptr},
        {"received in a group", {true, "+491", {"+4930999000", "+492"}, ""}, nullptr},
        {"received by nobody", {true, "+491", {}, ""}, nullptr},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(OwnerAddressIn(c.parties), c.pszOwner ? std::optional<std::string>(c.pszOwner) : std::nullopt)
            << c.pszWhat;

    std::vector<std::string> owners;
    for (const char* psz : {"+4930999000", "", "+49 30 999000", "030999000", "me@example.org", "ME@example.org"})
        LearnOwnerAddress(psz, &owners);
    EXPECT_EQ(owners, (std::vector<std::string> {"+4930999000", "me@example.org"}));
    EXPECT_TRUE(IsOwnerAddress("0049 30 999000", owners));
    EXPECT_FALSE(IsOwnerAddress("+4930999001", owners));
    for (int i = 0; i < 20; ++i)
        LearnOwnerAddress("+4917000000" + std::to_string(10 + i), &owners);
    EXPECT_EQ(owners.size(), kMaxOwnerAddresses);
    EXPECT_EQ(owners.back(), "+491700000015");
}

TEST(RecordMapping, MmsInFileOrderLearnTheOwnersAddresses)
{
    // One file's MMS in order, each with what the owner's addresses known
    // after it.
    const std::string strToken(kOwnAddressToken);
    struct Step {
        MmsRecord record;
        const char* pszExpected;
        std::vector<std::string> owners;
    };
    MmsRecord undated = Mms(2, "", "", {{137, "+4930777777"}, {151, "+491"}});
    undated.nDate.reset();
    MmsRecord named = Mms(1, "+491~030 222222", "Anna, Ben", {{137, "+491"}, {151, "+4930222222"}, {151, "+494"}});
    named.strId = "m-1";
    named.strSubject = "Sat";
    const Step kSteps[] = {
        // Received alone: its one recipient is the owner, and no recipient of its own.
        {Mms(1, "+491", "Anna", {{137, "+491"}, {151, "+49 30 999000"}}),
         "MMS/inbox|Anna|NULL|hi||mms,1,+491~+49 30 999000,NULL", {"+49 30 999000"}},
        // The owner, written another way, is left out of a group.
        {Mms(1, "+491~+492", "Anna, Ben", {{137, "+491"}, {151, "+4930999000"}, {151, "+492"}}),
         "MMS/inbox|Anna|NULL|hi|Ben<+492>|mms,1,+491~+4930999000~+492,NULL", {"+49 30 999000"}},
        // Sent as the token: no sender; the token is no recipient.
        {Mms(2, "+491~+492", "Anna, Ben", {{137, strToken}, {151, "+491"}, {151, strToken}, {151, "+492"}}),
         "MMS/sent|NULL|NULL|hi|Anna<+491> Ben<+492>|mms,2,insert-address-token~+491~insert-address-token~+492,NULL",
         {"+49 30 999000"}},
        // An undated MMS tells nothing, not even the owner's address.
        {undated, "undated", {"+49 30 999000"}},
        {Mms(1, "+493", "", {{137, "+493"}, {151, "+4930777777"}, {151, "+494"}}),
         "MMS/inbox|+493|NULL|hi|+4930777777<+4930777777> +494<+494>|mms,1,+493~+4930777777~+494,NULL",
         {"+49 30 999000"}},
        // Sent from a second number of the owner's, which is then left out too.
        {Mms(4, "+491", "Anna", {{137, "+4930888888"}, {151, "+491"}}),
         "MMS/outbox|NULL|NULL|hi|Anna<+491>|mms,4,+4930888888~+491,NULL", {"+49 30 999000", "+4930888888"}},
        // Names follow the record's own addresses, matched as one phone's.
        {named, "MMS/inbox|Anna|Sat|hi|Ben<+4930222222> +494<+494>|mms,1,+491~+4930222222~+494,m-1",
         {"+49 30 999000", "+4930888888"}},
        {Mms(1, "+495", "Eve", {{151, "+4930888888"}, {151, "+496"}}),
         "MMS/inbox|Eve|NULL|hi|+496<+496>|mms,1,+4930888888~+496,NULL", {"+49 30 999000", "+4930888888"}},
    };
    std::vector<std::string> owners;
    for (const Step& step : kSteps) {
        EXPECT_EQ(Describe(MessageFromMms(step.record, &owners)), step.pszExpected);
        EXPECT_EQ(owners, step.owners) << step.pszExpected;
    }
}

} // namespace
