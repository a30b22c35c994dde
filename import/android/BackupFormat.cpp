#include "import/android/BackupFormat.h"

#include "device/FileTimeTicks.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>

namespace {

// 9999-12-31T23:59:59.999 UTC in Unix milliseconds.
constexpr int64_t kLastMillisecond = 253402300799999LL;
constexpr int64_t kFirstMillisecond = -kUnixEpochTicks / kTicksPerMillisecond;

// Dates in seconds: from 1990-01-01 to 2100-01-01, which as milliseconds
// are in January and February 1970.
constexpr int64_t kFirstSecondsDate = 631152000;
constexpr int64_t kLastSecondsDate = 4102444800;
constexpr int64_t kMostZoneSeconds = 14 * 3600;

int UtcYear(int64_t nSeconds)
{
    using namespace std::chrono;
    year_month_day date {floor<days>(sys_seconds(seconds(nSeconds)))};
    return static_cast<int>(date.year());
}

std::string_view Trim(std::string_view str)
{
    while (!str.empty() && (str.front() == ' ' || str.front() == '\t'))
        str.remove_prefix(1);
    while (!str.empty() && (str.back() == ' ' || str.back() == '\t'))
        str.remove_suffix(1);
    return str;
}

// The longest number compared by its digits; longer ones compare as texts.
// Phone numbers have at most 15 digits, with a dialling prefix a few more.
constexpr size_t kMostNumberDigits = 20;
// The shortest national number matched against the end of a longer one.
constexpr size_t kLeastEndingDigits = 7;

// The digits of a phone number without leading zeros; empty when the address
// is no phone number (holds letters or '@', or too many digits).
std::string NumberDigits(std::string_view str)
{
    std::string strDigits;
    for (char ch : str) {
        if (ch >= '0' && ch <= '9') {
            if (ch != '0' || !strDigits.empty())
                strDigits += ch;
            if (strDigits.size() > kMostNumberDigits)
                return {};
        } else if (ch != '+' && ch != ' ' && ch != '-' && ch != '(' && ch != ')' && ch != '.' && ch != '/') {
            return {};
        }
    }
    return strDigits;
}

std::string LowerCase(std::string_view str)
{
    std::string strLower(str);
    for (char& ch : strLower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return strLower;
}

bool EndsWith(std::string_view strWhole, std::string_view strEnd)
{
    return strWhole.size() >= strEnd.size() && strWhole.substr(strWhole.size() - strEnd.size()) == strEnd;
}

} // namespace

int CallIomFromType(int64_t nType)
{
    switch (nType) {
    case 1:
    case 7:
        return 1;
    case 2:
        return 2;
    default:
        return 0;
    }
}

int CallFlagsFromType(int64_t nType, int64_t nDurationSeconds)
{
    int nFlags = 4;
    if (nType == 2)
        nFlags |= 1;
    if ((nType == 1 || nType == 2 || nType == 7) && nDurationSeconds > 0)
        nFlags |= 2;
    return nFlags;
}

int CallerIdFromPresentation(int64_t nPresentation)
{
    switch (nPresentation) {
    case 1:
    case 4:
        return 2;
    case 2:
        return 1;
    default:
        return 0;
    }
}

const char* FolderRoleFromType(int64_t nType)
{
    switch (nType) {
    case 1: return "inbox";
    case 2: return "sent";
    case 3: return "drafts";
    case 4:
    case 5:
    case 6: return "outbox";
    default: return "other";
    }
}

const char* MmsFolderRole(int64_t nBox, int64_t nMessageType)
{
    const char* pszRole = FolderRoleFromType(nBox);
    if (std::string_view(pszRole) != "other")
        return pszRole;
    switch (nMessageType) {
    case 128: return "sent";
    case 132: return "inbox";
    default: return pszRole;
    }
}

bool IsKnownContactName(std::string_view strName)
{
    return !strName.empty() && strName != "(Unknown)" && strName != "null";
}

bool IsNullText(std::string_view strText)
{
    return strText.empty() || strText == "null";
}

std::optional<int64_t> BackupDateTicks(int64_t nValue, bool bSmallIsSeconds)
{
    if (bSmallIsSeconds && nValue < 100000000000LL && nValue > -100000000000LL)
        nValue *= 1000;
    if (nValue < kFirstMillisecond || nValue > kLastMillisecond)
        return std::nullopt;
    return nValue * kTicksPerMillisecond + kUnixEpochTicks;
}

bool IsDateInSeconds(int64_t nValue, std::string_view strReadableDate)
{
    if (nValue < kFirstSecondsDate || nValue >= kLastSecondsDate)
        return false;
    bool bNamesYear = false;
    for (size_t i = 0; i < strReadableDate.size();) {
        if (!std::isdigit(static_cast<unsigned char>(strReadableDate[i]))) {
            ++i;
            continue;
        }
        size_t nEnd = i;
        while (nEnd < strReadableDate.size() && std::isdigit(static_cast<unsigned char>(strReadableDate[nEnd])))
            ++nEnd;
        if (nEnd - i == 4) {
            int nYear = std::stoi(std::string(strReadableDate.substr(i, 4)));
            if (nYear >= 1900 && nYear < 2200) {
                bNamesYear = true;
                // The readable date is the phone's local time, up to 14 hours
                // from UTC either way.
                for (int64_t nShift : {-kMostZoneSeconds, int64_t(0), kMostZoneSeconds}) {
                    if (UtcYear(nValue + nShift) == nYear)
                        return true;
                }
            }
        }
        i = nEnd;
    }
    return !bNamesYear;
}

std::vector<std::string> SplitAddresses(std::string_view strAddresses)
{
    std::vector<std::string> addresses;
    size_t nStart = 0;
    while (nStart <= strAddresses.size()) {
        size_t nEnd = strAddresses.find('~', nStart);
        if (nEnd == std::string_view::npos)
            nEnd = strAddresses.size();
        std::string_view strOne = Trim(strAddresses.substr(nStart, nEnd - nStart));
        if (!strOne.empty())
            addresses.emplace_back(strOne);
        nStart = nEnd + 1;
    }
    return addresses;
}

std::vector<std::optional<std::string>> ContactNamesFor(std::string_view strContactName, size_t nAddresses)
{
    std::vector<std::optional<std::string>> names(nAddresses);
    if (nAddresses == 1) {
        if (IsKnownContactName(strContactName))
            names[0] = std::string(strContactName);
        return names;
    }
    std::vector<std::string_view> parts;
    size_t nStart = 0;
    while (nStart <= strContactName.size()) {
        size_t nEnd = strContactName.find(',', nStart);
        if (nEnd == std::string_view::npos)
            nEnd = strContactName.size();
        parts.push_back(Trim(strContactName.substr(nStart, nEnd - nStart)));
        nStart = nEnd + 1;
    }
    if (parts.size() != nAddresses)
        return names;
    for (size_t i = 0; i < nAddresses; ++i) {
        if (IsKnownContactName(parts[i]))
            names[i] = std::string(parts[i]);
    }
    return names;
}

std::vector<DeviceRecipient> RecipientsFor(const std::vector<std::string>& addresses,
                                           const std::vector<std::optional<std::string>>& names)
{
    std::vector<DeviceRecipient> recipients;
    recipients.reserve(addresses.size());
    for (size_t i = 0; i < addresses.size(); ++i) {
        const std::optional<std::string>& name = i < names.size() ? names[i] : std::nullopt;
        recipients.push_back(DeviceRecipient {name ? *name : addresses[i], addresses[i]});
    }
    return recipients;
}

bool IsSameAddress(std::string_view strA, std::string_view strB)
{
    std::string strDigitsA = NumberDigits(strA), strDigitsB = NumberDigits(strB);
    if (!strDigitsA.empty() && !strDigitsB.empty()) {
        if (strDigitsA == strDigitsB)
            return true;
        const std::string& strShort = strDigitsA.size() < strDigitsB.size() ? strDigitsA : strDigitsB;
        const std::string& strLong = strDigitsA.size() < strDigitsB.size() ? strDigitsB : strDigitsA;
        return strShort.size() >= kLeastEndingDigits && EndsWith(strLong, strShort);
    }
    return strA.size() == strB.size() &&
           std::equal(strA.begin(), strA.end(), strB.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

CAddressIndex::CAddressIndex(const std::vector<std::string>& addresses)
{
    for (size_t i = 0; i < addresses.size(); ++i) {
        std::string strDigits = NumberDigits(addresses[i]);
        if (strDigits.empty()) {
            m_texts.emplace(LowerCase(addresses[i]), i);
            continue;
        }
        for (size_t nLength = kLeastEndingDigits; nLength <= strDigits.size(); ++nLength)
            m_endings.emplace(strDigits.substr(strDigits.size() - nLength), i);
        m_numbers.emplace(std::move(strDigits), i);
    }
}

std::optional<size_t> CAddressIndex::Lookup(const std::unordered_map<std::string, size_t>& map,
                                            const std::string& strKey)
{
    auto found = map.find(strKey);
    if (found == map.end())
        return std::nullopt;
    return found->second;
}

std::optional<size_t> CAddressIndex::Find(std::string_view strAddress) const
{
    std::string strDigits = NumberDigits(strAddress);
    if (strDigits.empty())
        return Lookup(m_texts, LowerCase(strAddress));
    // The same digits, a longer number ending in these, or a shorter one that
    // these end in: the first in the list of all that match.
    std::optional<size_t> nFirst = Lookup(m_numbers, strDigits);
    auto keep = [&](std::optional<size_t> nFound) {
        if (nFound && (!nFirst || *nFound < *nFirst))
            nFirst = nFound;
    };
    if (strDigits.size() >= kLeastEndingDigits)
        keep(Lookup(m_endings, strDigits));
    for (size_t nLength = kLeastEndingDigits; nLength < strDigits.size(); ++nLength)
        keep(Lookup(m_numbers, strDigits.substr(strDigits.size() - nLength)));
    return nFirst;
}
