#pragma once

#include "device/DeviceStore.h"

#include <cstdint>
#include <functional>
#include <string>

// An invented but lifelike phone for a new, empty device store: named
// contacts and unknown numbers, a few people who call very often and many who
// call rarely, calls over the year before now with daily and weekly rhythms,
// and text messages with the same people in the Inbox and Sent Items (some
// sent to several at once). The same options give the same store, to the
// last byte of every row.

struct DemoOptions {
    int64_t nCalls = 2000;
    int64_t nMessages = 3000;
    uint64_t nSeed = 1;
    // The demo's current time as FILETIME ticks on the local clock; nothing
    // happens after it.
    int64_t nNowLocal = 0;
    // Local ticks to UTC ticks; the identity when empty.
    std::function<int64_t(int64_t nLocalTicks)> pfnLocalToUtc;
};

class CDemoPhone
{
public:
    // Fills the store, which must be new and open for writing, in one
    // transaction. Returns 0, or -1 with ErrorText() set.
    int Fill(CDeviceStore& store, const DemoOptions& options);
    const std::string& ErrorText() const { return m_strError; }
    // What the last Fill made: messages that would fall after now are not
    // made, so there may be a few fewer than asked for.
    int64_t CallsMade() const { return m_nCalls; }
    int64_t MessagesMade() const { return m_nMessages; }

private:
    std::string m_strError;
    int64_t m_nCalls = 0;
    int64_t m_nMessages = 0;
};
