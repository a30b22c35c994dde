#pragma once

#include "calllog/CallLog.h"
#include "tests/support/TestDevice.h"

#include <optional>
#include <string>

// A call record to store: direction, UTC start, length in 100 ns ticks and
// the other party as the log would hold it.
inline DeviceCall MakeCall(int iom, int64_t nStartUtc, int64_t nLengthTicks, std::optional<std::string> name,
                           std::optional<std::string> number = std::nullopt)
{
    DeviceCall call;
    call.nIom = iom;
    call.nStartTime = nStartUtc;
    call.nEndTime = nStartUtc + nLengthTicks;
    call.strName = std::move(name);
    call.strNumber = std::move(number);
    return call;
}

inline int64_t Seconds(double fSeconds)
{
    return static_cast<int64_t>(fSeconds * kTicksPerSecond + 0.5);
}

// Calendar fields to ticks with no zone shift: a local time as the program
// holds it.
inline uint64_t LocalTicks(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0)
{
    return static_cast<uint64_t>(UtcTicks(nYear, nMonth, nDay, nHour, nMinute, nSecond));
}

// Walks the log and releases every record, so that a later count of rows
// read covers only the operation under test.
inline void WarmUp(CCallLog& callLog)
{
    CALLLOGENTRY entry;
    callLog.GetEntry(0, &entry);
    callLog.FreeEntry(&entry);
}
