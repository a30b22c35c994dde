#include "device/DeviceStore.h"
#include "import/demo/DemoPhone.h"
#include "platform/PlatformTime.h"
#include "tools/DeviceTool.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

bool ParseCount(const std::string& strText, uint64_t nMost, uint64_t* pValue)
{
    uint64_t nValue = 0;
    const char* pEnd = strText.data() + strText.size();
    auto [ptr, ec] = std::from_chars(strText.data(), pEnd, nValue);
    if (strText.empty() || ec != std::errc() || ptr != pEnd || nValue > nMost)
        return false;
    *pValue = nValue;
    return true;
}

int64_t LocalToUtc(int64_t nLocal)
{
    // The offset at the instant that the local time names: one step from the
    // offset at the same number read as UTC finds it, except in the hour that
    // a clock change skips or repeats.
    int64_t nUtc = nLocal;
    for (int nStep = 0; nStep < 2; ++nStep) {
        FILETIME utc = TicksToFileTime(static_cast<uint64_t>(nUtc));
        FILETIME local {};
        if (!FileTimeToLocalFileTime(&utc, &local))
            return nLocal;
        nUtc = nLocal - (static_cast<int64_t>(FileTimeToTicks(local)) - nUtc);
    }
    return nUtc;
}

} // namespace

int RunDemo(const std::string& strGiven, const std::vector<std::string>& args)
{
    // The demo never goes where a real device would be read from.
    std::string strDevice = strGiven == DefaultDevicePath() ? DemoDevicePath() : strGiven;
    DemoOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string strArg = args[i], strValue;
        size_t nEquals = strArg.find('=');
        if (strArg.rfind("--", 0) == 0 && nEquals != std::string::npos) {
            strValue = strArg.substr(nEquals + 1);
            strArg.resize(nEquals);
        } else if (strArg == "--calls" || strArg == "--messages" || strArg == "--seed") {
            if (i + 1 >= args.size())
                return UsageError("demo: " + strArg + " needs a value");
            strValue = args[++i];
        }
        uint64_t nValue = 0;
        if (strArg == "--calls" || strArg == "--messages") {
            if (!ParseCount(strValue, 100000000, &nValue))
                return UsageError("demo: " + strArg + " takes a whole number from 0 to 100000000, not '" + strValue +
                                  "'");
            (strArg == "--calls" ? options.nCalls : options.nMessages) = static_cast<int64_t>(nValue);
        } else if (strArg == "--seed") {
            if (!ParseCount(strValue, UINT64_MAX, &nValue))
                return UsageError("demo: --seed takes a whole number, not '" + strValue + "'");
            options.nSeed = nValue;
        } else {
            return UsageError("demo: unknown argument " + args[i]);
        }
    }

    SYSTEMTIME now {};
    GetLocalTime(&now);
    FILETIME nowLocal {};
    if (!SystemTimeToFileTime(&now, &nowLocal))
        return ToolError("the current time cannot be read");
    options.nNowLocal = static_cast<int64_t>(FileTimeToTicks(nowLocal));
    options.pfnLocalToUtc = LocalToUtc;

    std::filesystem::path dir = std::filesystem::path(strDevice).parent_path();
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::exists(dir, ec)) {
        std::filesystem::create_directories(dir, ec);
        if (ec)
            return ToolError(dir.string() + ": cannot create the folder: " + ec.message());
    }
    CDeviceStore store;
    if (store.Create(strDevice) != DeviceStatus::Ok)
        return ToolError(store.ErrorText());
    CDemoPhone demo;
    if (demo.Fill(store, options) != 0) {
        // Nothing of a half-made demo stays behind.
        store.Close();
        ::unlink(strDevice.c_str());
        return ToolError(strDevice + ": " + demo.ErrorText());
    }
    std::printf("Created a demo device at %s: %lld calls, %lld messages (seed %llu)\n"
                "Its calls and messages are invented. Start Ringtally on it with: ringtally --device %s\n",
                strDevice.c_str(), static_cast<long long>(demo.CallsMade()),
                static_cast<long long>(demo.MessagesMade()), static_cast<unsigned long long>(options.nSeed),
                strDevice.c_str());
    return 0;
}
