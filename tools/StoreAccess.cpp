#include "tools/StoreAccess.h"

#include "tools/DeviceTool.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

std::string Seconds(double dSeconds)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g s", dSeconds);
    return buf;
}

void SayRolledBack(const std::string& strDevice)
{
    std::fprintf(stderr,
                 "ringtally-device: %s: an import into it was interrupted; its unfinished changes were rolled back, "
                 "and the store is as it was before that import\n",
                 strDevice.c_str());
}

} // namespace

int SetToolLockWait(CDeviceStore& store, const std::string& strDevice)
{
    double dSeconds = kDefaultWaitSeconds;
    if (const char* pszWait = std::getenv("RINGTALLY_WAIT"); pszWait && *pszWait) {
        char* pEnd = nullptr;
        dSeconds = std::strtod(pszWait, &pEnd);
        if (*pEnd != '\0' || !std::isfinite(dSeconds) || dSeconds < 0 || dSeconds > 1e7) {
            ToolError(std::string("RINGTALLY_WAIT takes a number of seconds, not '") + pszWait + "'");
            return 2;
        }
    }
    LockWait wait;
    wait.limit = std::chrono::milliseconds(std::llround(dSeconds * 1000));
    wait.pfnWaiting = [strDevice, dSeconds] {
        // Once for the whole command, however many times it waits.
        static bool s_bSaid = false;
        if (std::exchange(s_bSaid, true))
            return;
        std::fprintf(stderr, "ringtally-device: waiting for another program that is writing %s (up to %s) ...\n",
                     strDevice.c_str(), Seconds(dSeconds).c_str());
        std::fflush(stderr);
    };
    wait.strGaveUp = "waited " + Seconds(dSeconds) + " for another program that is writing " + strDevice +
                     ", and it has not finished; run the command again when it has, or set RINGTALLY_WAIT to the "
                     "seconds to wait";
    store.SetLockWait(std::move(wait));
    return 0;
}

DeviceStatus OpenRecovering(CDeviceStore& store, const std::string& strDevice,
                            const std::function<DeviceStatus()>& open)
{
    DeviceStatus status = open();
    if (status != DeviceStatus::Interrupted)
        return status;
    status = store.RollBackInterruptedWrite(strDevice);
    if (store.RolledBackInterruptedWrite())
        SayRolledBack(strDevice);
    return status == DeviceStatus::Ok ? open() : status;
}

DeviceStatus OpenForWritingRecovering(CDeviceStore& store, const std::string& strDevice)
{
    DeviceStatus status = store.OpenForWriting(strDevice);
    if (store.RolledBackInterruptedWrite())
        SayRolledBack(strDevice);
    return status;
}
