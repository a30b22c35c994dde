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
        {{kMarch1, 65, 1, 1, "+4930111111", "Anna Adler", ""}, "65|1|6|2|+4930111111|Anna Adler"},
        {{kMarch1, 0, 2, 1, "+4930222222", "(Unknown)", ""}, "0|2|5|2|+4930222222|NULL"},
        {{kMarch1, 30, 3, 2, "", "null", ""}, "30|0|4|1|NULL|NULL"},
        {{kMarch1, -5, 1, 3, "+49", "", ""}, "0|1|4|0|+49|NULL"},
        {{kMarch1, 5000000000, 7, 4, "+49", "Ben", ""}, "1000000000|1|6|2|+49|Ben"},
        {{std::nullopt, 10, 1, 1, "+49", "Anna", ""}, "undated"},
        {{253402300800000, 10, 1, 1, "+49", "Anna", ""}, "undated"},
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
        {{kMarch1, 1, "+491", "Anna", "Hi", "null", ""}, "SMS/inbox|Anna|NULL|Hi||sms,1,+491,NULL"},
        {{kMarch1, 1, "+491", "(Unknown)", "Hi", "", ""}, "SMS/inbox|+491|NULL|Hi||sms,1,+491,NULL"},
        {{kMarch1, 1, "", "", std::nullopt, "null", ""}, "SMS/inbox|NULL|NULL|NULL||sms,1,,NULL"},
        {{kMarch1, 9, "+494", "", "?", "null", ""}, "SMS/other|+494|NULL|?||sms,9,+494,NULL"},
        // Sent, drafts and outbox: one recipient per address, named in order.
        {{kMarch1, 2, "+491~+492", "Anna, Ben", "Both", "Plans", ""},
         "SMS/sent|NULL|Plans|Both|Anna<+491> Ben<+492>|sms,2,+491~+492,NULL"},
        {{kMarch1, 3, "+493", "null", "Draft", "null", ""}, "SMS/drafts|NULL|NULL|Draft|+493<+493>|sms,3,+493,NULL"},
        {{kMarch1, 5, " +493 ~", "Carla", "", "null", ""}, "SMS/outbox|NULL|NULL||Carla<+493>|sms,5, +493 ~,NULL"},
        {{std::nullopt, 1, "+491", "Anna", "Hi", "null", ""}, "undated"},
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

TEST(RecordMapping, MmsPeopleComeFromTheRecordAlone)
{
    const std::string strToken(kOwnAddressToken);
    MmsRecord undated = Mms(2, "", "", {{137, "+4930777777"}, {151, "+491"}});
    undated.nDate.reset();
    MmsRecord named = Mms(1, "+491~030 222222", "Anna, Ben", {{137, "+491"}, {151, "+4930222222"}, {151, "+494"}});
    named.strId = "m-1";
    named.strSubject = "Sat";
    MmsRecord noBoxSent = Mms(0, "+491", "Anna", {{137, "+4930999000"}, {151, "+491"}});
    noBoxSent.nMessageType = 128;
    MmsRecord noBoxReceived = Mms(0, "+491", "Anna", {{137, "+491"}, {151, "+4930999000"}});
    noBoxReceived.nMessageType = 132;
    MmsRecord noBoxOther = Mms(0, "+491", "Anna", {{137, "+491"}, {151, "+4930999000"}});
    noBoxOther.nMessageType = 130;
    struct Case {
        const char* pszWhat;
        MmsRecord record;
        const char* pszExpected;
    };
    const Case kCases[] = {
        {"received alone: the one recipient is the owner",
         Mms(1, "+491", "Anna", {{137, "+491"}, {151, "+49 30 999000"}}),
         "MMS/inbox|Anna|NULL|hi||mms,1,+491~+49 30 999000,NULL"},
        {"received in a group: the recipients that the address list names",
         Mms(1, "+491~+492", "Anna, Ben", {{137, "+491"}, {151, "+4930999000"}, {151, "+492"}}),
         "MMS/inbox|Anna|NULL|hi|Ben<+492>|mms,1,+491~+4930999000~+492,NULL"},
        {"names follow the address list, matched as one phone's",
         named, "MMS/inbox|Anna|Sat|hi|Ben<+4930222222>|mms,1,+491~+4930222222~+494,m-1"},
        {"received alone without an address list",
         Mms(1, "", "", {{137, "+493"}, {151, "+4930777777"}}),
         "MMS/inbox|+493|NULL|hi||mms,1,+493~+4930777777,NULL"},
        {"received in a group without an address list: every recipient stays",
         Mms(1, "null", "", {{137, "+493"}, {151, "+4930777777"}, {151, "+494"}}),
         "MMS/inbox|+493|NULL|hi|+4930777777<+4930777777> +494<+494>|mms,1,+493~+4930777777~+494,NULL"},
        {"sent as the token: no sender, and the token is no recipient",
         Mms(2, "+491~+492", "Anna, Ben", {{137, strToken}, {151, "+491"}, {151, strToken}, {151, "+492"}}),
         "MMS/sent|NULL|NULL|hi|Anna<+491> Ben<+492>|mms,2,insert-address-token~+491~insert-address-token~+492,NULL"},
        {"sent: the sender's own number, written another way, is no recipient",
         Mms(4, "+491", "Anna", {{137, "+4930888888"}, {151, "+491"}, {151, "030 888888"}}),
         "MMS/outbox|NULL|NULL|hi|Anna<+491>|mms,4,+4930888888~+491~030 888888,NULL"},
        {"sent without <addrs>: the address list is the recipients",
         Mms(2, "+491~ +492", "Anna, (Unknown)", {}), "MMS/sent|NULL|NULL|hi|Anna<+491> +492<+492>|mms,2,,NULL"},
        {"sent with a sender alone: the address list is the recipients",
         Mms(2, "+491~null", "null", {{137, strToken}}),
         "MMS/sent|NULL|NULL|hi|+491<+491>|mms,2,insert-address-token,NULL"},
        {"no box, sent by its type", noBoxSent, "MMS/sent|NULL|NULL|hi|Anna<+491>|mms,0,+4930999000~+491,NULL"},
        {"no box, received by its type", noBoxReceived, "MMS/inbox|Anna|NULL|hi||mms,0,+491~+4930999000,NULL"},
        {"no box, a type that tells no direction", noBoxOther,
         "MMS/other|NULL|NULL|hi|+4930999000<+4930999000>|mms,0,+491~+4930999000,NULL"},
        {"undated", undated, "undated"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(Describe(MessageFromMms(c.record)), c.pszExpected) << c.pszWhat;
}

} // namespace
