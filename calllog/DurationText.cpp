#include "calllog/DurationText.h"

#include "device/FileTimeTicks.h"
#include "platform/PlatformTime.h"

#include <cwchar>
#include <iterator>

namespace {

unsigned AsUnsigned(int64_t nValue)
{
    return static_cast<unsigned>(nValue);
}

} // namespace

int FormatDuration(std::wstring& strOut, int64_t nSeconds)
{
    if (nSeconds < 0)
        nSeconds = 0;
    int64_t nHours = nSeconds / 3600;
    int64_t nMins = (nSeconds - nHours * 3600) / 60;
    int64_t nSecs = nSeconds - (nHours * 60 + nMins) * 60;
    wchar_t szText[96];
    if (nHours != 0)
        std::swprintf(szText, std::size(szText), L"%u hours %u mins %u secs", AsUnsigned(nHours),
                      AsUnsigned(nMins), AsUnsigned(nSecs));
    else if (nMins != 0)
        std::swprintf(szText, std::size(szText), L"%u mins %u secs", AsUnsigned(nMins), AsUnsigned(nSecs));
    else
        std::swprintf(szText, std::size(szText), L"%u secs", AsUnsigned(nSecs));
    strOut = szText;
    return 0;
}

int FormatTimeSince(const FILETIME& time, std::wstring& strOut)
{
    SYSTEMTIME stNow {};
    GetLocalTime(&stNow);
    FILETIME ftNow {0, 0};
    SystemTimeToFileTime(&stNow, &ftNow);
    uint64_t nNow = FileTimeToTicks(ftNow);
    uint64_t nThen = FileTimeToTicks(time);
    // Compared unsigned so that no pair of times can overflow the difference.
    int64_t nElapsed = nNow > nThen ? static_cast<int64_t>((nNow - nThen) / kTicksPerSecond) : 0;

    int64_t nDays = nElapsed / 86400;
    int64_t nRest = nElapsed - nDays * 86400;
    int64_t nHours = nRest / 3600;
    int64_t nMins = (nRest - nHours * 3600) / 60;
    int64_t nSecs = nRest - nHours * 3600 - nMins * 60;
    wchar_t szText[96];
    if (nDays != 0)
        std::swprintf(szText, std::size(szText), L"%u days %u hours", AsUnsigned(nDays), AsUnsigned(nHours));
    else if (nHours != 0)
        std::swprintf(szText, std::size(szText), L"%u hours %u mins", AsUnsigned(nHours), AsUnsigned(nMins));
    else if (nMins != 0)
        std::swprintf(szText, std::size(szText), L"%u mins %u secs", AsUnsigned(nMins), AsUnsigned(nSecs));
    else
        std::swprintf(szText, std::size(szText), L"%u secs", AsUnsigned(nSecs));
    strOut = szText;
    return 0;
}

void FormatCallStart(const SYSTEMTIME& st, wchar_t (&szTime)[32])
{
    // Written by hand: the main list formats a million of these, and the
    // wide printf costs more than all else it does for a row.
    wchar_t* pOut = szTime;
    auto put = [&pOut](unsigned nValue, wchar_t chAfter) {
        wchar_t szDigits[6];
        int nDigits = 0;
        do {
            szDigits[nDigits++] = static_cast<wchar_t>(L'0' + nValue % 10);
            nValue /= 10;
        } while (nValue > 0);
        if (nDigits < 2)
            *pOut++ = L'0';
        while (nDigits > 0)
            *pOut++ = szDigits[--nDigits];
        if (chAfter)
            *pOut++ = chAfter;
    };
    put(st.wMonth, L'-');
    put(st.wDay, L' ');
    put(st.wHour, L':');
    put(st.wMinute, L':');
    put(st.wSecond, 0);
    *pOut = L'\0';
}
