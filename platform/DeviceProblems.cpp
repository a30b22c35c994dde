#include "platform/DeviceProblems.h"

#include <cstdlib>
#include <mutex>
#include <set>
#include <utility>

namespace {

struct Problems {
    std::mutex mutex;
    std::set<std::pair<DeviceStatus, std::string>> told;
    std::vector<DeviceProblem> pending;
};

// Never destroyed: a check still running on its thread as the program ends
// may report to it.
Problems& State()
{
    static auto* s_pProblems = new Problems;
    return *s_pProblems;
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

const char kCheckHeading[] = "*** in database main ***";
const char kDamageAdvice[] =
    "\n\nRun \"ringtally-device check\" to learn more; the README says how to rescue what can be read.";

} // namespace

void ReportDamagedStore(const std::string& strPath, const std::string& strError)
{
    // SQLite's check names the database before its findings, one a line.
    std::string strDetail = strError;
    if (strDetail.rfind(kCheckHeading, 0) == 0)
        strDetail.erase(0, sizeof kCheckHeading - 1);
    for (char& c : strDetail) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    strDetail.erase(0, strDetail.find_first_not_of(' '));
    ReportDeviceProblem(DeviceStatus::Corrupt, strPath,
                        "The device store " + strPath + " is damaged (" + strDetail +
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
    switch (status) {
    case DeviceStatus::Ok:
        return;
    case DeviceStatus::Corrupt:
        ReportDeviceProblem(status, strPath, "The device store cannot be read: " + strError + "." + kDamageAdvice);
        return;
    case DeviceStatus::Interrupted:
        ReportDeviceProblem(status, strPath, "The device store cannot be read: " + strError + ".");
        return;
    case DeviceStatus::Missing:
        // Where a new user starts: no store yet at the place the tools fill.
        if (strPath == DefaultDevicePath() && !std::getenv("RINGTALLY_DEVICE")) {
            ReportDeviceProblem(status, strPath,
                                "There is no device store at " + strPath +
                                    " yet, so the phone is empty.\n\nImport your phone's backups into it with "
                                    "\"ringtally-device import CALLS.xml SMS.xml\", or try Ringtally on an "
                                    "invented phone: \"ringtally-device demo\" makes one at " +
                                    DemoDevicePath() + ", and \"ringtally --device " + DemoDevicePath() +
                                    "\" shows it.");
            return;
        }
        break;
    default:
        break;
    }
    ReportDeviceProblem(status, strPath, "The device store cannot be read: " + strError + ". The phone is empty.");
}
