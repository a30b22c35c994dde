#include "reports/SummaryLines.h"

#include "calllog/DurationText.h"

namespace {

std::wstring DurationLine(int64_t nSeconds, const wchar_t* pszSuffix)
{
    std::wstring strText;
    FormatDuration(strText, nSeconds);
    return strText + pszSuffix;
}

} // namespace

std::wstring IncomingCallLine(int64_t nSeconds)
{
    return DurationLine(nSeconds, L" in call");
}

std::wstring OutgoingCallLine(int64_t nSeconds)
{
    return DurationLine(nSeconds, L" out call");
}

std::wstring MissedCallLine(int nMissed)
{
    return std::to_wstring(nMissed) + L" missed call";
}

std::wstring ReceivedSmsLine(int nReceived)
{
    return std::to_wstring(nReceived) + L" in sms";
}

std::wstring SentSmsLine(int nSent)
{
    return std::to_wstring(nSent) + L" out sms";
}
