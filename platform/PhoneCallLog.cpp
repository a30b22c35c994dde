#include "platform/PhoneCallLog.h"

#include "device/DeviceStore.h"
#include "platform/PlatformResult.h"
#include "platform/TextPool.h"

#include <sqlite3.h>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <mutex>
#include <sys/stat.h>
#include <time.h>
#include <vector>

namespace {

// How stale the view of another process's changes may get.
constexpr int64_t kRecheckMs = 20;
constexpr uint32_t kNoText = CTextPool::kNone;
// The most records made room for at once.
constexpr int64_t kMaxReserved = int64_t {1} << 24;

// The process-wide view of the device's call log: one read-only connection
// and every record in log order, read with one pass over the table whenever
// the store has changed. Reading position after position, as the main list
// does with one open and close per row, is then a copy out of memory: one
// sequential scan costs a fraction of a lookup per record.
class CCallLogSource
{
public:
    // The first open handle brings the view up to date; while any handle is
    // open the view stays as it is, so a walk reads one state of the store.
    void Acquire()
    {
        if (m_nOpen++ > 0)
            return;
        Refresh();
    }

    void Release()
    {
        if (m_nOpen > 0)
            --m_nOpen;
    }

    size_t Count() const { return m_rows.size(); }

    bool Read(size_t nPosition, CALLLOGENTRY* pEntry)
    {
        if (nPosition >= m_rows.size())
            return false;
        const Row& row = m_rows[nPosition];
        ++m_nRowsRead;
        pEntry->ftStartTime = TicksToFileTime(static_cast<uint64_t>(row.nStart));
        pEntry->ftEndTime = TicksToFileTime(static_cast<uint64_t>(row.nEnd));
        pEntry->iom = static_cast<IOM>(row.nIom);
        pEntry->fOutgoing = (row.nFlags & 1) != 0;
        pEntry->fConnected = (row.nFlags & 2) != 0;
        pEntry->fEnded = (row.nFlags & 4) != 0;
        pEntry->fRoam = (row.nFlags & 8) != 0;
        pEntry->cidt = static_cast<CALLERIDTYPE>(row.nCidt);
        pEntry->pszNumber = LocalAllocText(m_texts.Wide(row.nNumber));
        pEntry->pszName = LocalAllocText(m_texts.Wide(row.nName));
        pEntry->pszNameType = LocalAllocText(m_texts.Wide(row.nNameType));
        pEntry->pszNote = LocalAllocText(m_texts.Wide(row.nNote));
        return true;
    }

    uint64_t RowsRead() const { return m_nRowsRead; }
    uint64_t RowsFetched() const { return m_nRowsFetched; }

private:
    struct Row {
        int64_t nStart = 0;
        int64_t nEnd = 0;
        uint32_t nNumber = kNoText;
        uint32_t nName = kNoText;
        uint32_t nNameType = kNoText;
        uint32_t nNote = kNoText;
        int32_t nIom = 0;
        int32_t nFlags = 0;
        int32_t nCidt = 0;
    };

    // What tells that the store changed: the file itself, its write-ahead
    // log, and the change counter that every commit in rollback mode bumps.
    struct FileStamp {
        bool bExists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        time_t mtime = 0;
        long mtimeNs = 0;
        uint32_t nChangeCounter = 0;
        bool bWal = false;
        off_t walSize = 0;
        time_t walMtime = 0;
        long walMtimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };

    static FileStamp StampOf(const std::string& strPath)
    {
        FileStamp stamp;
        struct stat st {};
        if (::stat(strPath.c_str(), &st) != 0)
            return stamp;
        stamp = FileStamp {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
        int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            unsigned char counter[4] = {};
            if (::pread(fd, counter, sizeof counter, 24) == static_cast<ssize_t>(sizeof counter))
                stamp.nChangeCounter = (uint32_t {counter[0]} << 24) | (uint32_t {counter[1]} << 16) |
                                       (uint32_t {counter[2]} << 8) | counter[3];
            ::close(fd);
        }
        if (::stat((strPath + "-wal").c_str(), &st) == 0) {
            stamp.bWal = true;
            stamp.walSize = st.st_size;
            stamp.walMtime = st.st_mtim.tv_sec;
            stamp.walMtimeNs = st.st_mtim.tv_nsec;
        }
        return stamp;
    }

    // Brings the view up to date with the store named by the environment.
    // Asking the file system costs more than reading a row, and the main list
    // opens the log once per row: so another process's change is looked for
    // at most every few milliseconds, while this process's own commits are
    // seen at once.
    void Refresh()
    {
        std::string strPath = DefaultDevicePath();
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        int64_t nNowMs = static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
        uint64_t nCommits = LocalCommitCount();
        if (strPath == m_strPath && nCommits == m_nLocalCommits && nNowMs - m_nCheckedMs < kRecheckMs &&
            nNowMs >= m_nCheckedMs)
            return;
        m_nLocalCommits = nCommits;
        m_nCheckedMs = nNowMs;
        FileStamp stamp = StampOf(strPath);
        if (strPath != m_strPath || !(stamp == m_stamp)) {
            m_strPath = strPath;
            m_stamp = stamp;
            Reopen();
            return;
        }
        // In WAL mode a commit may leave the file and the log's size and time
        // as they were; SQLite's own counter tells.
        if (m_stamp.bWal && m_store.Database().IsOpen()) {
            m_dataVersion.Reset();
            if (m_dataVersion.Step() != SQLITE_ROW || m_dataVersion.ColumnInt(0) != m_nDataVersion)
                Reopen();
            m_dataVersion.Reset();
        }
    }

