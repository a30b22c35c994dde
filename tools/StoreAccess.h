#pragma once

#include "device/DeviceStore.h"

#include <functional>
#include <string>

// How the tool's commands meet an existing device store: each waits for
// another program that is writing it, and rolls back what an interrupted
// import left, before it goes on.

// How long a command waits by default for another program that is writing
// the store; RINGTALLY_WAIT (seconds) changes it.
constexpr double kDefaultWaitSeconds = 600;

// Makes the store's connections wait for another program's lock as long as
// RINGTALLY_WAIT says, telling so once on standard error; when that time
// passes, the error says what to do. Returns 0, or prints an error and
// returns 2 (a usage error) when RINGTALLY_WAIT is no number of seconds.
int SetToolLockWait(CDeviceStore& store, const std::string& strDevice);

// Runs open, an opening of the existing store at strDevice in store for
// reading or examining it. When that meets the unfinished changes of an
// interrupted import, rolls them back through a connection that may write,
// says so in one line on standard error, and runs open again. Returns the
// last status; store.ErrorText() tells why when it is not Ok.
DeviceStatus OpenRecovering(CDeviceStore& store, const std::string& strDevice,
                            const std::function<DeviceStatus()>& open);

// Opens the existing store at strDevice for writing, rolling back what an
// interrupted import left, and telling so, first.
DeviceStatus OpenForWritingRecovering(CDeviceStore& store, const std::string& strDevice);
