#include "device/DeviceStore.h"
#include "device/StoreRescue.h"
#include "tools/DeviceTool.h"
#include "tools/StoreAccess.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The problems that a verdict of "damaged" shows.
constexpr size_t kProblemsShown = 5;

std::string Count(int64_t nCount, const char* pszOne, const char* pszMany)
{
    return std::to_string(nCount) + " " + (nCount == 1 ? pszOne : pszMany);
}

} // namespace

int RunCheck(const std::string& strDevice, const std::vector<std::string>& args)
{
    if (!args.empty())
        return UsageError("check takes no arguments");
    CDeviceStore store;
    if (int nStatus = SetToolLockWait(store, strDevice))
        return nStatus;
    StoreCheckReport report;
    if (OpenRecovering(store, strDevice, [&] { return store.Check(strDevice, &report); }) != DeviceStatus::Ok)
        return ToolError(store.ErrorText());

    std::printf("Device: %s\n", strDevice.c_str());
    if (report.Sound()) {
        std::printf("ok: %s; %s with %s, in %s of %s\n",
                    Count(report.nCalls.value_or(0), "call record", "call records").c_str(),
                    Count(report.nMessages.value_or(0), "message", "messages").c_str(),
                    Count(report.nRecipients.value_or(0), "recipient", "recipients").c_str(),
                    Count(report.nFolders.value_or(0), "folder", "folders").c_str(),
                    Count(report.nStores.value_or(0), "message store", "message stores").c_str());
        return 0;
    }
    size_t nFound = report.problems.size();
    std::string strShown = nFound > kProblemsShown ? ", the first " + std::to_string(kProblemsShown) + ":" : ":";
    std::printf("damaged: %s%s%s\n", report.bMoreProblems ? "more than " : "",
                Count(static_cast<int64_t>(nFound), "problem", "problems").c_str(), strShown.c_str());
    for (size_t i = 0; i < nFound && i < kProblemsShown; ++i)
        std::printf("  %s\n", report.problems[i].c_str());
    std::printf(
        "Keep a copy of the store as it is. \"ringtally-device rescue NEWFILE\" (with the same --device) copies "
        "every record that can still be read into a new store.\n");
    return 1;
}

int RunRescue(const std::string& strDevice, const std::vector<std::string>& args)
{
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
        return UsageError("rescue takes one argument: the path of the new store to write");
    const std::string& strTo = args[0];
    CDeviceStore from;
    if (int nStatus = SetToolLockWait(from, strDevice))
        return nStatus;
    if (OpenRecovering(from, strDevice, [&] { return from.OpenForExamining(strDevice); }) != DeviceStatus::Ok)
        return ToolError(from.ErrorText());
    CStoreRescue rescue;
    if (rescue.Run(from, strTo) != 0)
        return ToolError(rescue.ErrorText());

    std::printf("Rescued %s into the new store %s:\n", strDevice.c_str(), strTo.c_str());
    for (const RescuedTable& table : rescue.Tables()) {
        std::string strLine = "  " + table.strName + ": " + Count(table.nRows, "row", "rows") + " copied";
        if (table.nRefused)
            strLine += "; " + Count(table.nRefused, "row", "rows") + " left out that a store may not hold (" +
                       table.strRefusal + ")";
        if (table.nGaps)
            strLine += "; rows in " + Count(table.nGaps, "place", "places") + " could not be read";
        else if (!table.strError.empty())
            strLine += "; not read";
        if (!table.strError.empty())
            strLine += " (" + table.strError + ")";
        std::printf("%s\n", strLine.c_str());
    }
    return 0;
}
