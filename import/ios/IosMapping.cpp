#include "import/ios/IosMapping.h"

#include "device/FileTimeTicks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

namespace {

// 2001-01-01 UTC in FILETIME ticks.
constexpr int64_t kAppleEpochTicks = kUnixEpochTicks + 978307200LL * kTicksPerSecond;
// 1990-01-01 and 2100-01-01 UTC, in seconds since 2001.
constexpr double kFirstSeconds = -347155200.0;
constexpr double kLastSeconds = 3124137600.0;
constexpr double kNanosecondsFrom = 1e11;
// Longer calls are taken as a fault of the backup, not as talk time.
constexpr double kMostCallSeconds = 1e9;
constexpr size_t kMostServiceName = 32;

std::optional<std::string> NonEmpty(std::optional<std::string> str)
{
    if (str && str->empty())
        return std::nullopt;
    return str;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle)
{
    if (needle.size() > haystack.size())
        return false;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle))
            return true;
    }
    return false;
}

std::optional<std::string> NameFor(const std::optional<std::string>& strAddress, const NameLookup& names)
{
    if (!strAddress || !names)
        return std::nullopt;
    return names(*strAddress);
}

DeviceRecipient RecipientFor(const std::string& strAddress, const NameLookup& names)
{
    DeviceRecipient recipient;
    recipient.strDisplayName = NameFor(strAddress, names).value_or(strAddress);
    recipient.strEmailAddress = strAddress;
    return recipient;
}

} // namespace

std::optional<int64_t> AppleSecondsToTicks(double dSeconds)
{
    if (!std::isfinite(dSeconds) || dSeconds < kFirstSeconds || dSeconds > kLastSeconds)
        return std::nullopt;
    return kAppleEpochTicks + std::llround(dSeconds * double(kTicksPerSecond));
}

std::optional<int64_t> MessageDateToTicks(const IosMessageDate& date)
{
    if (date.nValue) {
        int64_t n = *date.nValue;
        if (n >= int64_t(kNanosecondsFrom) || n <= -int64_t(kNanosecondsFrom)) {
            // Nanoseconds: whole ticks of 100 ns, without the detour through
            // a double, which would lose the last digits.
            int64_t nTicks = n / 100;
            if (nTicks < int64_t(kFirstSeconds) * kTicksPerSecond || nTicks > int64_t(kLastSeconds) * kTicksPerSecond)
                return std::nullopt;
            return kAppleEpochTicks + nTicks;
        }
        return AppleSecondsToTicks(double(n));
    }
    if (date.dValue) {
        double d = *date.dValue;
        return AppleSecondsToTicks(std::fabs(d) >= kNanosecondsFrom ? d / 1e9 : d);
    }
    return std::nullopt;
}

std::string CallService(std::optional<int64_t> nCallType, const std::optional<std::string>& strProvider)
{
    if (nCallType == 8)
        return "facetime-video";
    if (nCallType == 16)
        return "facetime-audio";
    if (strProvider && !strProvider->empty() && !ContainsNoCase(*strProvider, "telephony") &&
        !ContainsNoCase(*strProvider, "facetime"))
        return *strProvider;
    return "phone";
}

std::optional<IosCall> CallFromIos(IosCallRow row, const NameLookup& names)
{
    if (!row.dDate)
        return std::nullopt;
    std::optional<int64_t> nStart = AppleSecondsToTicks(*row.dDate);
    if (!nStart)
        return std::nullopt;
    double dDuration = std::isfinite(row.dDuration) ? std::clamp(row.dDuration, 0.0, kMostCallSeconds) : 0.0;
    IosCall result;
    DeviceCall& call = result.call;
    call.nStartTime = *nStart;
    call.nEndTime = *nStart + std::llround(dDuration * double(kTicksPerSecond));
    call.nIom = row.bOriginated ? 2 : row.bAnswered ? 1 : 0;
    // The platform's flags: 4 a phone call, 1 outgoing, 2 connected.
    call.nFlags = 4 | (call.nIom == 2 ? 1 : 0) | (call.nIom != 0 && dDuration > 0 ? 2 : 0);
    call.strNumber = NonEmpty(std::move(row.strAddress));
    call.nCidt = call.strNumber ? 2 : 0;
    call.strName = NonEmpty(std::move(row.strName));
    if (!call.strName)
        call.strName = NameFor(call.strNumber, names);
    result.key.strService = CallService(row.nCallType, row.strProvider);
    result.key.strId = NonEmpty(std::move(row.strUniqueId));
    return result;
}

std::string StoreForService(const std::optional<std::string>& strService)
{
    if (!strService || strService->empty() || EqualsNoCase(*strService, "SMS"))
        return "SMS";
    // A store's name is shown to the user: a plain word of letters and
    // digits, or the store of everything else. "MMS" belongs to the
    // Android import's own store.
    if (strService->size() > kMostServiceName || EqualsNoCase(*strService, "MMS") ||
        !std::all_of(strService->begin(), strService->end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '_' || c == '.';
        }))
        return "Other";
    return *strService;
}

IosMessage MessageFromIos(IosMessageRow row, const NameLookup& names)
{
    IosMessage result;
    if (row.nAssociatedType != 0) {
        result.fate = IosMessageFate::Reaction;
        return result;
    }
    if (row.nItemType != 0) {
        result.fate = IosMessageFate::GroupEvent;
        return result;
    }
    std::optional<int64_t> nTime = MessageDateToTicks(row.date);
    if (!nTime) {
        result.fate = IosMessageFate::Undated;
        return result;
    }
    result.strStore = StoreForService(row.strService);
    BackupMessage& out = result.message;
    DeviceMessage& message = out.message;
    int64_t nType;
    std::string strKeyAddress;
    if (!row.bFromMe) {
        out.pszRole = "inbox";
        nType = 1;
        message.strSenderName = NameFor(row.strHandle, names);
        if (!message.strSenderName)
            message.strSenderName = NonEmpty(row.strHandle);
        strKeyAddress = row.strHandle.value_or("");
    } else {
        bool bFailed = row.nError != 0 || !row.bSent;
        out.pszRole = bFailed ? "outbox" : "sent";
        nType = bFailed ? 5 : 2;
        std::vector<std::string> members = std::move(row.chatMembers);
        if (members.empty() && row.strHandle && !row.strHandle->empty())
            members.push_back(*row.strHandle);
        for (const std::string& strMember : members) {
            if (strMember.empty())
                continue;
            if (!strKeyAddress.empty())
                strKeyAddress += '~';
            strKeyAddress += strMember;
            message.recipients.push_back(RecipientFor(strMember, names));
        }
    }
    message.nDeliveryTime = nTime;
    if (row.strText && !row.strText->empty())
        message.strBody = std::move(row.strText);
    else if (row.strBodyText)
        message.strBody = std::move(row.strBodyText);
    else
        message.strBody = std::string();
    out.key = BackupMessageKey {"ios", nType, std::move(strKeyAddress), NonEmpty(std::move(row.strGuid))};
    return result;
}
