#include "sms/SmsCorrespondents.h"

#include "platform/PlatformTime.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring People(const std::vector<SmsPerson>& people)
{
    std::wstring strText;
    for (const SmsPerson& person : people)
        strText += L"[" + person.strKey + L"|" + person.strNumber + L"]";
    return strText;
}

} // namespace

// How an address is taken apart into the people that it names, each keyed
// by name or else number, as the log keys its callers.
TEST(SmsCorrespondents, AnAddressNamesItsPeopleByNameOrElseNumber)
{
    std::wstring strLong(kMaxSmsAddress - 12, L'x');
    struct Case {
        std::wstring strAddress;
        bool bSent;
        std::wstring strPeople;
    };
    const Case cases[] = {
        {L"Anna", false, L"[Anna|]"},
        {L"+49 (30) 111-2", false, L"[+49 (30) 111-2|+49 (30) 111-2]"},
        {L"BANK", false, L"[BANK|]"},
        {L"Anna<+491>", false, L"[Anna<+491>|]"},
        {L"Anna<+491>", true, L"[Anna|+491]"},
        {L"<+491>", true, L"[+491|+491]"},
        {L"+491<+491>", true, L"[+491|+491]"},
        {L"Anna<+491>Bob<+492><+493>", true, L"[Anna|+491][Bob|+492][+493|+493]"},
        {L"<>Bob<>", true, L"[Bob|]"},
        {L"Anna", true, L"[Anna|]"},
        {L"Anna<+491>555", true, L"[Anna|+491][555|555]"},
        {L"Anna<+491", true, L"[Anna<+491|]"},
        // Cut at the entry's length: a name before a cut number is whole, a
        // cut name is left out.
        {strLong + L"Anna<+491>Bo", true, L"[" + strLong + L"Anna|+491]"},
        {strLong + L"Ann<+491>Bob<+", true, L"[" + strLong + L"Ann|+491][Bob|]"},
        {strLong + L"Ann<+491><+4", true, L"[" + strLong + L"Ann|+491]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.strAddress));
        std::vector<SmsPerson> people = {{L"old", L""}};
        GetSmsPeople(c.strAddress, c.bSent, &people);
        EXPECT_EQ(People(people), c.strPeople);
    }
}

// One row per key of those not known; the number is the one of the newest
// message that has one, known or not.
TEST(SmsCorrespondents, EveryUnknownKeyOnceWithItsNewestNumber)
{
    auto at = [](int nDay) { return TicksToFileTime(static_cast<uint64_t>(UtcTicks(2024, 5, nDay))); };
    SmsAddresses addresses;
    addresses.inbox = {
        {L"+4955", 1, at(9), at(9)},
        {L"Anna", 0, {}, at(20)},
        {L"Carl", 2, at(3), at(3)},
    };
    addresses.sent = {
        {L"Anna<+491>", 1, at(4), at(4)},
        {L"Anna<+497>Carl<+493>", 1, at(6), at(6)},
        {L"Bob<+492>", 1, at(5), at(5)},
        {L"Dora<+494>", 1, at(5), at(5)},
        {L"Dora<+498>", 1, at(5), at(5)},
    };
    // Carl is a caller of the log by name, and Bob by his number.
    auto isKnown = [](const SmsPerson& person) { return person.strKey == L"Carl" || person.strNumber == L"+492"; };
    std::vector<SmsPerson> texters;
    GetSmsCorrespondents(addresses, isKnown, &texters);
    EXPECT_EQ(People(texters), L"[+4955|+4955][Anna|+497][Dora|+494]");
}
