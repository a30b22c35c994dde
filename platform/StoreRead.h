#pragma once

// A pass over the device store that either reads one state of the store to
// its end, or says why it could not.
//
// A connection with locks reads one state in each statement. One opened as
// immutable (a store in WAL mode with no writer when it was opened) takes no
// locks, so a writer that starts meanwhile can rewrite pages under the pass;
// such a pass is checked against the file afterwards and run again through a
// new connection, which then sees the writer's log and takes locks. A pass
// that fails for a passing reason (the store busy past the wait, an I/O
// error) is run again too. What still fails is reported once, and so is
// damage: the pass keeps what it read, for the screens to show.

#include "device/DeviceStore.h"

#include <functional>
#include <string>

enum class PassResult {
    Complete,   // every row of one state of the store
    Damaged,    // stopped at a damaged page; the rows before it were read
    Incomplete, // could not be read to its end; reported
};

// Runs pass, which reads through the store's connection from its start each
// time and returns SQLite's last step code (SQLITE_DONE when it read to the
// end). reopen opens the store anew, or returns false when it cannot. A
// connection that no longer reads the file as it was opened is reopened
// before the pass, and a pass during which that happened is run again.
// A reading ahead that someone may never wait for leaves what went wrong
// unreported, for the reading that is waited for to report.
enum class PassReport { Made, Left };

PassResult RunStorePass(CDeviceStore& store, const std::function<int(CDatabase&)>& pass,
                        const std::function<bool()>& reopen, PassReport report = PassReport::Made);

// The most times a pass is run.
constexpr int kStorePassTries = 3;
