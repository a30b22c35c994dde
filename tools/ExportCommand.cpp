#include "calllog/CallFigures.h"
#include "calllog/CallLog.h"
#include "figures/CallerRanking.h"
#include "figures/Export.h"
#include "platform/PlatformTime.h"
#include "platform/WideText.h"
#include "sms/SmsStore.h"
#include "tools/DeviceTool.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// A day given as YYYY-MM-DD, at 00:00:00 local time.
bool ParseDay(const std::string& strText, FILETIME* pDay)
{
    unsigned nYear = 0, nMonth = 0, nDay = 0;
    char chEnd = 0;
    if (strText.size() != 10 || std::sscanf(strText.c_str(), "%4u-%2u-%2u%c", &nYear, &nMonth, &nDay, &chEnd) != 3)
        return false;
    SYSTEMTIME st {};
    st.wYear = static_cast<WORD>(nYear);
    st.wMonth = static_cast<WORD>(nMonth);
    st.wDay = static_cast<WORD>(nDay);
    if (nYear < 1601 || nMonth < 1 || nMonth > 12 || nDay < 1 || !SystemTimeToFileTime(&st, pDay))
        return false;
    // A day past the end of its month comes back as another date.
    SYSTEMTIME stBack {};
    return FileTimeToSystemTime(pDay, &stBack) && stBack.wDay == nDay && stBack.wMonth == nMonth;
}

const char* DirectionName(int iom)
{
    switch (iom) {
    case IOM_MISSED:
        return "missed";
    case IOM_INCOMING:
        return "incoming";
    case IOM_OUTGOING:
        return "outgoing";
    default:
        return nullptr;
    }
}

std::string Utf8(LPCWSTR pszText)
{
    return pszText ? Utf8FromWide(pszText) : std::string();
}

bool WriteCalls(const TimeRange* pRange, ExportFormat format, std::FILE* pOut)
{
    CExportWriter writer(format,
                         {{"start", false},
                          {"end", false},
                          {"duration_seconds", true},
                          {"direction", false},
                          {"name", false},
                          {"number", false}},
                         pOut);
    CCallLog callLog;
    std::vector<std::string> cells(6);
    callLog.ForEachEntry([&](const CALLLOGENTRY& entry) {
        if (pRange && !IsCallInRange(entry, *pRange))
            return true;
        const char* pszDirection = DirectionName(entry.iom);
        cells[0] = IsoLocalTime(entry.ftStartTime);
        cells[1] = IsoLocalTime(entry.ftEndTime);
        cells[2] = std::to_string(GetCallSeconds(entry));
        cells[3] = pszDirection ? pszDirection : std::to_string(entry.iom);
        cells[4] = Utf8(entry.pszName);
        cells[5] = Utf8(entry.pszNumber);
        writer.WriteRow(cells);
        return true;
    });
    return writer.Finish();
}

bool WriteMessages(const TimeRange* pRange, ExportFormat format, std::FILE* pOut)
{
    CExportWriter writer(format, {{"time", false}, {"direction", false}, {"address", false}}, pOut);
    CSmsStore smsStore;
    smsStore.Open();
    std::vector<std::string> cells(3);
    for (const auto& folder :
         {std::pair {PR_CE_IPM_INBOX_ENTRYID, "received"}, std::pair {PR_IPM_SENTMAIL_ENTRYID, "sent"}}) {
        // Named, not bound: a structured binding captured by a lambda is
        // refused by the clang that builds the fuzz targets.
        const char* pszDirection = folder.second;
        smsStore.ForEachSmsEntry(folder.first, [&](const SmsEntry& entry) {
            if (pRange && !CSmsStore::IsInRange(entry, pRange->start, pRange->end))
                return;
            cells[0] = IsoLocalTime(entry.ftDeliveryTime);
            cells[1] = pszDirection;
            cells[2] = Utf8(entry.szAddress);
            writer.WriteRow(cells);
        });
    }
    return writer.Finish();
}

bool WriteRanking(const TimeRange* pRange, ExportFormat format, std::FILE* pOut)
{
    CCallLog callLog;
    CSmsStore smsStore;
    smsStore.Open();
    std::vector<CallerRankingRow> rows;
    GetCallerRanking(callLog, smsStore, pRange, &rows);
    return WriteRankingRows(rows, format, pOut);
}

} // namespace

int RunExport(const std::string& strDevice, const std::vector<std::string>& args)
{
    std::string strWhat, strOutput;
    std::optional<FILETIME> from, to;
    ExportFormat format = ExportFormat::Csv;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        bool bOption = strArg == "--from" || strArg == "--to" || strArg == "--format" || strArg == "--output";
        if (bOption && i + 1 >= args.size())
            return UsageError("export: " + strArg + " needs a value");
        if (strArg == "--from" || strArg == "--to") {
            FILETIME day {};
            if (!ParseDay(args[++i], &day))
                return UsageError("export: " + strArg + " takes a day as YYYY-MM-DD, not " + args[i]);
            (strArg == "--from" ? from : to) = day;
        } else if (strArg == "--format") {
            const std::string& strFormat = args[++i];
            if (strFormat != "csv" && strFormat != "json")
                return UsageError("export: --format is csv or json, not " + strFormat);
            format = strFormat == "csv" ? ExportFormat::Csv : ExportFormat::Json;
        } else if (strArg == "--output") {
            strOutput = args[++i];
        } else if (strWhat.empty() && (strArg == "calls" || strArg == "messages" || strArg == "ranking")) {
            strWhat = strArg;
        } else {
            return UsageError("export: unexpected argument " + strArg);
        }
    }
    if (strWhat.empty())
        return UsageError("export: say what to export: calls, messages or ranking");

    std::optional<TimeRange> range;
    if (from || to) {
        // Whole days, both included, as the screens' ranges are.
        TimeRange days {from ? *from : TicksToFileTime(0), TicksToFileTime(0x7FFFFFFFFFFFFFFFULL)};
        if (to)
            days.end = TicksToFileTime(FileTimeToTicks(*to) + (24ULL * 3600 - 1) * 10000000ULL);
        if (CompareFileTime(&days.start, &days.end) == 1)
            return UsageError("export: --from comes after --to");
        range = days;
    }

    std::error_code ec;
    if (!std::filesystem::is_regular_file(strDevice, ec))
        return ToolError(strDevice + ": no device store there");
    // The phone's interfaces read the process's device.
    ::setenv("RINGTALLY_DEVICE", strDevice.c_str(), 1);

    const TimeRange* pRange = range ? &*range : nullptr;
    auto write = [&](std::FILE* pOut) {
        if (strWhat == "calls")
            return WriteCalls(pRange, format, pOut);
        if (strWhat == "messages")
            return WriteMessages(pRange, format, pOut);
        return WriteRanking(pRange, format, pOut);
    };
    if (strOutput.empty() || strOutput == "-")
        return write(stdout) ? 0 : ToolError("cannot write the standard output");
    std::string strError;
    if (ReplaceFile(strOutput, write, &strError) != 0)
        return ToolError(strError);
    return 0;
}