    void Reopen()
    {
        m_dataVersion = CStatement();
        m_rows.clear();
        m_texts.Clear();
        m_store.Close();
        if (!m_stamp.bExists || m_store.OpenReadOnly(m_strPath, StoreCheck::Schema) != DeviceStatus::Ok) {
            m_store.Close();
            return;
        }
        m_dataVersion.Prepare(m_store.Database(), "PRAGMA data_version");
        if (m_dataVersion.Step() == SQLITE_ROW)
            m_nDataVersion = m_dataVersion.ColumnInt(0);
        m_dataVersion.Reset();
        Load();
    }

    // Reads every record in table order, the cheapest order to read, which
    // is ascending id, and puts them into log order: the newest first, ties
    // by the higher id. Reversed, the ids descend, and a stable sort by start
    // keeps that order among equal starts; records are mostly stored oldest
    // first, so the sort usually finds nothing to do. A failed read keeps
    // what came before it.
    void Load()
    {
        CStatement all(m_store.Database(), "SELECT start_time, end_time, iom, flags, cidt, number, name, "
                                           "name_type, note FROM calllog ORDER BY id");
        // Room for every record, known from the ends of the id range without
        // counting: memory reserved and never written is not taken. Ids far
        // apart are left to the vector's own growth.
        if (auto nSpan = m_store.Database().QueryInt("SELECT max(id) - min(id) + 1 FROM calllog");
            nSpan && *nSpan > 0 && *nSpan <= kMaxReserved)
            m_rows.reserve(static_cast<size_t>(*nSpan));
        while (all.IsValid() && all.Step() == SQLITE_ROW) {
            Row row;
            row.nStart = all.ColumnInt(0);
            row.nEnd = all.ColumnInt(1);
            row.nIom = static_cast<int32_t>(all.ColumnInt(2));
            row.nFlags = static_cast<int32_t>(all.ColumnInt(3));
            row.nCidt = static_cast<int32_t>(all.ColumnInt(4));
            row.nNumber = m_texts.Add(all.ColumnTextView(5));
            row.nName = m_texts.Add(all.ColumnTextView(6));
            row.nNameType = m_texts.Add(all.ColumnTextView(7));
            row.nNote = m_texts.Add(all.ColumnTextView(8));
            m_rows.push_back(row);
            ++m_nRowsFetched;
            ++m_nRowsRead;
        }
        std::reverse(m_rows.begin(), m_rows.end());
        auto newer = [](const Row& a, const Row& b) { return a.nStart > b.nStart; };
        if (!std::is_sorted(m_rows.begin(), m_rows.end(), newer))
            std::stable_sort(m_rows.begin(), m_rows.end(), newer);
    }

    std::string m_strPath;
    FileStamp m_stamp;
    CDeviceStore m_store;
    CStatement m_dataVersion;
    std::vector<Row> m_rows;
    CTextPool m_texts;
    int64_t m_nDataVersion = 0;
    uint64_t m_nLocalCommits = 0;
    int64_t m_nCheckedMs = 0;
    uint64_t m_nRowsRead = 0;
    uint64_t m_nRowsFetched = 0;
    int m_nOpen = 0;
};

std::mutex g_mutex;
CCallLogSource& Source()
{
    static CCallLogSource s_source;
    return s_source;
}

struct CallLogHandle {
    size_t nPosition = 0;
};

} // namespace

HRESULT PhoneOpenCallLog(HANDLE* ph)
{
    if (!ph)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    Source().Acquire();
    *ph = new CallLogHandle;
    return S_OK;
}

HRESULT PhoneSeekCallLog(HANDLE hdb, DWORD dwSeek, DWORD iRecord, DWORD* piRecord)
{
    auto* pHandle = static_cast<CallLogHandle*>(hdb);
    if (!pHandle)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t nCount = Source().Count();
    size_t nPosition;
    if (dwSeek == CALLLOGSEEK_BEGINNING) {
        if (iRecord > nCount)
            return E_FAIL;
        nPosition = iRecord;
    } else if (dwSeek == CALLLOGSEEK_END) {
        if (static_cast<size_t>(iRecord) + 1 > nCount)
            return E_FAIL;
        nPosition = nCount - 1 - iRecord;
    } else {
        return E_FAIL;
    }
    pHandle->nPosition = nPosition;
    if (piRecord)
        *piRecord = static_cast<DWORD>(nPosition);
    return S_OK;
}

HRESULT PhoneGetCallLogEntry(HANDLE hdb, CALLLOGENTRY* pentry)
{
    auto* pHandle = static_cast<CallLogHandle*>(hdb);
    if (!pHandle || !pentry)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Source().Read(pHandle->nPosition, pentry))
        return E_FAIL;
    ++pHandle->nPosition;
    return S_OK;
}

HRESULT PhoneCloseCallLog(HANDLE hdb)
{
    if (!hdb)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    delete static_cast<CallLogHandle*>(hdb);
    Source().Release();
    return S_OK;
}

uint64_t PhoneCallLogRowsRead()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Source().RowsRead();
}

uint64_t PhoneCallLogRowsFetched()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Source().RowsFetched();
}
