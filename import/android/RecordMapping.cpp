#include "import/android/RecordMapping.h"

#include "import/android/BackupFormat.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kAddressFrom = 137;
constexpr int kAddressTo = 151;
constexpr int kAddressCc = 130;
constexpr int kAddressBcc = 129;
// Longer calls are taken as a fault of the backup, not as talk time.
constexpr int64_t kMostCallSeconds = 1000000000;

std::optional<std::string> Optional(const std::string& str)
{
    if (str.empty())
        return std::nullopt;
    return str;
}

std::optional<std::string> UnlessNull(const std::string& str)
{
    if (IsNullText(str))
        return std::nullopt;
    return str;
}

std::optional<int64_t> CallOrSmsDate(std::optional<int64_t> nDate, std::string_view strReadableDate,
                                     bool* pbInSeconds)
{
    bool bInSeconds = nDate && IsDateInSeconds(*nDate, strReadableDate);
    if (pbInSeconds)
        *pbInSeconds = bInSeconds;
    if (!nDate)
        return std::nullopt;
    return BackupDateTicks(bInSeconds ? *nDate * 1000 : *nDate, false);
}

bool IsReceivedRole(std::string_view strRole)
{
    return strRole == "inbox";
}

} // namespace

std::optional<DeviceCall> CallFromRecord(CallRecord record, bool* pbInSeconds)
{
    std::optional<int64_t> nStart = CallOrSmsDate(record.nDate, record.strReadableDate, pbInSeconds);
    if (!nStart)
        return std::nullopt;
    int64_t nDuration = std::clamp<int64_t>(record.nDuration, 0, kMostCallSeconds);
    DeviceCall call;
    call.nStartTime = *nStart;
    call.nEndTime = *nStart + nDuration * kTicksPerSecond;
    call.nIom = CallIomFromType(record.nType);
    call.nFlags = CallFlagsFromType(record.nType, nDuration);
    call.nCidt = CallerIdFromPresentation(record.nPresentation);
    if (!record.strNumber.empty())
        call.strNumber = std::move(record.strNumber);
    if (IsKnownContactName(record.strContactName))
        call.strName = std::move(record.strContactName);
    return call;
}

std::optional<BackupMessage> MessageFromSms(SmsRecord record, bool* pbInSeconds)
{
    std::optional<int64_t> nTime = CallOrSmsDate(record.nDate, record.strReadableDate, pbInSeconds);
    if (!nTime)
        return std::nullopt;
    BackupMessage result;
    result.pszStore = "SMS";
    result.pszRole = FolderRoleFromType(record.nType);
    DeviceMessage& message = result.message;
    std::string_view strRole(result.pszRole);
    if (IsReceivedRole(strRole) || strRole == "other") {
        if (IsKnownContactName(record.strContactName))
            message.strSenderName = std::move(record.strContactName);
        else
            message.strSenderName = Optional(record.strAddress);
    } else {
        std::vector<std::string> addresses = SplitAddresses(record.strAddress);
        message.recipients = RecipientsFor(addresses, ContactNamesFor(record.strContactName, addresses.size()));
    }
    message.strSubject = UnlessNull(record.strSubject);
    message.nDeliveryTime = nTime;
    message.strBody = std::move(record.strBody);
    result.key = BackupMessageKey {"sms", record.nType, std::move(record.strAddress), std::nullopt};
    return result;
}

MmsParties PartiesOf(const MmsRecord& record)
{
    MmsParties parties;
    parties.bIncoming = IsReceivedRole(MmsFolderRole(record.nBox, record.nMessageType));
    for (const MmsAddress& address : record.addresses) {
        if (!parties.strKeyAddresses.empty())
            parties.strKeyAddresses += '~';
        parties.strKeyAddresses += address.strAddress;
        if (IsNullText(address.strAddress))
            continue;
        if (address.nType == kAddressFrom) {
            if (!parties.strFrom)
                parties.strFrom = address.strAddress;
        } else if (address.nType == kAddressTo || address.nType == kAddressCc || address.nType == kAddressBcc) {
            parties.to.push_back(address.strAddress);
        }
    }
    if (!parties.strFrom && parties.bIncoming) {
        std::vector<std::string> own = SplitAddresses(record.strAddress);
        if (!own.empty())
            parties.strFrom = std::move(own.front());
    }
    return parties;
}

std::optional<BackupMessage> MessageFromMms(MmsRecord record)
{
    std::optional<int64_t> nTime = record.nDate ? BackupDateTicks(*record.nDate, true) : std::nullopt;
    if (!nTime)
        return std::nullopt;
    MmsParties parties = PartiesOf(record);

    std::vector<std::string> others = SplitAddresses(record.strAddress);
    std::erase_if(others, [](const std::string& strAddress) { return IsNullText(strAddress); });
    std::vector<std::optional<std::string>> names = ContactNamesFor(record.strContactName, others.size());
    CAddressIndex index(others);
    auto nameOf = [&](const std::string& strAddress) -> std::optional<std::string> {
        std::optional<size_t> nAt = index.Find(strAddress);
        return nAt ? names[*nAt] : std::nullopt;
    };

    BackupMessage result;
    result.pszStore = "MMS";
    result.pszRole = MmsFolderRole(record.nBox, record.nMessageType);
    DeviceMessage& message = result.message;
    std::optional<std::string> strFrom;
    if (parties.strFrom && *parties.strFrom != kOwnAddressToken)
        strFrom = std::move(parties.strFrom);
    std::erase(parties.to, kOwnAddressToken);

    std::vector<std::string> recipients;
    if (parties.bIncoming) {
        if (strFrom)
            message.strSenderName = nameOf(*strFrom).value_or(*strFrom);
        if (!others.empty()) {
            for (std::string& strAddress : parties.to) {
                if (index.Find(strAddress))
                    recipients.push_back(std::move(strAddress));
            }
        } else if (parties.to.size() > 1) {
            recipients = std::move(parties.to);
        }
    } else if (!parties.to.empty()) {
        for (std::string& strAddress : parties.to) {
            if (!strFrom || !IsSameAddress(strAddress, *strFrom))
                recipients.push_back(std::move(strAddress));
        }
    } else {
        recipients = others;
    }
    std::vector<std::optional<std::string>> recipientNames;
    recipientNames.reserve(recipients.size());
    for (const std::string& strAddress : recipients)
        recipientNames.push_back(nameOf(strAddress));
    message.recipients = RecipientsFor(recipients, recipientNames);
    message.strSubject = UnlessNull(record.strSubject);
    message.nDeliveryTime = nTime;
    message.strBody = std::move(record.strText);
    result.key = BackupMessageKey {"mms", record.nBox, std::move(parties.strKeyAddresses), UnlessNull(record.strId)};
    return result;
}
