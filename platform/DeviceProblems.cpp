#include "platform/DeviceProblems.h"

#include <mutex>
#include <set>
#include <utility>

namespace {

struct Problems {
    std::mutex mutex;
    std::set<std::pair<DeviceStatus, std::string>> told;
    std::vector<DeviceProblem> pending;
};

Problems& State()
{
    static Problems s_problems;
    return s_problems;
}

} // namespace

void ReportDeviceProblem(DeviceStatus status, const std::string& strPath, std::string strText)
{
    Problems& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.told.emplace(status, strPath).second)
        return;
    state.pending.push_back({status, std::move(strText)});
}

std::vector<DeviceProblem> TakeDeviceProblems()
{
    Problems& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return std::exchange(state.pending, {});
}

void ResetDeviceProblems()
{
    Problems& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.told.clear();
    state.pending.clear();
}

namespace {

const char kDamageAdvice[] =
    "\n\nRun \"ringtally-device check\" to learn more; the README says how to rescue what can be read.";

} // namespace

void ReportDamagedStore(const std::string& strPath, const std::string& strError)
{
    ReportDeviceProblem(DeviceStatus::Corrupt, strPath,
                        "The device store " + strPath + " is damaged: some of its records cannot be read (" + strError +
                            "), so the figures shown may be incomplete." + kDamageAdvice);
}

void ReportIncompleteRead(const std::string& strPath, const std::string& strWhy)
{
    ReportDeviceProblem(DeviceStatus::Unreadable, strPath,
                        "The device store " + strPath + " could not be read completely (" + strWhy +
                            "), so the figures shown may be incomplete. It is read again when it changes.");
}

void ReportOpenProblem(DeviceStatus status, const std::string& strPath, const std::string& strError)
{
    if (status == DeviceStatus::Interrupted)
        ReportDeviceProblem(status, strPath, "The device store cannot be read: " + strError + ".");
    else if (status == DeviceStatus::Corrupt)
        ReportDeviceProblem(status, strPath, "The device store cannot be read: " + strError + "." + kDamageAdvice);
}
