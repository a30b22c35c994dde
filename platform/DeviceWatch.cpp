#include "platform/DeviceWatch.h"

#include "device/DeviceStore.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>
#include <utility>

namespace {

// The seam is asked only when set, so that an unset one costs one load on
// the call log's path of one open per record.
std::atomic<bool> g_bClockSet {false};
std::mutex g_clockMutex;
WatchClock g_clock;

int64_t NowMs()
{
    if (g_bClockSet.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(g_clockMutex);
        if (g_clock)
            return g_clock();
    }
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

void SetWatchClock(WatchClock clock)
{
    std::lock_guard<std::mutex> lock(g_clockMutex);
    g_clock = std::move(clock);
    g_bClockSet.store(static_cast<bool>(g_clock), std::memory_order_release);
}

DeviceChange CDeviceWatch::Check()
{
    std::string strPath = DefaultDevicePath();
    int64_t nNowMs = NowMs();
    uint64_t nCommits = LocalCommitCount();
    // The path is empty until the first look, and no device path is.
    if (strPath == m_strPath && nCommits == m_nLocalCommits && nNowMs >= m_nLookedMs &&
        nNowMs - m_nLookedMs < kRecheckMs)
        return DeviceChange::None;
    // The commit count is taken before the stamp: a commit in between is
    // then seen by this look or makes the next one.
    m_nLocalCommits = nCommits;
    m_nLookedMs = nNowMs;
    ++m_nLooks;
    Stamp stamp = StampOf(strPath);
    DeviceChange change = DeviceChange::None;
    if (strPath != m_strPath || !stamp.file.IsSameFile(m_stamp.file))
        change = DeviceChange::File;
    else if (!(stamp == m_stamp))
        change = DeviceChange::Contents;
    // Asked whatever the stamp says, so that the version compared next time
    // is the one of this look.
    bool bNewVersion = stamp.file.bWal && DataVersionChanged();
    if (change == DeviceChange::None && bNewVersion)
        change = DeviceChange::Contents;
    if (change == DeviceChange::Contents && (!m_pDb || m_bImmutable))
        change = DeviceChange::File;
    m_strPath = std::move(strPath);
    m_stamp = stamp;
    return change;
}

void CDeviceWatch::Track(CDatabase* pDb)
{
    m_dataVersion = CStatement();
    m_pDb = pDb;
    m_bImmutable = pDb && pDb->IsImmutable();
    // The stamp was taken before the connection was opened, so that a log
    // that appeared meanwhile still counts as a change; the counter, which
    // only a connection reads, and the data version are read now, before the
    // owner reads the store.
    ReadChangeCounter(&m_stamp.nChangeCounter);
    if (!pDb)
        return;
    m_dataVersion.Prepare(*pDb, "PRAGMA data_version");
    m_nDataVersion = m_dataVersion.Step() == SQLITE_ROW ? m_dataVersion.ColumnInt(0) : -1;
    m_dataVersion.Reset();
}

// The stamp of the file and its counter. Whether a connection opened on the
// file of the last look can go on reading the file of this stamp is
// FileStamp::IsSameFile: a connection opened in one journal mode is not
// trusted to follow a switch to the other.
CDeviceWatch::Stamp CDeviceWatch::StampOf(const std::string& strPath) const
{
    Stamp stamp;
    stamp.file = FileStamp::Of(strPath);
    // The counter sits at offset 24 of the header; a shorter file has none.
    if (stamp.file.size >= 28)
        ReadChangeCounter(&stamp.nChangeCounter);
    return stamp;
}

// Read through the tracked connection's own file handle: opening and closing
// the file here would drop every lock that this process's connections hold
// on it, since POSIX locks belong to the process, not to a descriptor.
bool CDeviceWatch::ReadChangeCounter(uint32_t* pnCounter) const
{
    *pnCounter = 0;
    sqlite3_file* pFile = nullptr;
    if (!m_pDb || !m_pDb->IsOpen() ||
        sqlite3_file_control(m_pDb->Handle(), "main", SQLITE_FCNTL_FILE_POINTER, &pFile) != SQLITE_OK || !pFile ||
        !pFile->pMethods)
        return false;
    unsigned char counter[4] = {};
    if (pFile->pMethods->xRead(pFile, counter, sizeof counter, 24) != SQLITE_OK)
        return false;
    *pnCounter =
        (uint32_t {counter[0]} << 24) | (uint32_t {counter[1]} << 16) | (uint32_t {counter[2]} << 8) | counter[3];
    return true;
}

bool CDeviceWatch::DataVersionChanged()
{
    if (!m_dataVersion.IsValid())
        return false;
    m_dataVersion.Reset();
    int64_t nVersion = m_dataVersion.Step() == SQLITE_ROW ? m_dataVersion.ColumnInt(0) : -1;
    m_dataVersion.Reset();
    // A version that cannot be read counts as a change every time.
    bool bChanged = nVersion != m_nDataVersion || nVersion < 0;
    m_nDataVersion = nVersion;
    return bChanged;
}
