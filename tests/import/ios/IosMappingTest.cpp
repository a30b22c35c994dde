#include "import/ios/IosMapping.h"
#include "import/ios/AttributedText.h"
#include "import/ios/NameBook.h"
#include "tests/import/ios/IosFixtures.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

std::span<const uint8_t> Bytes(const std::string& str)
{
    return {reinterpret_cast<const uint8_t*>(str.data()), str.size()};
}

TEST(IosMapping, DatesInSecondsAndNanosecondsSince2001)
{
    int64_t nDay = UtcTicks(2024, 5, 2, 8);
    int64_t nSeconds = AppleSeconds(2024, 5, 2, 8);
    EXPECT_EQ(AppleSecondsToTicks(0), UtcTicks(2001, 1, 1));
    EXPECT_EQ(AppleSecondsToTicks(double(nSeconds) + 0.5), nDay + 5000000);
    EXPECT_EQ(MessageDateToTicks({nSeconds * 1000000000LL + 123456789, std::nullopt}), nDay + 1234567);
    EXPECT_EQ(MessageDateToTicks({nSeconds, std::nullopt}), nDay);
    EXPECT_EQ(MessageDateToTicks({std::nullopt, double(nSeconds)}), nDay);
    EXPECT_EQ(MessageDateToTicks({std::nullopt, double(nSeconds) * 1e9}), nDay);
    // Nothing outside 1990 to 2100, nor what is no number.
    for (double d : {-4e8, 3.2e9, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(AppleSecondsToTicks(d), std::nullopt) << d;
    EXPECT_EQ(MessageDateToTicks({std::numeric_limits<int64_t>::max(), std::nullopt}), std::nullopt);
    EXPECT_EQ(MessageDateToTicks({std::numeric_limits<int64_t>::min(), std::nullopt}), std::nullopt);
    EXPECT_EQ(MessageDateToTicks({}), std::nullopt);
}

TEST(IosMapping, CallDirectionAndService)
{
    const struct {
        bool bOriginated;
        bool bAnswered;
        double dDuration;
        std::optional<int64_t> nType;
        std::optional<std::string> strProvider;
        int nIom;
        int nFlags;
        const char* pszService;
    } kCases[] = {
        {true, false, 10, 1, "com.apple.Telephony", 2, 7, "phone"},
        {true, true, 0, 1, std::nullopt, 2, 5, "phone"},
        {false, true, 10, 8, "com.apple.FaceTime", 1, 6, "facetime-video"},
        {false, false, 0, 16, "com.apple.FaceTime", 0, 4, "facetime-audio"},
        {false, true, -5, 1, "net.example.Chat", 1, 4, "net.example.Chat"},
        {false, true, std::nan(""), std::nullopt, "", 1, 4, "phone"},
    };
    for (const auto& c : kCases) {
        IosCallRow row;
        row.dDate = 1000;
        row.dDuration = c.dDuration;
        row.bOriginated = c.bOriginated;
        row.bAnswered = c.bAnswered;
        row.nCallType = c.nType;
        row.strProvider = c.strProvider;
        std::optional<IosCall> call = CallFromIos(row);
        ASSERT_TRUE(call);
        EXPECT_EQ(call->call.nIom, c.nIom) << c.pszService;
        EXPECT_EQ(call->call.nFlags, c.nFlags) << c.pszService;
        EXPECT_EQ(call->key.strService, c.pszService);
        EXPECT_EQ(call->call.nEndTime - call->call.nStartTime,
                  std::isfinite(c.dDuration) && c.dDuration > 0 ? int64_t(c.dDuration * 1e7) : 0);
    }
}

TEST(IosMapping, StoreOfEachService)
{
    const std::pair<std::optional<std::string>, const char*> kCases[] = {
        {std::nullopt, "SMS"},           {"", "SMS"},    {"SMS", "SMS"},   {"sms", "SMS"},
        {"iMessage", "iMessage"},        {"RCS", "RCS"}, {"MMS", "Other"}, {"a\nb", "Other"},
        {std::string(40, 'x'), "Other"},
    };
    for (const auto& [strService, pszStore] : kCases)
        EXPECT_EQ(StoreForService(strService), pszStore) << strService.value_or("(none)");
}

TEST(IosMapping, MessagesLeftOutAndTheirFolders)
{
    IosMessageRow row;
    row.date.nValue = 1000;
    row.nAssociatedType = 2001;
    EXPECT_EQ(MessageFromIos(row).fate, IosMessageFate::Reaction);
    row.nAssociatedType = 0;
    row.nItemType = 2;
    EXPECT_EQ(MessageFromIos(row).fate, IosMessageFate::GroupEvent);
    row.nItemType = 0;
    row.date = {};
    EXPECT_EQ(MessageFromIos(row).fate, IosMessageFate::Undated);

    row.date.nValue = 1000;
    row.bFromMe = true;
    row.strHandle = "+4930111";
    const struct {
        bool bSent;
        int64_t nError;
        const char* pszRole;
        int64_t nType;
    } kSent[] = {{true, 0, "sent", 2}, {true, 22, "outbox", 5}, {false, 0, "outbox", 5}};
    for (const auto& c : kSent) {
        row.bSent = c.bSent;
        row.nError = c.nError;
        IosMessage message = MessageFromIos(row);
        EXPECT_EQ(std::string(message.message.pszRole), c.pszRole);
        EXPECT_EQ(message.message.key.nType, c.nType);
        // Without a chat, the handle is the one recipient.
        ASSERT_EQ(message.message.message.recipients.size(), 1u);
        EXPECT_EQ(message.message.message.recipients[0].strEmailAddress, "+4930111");
    }
    // A message without text has an empty body, not none.
    EXPECT_EQ(MessageFromIos(row).message.message.strBody, "");
}

TEST(AttributedText, TextOfEveryLengthForm)
{
    for (size_t n : {size_t(0), size_t(5), size_t(127), size_t(128), size_t(65535), size_t(65536)}) {
        std::string strText(n, 'a');
        EXPECT_EQ(TextFromAttributedBody(Bytes(AttributedBody(strText))), strText) << n;
    }
    std::string strUmlauts = "Grüße \xf0\x9f\x91\x8b";
    EXPECT_EQ(TextFromAttributedBody(Bytes(AttributedBody(strUmlauts))), strUmlauts);
}

TEST(AttributedText, NoTextWhereTheBytesHoldNone)
{
    std::string strBody = AttributedBody("Hallo Welt");
    EXPECT_EQ(TextFromAttributedBody(Bytes("")), std::nullopt);
    EXPECT_EQ(TextFromAttributedBody(Bytes("\x04\x0bstreamtypes" + strBody.substr(13))), std::nullopt);
    EXPECT_EQ(TextFromAttributedBody(Bytes(AttributedBody("bad \xc3\x28 byte"))), std::nullopt);
    EXPECT_EQ(TextFromAttributedBody(Bytes(AttributedBody("\xed\xa0\x80 surrogate"))), std::nullopt);
    // Every cut before the text's end leaves no text.
    size_t nTextEnd = strBody.find("Welt") + 4;
    for (size_t n = 0; n < nTextEnd; ++n)
        EXPECT_EQ(TextFromAttributedBody(Bytes(strBody.substr(0, n))), std::nullopt) << n;
    // A length beyond the bytes.
    std::string strLong = strBody;
    strLong[strLong.find("Hallo") - 1] = 0x7f;
    EXPECT_EQ(TextFromAttributedBody(Bytes(strLong)), std::nullopt);
}

TEST(NameBook, NumbersMatchHoweverWritten)
{
    CNameBook book;
    book.SetRegion("DE");
    book.Add("+49 170 1234567", "Anna");
    book.Add("Anna@Example.org", "Anna");
    book.Add("030 2222222", "Berger");
    book.Add("+49 30 2222222", "Someone else");
    for (const char* psz : {"+491701234567", "01701234567", "(0170) 123-4567", "0049 170 1234567", "anna@example.ORG"})
        EXPECT_EQ(book.Find(psz), "Anna") << psz;
    EXPECT_EQ(book.Find("+4930 2222222"), "Berger");
    EXPECT_EQ(book.Find("+491701234568"), std::nullopt);
    EXPECT_EQ(book.Find(""), std::nullopt);

    // Where a number does not parse, its last nine digits match.
    CNameBook noRegion;
    noRegion.Add("+49 170 1234567", "Anna");
    EXPECT_EQ(noRegion.Find("0170 1234567"), "Anna");
    EXPECT_EQ(noRegion.Find("0170 1234568"), std::nullopt);
}

TEST(NameBook, RegionOfTheOwnNumber)
{
    EXPECT_EQ(RegionOfNumber("+49 170 0000000"), "DE");
    EXPECT_EQ(RegionOfNumber("+1 202 555 0100"), "US");
    EXPECT_EQ(RegionOfNumber("0170 0000000"), "");
    EXPECT_EQ(RegionOfNumber(""), "");
}

} // namespace
