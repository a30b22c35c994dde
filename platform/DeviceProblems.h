#pragma once

// What went wrong reading the device, kept for the program to tell its user
// once: the stand-ins that read the store report here, and the program takes
// what it has not told yet whenever it can show a message.

#include "device/DeviceStore.h"

#include <string>
#include <vector>

struct DeviceProblem {
    DeviceStatus status = DeviceStatus::Ok;
    // One or more lines for the user: the path, what is wrong, what to do.
    std::string strText;
};

// Keeps a problem to be told. The same status at the same path is kept once
// for the life of the process, however often a read meets it.
void ReportDeviceProblem(DeviceStatus status, const std::string& strPath, std::string strText);

// The problems reported since the last call, oldest first.
std::vector<DeviceProblem> TakeDeviceProblems();

// Forgets what has been reported and told, for tests.
void ResetDeviceProblems();

// Reports a store that opened but met damage on the way through its records.
void ReportDamagedStore(const std::string& strPath, const std::string& strError);
// Reports a store whose records could not all be read, for a passing reason.
void ReportIncompleteRead(const std::string& strPath, const std::string& strWhy);

// Reports a store that could not be opened, with the store's own one-line
// error: what is wrong and, where the user can do something, what. A new
// user without a store at the default place is told how to make one.
void ReportOpenProblem(DeviceStatus status, const std::string& strPath, const std::string& strError);
