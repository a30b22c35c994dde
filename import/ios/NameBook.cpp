#include "import/ios/NameBook.h"

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

// Where parsing fails, numbers match by this many last digits.
constexpr size_t kFallbackDigits = 9;
// No real number or address is longer; longer ones are not matched.
constexpr size_t kMostAddress = 256;
// Addresses of a conversation compared at most.
constexpr size_t kMostParties = 64;

bool IsEmail(std::string_view str)
{
    return str.find('@') != std::string_view::npos;
}

std::string Lower(std::string_view str)
{
    std::string out(str);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return out;
}

std::string LastDigits(std::string_view str)
{
    std::string digits;
    for (char c : str) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            digits += c;
    }
    if (digits.size() < 3)
        return {};
    return "~" + (digits.size() > kFallbackDigits ? digits.substr(digits.size() - kFallbackDigits) : digits);
}

// The number in its international form, or empty when it does not parse.
std::string International(std::string_view str, const std::string& strRegion)
{
    const PhoneNumberUtil* pUtil = PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (pUtil->Parse(std::string(str), strRegion.empty() ? "ZZ" : strRegion, &number) !=
        PhoneNumberUtil::NO_PARSING_ERROR)
        return {};
    if (!pUtil->IsPossibleNumber(number))
        return {};
    std::string strOut;
    pUtil->Format(number, PhoneNumberUtil::E164, &strOut);
    return strOut;
}

} // namespace

std::string RegionOfNumber(std::string_view strNumber)
{
    if (strNumber.size() > kMostAddress)
        return {};
    const PhoneNumberUtil* pUtil = PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (pUtil->Parse(std::string(strNumber), "ZZ", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return {};
    std::string strRegion;
    pUtil->GetRegionCodeForNumber(number, &strRegion);
    if (strRegion.empty() || strRegion == "ZZ")
        pUtil->GetRegionCodeForCountryCode(number.country_code(), &strRegion);
    return strRegion == "ZZ" ? std::string() : strRegion;
}

std::string CNameBook::Key(std::string_view strAddress) const
{
    if (strAddress.empty() || strAddress.size() > kMostAddress)
        return {};
    if (IsEmail(strAddress))
        return "@" + Lower(strAddress);
    std::string strKey = International(strAddress, m_strRegion);
    return strKey.empty() ? LastDigits(strAddress) : strKey;
}

void CNameBook::Add(std::string_view strAddress, const std::string& strName)
{
    std::string strKey = Key(strAddress);
    if (strKey.empty())
        return;
    m_names.emplace(strKey, strName);
    // A number that parses is also kept by its last digits, for the numbers
    // it is compared with that do not parse.
    if (!IsEmail(strAddress) && strKey[0] == '+') {
        std::string strDigits = LastDigits(strAddress);
        if (!strDigits.empty())
            m_names.emplace(strDigits, strName);
    }
}

std::optional<std::string> CNameBook::Find(std::string_view strAddress) const
{
    std::string strKey = Key(strAddress);
    if (strKey.empty())
        return std::nullopt;
    auto found = m_names.find(strKey);
    if (found == m_names.end())
        return std::nullopt;
    return found->second;
}

bool SameParty(std::string_view strA, std::string_view strB, const CNameBook& book)
{
    auto Split = [](std::string_view str) {
        std::vector<std::string_view> parts;
        size_t nFrom = 0;
        while (nFrom <= str.size() && parts.size() < kMostParties) {
            size_t nEnd = str.find('~', nFrom);
            if (nEnd == std::string_view::npos)
                nEnd = str.size();
            parts.push_back(str.substr(nFrom, nEnd - nFrom));
            nFrom = nEnd + 1;
        }
        return parts;
    };
    std::vector<std::string> keysA;
    for (std::string_view part : Split(strA)) {
        std::string strKey = book.Key(part);
        if (!strKey.empty())
            keysA.push_back(strKey);
    }
    for (std::string_view part : Split(strB)) {
        std::string strKey = book.Key(part);
        if (!strKey.empty() && std::find(keysA.begin(), keysA.end(), strKey) != keysA.end())
            return true;
    }
    return false;
}
