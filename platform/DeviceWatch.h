#pragma once

// How the stand-ins that keep the device store in memory, the call log and
// the message store, learn that it has changed: each owns a watch, and reads
// the store anew only when its watch says so.
//
// When a watch looks: when the environment names another path, when this
// process has committed to a store since the last look, so that its own
// writes are seen at once, and otherwise at most every kRecheckMs. Asking
// the file system costs more than handing out a record, and the call log is
// opened once per record that the main list shows.
//
// What it compares: the file at the path (its identity, size, times and the
// change counter that every commit in rollback mode bumps) and its
// write-ahead log (whether there is one, its size and time). A commit in WAL
// mode may leave all of these as they were, so while there is a log the
// data version of the connection the owner reads through is compared too.
//
// Most changes call for a new read through the same connection. Some call
// for a new connection: the path may name another file, the file may have
// been replaced or switched to the other journal mode, and a store in WAL
// mode opened without a -wal file is read as immutable, blind to what a
// writer adds later.
//
// A watch takes no lock: its owner calls it under its own lock, or from one
// thread only.

#include "device/FileStamp.h"
#include "device/Statement.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <sys/types.h>

// What a look found.
enum class DeviceChange {
    None,     // nothing new: what was read still holds
    Contents, // new contents, which the tracked connection reads: read again
    File,     // another file or none, or a connection that cannot follow the
              // change: open the store anew
};

class CDeviceWatch
{
public:
    static constexpr int64_t kRecheckMs = 20;

    CDeviceWatch() = default;
    CDeviceWatch(const CDeviceWatch&) = delete;
    CDeviceWatch& operator=(const CDeviceWatch&) = delete;

    // What may have changed since the last look; File the first time, and
    // whenever no connection is tracked. After File, the owner drops its
    // connection, opens Path() anew when it Exists(), and tracks the new one.
    DeviceChange Check();

    // The connection that the owner reads the device through, once opened;
    // null before that connection is closed.
    void Track(CDatabase* pDb);

    const std::string& Path() const { return m_strPath; }
    bool Exists() const { return m_stamp.file.bExists; }

    // How often the watch has looked at the file system, so that tests can
    // count what a step costs.
    uint64_t Looks() const { return m_nLooks; }

private:
    // The file's stamp with the change counter in its header.
    struct Stamp {
        FileStamp file;
        uint32_t nChangeCounter = 0;
        bool operator==(const Stamp&) const = default;
    };

    Stamp StampOf(const std::string& strPath) const;
    bool ReadChangeCounter(uint32_t* pnCounter) const;
    bool DataVersionChanged();

    std::string m_strPath;
    Stamp m_stamp;
    uint64_t m_nLocalCommits = 0;
    int64_t m_nLookedMs = 0;
    uint64_t m_nLooks = 0;
    CDatabase* m_pDb = nullptr;
    bool m_bImmutable = false;
    CStatement m_dataVersion;
    int64_t m_nDataVersion = 0;
};

// The clock of the re-check rule, in milliseconds; tests set it to step
// time, and reset it with an empty function. The default is a monotonic
// clock.
using WatchClock = std::function<int64_t()>;
void SetWatchClock(WatchClock clock);
